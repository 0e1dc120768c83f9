#include "model/IdPool.h"

namespace qv {

uint32_t IdPool::NumberOf(const std::string& id) const {
    // Canonical form only: "T1", not "T01" or "t1", so that the number names the ID.
    if (id.size() < 2 || id.size() > 10 || id[0] != letter_ || id[1] == '0') return 0;
    uint32_t n = 0;
    for (std::size_t i = 1; i < id.size(); ++i) {
        if (id[i] < '0' || id[i] > '9') return 0;
        n = n * 10 + static_cast<uint32_t>(id[i] - '0');
    }
    return n <= 999999999u ? n : 0;
}

void IdPool::Use(const std::string& id) {
    if (uint32_t n = NumberOf(id)) used_.insert(n);
}

void IdPool::Release(const std::string& id) {
    uint32_t n = NumberOf(id);
    if (n && used_.erase(n) && n < hint_) hint_ = n;
}

std::string IdPool::Next() const {
    while (used_.count(hint_))
        ++hint_;
    return letter_ + std::to_string(hint_);
}

} // namespace qv
