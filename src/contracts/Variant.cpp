#include "contracts/Variant.h"

#include "contracts/Error.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace qv {

namespace {
[[noreturn]] void TypeMismatch() {
    throw Error(err::TypeMismatch, "Type mismatch");
}

// The platform writes an exponent with a capital E ("1E-05", "1.5E+20") and zero without a
// sign.
std::string Significant(double v, int digits) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*g", digits, v == 0 ? 0.0 : v);
    for (char* c = buf; *c; ++c)
        if (*c == 'e') *c = 'E';
    return buf;
}

std::string NumberText(double v) {
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.0f", v == 0 ? 0.0 : v);
        return buf;
    }
    return Significant(v, 15);
}

std::string SingleText(float v) {
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e7f) return NumberText(v);
    return Significant(static_cast<double>(v), 7);
}
} // namespace

Variant::Variant(Array a) : value_(std::make_shared<Array>(std::move(a))) {}

VarType Variant::Type() const {
    switch (value_.index()) {
    case 0:
        return VarType::Empty;
    case 1:
        return VarType::Null;
    case 2:
        return VarType::Boolean;
    case 3:
        return VarType::Integer;
    case 4:
        return VarType::Long;
    case 5:
        return VarType::Single;
    case 6:
        return VarType::Double;
    case 7:
        return VarType::String;
    case 8:
        return VarType::Object;
    case 9:
        return VarType::Unknown;
    case 10:
        return VarType::Missing;
    case 11:
        return VarType::Record;
    default:
        return VarType::Array;
    }
}

bool Variant::ToBool() const {
    switch (Type()) {
    case VarType::Empty:
        return false;
    case VarType::Boolean:
        return std::get<bool>(value_);
    case VarType::String: {
        const auto& s = std::get<std::string>(value_);
        if (s == "True" || s == "true" || s == "TRUE") return true;
        if (s == "False" || s == "false" || s == "FALSE") return false;
        char* end = nullptr;
        double d = std::strtod(s.c_str(), &end);
        if (s.empty() || *end != '\0') TypeMismatch();
        return d != 0;
    }
    case VarType::Integer:
    case VarType::Long:
    case VarType::Single:
    case VarType::Double:
        return ToDouble() != 0;
    default:
        TypeMismatch();
    }
}

int32_t Variant::ToLong() const {
    double d = ToDouble();
    // The platform rounds half to even when it converts to a whole number.
    double r = std::nearbyint(d);
    if (r < -2147483648.0 || r > 2147483647.0) throw Error(6, "Overflow");
    return static_cast<int32_t>(r);
}

double Variant::ToDouble() const {
    switch (Type()) {
    case VarType::Empty:
        return 0;
    case VarType::Boolean:
        return std::get<bool>(value_) ? -1 : 0;
    case VarType::Integer:
        return std::get<int16_t>(value_);
    case VarType::Long:
        return std::get<int32_t>(value_);
    case VarType::Single:
        return std::get<float>(value_);
    case VarType::Double:
        return std::get<double>(value_);
    case VarType::String: {
        const auto& s = std::get<std::string>(value_);
        char* end = nullptr;
        double d = std::strtod(s.c_str(), &end);
        if (s.empty() || *end != '\0') TypeMismatch();
        return d;
    }
    default:
        TypeMismatch();
    }
}

void Variant::SetString(std::string_view text) {
    if (auto* held = std::get_if<std::string>(&value_))
        held->assign(text);
    else
        value_ = std::string(text);
}

std::string Variant::ToString() const {
    switch (Type()) {
    case VarType::Empty:
        return {};
    case VarType::Boolean:
        return std::get<bool>(value_) ? "True" : "False";
    case VarType::Integer:
        return std::to_string(std::get<int16_t>(value_));
    case VarType::Long:
        return std::to_string(std::get<int32_t>(value_));
    case VarType::Single:
        return SingleText(std::get<float>(value_));
    case VarType::Double:
        return NumberText(std::get<double>(value_));
    case VarType::String:
        return std::get<std::string>(value_);
    default:
        TypeMismatch();
    }
}

const std::shared_ptr<Object>& Variant::ObjectValue() const {
    if (auto* o = std::get_if<std::shared_ptr<Object>>(&value_)) return *o;
    if (auto* u = std::get_if<UnknownValue>(&value_)) return u->object;
    TypeMismatch();
}

const Array& Variant::ArrayValue() const {
    if (auto* a = std::get_if<std::shared_ptr<Array>>(&value_)) return **a;
    TypeMismatch();
}

Array& Variant::ArrayValue() {
    if (auto* a = std::get_if<std::shared_ptr<Array>>(&value_)) {
        // Arrays are values: copy on write so that two Variants never share one.
        if (a->use_count() > 1) *a = std::make_shared<Array>(**a);
        return **a;
    }
    TypeMismatch();
}

const std::string& Variant::RecordTypeName() const {
    if (auto* r = std::get_if<RecordValue>(&value_)) return r->typeName;
    TypeMismatch();
}

bool operator==(const Variant& a, const Variant& b) {
    if (a.Type() != b.Type()) return false;
    switch (a.Type()) {
    case VarType::Empty:
    case VarType::Null:
    case VarType::Missing:
        return true;
    case VarType::Object:
    case VarType::Unknown:
        return a.ObjectValue() == b.ObjectValue();
    case VarType::Record:
        return a.RecordTypeName() == b.RecordTypeName();
    case VarType::Array:
        return &a.ArrayValue() == &b.ArrayValue();
    default:
        return a.value_ == b.value_;
    }
}

Array::Array(VarType elementType, std::vector<Bounds> bounds)
    : elementType_(elementType), bounds_(std::move(bounds)) {
    if (bounds_.size() > 60) throw Error(err::SubscriptOutOfRange, "Subscript out of range");
    std::size_t n = bounds_.empty() ? 0 : 1;
    for (const auto& b : bounds_) {
        if (b.upper < b.lower) throw Error(err::SubscriptOutOfRange, "Subscript out of range");
        n *= static_cast<std::size_t>(b.upper - b.lower + 1);
    }
    elements_.resize(n);
    if (elementType_ == VarType::Object)
        for (auto& e : elements_)
            e = Variant(nullptr);
}

int32_t Array::LowerBound(int dimension) const {
    if (dimension < 1 || dimension > Dimensions())
        throw Error(err::SubscriptOutOfRange, "Subscript out of range");
    return bounds_[dimension - 1].lower;
}

int32_t Array::UpperBound(int dimension) const {
    if (dimension < 1 || dimension > Dimensions())
        throw Error(err::SubscriptOutOfRange, "Subscript out of range");
    return bounds_[dimension - 1].upper;
}

std::size_t Array::Offset(std::initializer_list<int32_t> indexes) const {
    if (indexes.size() != bounds_.size() || bounds_.empty())
        throw Error(err::SubscriptOutOfRange, "Subscript out of range");
    std::size_t offset = 0;
    auto b = bounds_.begin();
    for (int32_t i : indexes) {
        if (i < b->lower || i > b->upper)
            throw Error(err::SubscriptOutOfRange, "Subscript out of range");
        offset = offset * static_cast<std::size_t>(b->upper - b->lower + 1) +
                 static_cast<std::size_t>(i - b->lower);
        ++b;
    }
    return offset;
}

Variant& Array::At(std::initializer_list<int32_t> indexes) {
    return elements_[Offset(indexes)];
}

const Variant& Array::At(std::initializer_list<int32_t> indexes) const {
    return elements_[Offset(indexes)];
}

} // namespace qv
