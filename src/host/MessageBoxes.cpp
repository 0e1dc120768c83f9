#include "host/MessageBoxes.h"

#include "contracts/HostServices.h"

#include <cctype>

namespace qv {

namespace {
constexpr int32_t kButtonMask = 0x0F;
constexpr int32_t kOkCancel = 1;
constexpr int32_t kAbortRetryIgnore = 2;
constexpr int32_t kRetryCancel = 5;
constexpr int32_t kAbort = 3;
constexpr int32_t kRetry = 4;
constexpr int32_t kIgnore = 5;

struct Word {
    const char* text;
    int32_t code;
};
constexpr Word kWords[] = {{"ok", mb::Ok},    {"cancel", mb::Cancel}, {"abort", kAbort},
                           {"retry", kRetry}, {"ignore", kIgnore},    {"yes", mb::Yes},
                           {"no", mb::No}};
} // namespace

int32_t MessageBoxService::ShowWithOption(const std::string& prompt, int32_t buttons,
                                          const std::string& title,
                                          const std::string& /*optionText*/, bool& optionChosen) {
    optionChosen = false;
    return Show(prompt, buttons, title);
}

int32_t FirstButton(int32_t buttons) {
    switch (buttons & kButtonMask) {
    case mb::YesNoCancel:
    case mb::YesNo:
        return mb::Yes;
    case kAbortRetryIgnore:
        return kAbort;
    case kRetryCancel:
        return kRetry;
    case kOkCancel:
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
