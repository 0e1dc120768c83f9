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

private:
    std::unordered_map<std::string, Handler> handlers_;
};

} // namespace qv
