#pragma once

#include "contracts/Error.h"
#include "contracts/HostServices.h"
#include "contracts/Variant.h"

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace qv::diag {

inline constexpr const char* kLibraryName = "QVLiteControls2";
inline constexpr const char* kErrorComponentClass = "VeltaError.Error";
inline constexpr const char* kPassedOnDescription = "Application-defined or object-defined error";

// A named variable of a procedure, read only when a dump is made, so the dump shows the value
// at the moment of failure. Holds a reference: the variable must outlive the procedure frame.
// Cheap to make (no allocation): every procedure call makes a few.
class Var {
public:
    Var() = default; // an empty slot
    template <class T>
    Var(const char* name, const T& value) : name_(name), ref_(&value), read_(&Read<T>) {}
    // A temporary would be gone by the time of the dump.
    template <class T> Var(const char* name, const T&& value) = delete;
    // A value whose type the dump does not handle, written as a fixed text.
    static Var UdtParameter(const char* name);
    static Var ExternalUdt(const char* name);
    // A bare interface handed in by reference (a drag data object): dumped as such, never
    // enumerated or read.
    static Var Interface(const char* name, const Object& value);

    const char* Name() const { return name_; }
    // The variable's dump text.
    std::string Dump() const;

private:
    friend class Procedure;
    enum class Kind : unsigned char { Value, UdtParameter, ExternalUdt, Interface };
    struct Fields {};
    // Each field written once: a frame's copy makes no default value first.
    Var(Fields, const char* name, const void* ref, Variant (*read)(const void*), Kind kind)
        : name_(name), ref_(ref), read_(read), kind_(kind) {}

    template <class T> static Variant Read(const void* ref) {
        const T& v = *static_cast<const T*>(ref);
        if constexpr (std::is_pointer_v<T>) {
            // Raw object pointers (tree nodes): the object if it is shared, else Nothing.
            if (!v) return Variant(nullptr);
            return Variant(std::const_pointer_cast<Object>(
                static_cast<const Object*>(v)->weak_from_this().lock()));
        } else if constexpr (std::is_same_v<T, Variant>) {
            return v;
        } else {
            return Variant(v);
        }
    }

    const char* name_ = "";
    const void* ref_ = nullptr;
    Variant (*read_)(const void*) = nullptr;
    Kind kind_ = Kind::Value;
};

// Delivers reports: to the error component when it can be created (then passes error 65535
// on to the caller), otherwise in the "Application Error" message box.
class ErrorReporter {
public:
    explicit ErrorReporter(HostLibraries& libraries) : libraries_(libraries) {}

    // Throws Error(65535) after the error component took the report; returns "" after the
    // message box.
    std::string HandleError(int32_t errorNumber, const std::string& moduleName,
                            const std::string& procedureName, const std::string& errorDescription,
                            int32_t errorLine, const std::string& localVariables,
                            const std::string& moduleVariables, const std::string& parameters);

    // The report text given to the error component.
    static std::string ReportText(const std::string& localVariables,
                                  const std::string& moduleVariables,
                                  const std::string& parameters);

private:
    HostLibraries& libraries_;
};

// What every procedure of one module shares: the reporter, the module's name and the dump of
// the object's fields ("{None}" for modules without fields).
struct ErrorContext {
    ErrorReporter& reporter;
    std::string moduleName;
    std::function<std::string()> moduleDump;
};

// One procedure under the uniform error handler. Declare the locals first, then the frame,
// then Run the body; a failure in the body is captured, dumped and handed to HandleError.
// When the error component took the report, Run throws Error(65535); otherwise it returns
// normally and the caller goes on. A qv::Error is reported with its own number, description
// and source (the library's name when it has none); lack of memory as 7 "Out of memory";
// any other exception as 51 "Internal error: " + what().
class Procedure {
public:
    // At most kMaxVariables parameters and as many locals.
    Procedure(ErrorContext& context, const char* name, std::initializer_list<Var> parameters = {},
              std::initializer_list<Var> locals = {});
    static constexpr std::size_t kMaxVariables = 16;

    template <class F> void Run(F&& body) {
        try {
            body();
        } catch (...) {
            Report(std::current_exception());
        }
    }

    // The line reached, for the report; procedures that mark their steps set it.
    int32_t line = 0;

private:
    void Report(std::exception_ptr error);
    // The variables into the frame's slots; a longer list than the slots is cut short.
    static unsigned char CopyVars(std::initializer_list<Var> from, Var* to);

    // Room for the variables, left unset beyond the count: every call of a procedure makes a
    // frame, and most frames never fail.
    union Slots {
        Slots() {}
        Var at[kMaxVariables];
    };

    ErrorContext& context_;
    const char* name_;
    Slots parameters_;
    Slots locals_;
    unsigned char parameterCount_ = 0;
    unsigned char localCount_ = 0;
};

// A step whose failure must not stop the surrounding work: the failure is dropped and the
// next step runs (the platform's resume-next).
template <class F> bool IgnoreErrors(F&& step) noexcept {
    try {
        step();
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace qv::diag
