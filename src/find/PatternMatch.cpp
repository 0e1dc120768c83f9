#include "find/PatternMatch.h"

#include "explorer/Text.h"

#include <vector>

namespace qv::find {

namespace {

struct Token {
    enum Kind { Literal, AnyOne, Digit, Set, Star } kind;
    char32_t ch = 0;
    bool negated = false;
    std::vector<std::pair<char32_t, char32_t>> ranges; // for Set

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

} // namespace

bool MatchesPattern(std::string_view text, std::string_view pattern) {
    const std::u32string t = text::ToUtf32(text);
    const std::vector<Token> tokens = Compile(text::ToUtf32(pattern));
    // Greedy matching that backs up only to the last star: each star retries from one text
    // position further, so the work is bounded by text length times pattern length.
    std::size_t i = 0, p = 0;
    std::size_t starToken = std::string::npos, starText = 0;
    while (i < t.size()) {
        if (p < tokens.size() && tokens[p].kind == Token::Star) {
            starToken = p++;
            starText = i;
        } else if (p < tokens.size() && tokens[p].Matches(t[i])) {
            ++i;
            ++p;
        } else if (starToken != std::string::npos) {
            p = starToken + 1;
            i = ++starText;
        } else {
            return false;
        }
    }
    while (p < tokens.size() && tokens[p].kind == Token::Star)
        ++p;
    return p == tokens.size();
}

} // namespace qv::find
