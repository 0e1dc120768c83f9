#include "find/PatternMatch.h"

#include "contracts/Utf8.h"
#include "explorer/Text.h"

namespace qv::find {

struct TextMatcher::Token {
    enum Kind { Literal, AnyOne, Digit, Set, Star } kind;
    char32_t ch = 0;
    bool negated = false;
    std::vector<std::pair<char32_t, char32_t>> ranges{}; // for Set

    bool Matches(char32_t c) const {
        switch (kind) {
        case Literal:
            return c == ch;
        case AnyOne:
            return true;
        case Digit:
            return c >= U'0' && c <= U'9';
        case Set: {
            bool in = false;
            for (const auto& [lo, hi] : ranges)
                if (c >= lo && c <= hi) in = true;
            return in != negated;
        }
        case Star:
            return false;
        }
        return false;
    }
};

namespace {

using Token = TextMatcher::Token;

std::vector<Token> Compile(const std::u32string& p) {
    std::vector<Token> tokens;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const char32_t c = p[i];
        if (c == U'*') {
            if (tokens.empty() || tokens.back().kind != Token::Star)
                tokens.push_back({Token::Star});
        } else if (c == U'?') {
            tokens.push_back({Token::AnyOne});
        } else if (c == U'#') {
            tokens.push_back({Token::Digit});
        } else if (c == U'[') {
            std::size_t j = i + 1;
            const bool negated = j < p.size() && p[j] == U'!';
            if (negated) ++j;
            const std::size_t close = p.find(U']', j);
            if (close == std::u32string::npos || close == j) {
                tokens.push_back({Token::Literal, c});
                continue;
            }
            Token set{Token::Set};
            set.negated = negated;
            for (std::size_t k = j; k < close; ++k) {
                if (k + 2 < close && p[k + 1] == U'-') {
                    set.ranges.emplace_back(p[k], p[k + 2]);
                    k += 2;
                } else {
                    set.ranges.emplace_back(p[k], p[k]);
                }
            }
            tokens.push_back(std::move(set));
            i = close;
        } else {
            tokens.push_back({Token::Literal, c});
        }
    }
    return tokens;
}

// Greedy matching that backs up only to the last star: each star retries from one character
// further, so the work is bounded by text length times pattern length. next(i) is the
// character at byte i of the text, advancing i past it.
template <class Next>
bool MatchTokens(const std::vector<Token>& tokens, std::string_view text, Next next) {
    std::size_t i = 0, p = 0;
    std::size_t starToken = std::string::npos, starText = 0;
    while (i < text.size()) {
        if (p < tokens.size() && tokens[p].kind == Token::Star) {
            starToken = p++;
            starText = i;
            continue;
        }
        std::size_t after = i;
        const char32_t c = next(after);
        if (p < tokens.size() && tokens[p].Matches(c)) {
            i = after;
            ++p;
        } else if (starToken != std::string::npos) {
            p = starToken + 1;
            next(starText);
            i = starText;
        } else {
            return false;
        }
    }
    while (p < tokens.size() && tokens[p].kind == Token::Star)
        ++p;
    return p == tokens.size();
}

} // namespace

bool MatchesPattern(std::string_view text, std::string_view pattern) {
    return MatchTokens(Compile(text::ToUtf32(pattern)), text,
                       [text](std::size_t& i) { return utf8::Decode(text, i); });
}

TextMatcher::TextMatcher(std::string_view lowerValue)
    : pattern_(lowerValue.find('*') != std::string_view::npos), value_(lowerValue) {
    if (pattern_) {
        tokens_ = Compile(text::ToUtf32(value_));
        return;
    }
    // Knuth-Morris-Pratt: after a mismatch the search goes on from the longest part of the
    // value already seen that the value also starts with, so each byte is read once.
    fallback_.assign(value_.size(), 0);
    for (std::size_t i = 1, k = 0; i < value_.size(); ++i) {
        while (k > 0 && value_[i] != value_[k])
            k = fallback_[k - 1];
        if (value_[i] == value_[k]) ++k;
        fallback_[i] = k;
    }
}

TextMatcher::~TextMatcher() = default;

bool TextMatcher::Matches(std::string_view text) const {
    if (pattern_) {
        // ASCII is lowered in place: a call per character cost more than the test itself.
        return MatchTokens(tokens_, text, [text](std::size_t& i) -> char32_t {
            if (const auto c = static_cast<unsigned char>(text[i]); c < 0x80) {
                ++i;
                return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
            }
            return text::LowerAt(text, i).codePoint;
        });
    }
    if (value_.empty()) return true;
    std::size_t matched = 0;
    const auto step = [&](char b) {
        while (matched > 0 && value_[matched] != b)
            matched = fallback_[matched - 1];
        if (value_[matched] == b) ++matched;
        return matched == value_.size();
    };
    for (std::size_t i = 0; i < text.size();) {
        if (const auto c = static_cast<unsigned char>(text[i]); c < 0x80) {
            ++i;
            if (step(static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c))) return true;
            continue;
        }
        const text::LowerChar lower = text::LowerAt(text, i);
        for (unsigned char k = 0; k < lower.size; ++k)
            if (step(lower.bytes[k])) return true;
    }
    return false;
}

} // namespace qv::find
