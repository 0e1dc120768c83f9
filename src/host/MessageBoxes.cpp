#include "host/MessageBoxes.h"

#include "contracts/HostServices.h"

#include <cctype>

namespace qv {

namespace {

struct Word {
    const char* text;
    int32_t code;
};
constexpr Word kWords[] = {{"ok", mb::Ok},       {"cancel", mb::Cancel}, {"abort", mb::Abort},
                           {"retry", mb::Retry}, {"ignore", mb::Ignore}, {"yes", mb::Yes},
                           {"no", mb::No}};
} // namespace

int32_t MessageBoxService::ShowWithOption(const std::string& prompt, int32_t buttons,
                                          const std::string& title,
                                          const std::string& /*optionText*/, bool& optionChosen) {
    optionChosen = false;
    return Show(prompt, buttons, title);
}

int32_t FirstButton(int32_t buttons) {
    switch (buttons & mb::ButtonsMask) {
    case mb::YesNoCancel:
    case mb::YesNo:
        return mb::Yes;
    case mb::AbortRetryIgnore:
        return mb::Abort;
    case mb::RetryCancel:
        return mb::Retry;
    case mb::OkCancel:
    default:
        return mb::Ok;
    }
}

std::optional<int32_t> AnswerCode(std::string_view word) {
    std::string lower;
    for (char c : word)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const auto& w : kWords)
        if (lower == w.text) return w.code;
    return std::nullopt;
}

std::string AnswerWord(int32_t answer) {
    for (const auto& w : kWords)
        if (answer == w.code) return w.text;
    return {};
}

void ScriptedMessageBoxes::Queue(int32_t answer, bool tickOption) {
    queue_.push_back({answer, tickOption});
}

ScriptedMessageBoxes::Answer ScriptedMessageBoxes::Next(int32_t buttons) {
    if (queue_.empty()) return {FirstButton(buttons), false};
    Answer a = queue_.front();
    queue_.pop_front();
    return a;
}

int32_t ScriptedMessageBoxes::Show(const std::string& prompt, int32_t buttons,
                                   const std::string& title) {
    const Answer a = Next(buttons);
    if (observer_) observer_(buttons, title, prompt, a.code);
    return a.code;
}

int32_t ScriptedMessageBoxes::ShowWithOption(const std::string& prompt, int32_t buttons,
                                             const std::string& title,
                                             const std::string& /*optionText*/,
                                             bool& optionChosen) {
    const Answer a = Next(buttons);
    optionChosen = a.tickOption;
    if (observer_) observer_(buttons, title, prompt, a.code);
    return a.code;
}

} // namespace qv
