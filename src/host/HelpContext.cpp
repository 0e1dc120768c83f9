#include "host/HelpContext.h"

#include "contracts/Error.h"

namespace qv {

void HostHelpAttributes::Add(Object& attributes, const std::string& name,
                             const std::string& value) {
    auto* set = dynamic_cast<HelpAttributeSet*>(&attributes);
    if (!set) throw Error(err::TypeMismatch, "Type mismatch");
    set->pairs.emplace_back(name, value);
}

} // namespace qv
