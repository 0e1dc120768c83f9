#pragma once

#include "contracts/Error.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

// Error numbers the model raises beyond those of contracts/Error.h.
namespace err {
inline constexpr int32_t Overflow = 6;            // no new ID is left
inline constexpr int32_t FileAlreadyExists = 58;  // a file would be replaced
inline constexpr int32_t PathFileAccess = 75;     // a disk operation failed
inline constexpr int32_t InvalidFileFormat = 321; // the project file breaks its format
inline constexpr int32_t KeyInUse = 457;          // a collection already holds the key
} // namespace err

// A project file that cannot be opened (53, 75) or read (321). The description reads
// "NAME:LINE: what is wrong" (no ":LINE" when no line applies).
class ProjectFileError : public Error {
public:
    ProjectFileError(int32_t number, std::string path, int32_t line, const std::string& what);

    const std::string& Path() const noexcept { return path_; }
    int32_t Line() const noexcept { return line_; } // 1-based; 0 when none applies

private:
    std::string path_;
    int32_t line_;
};

// "Subscript out of range" (9), the platform's text for an unknown key or position.
[[noreturn]] void ThrowSubscriptOutOfRange();

// Refuses (5) a text that is not UTF-8 or holds a NUL, what naming it ("topic name"): a
// project file holds UTF-8 only, and XML no NUL even escaped, so that a save with either in
// it would not open again (or would cut the text short).
void RequireUtf8(std::string_view text, std::string_view what);

} // namespace qv
