#include "gui/RowDescription.h"

#include "controls/LabelMarkup.h"
#include "controls/TreeNode.h"

#include <algorithm>

namespace qv {

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() &&
           s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

const char* KindOf(const HeadlessNode& node) {
    const std::string_view key = node.KeyRef();
    if (StartsWith(key, "t:")) return "Topic";
    if (key == "c:uncategorized") return "Folder";
    if (StartsWith(key, "c:")) return "Category";
    if (StartsWith(key, "bp:")) return "Build profile";
    if (StartsWith(key, "o:")) {
        const HeadlessNode* root = &node;
        while (root->ParentNode())
            root = root->ParentNode();
        return root->KeyRef() == "images" ? "Image file" : "File";
    }
    if (!key.empty() && key.find(':') == std::string_view::npos) return "Folder";
    return nullptr;
}

} // namespace

std::string DescribeRow(const HeadlessNode& node, const std::vector<std::string>& facts) {
    std::vector<std::string> parts;
    auto add = [&](std::string part) {
        if (!part.empty() && std::find(parts.begin(), parts.end(), part) == parts.end())
            parts.push_back(std::move(part));
    };
    if (const char* kind = KindOf(node)) add(kind);
    int level = 1;
    for (const HeadlessNode* p = node.ParentNode(); p; p = p->ParentNode())
        ++level;
    add("level " + std::to_string(level));
    std::string image = node.Image();
    const char* badge = nullptr;
    if (EndsWith(image, "_readonly")) {
        image.resize(image.size() - 9);
        badge = "read-only";
    } else if (EndsWith(image, "_checkedout")) {
        image.resize(image.size() - 11);
        badge = "checked out";
    }
    if (StartsWith(image, "topicstatus") && image.size() > 11) add("status " + image.substr(11));
    if (image == "missing") add("missing on disk");
    if (badge) add(badge);
    for (const std::string& fact : facts)
        add(fact);
    std::string misspelt;
    for (const LabelRun& run : ParseLabelMarkup(node.TextRef()))
        if (run.spellerror) misspelt += (misspelt.empty() ? "misspelt: " : ", ") + run.text;
    add(std::move(misspelt));
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : ", ") + part;
    return text;
}

} // namespace qv
