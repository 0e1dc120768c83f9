#pragma once

#include "contracts/Object.h"

#include <cstdint>
#include <memory>
#include <string>

namespace qv {

class Node;
class TreeView;

// The label spell checker: checks the words inside "<FORMAT spellcheck>" spans of the tree's
// labels and marks misspelt ones in the label text.
class TreeViewSpell : public virtual Object {
public:
    virtual void Init(TreeView& tree, std::shared_ptr<Object> engine, int32_t reserved) = 0;
    virtual void Terminate(bool removeBadWordMarkup) = 0;
    // nullptr asks for the first node; a nullptr result ends the walk.
    virtual Node* NextNodeToCheck(Node* after) = 0;
    virtual void Start() = 0;
    virtual void CheckNode(Node& node) = 0;
    virtual void Reset() = 0;
    virtual void RemoveBadWord(const std::string& word) = 0;

protected:
    ~TreeViewSpell() override = default;
};

} // namespace qv
