#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace qv {

// The open-file dialog as the host shows it.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;

    // The chosen files as full disk paths, in the order chosen; empty when cancelled. Without
    // multiSelect at most one path comes back.
    virtual std::vector<std::string> OpenFiles(const std::string& title, const std::string& filter,
                                               const std::string& startFolder,
                                               bool multiSelect) = 0;
};

// Answers dialogs from a queue: each dialog takes the next queued result; with none queued
// it is cancelled. Every dialog is reported to the observer with the paths it returns.
class ScriptedFileDialogs : public FileDialogs {
public:
    using Observer =
        std::function<void(const std::string& title, const std::vector<std::string>& paths)>;

    // An empty list queues a cancel.
    void Queue(std::vector<std::string> paths) { queue_.push_back(std::move(paths)); }
    void ClearQueue() { queue_.clear(); }
    std::size_t Pending() const { return queue_.size(); }
    void SetObserver(Observer observer) { observer_ = std::move(observer); }
    // The folder the last dialog was asked to start in.
    const std::string& LastStartFolder() const { return lastStartFolder_; }

    std::vector<std::string> OpenFiles(const std::string& title, const std::string& filter,
                                       const std::string& startFolder, bool multiSelect) override;

private:
    std::deque<std::vector<std::string>> queue_;
    Observer observer_;
    std::string lastStartFolder_;
};

} // namespace qv
