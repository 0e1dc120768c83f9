#pragma once

#include "contracts/Object.h"
#include "contracts/Variant.h"

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qv {

enum class CallKind { Method, PropertyGet, PropertyPut };

// Late-bound calls by member name. Names match without regard to case; an unknown member
// raises error 438. Arguments are passed by reference: a callee may write into them.
class Dispatch : public virtual Object {
public:
    virtual Variant Invoke(std::string_view name, CallKind kind, std::vector<Variant>& args) = 0;

    // Convenience for callers: a method call with arguments taken by value.
    Variant Call(std::string_view name, std::vector<Variant> args = {}) {
        return Invoke(name, CallKind::Method, args);
    }
    Variant Get(std::string_view name) {
        std::vector<Variant> none;
        return Invoke(name, CallKind::PropertyGet, none);
    }

protected:
    ~Dispatch() override = default;
};

// Lower-cases ASCII letters; member names are ASCII.
std::string AsciiLower(std::string_view s);

// A name-to-handler table that implementers of Dispatch fill once. A method and a property
// get share one name space, as on the platform.
class DispatchTable {
public:
    using Handler = std::function<Variant(CallKind, std::vector<Variant>&)>;

    void Add(std::string_view name, Handler handler);
    // Raises 438 "Object doesn't support this property or method" for an unknown name.
    Variant Invoke(std::string_view name, CallKind kind, std::vector<Variant>& args) const;
    bool Has(std::string_view name) const;
    // The member's handler, nullptr for an unknown name. Stays valid while no name is added.
    const Handler* Find(std::string_view name) const;

private:
    // Names hashed and compared without regard to ASCII case, so that a call looks its member
    // up without making a lower-case copy of the name.
    struct NoCaseHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const;
    };
    struct NoCaseEqual {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    std::unordered_map<std::string, Handler, NoCaseHash, NoCaseEqual> handlers_;
};

} // namespace qv
