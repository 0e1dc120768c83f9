#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace qvbench {

// The baseline the headless tree is measured against: the obvious tree in standard containers,
// a node per allocation, each string in its own std::string, an unordered_map key index. Sorted
// folders take their children at the end and are sorted once, by Finish.
struct PlainNode {
    std::string key;
    std::string text;
    std::string image;
    bool fileSystemFolder = false;
    bool sorted = false;
    bool unsorted = false; // a sorted folder whose children await Finish
    PlainNode* parent = nullptr;
    std::vector<std::unique_ptr<PlainNode>> children;
};

class PlainTree {
public:
    void Reserve(std::size_t nodes) { index_.reserve(nodes); }
    // nullptr when absent.
    PlainNode* Find(const std::string& key) const {
        auto it = index_.find(key);
        return it == index_.end() ? nullptr : it->second;
    }
    // A top-level node when parent is nullptr, else the parent's last child. The key must be
    // new.
    PlainNode* Add(PlainNode* parent, std::string key, std::string text, std::string image,
                   bool fileSystemFolder = false);
    // Puts the children of every sorted parent in order (folders first, then text without
    // regard to ASCII case, equal texts in arrival order), one sort per parent.
    void Finish();
    std::size_t Count() const { return index_.size(); }

    // Every node in whole-tree order (children before the next sibling).
    template <class F> void Walk(F&& visit) const {
        std::vector<const PlainNode*> stack;
        for (auto it = roots_.rbegin(); it != roots_.rend(); ++it)
            stack.push_back(it->get());
        while (!stack.empty()) {
            const PlainNode* node = stack.back();
            stack.pop_back();
            visit(*node);
            for (auto it = node->children.rbegin(); it != node->children.rend(); ++it)
                stack.push_back(it->get());
        }
    }

private:
    std::vector<std::unique_ptr<PlainNode>> roots_;
    std::vector<PlainNode*> unsorted_;
    std::unordered_map<std::string, PlainNode*> index_;
};

} // namespace qvbench
