#include "model/IdCounter.h"

#include "model/ModelErrors.h"

#include <algorithm>

namespace qv {

void IdCounter::Use(std::string_view id) {
    // Either case and leading zeros count too: "t5" and "T05" name the same content file and
    // output page as "T5" on a file system that ignores case, so "T5" must never be given.
    if (id.size() < 2 || (id[0] | 0x20) != (letter_ | 0x20)) return;
    std::size_t first = 1;
    while (first + 1 < id.size() && id[first] == '0')
        ++first;
    if (id.size() - first > 18) return;
    uint64_t n = 0;
    for (std::size_t i = first; i < id.size(); ++i) {
        if (id[i] < '0' || id[i] > '9') return;
        n = n * 10 + static_cast<uint64_t>(id[i] - '0');
    }
    next_ = std::max(next_, n + 1);
}

void IdCounter::RaiseTo(uint64_t next) {
    next_ = std::max(next_, std::min(next, kLimit + 1));
}

std::string IdCounter::Next() const {
    if (next_ > kLimit)
        throw Error(err::Overflow, std::string("Overflow: every ID of the form ") + letter_ +
                                       "N has been given in this project");
    return letter_ + std::to_string(next_);
}

std::string IdCounter::Take() {
    std::string id = Next();
    ++next_;
    return id;
}

} // namespace qv
