#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Tree labels carry a small markup:
//   "<FORMAT spellcheck>" ... "</FORMAT>"   a run the label spell checker examines
//   "<FORMAT spellerror>" ... "</FORMAT>"   a word the spell checker found misspelt
//   "<FORMAT TEXT:BBGGRR>" ... "</FORMAT>"  a run drawn in a colour (1 to 6 hex digits of a
//                                          platform colour, as ColorToHex writes it)
// Spans may nest. Tag names are matched exactly (case-sensitive); the colour digits in either
// case. Rules for text that is not clean markup (titles may contain "<"), chosen so that
// parsing never throws and never drops a character of the label:
//   - a "<" that does not start one of the tags above is literal text;
//   - "</FORMAT>" closes the innermost open span; a "</FORMAT>" with no open span is literal;
//   - an opening tag that no "</FORMAT>" closes is literal text, and the text after it keeps
//     the formatting of the spans around it.
// Consequently PlainLabelText(label) == concatenation of ParseLabelMarkup(label) texts.

enum class MarkupFormat { SpellCheck, SpellError, Colour };

// One piece of a scanned label, in label order. Pieces cover the label without gap or
// overlap: offsets and lengths are bytes of the label passed to ScanLabelMarkup.
struct MarkupPiece {
    enum class Kind { Text, Open, Close };
    Kind kind = Kind::Text;
    std::size_t offset = 0;
    std::size_t length = 0;
    // Open and Close: the span's format (a Close carries the format of the Open it closes).
    MarkupFormat format = MarkupFormat::SpellCheck;
    // Open and Close: the index in the piece list of the matching Close or Open.
    std::size_t partner = 0;
    // Text: the formatting in effect. Open/Close of a colour span: the span's colour.
    bool spellcheck = false;
    bool spellerror = false;
    std::optional<uint32_t> colour; // 0xRRGGBB, innermost colour span wins
};

// Splits the label into text and paired tags. Adjacent literal text (including unpaired tags)
// is one Text piece; a Text piece is never empty.
std::vector<MarkupPiece> ScanLabelMarkup(std::string_view label);

// A run of text with one formatting; runs are in label order, never empty, and two neighbours
// never share the same formatting.
struct LabelRun {
    std::string text;
    bool spellcheck = false;
    bool spellerror = false;
    std::optional<uint32_t> colour; // 0xRRGGBB
    bool operator==(const LabelRun&) const = default;
};

std::vector<LabelRun> ParseLabelMarkup(std::string_view label);

// The label with all paired tags removed (literal "<" text stays).
std::string PlainLabelText(std::string_view label);

// The label with every paired "<FORMAT spellerror>" tag and its "</FORMAT>" removed; all else
// stays byte for byte.
std::string StripSpellErrorMarks(std::string_view label);

inline constexpr std::string_view kSpellErrorOpen = "<FORMAT spellerror>";
inline constexpr std::string_view kFormatClose = "</FORMAT>";

} // namespace qv
