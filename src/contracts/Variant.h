#pragma once

#include "contracts/Object.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace qv {

enum class VarType {
    Empty,
    Null,
    Boolean,
    Integer, // 16-bit
    Long,    // 32-bit
    Single,
    Double,
    String,
    Object,  // a reference to an object, or Nothing
    Unknown, // a bare interface pointer such as a drag data object, or Nothing
    Missing, // an omitted optional argument (the platform's error value)
    Record,  // a user-defined structure, known by its type name only
    Array,
};

class Array;

// The one value type for late-bound arguments, tags, registry values and the variable dump.
class Variant {
public:
    struct NullValue {
        friend bool operator==(const NullValue&, const NullValue&) = default;
    };
    struct MissingValue {
        friend bool operator==(const MissingValue&, const MissingValue&) = default;
    };
    struct UnknownValue {
        std::shared_ptr<Object> object;
        friend bool operator==(const UnknownValue&, const UnknownValue&) = default;
    };
    struct RecordValue {
        std::string typeName;
        friend bool operator==(const RecordValue&, const RecordValue&) = default;
    };

    Variant() = default; // Empty
    Variant(bool v) : value_(v) {}
    Variant(int16_t v) : value_(v) {}
    Variant(int32_t v) : value_(v) {}
    Variant(float v) : value_(v) {}
    Variant(double v) : value_(v) {}
    Variant(std::string v) : value_(std::move(v)) {}
    Variant(std::string_view v) : value_(std::string(v)) {}
    Variant(const char* v) : value_(std::string(v)) {}
    Variant(std::shared_ptr<Object> v) : value_(std::move(v)) {}
    template <class T, class = std::enable_if_t<std::is_base_of_v<Object, T>>>
    Variant(std::shared_ptr<T> v) : value_(std::shared_ptr<Object>(std::move(v))) {}
    Variant(std::nullptr_t) : value_(std::shared_ptr<Object>()) {} // Nothing
    Variant(Array a);

    static Variant Null() { return Variant(NullValue{}); }
    static Variant Missing() { return Variant(MissingValue{}); }
    static Variant Unknown(std::shared_ptr<Object> o) {
        return Variant(UnknownValue{std::move(o)});
    }
    static Variant Record(std::string typeName) {
        return Variant(RecordValue{std::move(typeName)});
    }

    VarType Type() const;
    bool IsEmpty() const { return Type() == VarType::Empty; }
    bool IsMissing() const { return Type() == VarType::Missing; }
    bool IsObject() const { return Type() == VarType::Object; }
    bool IsNothing() const { return IsObject() && !ObjectValue(); }

    // Conversions in the platform's manner; a value that cannot convert raises error 13.
    bool ToBool() const;
    int32_t ToLong() const;
    double ToDouble() const;
    std::string ToString() const;
    // Makes the value this text, in the room of the string it holds if it holds one: a value
    // set again for every report of a long task costs no allocation once it is large enough.
    void SetString(std::string_view text);

    const std::shared_ptr<Object>& ObjectValue() const; // error 13 unless Object or Unknown
    template <class T> std::shared_ptr<T> As() const {
        return std::dynamic_pointer_cast<T>(ObjectValue());
    }
    const Array& ArrayValue() const; // error 13 unless Array
    Array& ArrayValue();
    const std::string& RecordTypeName() const;

    friend bool operator==(const Variant& a, const Variant& b);

private:
    explicit Variant(NullValue v) : value_(v) {}
    explicit Variant(MissingValue v) : value_(v) {}
    explicit Variant(UnknownValue v) : value_(std::move(v)) {}
    explicit Variant(RecordValue v) : value_(std::move(v)) {}

    std::variant<std::monostate, NullValue, bool, int16_t, int32_t, float, double, std::string,
                 std::shared_ptr<Object>, UnknownValue, MissingValue, RecordValue,
                 std::shared_ptr<Array>>
        value_;
};

// An array of one to four dimensions with the bounds it was declared with; an array
// declared without bounds has no dimensions ("uninitialised").
class Array {
public:
    struct Bounds {
        int32_t lower;
        int32_t upper;
    };

    Array() = default; // uninitialised
    Array(VarType elementType, std::vector<Bounds> bounds);

    VarType ElementType() const { return elementType_; }
    int Dimensions() const { return static_cast<int>(bounds_.size()); }
    // Bounds of a 1-based dimension; error 9 when the array has no such dimension.
    int32_t LowerBound(int dimension) const;
    int32_t UpperBound(int dimension) const;

    // Element by indexes, one per dimension; error 9 when out of range.
    Variant& At(std::initializer_list<int32_t> indexes);
    const Variant& At(std::initializer_list<int32_t> indexes) const;

private:
    std::size_t Offset(std::initializer_list<int32_t> indexes) const;

    VarType elementType_ = VarType::Empty;
    std::vector<Bounds> bounds_;
    std::vector<Variant> elements_; // first index outermost
};

} // namespace qv
