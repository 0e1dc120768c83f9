#include "diagnostics/ErrorReport.h"

#include "diagnostics/Globals.h"
#include "diagnostics/VariableDump.h"

#include <algorithm>
#include <new>

#ifndef QV_VERSION_MAJOR
#define QV_VERSION_MAJOR 1
#endif
#ifndef QV_VERSION_MINOR
#define QV_VERSION_MINOR 0
#endif
#ifndef QV_VERSION_REVISION
#define QV_VERSION_REVISION 0
#endif

namespace qv::diag {

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kNone = "{None}";
constexpr int32_t kOutOfMemory = 7;
constexpr int32_t kInternalError = 51;

std::string VersionText() {
    return std::to_string(QV_VERSION_MAJOR) + "." + std::to_string(QV_VERSION_MINOR) + "." +
           std::to_string(QV_VERSION_REVISION);
}

// Fills the error state of this thread from the failure. Errors without a source of their own,
// and failures that are not run-time errors, are attributed to the library.
void CaptureError(Globals& g, std::exception_ptr error, int32_t line) {
    g.vbfmErrorNumber = kInternalError;
    g.vbfmErrorDescription = "Internal error";
    g.vbfmErrorSource = kLibraryName;
    g.vbfmErrorLine = line;
    if (!error) return;
    try {
        std::rethrow_exception(error);
    } catch (const Error& e) {
        g.vbfmErrorNumber = e.Number();
        g.vbfmErrorDescription = e.Description();
        if (!e.Source().empty()) g.vbfmErrorSource = e.Source();
    } catch (const std::bad_alloc&) {
        g.vbfmErrorNumber = kOutOfMemory;
        g.vbfmErrorDescription = "Out of memory";
    } catch (const std::exception& e) {
        if (*e.what()) g.vbfmErrorDescription += std::string(": ") + e.what();
    } catch (...) {
    }
}

std::string DumpAll(const Var* vars, std::size_t count) {
    if (count == 0) return kNone;
    std::string out;
    for (std::size_t i = 0; i < count; ++i)
        out += vars[i].Dump();
    return out;
}

// The frame's slots are never destroyed one by one.
static_assert(std::is_trivially_destructible_v<Var>);

// A field read by itself: the compiler may not join it with its neighbour into one wider read.
template <class T> T Alone(const T& field) {
    T value = field;
#if defined(__GNUC__)
    asm("" : "+r"(value));
#endif
    return value;
}

} // namespace

Var Var::UdtParameter(const char* name) {
    Var v;
    v.name_ = name;
    v.kind_ = Kind::UdtParameter;
    return v;
}

Var Var::ExternalUdt(const char* name) {
    Var v;
    v.name_ = name;
    v.kind_ = Kind::ExternalUdt;
    return v;
}

Var Var::Interface(const char* name, const Object& value) {
    Var v;
    v.name_ = name;
    v.ref_ = &value;
    v.kind_ = Kind::Interface;
    return v;
}

std::string Var::Dump() const {
    if (kind_ == Kind::UdtParameter) return UdtParameterText(name_);
    if (kind_ == Kind::ExternalUdt) return ExternalUdtText(name_);
    if (kind_ == Kind::Interface) {
        // A non-owning handle: the dump only asks whether the interface is there.
        auto* object = const_cast<Object*>(static_cast<const Object*>(ref_));
        return DumpVariable(
            name_, Variant::Unknown(std::shared_ptr<Object>(std::shared_ptr<Object>(), object)));
    }
    if (!read_) return {};
    try {
        return DumpVariable(name_, read_(ref_));
    } catch (...) {
        return FormattingErrorText(std::current_exception());
    }
}

