#pragma once

#include "contracts/SpellChecker.h"
#include "contracts/SpellEngine.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qv {

// A word of a text: bytes [offset, offset + length).
struct WordSpan {
    std::size_t offset = 0;
    std::size_t length = 0;
    bool operator==(const WordSpan&) const = default;
};

// The words of a UTF-8 text that the checker examines, in order: maximal runs of Unicode letters
// with apostrophes (' or U+2019) allowed between two letters. A run that touches a digit is
// part of a token such as "MP3" or "x64" and is not a word. Malformed UTF-8 separates words.
std::vector<WordSpan> SpellWords(std::string_view text);

// The label spell checker of a tree. It checks the words inside "<FORMAT spellcheck>" spans
// and wraps each misspelt one in "<FORMAT spellerror>" ... "</FORMAT>" inside its span, so the
// mark is part of the node's Text; StripSpellErrorMarks gives the label back byte for byte.
// Verdicts are cached per word (case-sensitive) until Reset, RemoveBadWord or a change of the
// engine's Revision. A node's Text is set only when it changes.
//
// Life: Init binds it to a tree and an engine (the engine missing: 91; not a SpellEngine: 13).
// Before Init every member does nothing and NextNodeToCheck answers nullptr; so after
// Terminate, which ends the checker for good (a later Init does nothing either). The tree must
// outlive the checker or see Terminate first.
class LabelSpellChecker final : public TreeViewSpell {
public:
    std::string TypeName() const override { return "TreeViewSpell"; }

    // reserved is accepted and has no meaning. Init again rebinds and forgets the cache.
    void Init(TreeView& tree, std::shared_ptr<Object> engine, int32_t reserved) override;
    void Terminate(bool removeBadWordMarkup) override;
    // The next node after `after` in whole-tree order whose label has a spell-check span; the
    // first such node for nullptr. Each step looks only at the nodes between the two answers,
    // so a whole walk is linear.
    Node* NextNodeToCheck(Node* after) override;
    void Start() override;
    // Strips the label's old marks, then marks the misspelt words of its spell-check spans.
    void CheckNode(Node& node) override;
    void Reset() override;
    // Ignores the word in the engine for this session and checks again every label that
    // carries a mark.
    void RemoveBadWord(const std::string& word) override;

    // --- Beyond the contract: for the spelling menu of a host. ---
    // The engine bound by Init; nullptr before Init and after Terminate.
    std::shared_ptr<SpellEngine> Engine() const { return engine_; }
    // The label with its misspelt words marked (old marks stripped first).
    std::string MarkLabel(std::string_view label);
    // The marked (misspelt) words of a label, in order.
    static std::vector<std::string> MarkedWords(std::string_view label);
    // Words whose verdict is cached.
    std::size_t CachedWords() const { return verdicts_.size(); }

private:
    // Heterogeneous lookup: a word is looked up without making a string of it.
    struct WordHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const {
            return std::hash<std::string_view>{}(s);
        }
    };

    bool Correct(std::string_view word);
    bool Active() const { return tree_ && engine_ && !terminated_; }

    TreeView* tree_ = nullptr;
    std::shared_ptr<SpellEngine> engine_;
    std::unordered_map<std::string, bool, WordHash, std::equal_to<>> verdicts_;
    uint64_t revision_ = 0;
    bool terminated_ = false;
};

} // namespace qv
