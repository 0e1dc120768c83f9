#include "controls/DataObject.h"

#include "contracts/Error.h"

#include <algorithm>

namespace qv {

namespace {
std::string FormatName(const Variant& format) {
    if (format.IsMissing() || format.IsEmpty())
        throw Error(err::InvalidArgument, "Invalid procedure call or argument");
    std::string name = format.ToString(); // 13 for objects and other non-texts
    if (name.empty()) throw Error(err::InvalidArgument, "Invalid procedure call or argument");
    return name;
}
} // namespace

void HeadlessDataObject::SetData(const Variant& value, const Variant& format) {
    std::string name = FormatName(format);
    if (value.IsEmpty() &&
        std::find(announced_.begin(), announced_.end(), name) == announced_.end())
        announced_.push_back(name);
    for (auto& [f, v] : data_)
        if (f == name) {
            v = value;
            return;
        }
    data_.emplace_back(std::move(name), value);
}

Variant HeadlessDataObject::GetData(const Variant& format) const {
    if (const Variant* v = Find(FormatName(format))) return *v;
    throw Error(461, "Specified format doesn't match format of data");
}

bool HeadlessDataObject::GetFormat(const Variant& format) const {
    return Find(FormatName(format)) != nullptr;
}

void HeadlessDataObject::Clear() {
    data_.clear();
    files_.clear();
    announced_.clear();
}

std::vector<std::string> HeadlessDataObject::Formats() const {
    std::vector<std::string> out;
    out.reserve(data_.size());
    for (const auto& entry : data_)
        out.push_back(entry.first);
    return out;
}

const Variant* HeadlessDataObject::Find(const std::string& format) const {
    for (const auto& [f, v] : data_)
        if (f == format) return &v;
    return nullptr;
}

} // namespace qv
