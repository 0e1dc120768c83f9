#pragma once

#include <QString>
#include <string>
#include <vector>

namespace qv {
class HeadlessNode;
class Project;
} // namespace qv

namespace qv::app {

// The file on disk a tree node stands for: a file's own path, a topic's content file, and for
// every other node the project file. Empty for a topic that names no file or an item the
// project does not hold.
QString DiskPathOfNode(const Project& project, const std::string& key);

// What the project knows of a row's item that the tree does not show, for its accessible
// description: "read-only" (the item's file), "excluded from output".
std::vector<std::string> RowFacts(const Project& project, const HeadlessNode& node);

} // namespace qv::app
