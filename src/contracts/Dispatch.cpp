#include "contracts/Dispatch.h"

#include "contracts/Error.h"

namespace qv {

std::string AsciiLower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

namespace {
char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
} // namespace

std::size_t DispatchTable::NoCaseHash::operator()(std::string_view s) const {
    std::size_t h = 14695981039346656037ull;
    for (char c : s) {
        h ^= static_cast<unsigned char>(LowerAscii(c));
        h *= 1099511628211ull;
    }
    return h;
}

bool DispatchTable::NoCaseEqual::operator()(std::string_view a, std::string_view b) const {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

void DispatchTable::Add(std::string_view name, Handler handler) {
    handlers_[AsciiLower(name)] = std::move(handler);
}

Variant DispatchTable::Invoke(std::string_view name, CallKind kind,
                              std::vector<Variant>& args) const {
    auto it = handlers_.find(name);
    if (it == handlers_.end())
        throw Error(err::UnknownMember, "Object doesn't support this property or method");
    return it->second(kind, args);
}

bool DispatchTable::Has(std::string_view name) const {
    return handlers_.find(name) != handlers_.end();
}

const DispatchTable::Handler* DispatchTable::Find(std::string_view name) const {
    auto it = handlers_.find(name);
    return it == handlers_.end() ? nullptr : &it->second;
}

} // namespace qv
