// libFuzzer target: the find pattern matcher on any text and any pattern. The first byte
// splits the input into text and pattern. TextMatcher, which lowers the text as it reads it,
// must answer what matching a lower-case copy of the text answers.
#include "explorer/Text.h"
#include "find/PatternMatch.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t split = data[0] % size;
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t at = split < input.size() ? split : input.size();
    const std::string_view text = input.substr(0, at), pattern = input.substr(at);
    (void)qv::find::MatchesPattern(text, pattern);

    const std::string lowerText = qv::text::Lower(text), lowerPattern = qv::text::Lower(pattern);
    const bool copied = lowerPattern.find('*') != std::string::npos
                            ? qv::find::MatchesPattern(lowerText, lowerPattern)
                            : lowerText.find(lowerPattern) != std::string::npos;
    const bool inPlace = qv::find::TextMatcher(lowerPattern).Matches(text);
    if (copied != inPlace) {
        std::fprintf(stderr, "FINDING: TextMatcher answers %d, the lower-case copy %d\n", inPlace,
                     copied);
        std::abort();
    }
    return 0;
}
