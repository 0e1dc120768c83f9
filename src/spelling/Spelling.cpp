#include "contracts/Dispatch.h"
#include "contracts/Error.h"
#include "explorer/Need.h"
#include "explorer/ProjectExplorer.h"

// The component's side of label spell checking: when the checker is made and ended, and how it
// is asked to check labels again. The checker itself stands behind its interface.

namespace qv {

using diag::Procedure;

void ProjectExplorer::InitSpell() {
    Procedure p(errors_, "InitSpell");
    p.Run([&] {
        if (!mQVIDE) return;
        auto host = std::dynamic_pointer_cast<Dispatch>(mQVIDE);
        if (!host)
            throw Error(err::UnknownMember, "Object doesn't support this property or method");
        mTreeViewSpell = site_.controls.CreateTreeViewSpell();
        mTreeViewSpell->Init(*tvw, host->Get("commonSpell").ObjectValue(), 0);
    });
}

void ProjectExplorer::TerminateSpell(bool removeBadWordMarkup) {
    Procedure p(errors_, "TerminateSpell", {{"RemoveBadWordMarkup", removeBadWordMarkup}});
    p.Run([&] {
        if (!mTreeViewSpell) return;
        mTreeViewSpell->Terminate(removeBadWordMarkup);
        mTreeViewSpell.reset();
    });
}

void ProjectExplorer::SpellCheckNode(Node* node) {
    std::shared_ptr<Topic> topic;
    Procedure p(errors_, "SpellCheckNode", {{"Node", node}}, {{"Topic", topic}});
    p.Run([&] {
        if (!node) return;
        if (KeyType(node->Key()) != "t") return;
        topic = Need(mQVProject).Topics()->Item(KeyValue(node->Key()));
        mQVProject_TopicChanged(topic);
    });
}

void ProjectExplorer::SpellCheckCurrentNode() {
    Procedure p(errors_, "SpellCheckCurrentNode");
    p.Run([&] {
        if (Node* node = tvw->SelectedItem()) SpellCheckNode(node);
    });
}

void ProjectExplorer::RedoSpellCheck() {
    Node* node = nullptr;
    Procedure p(errors_, "RedoSpellCheck", {}, {{"Node", node}});
    p.Run([&] {
        if (!mTreeViewSpell) return;
        node = mTreeViewSpell->NextNodeToCheck(nullptr);
        while (node) {
            SpellCheckNode(node);
            node = mTreeViewSpell->NextNodeToCheck(node);
        }
    });
}

void ProjectExplorer::RemoveBadWord(const std::string& word) {
    Procedure p(errors_, "RemoveBadWord", {{"Word", word}});
    p.Run([&] {
        if (mTreeViewSpell) mTreeViewSpell->RemoveBadWord(word);
    });
}

void ProjectExplorer::Terminate() {
    Procedure p(errors_, "Terminate");
    p.Run([&] {
        TerminateSpell(false);
        mDynamicHelpHost.reset();
        mQVIDE.reset();
        mQVProject.reset();
        ProjectChanged();
        tvw->SetImageList(nullptr);
    });
}

} // namespace qv
