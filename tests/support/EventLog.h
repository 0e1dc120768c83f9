#pragma once

#include <string>
#include <vector>

namespace qvtest {

// Happenings recorded as one string each, so that a test compares a whole sequence as text.
class EventLog {
public:
    void Add(std::string line) { lines_.push_back(std::move(line)); }
    const std::vector<std::string>& Lines() const { return lines_; }
    // All lines, each followed by "\n".
    std::string Text() const;
    // The lines recorded so far, then forgets them.
    std::string Take();
    void Clear() { lines_.clear(); }

private:
    std::vector<std::string> lines_;
};

} // namespace qvtest
