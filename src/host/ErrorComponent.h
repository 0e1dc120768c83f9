#pragma once

#include "contracts/Dispatch.h"

#include <cstdint>
#include <functional>
#include <string>

namespace qv {

// One report as the library hands it to "ErrorHandler", in argument order.
struct ErrorComponentReport {
    int32_t number = 0;
    std::string source; // the reporting library
    std::string module;
    std::string procedure;
    std::string description;
    int32_t line = 0;
    std::string text; // the variable dumps, lines separated by CR LF
    std::string version;
};

// The error component "VeltaError.Error": "ErrorHandler" with eight arguments hands the
// report to the observer; "Action" reads "". Other members raise 438; too few arguments 449.
class ErrorComponent : public Dispatch {
public:
    static constexpr const char* kClassName = "VeltaError.Error";
    using Observer = std::function<void(const ErrorComponentReport&)>;

    ErrorComponent();
    std::string TypeName() const override { return "Error"; }
    void SetObserver(Observer observer) { observer_ = std::move(observer); }

    Variant Invoke(std::string_view name, CallKind kind, std::vector<Variant>& args) override;

private:
    DispatchTable table_;
    Observer observer_;
};

} // namespace qv
