#include "contracts/Dispatch.h"

#include "contracts/Error.h"

namespace qv {

std::string AsciiLower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

void DispatchTable::Add(std::string_view name, Handler handler) {
    handlers_[AsciiLower(name)] = std::move(handler);
}

Variant DispatchTable::Invoke(std::string_view name, CallKind kind,
                              std::vector<Variant>& args) const {
    auto it = handlers_.find(AsciiLower(name));
    if (it == handlers_.end())
        throw Error(err::UnknownMember, "Object doesn't support this property or method");
    return it->second(kind, args);
}

bool DispatchTable::Has(std::string_view name) const {
    return handlers_.count(AsciiLower(name)) != 0;
}

} // namespace qv
