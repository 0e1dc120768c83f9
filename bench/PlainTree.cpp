#include "PlainTree.h"

#include <algorithm>
#include <strings.h>

namespace qvbench {

namespace {
bool SortsBefore(const PlainNode& a, const PlainNode& b) {
    if (a.fileSystemFolder != b.fileSystemFolder) return a.fileSystemFolder;
    return ::strcasecmp(a.text.c_str(), b.text.c_str()) < 0;
}
} // namespace

PlainNode* PlainTree::Add(PlainNode* parent, std::string key, std::string text, std::string image,
                          bool fileSystemFolder) {
    auto node = std::make_unique<PlainNode>();
    node->key = std::move(key);
    node->text = std::move(text);
    node->image = std::move(image);
    node->fileSystemFolder = fileSystemFolder;
    node->parent = parent;
    PlainNode* added = node.get();
    index_.emplace(added->key, added);
    auto& siblings = parent ? parent->children : roots_;
    if (parent && parent->sorted && !parent->unsorted && !siblings.empty() &&
        SortsBefore(*added, *siblings.back())) {
        parent->unsorted = true;
        unsorted_.push_back(parent);
    }
    siblings.push_back(std::move(node));
    return added;
}

void PlainTree::Finish() {
    for (PlainNode* parent : unsorted_) {
        std::stable_sort(parent->children.begin(), parent->children.end(),
                         [](const auto& a, const auto& b) { return SortsBefore(*a, *b); });
        parent->unsorted = false;
    }
    unsorted_.clear();
}

} // namespace qvbench
