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
    if (parent && parent->sorted) {
        auto at = std::upper_bound(siblings.begin(), siblings.end(), *added,
                                   [](const PlainNode& a, const std::unique_ptr<PlainNode>& b) {
                                       return SortsBefore(a, *b);
                                   });
        siblings.insert(at, std::move(node));
    } else {
        siblings.push_back(std::move(node));
    }
    return added;
}

} // namespace qvbench
