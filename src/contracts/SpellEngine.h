#pragma once

#include "contracts/Object.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qv {

// The host's shared spelling engine (the IDE object's "commonSpell"). Words are UTF-8, one
// word each, without surrounding blanks or punctuation. Failures raise qv::Error.
class SpellEngine : public virtual Object {
public:
    virtual bool Check(const std::string& word) = 0;
    // Best first; empty when the engine knows nothing close.
    virtual std::vector<std::string> Suggest(const std::string& word) = 0;
    // Adds the word to the user's dictionary: correct from now on and in later sessions.
    virtual void Add(const std::string& word) = 0;
    // Correct until the engine ends.
    virtual void Ignore(const std::string& word) = 0;
    // Grows with every Add and Ignore, so that callers caching verdicts know when to forget them.
    virtual uint64_t Revision() const = 0;

protected:
    ~SpellEngine() override = default;
};

} // namespace qv
