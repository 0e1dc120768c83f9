#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

// The numbers of one kind of ID ("T1", "T7" ...). A new ID is the kind's letter and one more
// than the highest number the kind has ever had, so that an ID, once given, never names a
// second item: links, output pages and content files named after a deleted item cannot reach
// a new one. Nothing lowers the counter.
class IdCounter {
public:
    // The highest number an ID or a stored counter may carry (18 digits).
    static constexpr uint64_t kLimit = 999'999'999'999'999'999ull;

    explicit IdCounter(char letter) : letter_(letter) {}

    // An ID of the kind's shape (its letter in either case, then digits) counts as had; IDs of
    // another shape are ignored.
    void Use(std::string_view id);
    // A stored counter: the next number is at least this.
    void RaiseTo(uint64_t next);
    uint64_t NextNumber() const { return next_; }
    // The next new ID, not yet given. Error 6 once every number up to kLimit was given.
    std::string Next() const;
    // Next, counted as given.
    std::string Take();

private:
    char letter_;
    uint64_t next_ = 1;
};

} // namespace qv
