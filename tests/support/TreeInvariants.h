#pragma once

#include "contracts/TreeView.h"

namespace qvtest {

// Checks, with GoogleTest failures, what must hold for any tree at rest: the links (parent,
// siblings, first child, child count) agree, NextNode visits exactly the depth-first order,
// non-empty keys are unique and each finds its node through Nodes, Count matches, sorted parents
// hold their children in sorted order, the selection and the drop highlight are nodes of the
// tree and only the selected node says it is selected. For the headless tree also: the key
// index holds no stale keys, VisibleRows counts the nodes under expanded ancestors, each node's
// Row leads back to it through its parent's ChildAt and an open label edit is on the selected
// node of an unlocked tree.
void ExpectTreeInvariants(const qv::TreeView& tree);

} // namespace qvtest
