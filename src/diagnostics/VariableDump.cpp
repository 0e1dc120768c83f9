#include "diagnostics/VariableDump.h"

#include "contracts/Error.h"
#include "contracts/Object.h"

#include <algorithm>
#include <new>
#include <vector>

namespace qv::diag {

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr int kMaxProbedDimensions = 4;

// Enumerable objects whose dump is under way on this thread. Meeting one again means a
// collection holds itself; without this the dump would recurse until the stack ran out.
thread_local std::vector<const Object*> tOpenCollections;

class OpenCollection {
public:
    explicit OpenCollection(const Object* object) {
        if (std::find(tOpenCollections.begin(), tOpenCollections.end(), object) !=
            tOpenCollections.end())
            throw Error(28, "Out of stack space");
        tOpenCollections.push_back(object);
    }
    ~OpenCollection() { tOpenCollections.pop_back(); }
    OpenCollection(const OpenCollection&) = delete;
    OpenCollection& operator=(const OpenCollection&) = delete;
};

void DumpInto(std::string& out, const std::string& name, const Variant& value);

void Open(std::string& out, const std::string& name) {
    out += '<';
    out += name;
    out += '>';
}

void Close(std::string& out, const std::string& shortName) {
    out += "</";
    out += shortName;
    out += '>';
    out += kCrLf;
}

void AppendText(std::string& out, const std::string& text) {
    for (char c : text) {
        if (c == '\0')
            out += "{Null}";
        else
            out += c;
    }
}

int CountDimensions(const Array& array) {
    int count = 0;
    while (count < kMaxProbedDimensions) {
        try {
            (void)array.LowerBound(count + 1);
        } catch (...) {
            break;
        }
        ++count;
    }
    return count;
}

std::string IndexedName(const std::string& name, const std::string& indexes) {
    return name + " Index=\"" + indexes + "\"";
}

// Loop variables are 64-bit so that an upper bound of the largest Long still ends the loop.
void WriteArrayElements(std::string& out, const std::string& name, const Variant& value) {
    const Array& array = value.ArrayValue();
    const int dimensions = CountDimensions(array);
    if (IsUninitialisedArray(value, 1)) {
        out += "{UnInitialised Array}";
        return;
    }
    if (dimensions >= kMaxProbedDimensions) {
        out += "{Dump truncated at " + std::to_string(dimensions) + " dimensions}";
        return;
    }
    for (int64_t i = array.LowerBound(1); i <= array.UpperBound(1); ++i) {
        const auto ii = static_cast<int32_t>(i);
        if (dimensions == 1) {
            DumpInto(out, IndexedName(name, std::to_string(i)), array.At({ii}));
            continue;
        }
        if (IsUninitialisedArray(value, 2)) {
            out += "{UnInitialised Array Dimension 2}";
            continue;
        }
        for (int64_t j = array.LowerBound(2); j <= array.UpperBound(2); ++j) {
            const auto jj = static_cast<int32_t>(j);
            const std::string ij = std::to_string(i) + "," + std::to_string(j);
            if (dimensions == 2) {
                DumpInto(out, IndexedName(name, ij), array.At({ii, jj}));
                continue;
            }
            if (IsUninitialisedArray(value, 3)) {
                out += "{UnInitialised Array Dimension 3}";
                continue;
            }
            for (int64_t k = array.LowerBound(3); k <= array.UpperBound(3); ++k) {
                const auto kk = static_cast<int32_t>(k);
                DumpInto(out, IndexedName(name, ij + "," + std::to_string(k)),
                         array.At({ii, jj, kk}));
            }
        }
    }
}

void WriteObject(std::string& out, const std::string& name, const std::string& shortName,
                 const Object* object) {
    Open(out, name);
    if (!object) {
        out += "{Nothing}";
        Close(out, shortName);
        return;
    }
    // Asking for the enumerator is allowed to fail: the object then counts as having none.
    std::vector<Variant> elements;
    bool enumerable = false;
    try {
        enumerable = object->Enumerate(elements);
    } catch (...) {
        enumerable = false;
    }
    if (!enumerable) {
        out += '{';
        out += object->TypeName();
        out += '}';
        Close(out, shortName);
        return;
    }
    OpenCollection open(object);
    out += kCrLf;
    for (std::size_t i = 0; i < elements.size(); ++i)
        DumpInto(out, name + "[" + std::to_string(i + 1) + "]", elements[i]);
    Close(out, shortName);
}

void Write(std::string& out, const std::string& name, const Variant& value) {
    const std::string shortName = name.substr(0, name.find(' '));
    switch (value.Type()) {
    case VarType::Object:
        WriteObject(out, name, shortName, value.ObjectValue().get());
        return;
    case VarType::Array:
        Open(out, name);
        out += kCrLf;
        WriteArrayElements(out, name, value);
        Close(out, shortName);
        return;
    case VarType::Empty:
        Open(out, name);
        out += "{Empty}";
        break;
    case VarType::Null:
        Open(out, name);
        out += "{Null}";
        break;
    case VarType::Missing:
        Open(out, name);
        break;
    case VarType::Unknown:
        Open(out, name);
        out += value.ObjectValue() ? "{DataObject}" : "{Nothing}";
        break;
    case VarType::Record:
        Open(out, name);
        out += "{UDT - " + value.RecordTypeName() + "}";
        break;
    default: {
        const std::string text = value.ToString();
        Open(out, name);
        AppendText(out, text);
        break;
    }
    }
    Close(out, shortName);
}

// Appends one variable; on failure takes back whatever of it was written and appends the
// error text instead, so each element of a collection or array fails on its own.
void DumpInto(std::string& out, const std::string& name, const Variant& value) {
    const std::size_t start = out.size();
    try {
        Write(out, name, value);
    } catch (...) {
        out.resize(start);
        out += FormattingErrorText(std::current_exception());
    }
}

} // namespace

std::string DumpVariable(const std::string& name, const Variant& value) {
    std::string out;
    DumpInto(out, name, value);
    return out;
}

bool IsUninitialisedArray(const Variant& value, int32_t dimension) {
    if (value.Type() != VarType::Array) return false;
    try {
        (void)value.ArrayValue().LowerBound(dimension);
        return false;
    } catch (const Error& e) {
        return e.Number() == err::SubscriptOutOfRange;
    } catch (...) {
        return false;
    }
}

std::string UdtParameterText(const std::string& name) {
    return "<" + name + ">{Can't dump UDT parameters}</" + name + ">";
}

std::string ExternalUdtText(const std::string& name) {
    return "<" + name + ">{Cannot dump external UDTs}</" + name + ">";
}

std::string FormattingErrorText(std::exception_ptr error) {
    int32_t number = err::InvalidArgument;
    if (!error) return "{Error " + std::to_string(number) + " formatting for output}";
    try {
        std::rethrow_exception(error);
    } catch (const Error& e) {
        number = e.Number();
    } catch (const std::bad_alloc&) {
        number = 7;
    } catch (...) {
    }
    return "{Error " + std::to_string(number) + " formatting for output}";
}

} // namespace qv::diag
