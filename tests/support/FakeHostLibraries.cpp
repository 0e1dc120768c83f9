#include "support/FakeHostLibraries.h"

#include "contracts/Error.h"

namespace qvtest {

qv::Variant FakeErrorComponent::Invoke(std::string_view name, qv::CallKind kind,
                                       std::vector<qv::Variant>& args) {
    const std::string lower = qv::AsciiLower(name);
    members.emplace_back(name);
    if (lower == "errorhandler" && kind == qv::CallKind::Method) {
        reports.push_back(args);
        if (handlerError != 0) throw qv::Error(handlerError, "Error component failed");
        return {};
    }
    if (lower == "action" && kind == qv::CallKind::PropertyGet) return qv::Variant("");
    throw qv::Error(qv::err::UnknownMember, "Object doesn't support this property or method");
}

std::shared_ptr<qv::Dispatch> FakeHostLibraries::CreateObject(const std::string& className) {
    if (errorComponent && qv::AsciiLower(className) == "veltaerror.error") {
        components.push_back(std::make_shared<FakeErrorComponent>());
        components.back()->handlerError = handlerError;
        return components.back();
    }
    throw qv::Error(qv::err::CannotCreateObject, "ActiveX component can't create object");
}

int32_t FakeHostLibraries::MsgBox(const std::string& prompt, int32_t buttons,
                                  const std::string& title) {
    msgBoxes.push_back({prompt, buttons, title});
    if (!answers.empty()) {
        const int32_t answer = answers.front();
        answers.pop_front();
        return answer;
    }
    switch (buttons & 0xF) {
    case 2: // Abort, Retry, Ignore
        return 3;
    case 3: // Yes, No, Cancel
    case 4: // Yes, No
        return qv::mb::Yes;
    case 5: // Retry, Cancel
        return 4;
    default: // OK, OK and Cancel
        return qv::mb::Ok;
    }
}

std::vector<std::vector<qv::Variant>> FakeHostLibraries::ErrorReports() const {
    std::vector<std::vector<qv::Variant>> all;
    for (const auto& c : components)
        all.insert(all.end(), c->reports.begin(), c->reports.end());
    return all;
}

} // namespace qvtest
