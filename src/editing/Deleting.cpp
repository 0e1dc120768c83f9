#include "explorer/Need.h"
#include "explorer/ProjectExplorer.h"

#include <filesystem>
#include <system_error>
#include <unordered_set>
#include <vector>

namespace qv {

using diag::Procedure;

namespace {

namespace fs = std::filesystem;

constexpr int32_t kYesNoQuestion = 36;

// A read-only file can go: the user asked for it. Only the entry itself loses the mark; the
// target of a link is not the file being deleted.
void ClearAttributes(const std::string& path) {
    std::error_code ec;
    if (fs::symlink_status(path, ec).type() == fs::file_type::regular)
        fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, ec);
}

bool Inside(const fs::path& path, const fs::path& folder) {
    const fs::path relative = path.lexically_relative(folder);
    return !relative.empty() && relative != "." && *relative.begin() != "..";
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
                // The project's topics that name the category, in project order, are the
                // category's own topics: reading those costs the category's size, not the
                // project's. They are taken first, since each one leaves the category below.
                const auto members = project.TopicCategories()->Item(id)->Topics();
                std::vector<std::shared_ptr<Topic>> topics;
                topics.reserve(static_cast<std::size_t>(members->Count()));
                for (int32_t i = 1, n = members->Count(); i <= n; ++i)
                    topics.push_back(members->Item(i));
                for (const auto& topic : topics) {
                    auto category = topic->Category();
                    if (!category || category->ID() != id) continue; // a handler moved it
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

// The file leaves the disk and the profiles' output folders only when the user says so. An
// output-folder copy is only what it seems when, on disk, it lies inside the profile's real
// output folder and is none of the project's own files: an output folder that leads back into
// the project, a hard link or a case variant would otherwise make the author's own file look
// like a copy. Anything else is left alone without a question, as a copy that is not there.
void ProjectExplorer::DeleteFromDisk(const std::shared_ptr<OtherFile>& file, Node& node) {
    FileObject& f = Need(file->File());
    QVProject& project = Need(mQVProject);
    FileService& files = site_.libraries.FileService();
    if (f.Exists()) {
        // Taken before the file goes, so that a copy that is this very file stays.
        FileIdentity removed;
        const bool removedKnown = files.Identify(f.LocalSpec(), removed);
        if (site_.libraries.MsgBox("Would you also like to delete the file from disk?",
                                   kYesNoQuestion, "Delete File") == mb::Yes) {
            // The one file the user asked to delete, wherever the project says it lies.
            diag::IgnoreErrors([&] {
                auto onDisk = site_.libraries.NewFileObject();
                Need(onDisk).SetSpec(f.LocalSpec());
                ClearAttributes(onDisk->LocalSpec());
            });
            diag::IgnoreErrors([&] { files.DeleteFile(f); });
        }

        // The identities of every file the project lists, gathered once, when a copy is found.
        std::unordered_set<FileIdentity, FileIdentityHash> listed;
        bool listedKnown = false;
        auto isListed = [&](const FileIdentity& identity) {
            if (!listedKnown) {
                listedKnown = true;
                FileIdentity one;
                auto add = [&](const std::string& path) {
                    if (!path.empty() && files.Identify(path, one)) listed.insert(one);
                };
                const auto others = project.OtherFiles();
                const auto topics = project.Topics();
                listed.reserve(static_cast<std::size_t>(others->Count() + topics->Count()) + 1);
                add(Need(project.ProjectFile()).LocalSpec());
                for (int32_t i = 1, n = others->Count(); i <= n; ++i)
                    if (auto other = others->Item(i)->File()) add(other->LocalSpec());
                for (int32_t i = 1, n = topics->Count(); i <= n; ++i)
                    add(topics->Item(i)->ContentFile());
            }
            return listed.count(identity) != 0;
        };
        auto isOwnCopy = [&](const FileObject& copy, const std::string& outputFolder) {
            std::error_code ec;
            auto folder = site_.libraries.NewFileObject();
            Need(folder).SetSpec(outputFolder);
            const fs::path realFolder = fs::canonical(folder->Folder(), ec);
            if (ec || folder->Folder().empty()) return false;
            const fs::path real = fs::canonical(copy.LocalSpec(), ec);
            if (ec || !Inside(real, realFolder)) return false;
            FileIdentity identity;
            if (!files.Identify(copy.LocalSpec(), identity)) return false;
            if (removedKnown && identity == removed) return false;
            return !isListed(identity);
        };

        const auto profiles = project.BuildProfiles();
        for (int32_t i = 1, n = profiles->Count(); i <= n; ++i) {
            auto profile = profiles->Item(i);
            auto copy = site_.libraries.NewFileObject();
            Need(copy).SetSpec(profile->OutputFolder() + file->RelativePath());
            if (!copy->Exists() || !isOwnCopy(*copy, profile->OutputFolder())) continue;
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
            diag::IgnoreErrors([&] { ClearAttributes(copy->LocalSpec()); });
            diag::IgnoreErrors([&] { files.DeleteFile(*copy); });
        }
    }
    // A sub-folder that the delete leaves empty goes too, and so does each sub-folder above it
    // that held nothing else, as the next load would show them; the node being deleted is still
    // in the tree at this moment and does not count.
    Node* folder = GetFolderNode(file);
    if (folder && folder->Parent() &&
        (folder->ChildCount() == 0 || (folder->ChildCount() == 1 && folder->FirstChild() == &node)))
        for (Node* parent; folder && folder->Parent(); folder = parent) {
            parent = folder->Parent();
            folder->Remove();
            if (parent->ChildCount() != 0) break;
        }
}

} // namespace qv
