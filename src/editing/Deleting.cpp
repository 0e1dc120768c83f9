#include "explorer/Need.h"
#include "explorer/ProjectExplorer.h"

#include <filesystem>
#include <system_error>

namespace qv {

using diag::Procedure;

namespace {

namespace fs = std::filesystem;

constexpr int32_t kYesNoQuestion = 36;

// Disk deletes touch only a regular file that lies inside the folder given (a project file
// may be hostile: a path must not lead anywhere else). Failures are ignored.
void DeleteInside(const std::string& path, const std::string& folder) {
    std::error_code ec;
    const fs::path file = fs::weakly_canonical(path, ec);
    if (ec) return;
    const fs::path root = fs::weakly_canonical(folder, ec);
    if (ec) return;
    const auto rel = file.lexically_relative(root);
    if (rel.empty() || rel.native().rfind("..", 0) == 0 || !fs::is_regular_file(file, ec)) return;
    // A read-only file can go: the user asked for it.
    fs::permissions(file, fs::perms::owner_write, fs::perm_options::add, ec);
    fs::remove(file, ec);
}

} // namespace

void ProjectExplorer::tvw_BeforeDeleteNodeEx(Node& node, bool& cancel, bool& noPrompt) {
    Node* nodeRef = &node;
    std::string nodeType;
    Procedure p(errors_, "tvw_BeforeDeleteNodeEx",
                {{"Node", nodeRef}, {"Cancel", cancel}, {"NoPrompt", noPrompt}},
                {{"NodeType", nodeType}});
    p.Run([&] {
        p.line = 1;
        if (mReadOnly || IsFolderNode(&node)) {
            cancel = true;
            return;
        }
        p.line = 2;
        nodeType = KeyType(node.Key());
        const bool ask = !Shared().SuppressDeletePrompt();
        auto confirm = [&](const std::string& question) {
            if (ask && site_.libraries.MsgBox(question, kYesNoQuestion, "Confirm Delete") == mb::No)
                cancel = true;
        };
        QVProject& project = Need(mQVProject);
        if (nodeType == "t") {
            noPrompt = true;
            confirm("Are you sure you want to delete this Topic?");
            if (!cancel)
                DesignerHelp().ConfirmTopicDelete(project.Topics()->Item(KeyValue(node.Key())),
                                                  cancel, noPrompt);
        } else if (nodeType == "bp") {
            noPrompt = true;
            if (project.BuildProfiles()->Count() == 1) {
                site_.libraries.MsgBox("You must have at least one Build Profile in the project",
                                       48, "Cannot Delete");
                cancel = true;
            } else {
                confirm("Are you sure you want to delete this Build Profile?");
            }
        } else if (nodeType == "c") {
            noPrompt = true;
            confirm("Are you sure you want to delete this Category? Topics currently assigned to "
                    "this category will be moved to the 'Un-categorized' folder.");
        } else if (nodeType == "o") {
            noPrompt = true;
            if (ask) {
                diag::IgnoreErrors([&] { Dock_->SetFocus(); });
                confirm("Are you sure you want to remove this file from the Project?");
            }
        }
    });
}

void ProjectExplorer::tvw_DeleteNode(Node& node) {
    Node* nodeRef = &node;
    std::string nodeType;
    std::string id;
    Procedure p(errors_, "tvw_DeleteNode", {{"Node", nodeRef}},
                {{"NodeType", nodeType}, {"ID", id}});
    p.Run([&] {
        const std::string key = node.Key();
        p.line = 1;
        if (key != "c:uncategorized" && key != "topics" && key != "images" && key != "other") {
            p.line = 2;
            nodeType = KeyType(key);
            id = KeyValue(key);
            QVProject& project = Need(mQVProject);
            if (nodeType == "c") {
                qv::Nodes& nodes = tvw->Nodes();
                Node& uncategorized = nodes.Item("c:uncategorized");
                const auto topics = project.Topics();
                for (int32_t i = 1, n = topics->Count(); i <= n; ++i) {
                    auto topic = topics->Item(i);
                    auto category = topic->Category();
                    if (!category || category->ID() != id) continue;
                    nodes.Item("t:" + topic->ID()).SetParent(&uncategorized);
                    topic->SetCategory(nullptr);
                }
                project.TopicCategories()->Remove(id);
            } else if (nodeType == "t") {
                project.Topics()->Remove(id);
            } else if (nodeType == "bp") {
                project.BuildProfiles()->Remove(id);
            } else if (nodeType == "o") {
                auto file = project.OtherFiles()->Item(id);
                project.OtherFiles()->Remove(id);
                DeleteFromDisk(file, node);
            }
        }
        p.line = 3;
        diag::IgnoreErrors([&] { site_.ui.DoEvents(); });
        diag::IgnoreErrors([&] { tvw->SetFocus(); });
    });
}

// The file leaves the disk and the profiles' output folders only when the user says so, and
// only inside the project folder and those output folders.
void ProjectExplorer::DeleteFromDisk(const std::shared_ptr<OtherFile>& file, Node& node) {
    FileObject& f = Need(file->File());
    QVProject& project = Need(mQVProject);
    const std::string projectFolder = Need(project.ProjectFile()).Folder();
    if (f.Exists()) {
        if (site_.libraries.MsgBox("Would you also like to delete the file from disk?",
                                   kYesNoQuestion, "Delete File") == mb::Yes) {
            const std::string path = f.LocalSpec();
            // The one file the user asked to delete, wherever the project says it lies.
            diag::IgnoreErrors([&] {
                std::error_code ec;
                if (!fs::is_regular_file(path, ec)) return;
                fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, ec);
                fs::remove(path, ec);
            });
        }
        const auto profiles = project.BuildProfiles();
        for (int32_t i = 1, n = profiles->Count(); i <= n; ++i) {
            auto profile = profiles->Item(i);
            auto copy = site_.libraries.NewFileObject();
            Need(copy).SetSpec(profile->OutputFolder() + file->RelativePath());
            if (!copy->Exists()) continue;
            std::string prompt = "This file exists in the output folder for Build Profile '" +
                                 profile->Title() + "'.";
            if (profile->CompiledHelp())
                prompt += " It is highly recommended that the file is deleted to avoid it being "
                          "included in future compiled help files.";
            prompt += "\r\n\r\nDelete the file from the output folder now?";
            if (DesignerHelp().MsgBoxWithAutoOption(
                    prompt, kYesNoQuestion, "Delete file in output folder",
                    "AutoDeleteInOutputFolder", "Do this automatically next time") == mb::No)
                break;
            DeleteInside(copy->LocalSpec(), profile->OutputFolder());
        }
    }
    // A sub-folder that the delete leaves empty goes too; the node being deleted is still in
    // the tree at this moment and does not count.
    Node* folder = GetFolderNode(file);
    if (folder && folder->Parent() &&
        (folder->ChildCount() == 0 || (folder->ChildCount() == 1 && folder->FirstChild() == &node)))
        folder->Remove();
}

} // namespace qv
