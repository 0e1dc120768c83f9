#include "contracts/Error.h"
#include "explorer/Need.h"
#include "explorer/ProjectExplorer.h"
#include "explorer/Text.h"

namespace qv {

using diag::Procedure;

void ProjectExplorer::NodeClick(Node* node) {
    std::string NodeKey;
    std::string NodeType;
    std::string NodeValue;
    bool Folder = false;
    std::string ToolName;
    std::shared_ptr<Topic> topic;
    std::shared_ptr<OtherFile> file;
    Procedure p(errors_, "NodeClick", {{"Node", node}},
                {{"NodeKey", NodeKey},
                 {"NodeType", NodeType},
                 {"NodeValue", NodeValue},
                 {"Folder", Folder},
                 {"ToolName", ToolName},
                 {"Topic", topic},
                 {"OtherFile", file}});
    p.Run([&] {
        p.line = 1;
        tvw->SetCommandEnabled("MoveLeft", false);
        tvw->SetCommandEnabled("MoveRight", false);
        p.line = 2;
        mLabelEditInProgress = false;
        p.line = 3;
        diag::IgnoreErrors([&] {
            if (node) NodeKey = node->Key();
        });
        NodeType = KeyType(NodeKey);
        NodeValue = KeyValue(NodeKey);
        Folder = IsFolderNode(node);
        const std::string& T = NodeType;
        // The selected topic or file, read once for every rule that needs it.
        auto theTopic = [&]() -> Topic& {
            if (!topic) topic = Need(mQVProject).Topics()->Item(NodeValue);
            return *topic;
        };
        auto theFile = [&]() -> OtherFile& {
            if (!file) file = Need(mQVProject).OtherFiles()->Item(NodeValue);
            return *file;
        };

        p.line = 4;
        Bar& menu = Need(Dock_->Item("popContext").SubBand());
        for (int32_t i = 1, n = menu.EntryCount(); i <= n; ++i) {
            Entry& entry = menu.EntryAt(i);
            Tool& tool = entry.Tool();
            ToolName = text::Lower(tool.Name());
            const std::string& name = ToolName;
            if (name == "addcategory") {
                entry.SetVisible(NodeKey == "topics");
                tool.SetEnabled(true);
            } else if (name == "addtopic") {
                entry.SetVisible(T == "c");
                tool.SetEnabled(true);
            } else if (name == "addotherfile") {
                entry.SetVisible(NodeKey == "other" || text::StartsWith(NodeKey, "other\\"));
                tool.SetEnabled(true);
            } else if (name == "addimage") {
                entry.SetVisible(NodeKey == "images" || text::StartsWith(NodeKey, "images\\"));
                tool.SetEnabled(true);
            } else if (name == "addbuildprofile") {
                entry.SetVisible(NodeKey == "buildprofiles");
                tool.SetEnabled(true);
            } else if (name == "properties") {
                entry.SetVisible(T == "t");
                tool.SetEnabled(entry.Visible());
            } else if (name == "delete") {
                entry.SetVisible(!Folder);
                tool.SetEnabled(entry.Visible() && !mWarningBarVisible && node);
            } else if (name == "status") {
                entry.SetVisible(T == "t");
                if (T == "t") {
                    tool.SetEnabled(!theTopic().ReadOnly());
                    mPosting = true;
                    tool.SetText(theTopic().Status());
                    mPosting = false;
                }
            } else if (name == "moveup" || name == "movedown") {
                entry.SetVisible(tvw->CanExecuteCommand(tool.Name()) && !Folder && T != "o" &&
                                 T != "bf" && T != "bp" && T != "bk");
                tool.SetEnabled(entry.Visible() && !mWarningBarVisible);
                // Nothing moves above the Un-categorized folder.
                if (name == "moveup" && node && node->PreviousSibling() &&
                    node->PreviousSibling()->Key() == "c:uncategorized")
                    tool.SetEnabled(false);
            } else if (name == "edit") {
                entry.SetVisible(!Folder && T != "c");
                if (T == "t" || T == "o")
                    tool.SetEnabled(true);
                else if (T == "c")
                    tool.SetEnabled(!Need(mQVProject).ReadOnly());
                else
                    tool.SetEnabled(!Folder && NodeKey.find(':') != std::string::npos &&
                                    NodeValue != "uncategorized");
            } else if (name == "editnewwindow") {
                entry.SetVisible(T == "t");
                if (T == "t") tool.SetEnabled(true);
            } else if (name == "locatenode") {
                entry.SetVisible(T == "t");
                tool.SetEnabled(entry.Visible());
            } else if (name == "recaptureimage" || name == "createimagemap" ||
                       name == "openimageprocessing" || name == "makethumbnail") {
                entry.SetVisible(T == "o" && theFile().IsImage());
                if (T == "o") tool.SetEnabled(true);
            } else if (name == "renamecategory") {
                entry.SetVisible(T == "c" && NodeKey != "c:uncategorized");
                tool.SetEnabled(entry.Visible());
            } else if (name == "includeinoutput") {
                entry.SetVisible(T == "o" || T == "t");
                if (T == "o") {
                    tool.SetEnabled(!mWarningBarVisible);
                    Dock_->StateItem(tool.Name()).SetChecked(theFile().IncludeInOutput() ? 1 : 0);
                } else if (T == "t") {
                    tool.SetEnabled(!theTopic().ReadOnly());
                    Dock_->StateItem(tool.Name()).SetChecked(theTopic().IncludeInOutput() ? 1 : 0);
                }
            } else if (name == "build") {
                entry.SetVisible(T == "bp" || T == "bk");
                tool.SetEnabled(entry.Visible());
                if (T == "bp") entry.SetCaption("Build this Profile");
                if (T == "bk") entry.SetCaption("Build this Booklet");
            } else if (name == "autogeneratecategoryindex") {
                const bool category = T == "c" && NodeKey != "c:uncategorized";
                tool.SetVisible(category && !Need(mQVProject).ReadOnly() &&
                                Need(mQVProject).AllowCategoryIndex());
                if (category) {
                    tool.SetEnabled(true);
                    const auto item = Need(mQVProject).TopicCategories()->Item(NodeValue);
                    Dock_->StateItem(tool.Name()).SetChecked(item->AutoGenerateIndex() ? 1 : 0);
                }
            }
        }

        p.line = 5;
        if (T == "t") {
            theTopic();
            if (mQVIDE) CallHost("flashtopic", {Variant(topic)});
            Raise(&ExplorerEvents::TopicSelected, topic);
        } else if (T == "o") {
            theFile();
            Raise(&ExplorerEvents::OtherFileSelected, file);
        } else {
            Raise(&ExplorerEvents::FolderNodeSelected);
        }
        p.line = 6;
        Raise(&ExplorerEvents::RefreshTools);
        p.line = 7;
        if (mQVIDE && !NodeKey.empty() && node->Text() != "<New Category>")
            CallHost("helpContextChanged", {});
    });
}

void ProjectExplorer::tvw_NodeClicked(Node* node) {
    Procedure p(errors_, "tvw_NodeClicked", {{"Node", node}});
    p.Run([&] { NodeClick(node); });
}

void ProjectExplorer::tvw_NodeDoubleClicked(Node* node) {
    std::string nodeType;
    Procedure p(errors_, "tvw_NodeDoubleClicked", {{"Node", node}}, {{"NodeType", nodeType}});
    p.Run([&] {
        if (!mQVIDE) {
            if (!node) return;
            nodeType = KeyType(node->Key());
            if (nodeType == "o")
                Raise(&ExplorerEvents::DoubleClick);
            else if (nodeType == "t")
                Raise(&ExplorerEvents::TopicDblClick,
                      Need(mQVProject).Topics()->Item(KeyValue(node->Key())));
            return;
        }
        if (node) Dock_CommandClick(&Dock_->Item("Edit"));
    });
}

} // namespace qv
