#pragma once

#include <memory>
#include <string>
#include <vector>

namespace qv {

class Variant;
class KeyedCollection;

// Base of every object that can travel in a Variant or be dumped by the error report.
// Objects are shared (std::shared_ptr); "the same object" is pointer identity.
class Object : public std::enable_shared_from_this<Object> {
public:
    // The class name as the platform's TypeName would give it ("QVProject", "Node").
    virtual std::string TypeName() const = 0;

    // Collections offer their elements in enumeration order; others return false.
    virtual bool Enumerate(std::vector<Variant>& /*elements*/) const { return false; }

    // The object as a KeyedCollection, when it is one that says so (nullptr otherwise: ask
    // dynamic_cast). A key test runs for every file of a load, and the cross-cast through the
    // virtual base costs more than the lookup itself.
    virtual const KeyedCollection* AsKeyedCollection() const { return nullptr; }

protected:
    Object() = default;
    Object(const Object&) = default;
    Object& operator=(const Object&) = default;
    virtual ~Object() = default;
};

// Collections that can answer "is this key here" by hash lookup (tree nodes, images).
class KeyedCollection {
public:
    virtual bool Contains(const std::string& key) const = 0;

protected:
    ~KeyedCollection() = default;
};

} // namespace qv
