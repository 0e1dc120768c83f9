#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>

namespace qv {

// The IDs of one kind of item in use ("T1", "T7" ...), answering the next new ID: the kind's
// letter and the smallest positive number not in use. IDs of another shape are ignored.
class IdPool {
public:
    explicit IdPool(char letter) : letter_(letter) {}

    void Use(const std::string& id);
    void Release(const std::string& id);
    // Does not reserve the ID; Use it when the item joins the project.
    std::string Next() const;

private:
    uint32_t NumberOf(const std::string& id) const; // 0 for another shape

    char letter_;
    std::unordered_set<uint32_t> used_;
    mutable uint32_t hint_ = 1; // every number below it is in use
};

} // namespace qv
