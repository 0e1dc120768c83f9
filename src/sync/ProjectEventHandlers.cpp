#include "explorer/Need.h"
#include "explorer/ProjectExplorer.h"

namespace qv {

using diag::Procedure;
using diag::Var;

// Events of files apply only to the folders that were loaded: images to Image Files, the
// rest to Other Files.
bool ProjectExplorer::AppliesToFile(const std::shared_ptr<OtherFile>& file) {
    return (!Need(file).IsImage() && mLoadedOtherFiles) || (file->IsImage() && mLoadedImages);
}

void ProjectExplorer::mQVProject_BuildProfileAdded(const std::shared_ptr<BuildProfile>& profile) {
    Procedure p(errors_, "mQVProject_BuildProfileAdded", {{"BuildProfile", profile}});
    p.Run([&] {
        if (mLoadedBuildProfiles) AddBuildProfile(profile);
    });
}

void ProjectExplorer::mQVProject_BuildProfileChanged(const std::shared_ptr<BuildProfile>& profile) {
    Node* node = nullptr;
    Procedure p(errors_, "mQVProject_BuildProfileChanged", {{"BuildProfile", profile}},
                {{"Node", node}});
    p.Run([&] {
        if (!mLoadedBuildProfiles) return;
        node = &tvw->Nodes().Item("bp:" + Need(profile).ID());
        node->SetText(profile->Name());
        node->SetImage(BuildProfileImage(profile));
    });
}

void ProjectExplorer::mQVProject_BuildProfileRemoved(const std::shared_ptr<BuildProfile>& profile) {
    Procedure p(errors_, "mQVProject_BuildProfileRemoved", {{"BuildProfile", profile}});
    p.Run([&] {
        if (mLoadedBuildProfiles) tvw->Nodes().Remove("bp:" + Need(profile).ID());
    });
}

void ProjectExplorer::mQVProject_CheckoutStatusChanged() {
    Procedure p(errors_, "mQVProject_CheckoutStatusChanged");
    p.Run([&] { ConfigureWarningBar(); });
}

void ProjectExplorer::mQVProject_ProjectElementCheckOutStatusChanged(int32_t projectElementType) {
    Procedure p(errors_, "mQVProject_ProjectElementCheckOutStatusChanged",
                {Var::UdtParameter("ProjectElementType")});
    p.Run([&] {
        if (projectElementType != 2) return;
        Node* selected = tvw->SelectedItem();
        if (selected && selected->Key() == "booklets") NodeClick(selected);
    });
}

void ProjectExplorer::mQVProject_OtherFileAdded(const std::shared_ptr<OtherFile>& file) {
    Procedure p(errors_, "mQVProject_OtherFileAdded", {{"OtherFile", file}});
    p.Run([&] {
        if (mIgnoreEvents) return;
        if (AppliesToFile(file)) AddOtherFile(file);
    });
}

void ProjectExplorer::mQVProject_OtherFileChanged(const std::shared_ptr<OtherFile>& file) {
    Node* node = nullptr;
    Procedure p(errors_, "mQVProject_OtherFileChanged", {{"OtherFile", file}}, {{"Node", node}});
    p.Run([&] {
        if (!AppliesToFile(file)) return;
        diag::IgnoreErrors([&] { node = &tvw->Nodes().Item("o:" + file->File()->LocalSpec()); });
        if (node) diag::IgnoreErrors([&] { node->SetForeColor(OtherFileNodeColor(file)); });
    });
}

void ProjectExplorer::mQVProject_OtherFileCheckoutStatusChanged(
    const std::shared_ptr<OtherFile>& file) {
    Node* node = nullptr;
    Procedure p(errors_, "mQVProject_OtherFileCheckoutStatusChanged", {{"OtherFile", file}},
                {{"Node", node}});
    p.Run([&] {
        if (!AppliesToFile(file)) return;
        diag::IgnoreErrors([&] { node = &tvw->Nodes().Item("o:" + file->File()->LocalSpec()); });
        if (node) node->SetImage(OtherFileImage(file));
        // Nothing found and nothing selected count as the same node too.
        if (tvw->SelectedItem() == node) NodeClick(node);
    });
}

void ProjectExplorer::mQVProject_OtherFileRemoved(const std::shared_ptr<OtherFile>& file) {
    Procedure p(errors_, "mQVProject_OtherFileRemoved", {{"OtherFile", file}});
    p.Run([&] {
        if (mIgnoreEvents) return;
        if (AppliesToFile(file)) tvw->Nodes().Remove("o:" + Need(file->File()).LocalSpec());
    });
}

void ProjectExplorer::mQVProject_TopicCategoryAdded(
    const std::shared_ptr<TopicCategory>& category) {
    Procedure p(errors_, "mQVProject_TopicCategoryAdded", {{"TopicCategory", category}});
    p.Run([&] {
        if (!mIgnoreEvents && mLoadedTopics) AddCategory(category);
    });
}

void ProjectExplorer::mQVProject_TopicCategoryChanged(
    const std::shared_ptr<TopicCategory>& category) {
    Procedure p(errors_, "mQVProject_TopicCategoryChanged", {{"TopicCategory", category}});
    p.Run([&] {
        if (mLoadedTopics) tvw->Nodes().Item("c:" + Need(category).ID()).SetText(category->Name());
    });
}

void ProjectExplorer::mQVProject_TopicCategoryRemoved(
    const std::shared_ptr<TopicCategory>& category) {
    Procedure p(errors_, "mQVProject_TopicCategoryRemoved", {{"TopicCategory", category}});
    p.Run([&] {
        if (!mIgnoreEvents && mLoadedTopics) tvw->Nodes().Remove("c:" + Need(category).ID());
    });
}

void ProjectExplorer::mQVProject_TopicCategoryReOrdered(
    const std::shared_ptr<TopicCategory>& category) {
    Procedure p(errors_, "mQVProject_TopicCategoryReOrdered", {{"TopicCategory", category}});
    p.Run([&] {
        if (!mLoadedTopics || mIgnoreEvents) return;
        tvw->Nodes().Item("c:" + Need(category).ID()).Remove();
        mQVProject_TopicCategoryAdded(category);
    });
}

void ProjectExplorer::mQVProject_TopicAdded(const std::shared_ptr<Topic>& topic) {
    Procedure p(errors_, "mQVProject_TopicAdded", {{"Topic", topic}});
    p.Run([&] {
        if (!mIgnoreEvents && mLoadedTopics) AddTopic(topic);
    });
}

void ProjectExplorer::mQVProject_TopicChanged(const std::shared_ptr<Topic>& topic) {
    Node* node = nullptr;
    Procedure p(errors_, "mQVProject_TopicChanged", {{"Topic", topic}}, {{"Node", node}});
    p.Run([&] {
        if (!mLoadedTopics) return;
        p.line = 1;
        node = &tvw->Nodes().Item("t:" + Need(topic).ID());
        p.line = 2;
        UpdateTopicNode(topic, node);
        p.line = 3;
        const auto category = topic->Category();
        const std::string parentKey = Need(node->Parent()).Key();
        const bool misplaced =
            category ? KeyValue(parentKey) != category->ID() : parentKey != "c:uncategorized";
        if (misplaced) {
            node->Remove();
            node = nullptr;
            AddTopic(topic);
        }
        p.line = 4;
        if (mTreeViewSpell && node) mTreeViewSpell->CheckNode(*node);
    });
}

void ProjectExplorer::mQVProject_TopicCheckoutStatusChanged(const std::shared_ptr<Topic>& topic) {
    Node* node = nullptr;
    Procedure p(errors_, "mQVProject_TopicCheckoutStatusChanged", {{"Topic", topic}},
                {{"Node", node}});
    p.Run([&] {
        if (!mLoadedTopics) return;
        diag::IgnoreErrors([&] { node = &tvw->Nodes().Item("t:" + topic->ID()); });
        if (!node) return;
        node->SetImage(TopicImage(topic));
        if (tvw->SelectedItem() == node) NodeClick(node);
    });
}

void ProjectExplorer::mQVProject_TopicRemoved(const std::shared_ptr<Topic>& topic) {
    Procedure p(errors_, "mQVProject_TopicRemoved", {{"Topic", topic}});
    p.Run([&] {
        if (!mIgnoreEvents && mLoadedTopics) tvw->Nodes().Remove("t:" + Need(topic).ID());
    });
}

void ProjectExplorer::mQVProject_TopicReOrdered(const std::shared_ptr<Topic>& topic) {
    Procedure p(errors_, "mQVProject_TopicReOrdered", {{"Topic", topic}});
    p.Run([&] {
        if (!mLoadedTopics || mIgnoreEvents) return;
        tvw->Nodes().Remove("t:" + Need(topic).ID());
        mQVProject_TopicAdded(topic);
    });
}

} // namespace qv
