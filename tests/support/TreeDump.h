#pragma once

#include "contracts/TreeView.h"

#include <string>

namespace qvtest {

// The tree as text, one line per node in NextNode order, each ended by "\n": two blanks per
// depth, then "KEY | TEXT | IMAGE", then, when any applies, " | " and the flags "expanded",
// "selected", "color=N" (ForeColor when not -1), blank separated. The same lines as qvx's
// `print tree` without its "tree " prefix.
std::string DumpTree(const qv::TreeView& tree);

} // namespace qvtest
