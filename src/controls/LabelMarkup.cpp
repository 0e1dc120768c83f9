#include "controls/LabelMarkup.h"

#include <array>

namespace qv {

namespace {

constexpr std::string_view kSpellCheckOpen = "<FORMAT spellcheck>";
constexpr std::string_view kColourOpen = "<FORMAT TEXT:";

struct Token {
    MarkupPiece::Kind kind = MarkupPiece::Kind::Text; // Open/Close until proven unpaired
    std::size_t offset = 0;
    std::size_t length = 0;
    MarkupFormat format = MarkupFormat::SpellCheck;
    uint32_t colour = 0;
    std::size_t partner = 0; // token index
    std::size_t piece = 0;   // index of the piece it went to
    bool paired = false;
};

// A stack that keeps its first few elements inline: labels nest two or three spans deep, so a
// scan then allocates nothing for its stacks.
template <class T> class SmallStack {
public:
    void push_back(T v) {
        if (size_ < inline_.size())
            inline_[size_] = v;
        else
            spill_.push_back(v);
        ++size_;
    }
    void pop_back() {
        if (size_ > inline_.size()) spill_.pop_back();
        --size_;
    }
    T back() const { return size_ > inline_.size() ? spill_.back() : inline_[size_ - 1]; }
    bool empty() const { return size_ == 0; }

private:
    std::array<T, 8> inline_{};
    std::vector<T> spill_;
    std::size_t size_ = 0;
};

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Recognises a tag at label[pos] (which is '<'); fills kind, length, format, colour.
bool MatchTag(std::string_view label, std::size_t pos, Token& tok) {
    const std::string_view rest = label.substr(pos);
    tok.offset = pos;
    if (rest.starts_with(kFormatClose)) {
        tok.kind = MarkupPiece::Kind::Close;
        tok.length = kFormatClose.size();
        return true;
    }
    tok.kind = MarkupPiece::Kind::Open;
    if (rest.starts_with(kSpellCheckOpen)) {
        tok.format = MarkupFormat::SpellCheck;
        tok.length = kSpellCheckOpen.size();
        return true;
    }
    if (rest.starts_with(kSpellErrorOpen)) {
        tok.format = MarkupFormat::SpellError;
        tok.length = kSpellErrorOpen.size();
        return true;
    }
    if (rest.starts_with(kColourOpen)) {
        std::size_t i = kColourOpen.size();
        uint32_t value = 0;
        std::size_t digits = 0;
        while (i < rest.size() && digits < 7) {
            const int h = HexValue(rest[i]);
            if (h < 0) break;
            value = value * 16 + static_cast<uint32_t>(h);
            ++digits;
            ++i;
        }
        if (digits < 1 || digits > 6 || i >= rest.size() || rest[i] != '>') return false;
        tok.format = MarkupFormat::Colour;
        // The digits are a platform colour (what ColorToHex writes): blue, green, red.
        tok.colour = ((value & 0xFFu) << 16) | (value & 0xFF00u) | ((value >> 16) & 0xFFu);
        tok.length = i + 1;
        return true;
    }
    return false;
}

// Raw tokens with tags paired; unpaired tags become Text.
std::vector<Token> Tokenise(std::string_view label) {
    std::vector<Token> tokens;
    tokens.reserve(8); // a topic label has seven
    SmallStack<std::size_t> open;
    std::size_t textStart = 0;
    auto flushText = [&](std::size_t end) {
        if (end > textStart)
            tokens.push_back({MarkupPiece::Kind::Text, textStart, end - textStart});
    };
    std::size_t pos = label.find('<');
    while (pos != std::string_view::npos) {
        Token tok;
        if (MatchTag(label, pos, tok)) {
            flushText(pos);
            if (tok.kind == MarkupPiece::Kind::Open) {
                open.push_back(tokens.size());
            } else if (!open.empty()) {
                Token& opener = tokens[open.back()];
                open.pop_back();
                opener.paired = tok.paired = true;
                opener.partner = tokens.size();
                tok.partner = static_cast<std::size_t>(&opener - tokens.data());
                tok.format = opener.format;
                tok.colour = opener.colour;
            }
            tokens.push_back(tok);
            pos += tok.length;
            textStart = pos;
        } else {
            ++pos;
        }
        pos = label.find('<', pos);
    }
    flushText(label.size());
    for (Token& t : tokens)
        if (t.kind != MarkupPiece::Kind::Text && !t.paired) t.kind = MarkupPiece::Kind::Text;
    return tokens;
}

struct Active {
    int spellcheck = 0;
    int spellerror = 0;
    SmallStack<uint32_t> colours;
};

} // namespace

std::vector<MarkupPiece> ScanLabelMarkup(std::string_view label) {
    std::vector<Token> tokens = Tokenise(label);
    std::vector<MarkupPiece> pieces;
    pieces.reserve(tokens.size());
    Active active;
    for (Token& t : tokens) {
        if (t.kind == MarkupPiece::Kind::Text) {
            if (!pieces.empty() && pieces.back().kind == MarkupPiece::Kind::Text) {
                pieces.back().length += t.length; // unpaired tags merge with their neighbours
            } else {
                MarkupPiece p;
                p.offset = t.offset;
                p.length = t.length;
                p.spellcheck = active.spellcheck > 0;
                p.spellerror = active.spellerror > 0;
                if (!active.colours.empty()) p.colour = active.colours.back();
                pieces.push_back(p);
            }
            t.piece = pieces.size() - 1;
            continue;
        }
        const int delta = t.kind == MarkupPiece::Kind::Open ? 1 : -1;
        switch (t.format) {
        case MarkupFormat::SpellCheck:
            active.spellcheck += delta;
            break;
        case MarkupFormat::SpellError:
            active.spellerror += delta;
            break;
        case MarkupFormat::Colour:
            if (delta > 0)
                active.colours.push_back(t.colour);
            else
                active.colours.pop_back();
            break;
        }
        MarkupPiece p;
        p.kind = t.kind;
        p.offset = t.offset;
        p.length = t.length;
        p.format = t.format;
        if (t.format == MarkupFormat::Colour) p.colour = t.colour;
        t.piece = pieces.size();
        pieces.push_back(p);
    }
    for (const Token& t : tokens)
        if (t.kind != MarkupPiece::Kind::Text) pieces[t.piece].partner = tokens[t.partner].piece;
    return pieces;
}

std::vector<LabelRun> ParseLabelMarkup(std::string_view label) {
    std::vector<LabelRun> runs;
    for (const MarkupPiece& p : ScanLabelMarkup(label)) {
        if (p.kind != MarkupPiece::Kind::Text) continue;
        const std::string_view text = label.substr(p.offset, p.length);
        if (!runs.empty() && runs.back().spellcheck == p.spellcheck &&
            runs.back().spellerror == p.spellerror && runs.back().colour == p.colour) {
            runs.back().text.append(text);
        } else {
            runs.push_back({std::string(text), p.spellcheck, p.spellerror, p.colour});
        }
    }
    return runs;
}

std::string PlainLabelText(std::string_view label) {
    std::string plain;
    plain.reserve(label.size());
    for (const MarkupPiece& p : ScanLabelMarkup(label))
        if (p.kind == MarkupPiece::Kind::Text) plain.append(label.substr(p.offset, p.length));
    return plain;
}

std::string StripSpellErrorMarks(std::string_view label) {
    if (label.find(kSpellErrorOpen) == std::string_view::npos) return std::string(label);
    const std::vector<MarkupPiece> pieces = ScanLabelMarkup(label);
    std::string out;
    out.reserve(label.size());
    for (const MarkupPiece& p : pieces) {
        if (p.kind != MarkupPiece::Kind::Text && p.format == MarkupFormat::SpellError) continue;
        out.append(label.substr(p.offset, p.length));
    }
    return out;
}

} // namespace qv