std::string ErrorReporter::HandleError(int32_t errorNumber, const std::string& moduleName,
                                       const std::string& procedureName,
                                       const std::string& errorDescription, int32_t errorLine,
                                       const std::string& localVariables,
                                       const std::string& moduleVariables,
                                       const std::string& parameters) {
    std::shared_ptr<Dispatch> component;
    IgnoreErrors([&] { component = libraries_.CreateObject(kErrorComponentClass); });

    if (component) {
        std::vector<Variant> args{Variant(errorNumber),
                                  Variant(kLibraryName),
                                  Variant(moduleName),
                                  Variant(procedureName),
                                  Variant(errorDescription),
                                  Variant(errorLine),
                                  Variant(ReportText(localVariables, moduleVariables, parameters)),
                                  Variant(VersionText())};
        component->Invoke("ErrorHandler", CallKind::Method, args);
        const std::string action = component->Get("Action").ToString();
        (void)action; // read because the component expects it; the answer changes nothing here
        throw Error(err::PassedOn, kPassedOnDescription, kLibraryName);
    }

    const std::string prompt = std::string(kLibraryName) +
                               " has encountered a problem. We are sorry for the inconvenience." +
                               kCrLf + kCrLf + "Module: " + moduleName + kCrLf +
                               "Procedure: " + procedureName + kCrLf +
                               "Line Number: " + std::to_string(errorLine) + kCrLf + kCrLf +
                               errorDescription + " (" + std::to_string(errorNumber) + ")";
    libraries_.MsgBox(prompt, mb::Critical | mb::OkOnly, "Application Error");
    return {};
}

std::string ErrorReporter::ReportText(const std::string& localVariables,
                                      const std::string& moduleVariables,
                                      const std::string& parameters) {
    std::string out;
    out += "<Variables>";
    out += kCrLf;
    out += "<LocalVariables>";
    out += kCrLf;
    out += localVariables;
    out += "</LocalVariables>";
    out += kCrLf;
    out += "<ModuleVariables>";
    out += kCrLf;
    out += moduleVariables;
    out += "</ModuleVariables>";
    out += kCrLf;
    out += "<GlobalVariables>";
    out += kCrLf;
    out += DumpGlobalVariables();
    out += "</GlobalVariables>";
    out += kCrLf;
    out += "</Variables>";
    out += kCrLf;
    out += "<Parameters>";
    out += kCrLf;
    out += parameters;
    out += "</Parameters>";
    return out;
}

Procedure::Procedure(ErrorContext& context, const char* name, std::initializer_list<Var> parameters,
                     std::initializer_list<Var> locals)
    : context_(context), name_(name), parameterCount_(CopyVars(parameters, parameters_.at)),
      localCount_(CopyVars(locals, locals_.at)) {}

// Field by field, each read as wide as the caller wrote it: the caller has just stored the
// variables a field at a time, and a wider read of two fields still on their way to memory
// waits for them (a failed store forward, a dozen cycles a read). With a few frames for each
// item of a load, that wait was most of a frame's cost.
unsigned char Procedure::CopyVars(std::initializer_list<Var> from, Var* to) {
    // A longer list is a programming error; the dump stays short.
    const std::size_t n = std::min(from.size(), kMaxVariables);
    const Var* v = from.begin();
    for (std::size_t i = 0; i < n; ++i, ++v)
        new (&to[i])
            Var(Var::Fields{}, Alone(v->name_), Alone(v->ref_), Alone(v->read_), Alone(v->kind_));
    return static_cast<unsigned char>(n);
}

void Procedure::Report(std::exception_ptr error) {
    Globals& g = ThreadGlobals();
    CaptureError(g, error, line);
    g.vbfmVariableDump = DumpAll(locals_.at, localCount_);

    std::string moduleDump = kNone;
    if (context_.moduleDump) {
        try {
            moduleDump = context_.moduleDump();
        } catch (...) {
            moduleDump = FormattingErrorText(std::current_exception());
        }
    }
    const std::string parameterDump = DumpAll(parameters_.at, parameterCount_);

    // Copies: the error component may call back into the library and fail again, which
    // overwrites the globals of this thread.
    const int32_t number = g.vbfmErrorNumber;
    const std::string description = g.vbfmErrorDescription;
    const int32_t errorLine = g.vbfmErrorLine;
    const std::string localDump = g.vbfmVariableDump;
    context_.reporter.HandleError(number, context_.moduleName, name_, description, errorLine,
                                  localDump, moduleDump, parameterDump);
}

} // namespace qv::diag
