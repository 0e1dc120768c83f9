#pragma once

#include <cstdint>
#include <optional>

namespace qv {

// A colour as the platform passes it: 0x00BBGGRR, or 0x80000000 | index for a system colour.
// Returns the plain 0x00BBGGRR value; system colours come from a fixed table of the classic
// desktop defaults (grey text 6D6D6D, window FFFFFF, window text 000000 ...). nullopt for a
// system index outside the table.
std::optional<uint32_t> TranslateColor(int32_t color);

} // namespace qv
