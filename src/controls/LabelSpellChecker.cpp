#include "controls/LabelSpellChecker.h"

#include "contracts/Error.h"
#include "contracts/TreeView.h"
#include "contracts/Utf8.h"
#include "controls/LabelMarkup.h"

namespace qv {

namespace {

constexpr std::string_view kSpellCheckOpen = "<FORMAT spellcheck>";

// One code point at text[i] and its length in bytes; kReplacement with length 1 when malformed.
char32_t Decode(std::string_view text, std::size_t i, std::size_t& length) {
    const std::size_t start = i;
    const char32_t cp = utf8::Decode(text, i);
    length = i - start;
    return cp;
}

enum class CharClass { Letter, Digit, Apostrophe, Other };

CharClass Classify(char32_t cp) {
    if (cp < 0x80) {
        if ((cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z')) return CharClass::Letter;
        if (cp >= '0' && cp <= '9') return CharClass::Digit;
        return cp == '\'' ? CharClass::Apostrophe : CharClass::Other;
    }
    if (cp == 0x2019) return CharClass::Apostrophe;
    if (cp == 0xFFFD) return CharClass::Other;
    if (const auto* ctype = utf8::WideCType()) {
        const auto wc = static_cast<wchar_t>(cp);
        if (ctype->is(std::ctype_base::alpha, wc)) return CharClass::Letter;
        if (ctype->is(std::ctype_base::digit, wc)) return CharClass::Digit;
        return CharClass::Other;
    }
    // No UTF-8 locale: Latin-1 punctuation and the general punctuation block separate words,
    // everything else counts as a letter.
    if ((cp >= 0xA0 && cp <= 0xBF) || cp == 0xD7 || cp == 0xF7 || (cp >= 0x2000 && cp <= 0x206F))
        return CharClass::Other;
    return CharClass::Letter;
}

// Calls word(offset, length) for each word of text, in order: a token of letters and digits,
// with apostrophes between two of them, that holds no digit.
template <class WordFn> void ForEachWord(std::string_view text, WordFn&& word) {
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t length = 0;
        CharClass cls = Classify(Decode(text, i, length));
        if (cls != CharClass::Letter && cls != CharClass::Digit) {
            i += length;
            continue;
        }
        const std::size_t start = i;
        std::size_t end = i;
        bool digit = false;
        while (i < text.size()) {
            if (cls == CharClass::Letter || cls == CharClass::Digit) {
                digit = digit || cls == CharClass::Digit;
                i += length;
                end = i;
            } else {
                // An apostrophe: part of the token only with a letter or digit after it.
                std::size_t nextLength = 0;
                const CharClass next = i + length < text.size()
                                           ? Classify(Decode(text, i + length, nextLength))
                                           : CharClass::Other;
                if (next != CharClass::Letter && next != CharClass::Digit) break;
                i += length;
                cls = next;
                length = nextLength;
                continue;
            }
            if (i >= text.size()) break;
            cls = Classify(Decode(text, i, length));
            if (cls == CharClass::Other) break;
        }
        if (!digit) word(start, end - start);
        i = end;
    }
}

} // namespace

std::vector<WordSpan> SpellWords(std::string_view text) {
    std::vector<WordSpan> words;
    ForEachWord(text, [&](std::size_t offset, std::size_t length) {
        words.push_back({offset, length});
    });
    return words;
}

void LabelSpellChecker::Init(TreeView& tree, std::shared_ptr<Object> engine, int32_t /*reserved*/) {
    if (terminated_) return;
    if (!engine)
        throw Error(err::ObjectNotSet, "Object variable or With block variable not set",
                    "TreeViewSpell");
    auto spell = std::dynamic_pointer_cast<SpellEngine>(engine);
    if (!spell) throw Error(err::TypeMismatch, "Type mismatch", "TreeViewSpell");
    tree_ = &tree;
    engine_ = std::move(spell);
    verdicts_.clear();
    revision_ = engine_->Revision();
}

void LabelSpellChecker::Terminate(bool removeBadWordMarkup) {
    if (terminated_) return;
    if (removeBadWordMarkup && tree_) {
        // Collected first: under a sorted parent a new Text moves the node.
        std::vector<Node*> marked;
        for (Node* n = tree_->Nodes().First(); n; n = n->NextNode())
            if (n->Text().find(kSpellErrorOpen) != std::string::npos) marked.push_back(n);
        for (Node* n : marked) {
            const std::string text = n->Text();
            const std::string plain = StripSpellErrorMarks(text);
            if (plain != text) n->SetText(plain);
        }
    }
    terminated_ = true;
    tree_ = nullptr;
    engine_.reset();
    verdicts_.clear();
}

Node* LabelSpellChecker::NextNodeToCheck(Node* after) {
    if (!Active()) return nullptr;
    Node* n = after ? after->NextNode() : tree_->Nodes().First();
    while (n && n->Text().find(kSpellCheckOpen) == std::string::npos)
        n = n->NextNode();
    return n;
}

void LabelSpellChecker::Start() {
    // Nothing to prepare: checking works from Init on, node by node, as the component asks.
}

void LabelSpellChecker::CheckNode(Node& node) {
    if (!Active()) return;
    const std::string text = node.Text();
    std::string marked = MarkLabel(text);
    if (marked != text) node.SetText(marked);
}

void LabelSpellChecker::Reset() {
    verdicts_.clear();
}

void LabelSpellChecker::RemoveBadWord(const std::string& word) {
    if (!Active()) return;
    engine_->Ignore(word);
    verdicts_.clear(); // the engine may now accept other forms too ("Teh" after "teh")
    std::vector<Node*> marked;
    for (Node* n = tree_->Nodes().First(); n; n = n->NextNode())
        if (n->Text().find(kSpellErrorOpen) != std::string::npos) marked.push_back(n);
    for (Node* n : marked)
        CheckNode(*n);
}

std::string LabelSpellChecker::MarkLabel(std::string_view label) {
    std::string plain = StripSpellErrorMarks(label);
    if (!engine_ || plain.find(kSpellCheckOpen) == std::string::npos) return plain;
    if (const uint64_t revision = engine_->Revision(); revision != revision_) {
        verdicts_.clear();
        revision_ = revision;
    }
    // Built only once a word is misspelt: most labels come back as they are.
    std::string out;
    std::size_t copied = 0; // bytes of plain already in out
    const std::string_view source = plain;
    for (const MarkupPiece& piece : ScanLabelMarkup(source)) {
        if (piece.kind != MarkupPiece::Kind::Text || !piece.spellcheck || piece.spellerror)
            continue;
        const std::string_view text = source.substr(piece.offset, piece.length);
        ForEachWord(text, [&](std::size_t offset, std::size_t length) {
            const std::string_view word = text.substr(offset, length);
            if (Correct(word)) return;
            if (out.empty()) out.reserve(plain.size() + 2 * kSpellErrorOpen.size());
            const std::size_t at = piece.offset + offset;
            out.append(source.substr(copied, at - copied));
            out.append(kSpellErrorOpen);
            out.append(word);
            out.append(kFormatClose);
            copied = at + length;
        });
    }
    if (copied == 0) return plain;
    out.append(source.substr(copied));
    return out;
}

std::vector<std::string> LabelSpellChecker::MarkedWords(std::string_view label) {
    std::vector<std::string> words;
    if (label.find(kSpellErrorOpen) == std::string_view::npos) return words;
    const std::vector<MarkupPiece> pieces = ScanLabelMarkup(label);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const MarkupPiece& p = pieces[i];
        if (p.kind != MarkupPiece::Kind::Open || p.format != MarkupFormat::SpellError) continue;
        const std::size_t begin = p.offset + p.length;
        words.emplace_back(label.substr(begin, pieces[p.partner].offset - begin));
        i = p.partner;
    }
    return words;
}

bool LabelSpellChecker::Correct(std::string_view word) {
    if (auto it = verdicts_.find(word); it != verdicts_.end()) return it->second;
    std::string key(word);
    const bool correct = engine_->Check(key);
    verdicts_.emplace(std::move(key), correct);
    return correct;
}

} // namespace qv
