#pragma once

#include "contracts/TreeView.h"

#include <string>
#include <string_view>

namespace qv {

// The tree as text, one line per node in whole-tree order, each line the prefix, two blanks
// per depth, "KEY | TEXT | IMAGE" and, when any applies, " | " and the flags "expanded",
// "selected" and "color=N" (ForeColor when not -1), each line ended by "\n". Never more lines
// than the tree counts nodes, so that even a broken tree cannot make it loop.
std::string TreeText(TreeView& tree, std::string_view prefix = {});

} // namespace qv
