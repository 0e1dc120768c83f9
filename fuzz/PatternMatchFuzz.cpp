// libFuzzer target: the find pattern matcher on any text and any pattern. The first byte
// splits the input into text and pattern.
#include "find/PatternMatch.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t split = data[0] % size;
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t at = split < input.size() ? split : input.size();
    (void)qv::find::MatchesPattern(input.substr(0, at), input.substr(at));
    return 0;
}
