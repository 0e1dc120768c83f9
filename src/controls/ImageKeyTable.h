#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

// Process-wide interning of image keys, so that a tree node holds a small id instead of a
// string. Id 0 is "no image" (the empty key); other ids are never reused or forgotten, so an id
// stays meaningful for a node that has left its tree. Safe to call from any thread.
uint32_t InternImageKey(std::string_view key);
// The key of an id returned by InternImageKey.
const std::string& ImageKeyOf(uint32_t id);

} // namespace qv
