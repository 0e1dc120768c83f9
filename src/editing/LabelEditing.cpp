#include "explorer/Need.h"
#include "explorer/ProjectExplorer.h"

namespace qv {

using diag::Procedure;

namespace {
// Only categories are renamed in the tree; "(Un-categorized)" is a folder, not a category.
bool IsRenamableCategory(const std::string& type, const std::string& key) {
    return type == "c" && key != "c:uncategorized";
}
} // namespace

void ProjectExplorer::tvw_BeforeLabeleEdit(Node& node, bool& cancel) {
    Node* nodeRef = &node;
    Procedure p(errors_, "tvw_BeforeLabeleEdit", {{"Node", nodeRef}, {"Cancel", cancel}});
    p.Run([&] {
        if (IsRenamableCategory(KeyType(node.Key()), node.Key()))
            mLabelEditInProgress = true;
        else
            cancel = true;
    });
}

void ProjectExplorer::tvw_AfterLabelEdit(Node& node, std::string& newString) {
    Node* nodeRef = &node;
    std::shared_ptr<TopicCategory> tc;
    Procedure p(errors_, "tvw_AfterLabelEdit", {{"Node", nodeRef}, {"NewString", newString}},
                {{"tc", tc}});
    p.Run([&] {
        if (!IsRenamableCategory(KeyType(node.Key()), node.Key())) return;
        // The text is taken as it comes: the project decides nothing about names here.
        tc = Need(mQVProject).TopicCategories()->Item(KeyValue(node.Key()));
        tc->SetName(newString);
    });
}

void ProjectExplorer::tvw_BeforeAddSibling(Node& selectedNode, std::string& newKey,
                                           std::string& newText, std::string& image,
                                           std::string& expandedImage, bool& cancel) {
    Node* nodeRef = &selectedNode;
    Procedure p(errors_, "tvw_BeforeAddSibling",
                {{"SelectedNode", nodeRef},
                 {"NewKey", newKey},
                 {"NewText", newText},
                 {"Image", image},
                 {"ExpandedImage", expandedImage},
                 {"Cancel", cancel}});
    p.Run([&] {
        if (KeyType(selectedNode.Key()) != "c") cancel = true;
    });
}

void ProjectExplorer::tvw_AfterAddSibling(Node& newNode) {
    Node* nodeRef = &newNode;
    std::shared_ptr<TopicCategory> TopicCategory;
    Procedure p(errors_, "tvw_AfterAddSibling", {{"NewNode", nodeRef}},
                {{"TopicCategory", TopicCategory}});
    p.Run([&] {
        TopicCategory = Need(mQVProject).NewTopicCategory();
        TopicCategory->SetName("<New Category>");
        newNode.SetText(TopicCategory->Name());
        newNode.SetKey("c:" + TopicCategory->ID());
        // The tree already shows the new category: its added event must not add it again.
        mIgnoreEvents = true;
        try {
            Need(mQVProject).TopicCategories()->Add(TopicCategory, TopicCategory->ID());
        } catch (...) {
            mIgnoreEvents = false;
            throw;
        }
        mIgnoreEvents = false;
        newNode.SetImage("topicfolderclosed");
        newNode.SetExpandedImage("topicfolderopen");
    });
}

} // namespace qv
