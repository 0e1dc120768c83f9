#pragma once

#include "PlainTree.h"

#include <cstddef>
#include <string>

namespace qvbench {

// The floor every open is measured against: the project file parsed with pugixml and the
// designer's tree built from the document in plain standard containers, as the obvious
// program would write it: the same keys, the same labels with their markup, the same image
// keys and the same sorted file folders as the component's tree. It checks nothing and asks
// the disk nothing beyond reading the file. Returns the number of nodes built.
std::size_t BuildFloor(const std::string& projectFile, PlainTree& tree);

} // namespace qvbench
