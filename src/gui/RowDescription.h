#pragma once

#include <string>
#include <vector>

namespace qv {

class HeadlessNode;

// What a screen reader says of a tree row besides its label (the row's accessible
// description): what the row is ("Topic", "Category", "Image file", "Folder" ...), its level
// (1 for the top folders: Qt 6.4 tells a screen reader a row's expanded state but not its
// depth), then what its
// image shows (the topic's status, "missing on disk", "checked out", "read-only"), then the
// facts the program adds (each said once, however often given), then the misspelt words of
// the label ("misspelt: teh, wrod"). Parts are joined with ", ".
std::string DescribeRow(const HeadlessNode& node, const std::vector<std::string>& facts = {});

} // namespace qv
