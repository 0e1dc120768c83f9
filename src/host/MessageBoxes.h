#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// Modal message boxes as the host shows them. Answers are the button codes of the
// contracts' mb namespace.
class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;

    virtual int32_t Show(const std::string& prompt, int32_t buttons, const std::string& title) = 0;
    // A box with a "do this automatically" choice; optionChosen tells whether the user ticked
    // it. A service without such a choice shows a plain box and never ticks it.
    virtual int32_t ShowWithOption(const std::string& prompt, int32_t buttons,
                                   const std::string& title, const std::string& optionText,
                                   bool& optionChosen);
};

// The first button of a box with these button flags: Yes for the Yes/No families, Abort
// and Retry for theirs, OK otherwise.
int32_t FirstButton(int32_t buttons);

// The answer code of "yes", "no", "cancel", "ok", "abort", "retry", "ignore" (any case).
std::optional<int32_t> AnswerCode(std::string_view word);
// The word of an answer code, lower case; "" for an unknown code.
std::string AnswerWord(int32_t answer);

// Answers boxes from a queue instead of asking anyone: each box takes the next queued
// answer, or its first button when the queue is empty. Every box is reported to the
// observer after it was answered.
class ScriptedMessageBoxes : public MessageBoxService {
public:
    using Observer = std::function<void(int32_t buttons, const std::string& title,
                                        const std::string& text, int32_t answer)>;

    // tickOption: the answer ticks "do this automatically" when its box offers it.
    void Queue(int32_t answer, bool tickOption = false);
    void ClearQueue() { queue_.clear(); }
    std::size_t Pending() const { return queue_.size(); }
    void SetObserver(Observer observer) { observer_ = std::move(observer); }

    int32_t Show(const std::string& prompt, int32_t buttons, const std::string& title) override;
    int32_t ShowWithOption(const std::string& prompt, int32_t buttons, const std::string& title,
                           const std::string& optionText, bool& optionChosen) override;

private:
    struct Answer {
        int32_t code;
        bool tickOption;
    };
    Answer Next(int32_t buttons);

    std::deque<Answer> queue_;
    Observer observer_;
};

} // namespace qv
