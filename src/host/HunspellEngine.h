#pragma once

#include "contracts/SpellEngine.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

class Hunspell;

namespace qv {

// The spelling engine on a Hunspell dictionary (BASE.aff + BASE.dic), with the user's own
// dictionary: a UTF-8 word list, one word a line, read when the engine is made and rewritten
// atomically (merged with what is on disk then, so words another process added survive) at
// each Add. Words reach and leave the engine in UTF-8 whatever the dictionary's SET encoding;
// a word the dictionary's encoding cannot hold is misspelt unless the user added or ignored it.
class HunspellEngine final : public SpellEngine {
public:
    // Raises 53 when BASE.aff or BASE.dic is missing, naming the file.
    HunspellEngine(const std::filesystem::path& dictionaryBase,
                   std::filesystem::path userDictionary);
    ~HunspellEngine() override;
    HunspellEngine(const HunspellEngine&) = delete;
    HunspellEngine& operator=(const HunspellEngine&) = delete;

    // The dictionary of $QV_SPELL_DICTIONARY (a path without extension) or else
    // /usr/share/hunspell/en_US, with the user dictionary at UserDictionaryPath().
    static std::shared_ptr<HunspellEngine> FromEnvironment();
    // $XDG_CONFIG_HOME/Veltrane/Quorvel2-words.txt ($HOME/.config when XDG_CONFIG_HOME is unset).
    static std::filesystem::path UserDictionaryPath();
    static std::filesystem::path DefaultDictionaryBase();

    std::string TypeName() const override { return "SpellEngine"; }

    bool Check(const std::string& word) override;
    std::vector<std::string> Suggest(const std::string& word) override;
    // The word must be one line without blanks (5 otherwise); 75 when the list cannot be
    // written (the word stays correct for this session).
    void Add(const std::string& word) override;
    void Ignore(const std::string& word) override;
    uint64_t Revision() const override { return revision_; }

    // The dictionary's encoding as its SET line names it ("UTF-8", "ISO8859-1" ...).
    const std::string& Encoding() const { return encoding_; }
    const std::filesystem::path& UserDictionary() const { return userDictionary_; }

private:
    // To and from the dictionary's encoding; false when the word cannot be converted.
    bool ToDictionary(const std::string& utf8, std::string& out) const;
    std::string FromDictionary(const std::string& text) const;
    void Accept(const std::string& word);
    void SaveUserWord(const std::string& word);

    std::unique_ptr<Hunspell> hunspell_;
    std::string encoding_;
    bool utf8_ = true;
    std::filesystem::path userDictionary_;
    std::unordered_set<std::string> accepted_; // UTF-8: user words and ignored words
    std::unordered_set<std::string> userWords_;
    uint64_t revision_ = 0;
};

} // namespace qv
