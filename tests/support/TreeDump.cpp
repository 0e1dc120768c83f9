#include "support/TreeDump.h"

#include "controls/TreeText.h"

namespace qvtest {

std::string DumpTree(const qv::TreeView& constTree) {
    // Nodes() is not const in the contract; nothing here changes the tree.
    return qv::TreeText(const_cast<qv::TreeView&>(constTree));
}

} // namespace qvtest
