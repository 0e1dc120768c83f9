#include "support/EventLog.h"

namespace qvtest {

std::string EventLog::Text() const {
    std::string out;
    for (const auto& l : lines_)
        out += l + "\n";
    return out;
}

std::string EventLog::Take() {
    std::string out = Text();
    lines_.clear();
    return out;
}

} // namespace qvtest
