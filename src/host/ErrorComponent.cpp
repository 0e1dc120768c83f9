#include "host/ErrorComponent.h"

#include "contracts/Error.h"

namespace qv {

namespace {
constexpr int32_t kArgumentNotOptional = 449;
constexpr std::size_t kHandlerArguments = 8;
} // namespace

ErrorComponent::ErrorComponent() {
    table_.Add("ErrorHandler", [this](CallKind, std::vector<Variant>& args) {
        if (args.size() < kHandlerArguments)
            throw Error(kArgumentNotOptional, "Argument not optional");
        ErrorComponentReport report{args[0].ToLong(),   args[1].ToString(), args[2].ToString(),
                                    args[3].ToString(), args[4].ToString(), args[5].ToLong(),
                                    args[6].ToString(), args[7].ToString()};
        if (observer_) observer_(report);
        return Variant();
    });
    table_.Add("Action", [](CallKind, std::vector<Variant>&) { return Variant(""); });
}

Variant ErrorComponent::Invoke(std::string_view name, CallKind kind, std::vector<Variant>& args) {
    return table_.Invoke(name, kind, args);
}

} // namespace qv
