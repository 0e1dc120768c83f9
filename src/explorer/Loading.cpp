#include "contracts/Error.h"
#include "contracts/LoadScope.h"
#include "explorer/Need.h"
#include "explorer/ProjectExplorer.h"
#include "explorer/Text.h"

namespace qv {

using diag::Procedure;
using diag::Var;

namespace {
// Sets up a fixed folder node the way every folder of the tree looks.
Node* AddFolder(qv::Nodes& nodes, Node* relative, int32_t relationship, const char* key,
                const char* caption, const char* image, const char* expandedImage) {
    Node* node = nodes.Add(relative, relationship, key, caption, image);
    node->SetExpandedImage(expandedImage);
    node->SetAllowDrag(false);
    return node;
}

// A node's key: its kind's prefix and the item's ID.
std::string NodeKey(std::string_view prefix, std::string_view id) {
    std::string key;
    key.reserve(prefix.size() + id.size());
    key.append(prefix).append(id);
    return key;
}
} // namespace

void ProjectExplorer::LoadQVProject(const std::shared_ptr<QVProject>& project, bool loadTopics,
                                    bool loadImages, bool loadOtherFiles) {
    Procedure p(errors_, "LoadQVProject",
                {{"Project", project},
                 {"LoadTopics", loadTopics},
                 {"LoadImages", loadImages},
                 {"LoadOtherFiles", loadOtherFiles}});
    p.Run([&] {
        LoadQVProjectEx(project, loadTopics, loadImages, loadOtherFiles, false, false, false);
    });
}

void ProjectExplorer::LoadQVProjectEx(const std::shared_ptr<QVProject>& project, bool loadTopics,
                                      bool loadImages, bool loadOtherFiles, bool loadBuildFlags,
                                      bool loadBuildProfiles, bool loadBooklets) {
    std::shared_ptr<TopicCategory> category;
    std::shared_ptr<Topic> topic;
    std::shared_ptr<OtherFile> file;
    std::shared_ptr<BuildProfile> profile;
    Procedure p(errors_, "LoadQVProjectEx",
                {{"Project", project},
                 {"LoadTopics", loadTopics},
                 {"LoadImages", loadImages},
                 {"LoadOtherFiles", loadOtherFiles},
                 {"LoadBuildFlags", loadBuildFlags},
                 {"LoadBuildProfiles", loadBuildProfiles},
                 {"LoadBooklets", loadBooklets}},
                {{"Category", category},
                 {"Topic", topic},
                 {"OtherFile", file},
                 {"BuildProfile", profile},
                 Var::ExternalUdt("Command")});
    p.Run([&] {
        // The files' existence is read once per folder for the whole load.
        LoadScope scope;
        p.line = 1;
        mLoadedImages = mLoadedOtherFiles = mLoadedTopics = mLoadedBuildProfiles = false;
        p.line = 2;
        mQVProject = project;
        ProjectChanged();
        p.line = 3;
        mPosting = true;
        p.line = 4;
        if (mTreeViewSpell) mTreeViewSpell->Reset();
        p.line = 5;
        tvw->SetRedraw(false);
        qv::Nodes& nodes = tvw->Nodes();
        nodes.Clear();
        RemoveAllFileImages();
        if (!project) {
            p.line = 6;
            SetEnabled(false);
        } else {
            if (loadTopics) {
                p.line = 7;
                FireLoadProgress("Loading Topics");
                Node* topics = AddFolder(nodes, nullptr, rel::Last, "topics", "Topics",
                                         "topicfolderclosed", "topicfolderopen");
                topics->SetExpanded(true);
                AddFolder(nodes, topics, rel::Child, "c:uncategorized", "(Un-categorized)",
                          "topicfolderclosed", "topicfolderopen");
                const auto categories = project->TopicCategories();
                for (int32_t i = 1, n = categories->Count(); i <= n; ++i) {
                    category = categories->Item(i);
                    AddCategory(category);
                }
                const auto allTopics = project->Topics();
                nodes.Reserve(static_cast<std::size_t>(nodes.Count() + allTopics->Count()));
                for (int32_t i = 1, n = allTopics->Count(); i <= n; ++i) {
                    topic = allTopics->Item(i);
                    FireItemProgress("Reading Topic '", topic->NameRef());
                    AddTopic(topic);
                }
                mLoadedTopics = true;
            }
            if (loadImages) {
                p.line = 8;
                AddFolder(nodes, nullptr, rel::Last, "images", "Image Files", "imagefolderclosed",
                          "imagefolderopen")
                    ->SetSorted(true);
            }
            if (loadOtherFiles) {
                p.line = 9;
                AddFolder(nodes, nullptr, rel::Last, "other", "Other Files",
                          "otherfilefolderclosed", "otherfilefolderopen")
                    ->SetSorted(true);
            }
            p.line = 10;
            const auto files = project->OtherFiles();
            nodes.Reserve(static_cast<std::size_t>(nodes.Count() + files->Count()));
            loadFolders_.active = true;
            struct EndFolderMemo {
                LoadFolders& memo;
                ~EndFolderMemo() { memo = {}; }
            } endFolderMemo{loadFolders_};
            for (int32_t i = 1, n = files->Count(); i <= n; ++i) {
                file = files->Item(i);
                if (file->IsImage() ? loadImages : loadOtherFiles) {
                    // Every other file has its file object: its name without a copy.
                    FireItemProgress("Reading Other File '", file->FileNameRef());
                    AddOtherFile(file);
                }
            }
            mLoadedOtherFiles = loadOtherFiles;
            mLoadedImages = loadImages;
            p.line = 11;
            if (loadBuildProfiles) {
                AddFolder(nodes, nullptr, rel::Last, "buildprofiles", "Build Profiles",
                          "buildprofilesclosed", "buildprofilesopen")
                    ->SetSorted(true);
                const auto profiles = project->BuildProfiles();
                for (int32_t i = 1, n = profiles->Count(); i <= n; ++i) {
                    profile = profiles->Item(i);
                    AddBuildProfile(profile);
                }
                mLoadedBuildProfiles = true;
            }
            SetEnabled(true);
            p.line = 12;
            if (loadTopics)
                nodes.Item("topics").SetExpanded(true);
            else if (loadOtherFiles)
                nodes.Item("other").SetExpanded(true);
            else if (loadImages)
                nodes.Item("images").SetExpanded(true);
        }
        p.line = 13;
        if (mLoadedTopics) NodeClick(tvw->SelectedItem());
        p.line = 14;
        tvw->SetRedraw(true);
        p.line = 15;
        Dock_->SetRedraw(false);
        for (int32_t i = 1; i <= Dock_->ToolCount(); ++i) {
            Tool& tool = Dock_->ToolAt(i);
            if (text::Left(tool.Name(), 4) == "Find") tool.SetEnabled(mEnabled);
        }
        Dock_->SetRedraw(true);
        p.line = 16;
        ConfigureWarningBar();
        p.line = 17;
        mPosting = false;
    });
}

void ProjectExplorer::FireLoadProgress(const std::string& caption) {
    Procedure p(errors_, "FireLoadProgress", {{"Caption", caption}});
    p.Run([&] {
        if (mQVIDE) {
            std::vector<Variant> args = std::move(progressArgs_);
            args.resize(1);
            args[0].SetString(caption);
            CallHostWith("FireLoadProgress", args);
            progressArgs_ = std::move(args);
        }
        Raise(&ExplorerEvents::LoadProgress, caption);
    });
}

void ProjectExplorer::FireItemProgress(std::string_view prefix, std::string_view name) {
    std::string caption = std::move(progressCaption_);
    caption.assign(prefix).append(name).push_back('\'');
    FireLoadProgress(caption);
    progressCaption_ = std::move(caption);
}

void ProjectExplorer::AddCategory(const std::shared_ptr<TopicCategory>& category) {
    Node* node = nullptr;
    int32_t position = 0;
    int32_t count = 0;
    std::shared_ptr<TopicCategory> nextCategory;
    std::shared_ptr<Topic> topic;
    Procedure p(errors_, "AddCategory", {{"TopicCategory", category}},
                {{"CategoryNode", node},
                 {"Position", position},
                 {"Count", count},
                 {"NextCategory", nextCategory},
                 {"Topic", topic}});
    p.Run([&] {
        qv::Nodes& nodes = tvw->Nodes();
        const std::string key = "c:" + Need(category).ID();
        if (!mLoadedTopics) {
            node = nodes.Add("topics", rel::Child, key, category->Name(), "topicfolderclosed");
            node->SetExpandedImage("topicfolderopen");
            if (!mPosting) {
                tvw->SetSelectedItem(node);
                node->SetExpanded(true);
                node->EnsureVisible();
            }
            return;
        }
        p.line = 1;
        const auto categories = Need(mQVProject).TopicCategories();
        position = categories->IndexOf(*category);
        count = categories->Count();
        p.line = 2;
        if (position < count) {
            nextCategory = categories->Item(position + 1);
            node = nodes.Add("c:" + nextCategory->ID(), rel::Previous, key, category->Name(),
                             "topicfolderclosed");
        } else {
            node = nodes.Add("topics", rel::Child, key, category->Name(), "topicfolderclosed");
        }
        p.line = 3;
        mLoadedTopics = false;
        const auto topics = category->Topics();
        for (int32_t i = 1, n = topics->Count(); i <= n; ++i) {
            topic = topics->Item(i);
            AddTopic(topic);
        }
        mLoadedTopics = true;
        p.line = 4;
        node->SetExpandedImage("topicfolderopen");
        node->SetExpanded(false);
    });
}

void ProjectExplorer::AddTopic(const std::shared_ptr<Topic>& topic) {
    std::string TitleText;
    Node* ParentNode = nullptr;
    int32_t TopicIndex = 0;
    std::shared_ptr<Topic> BeforeTopic;
    Procedure p(errors_, "AddTopic", {{"Topic", topic}},
                {{"TitleText", TitleText},
                 {"ParentNode", ParentNode},
                 {"TopicIndex", TopicIndex},
                 {"BeforeTopic", BeforeTopic}});
    p.Run([&] {
        qv::Nodes& nodes = tvw->Nodes();
        p.line = 1;
        const auto category = Need(topic).Category();
        // Both keys made from the IDs in place, without a copy of either ID first.
        std::string key = category ? NodeKey("c:", category->IDRef()) : "c:uncategorized";
        ParentNode = &nodes.Item(key);
        key.assign("t:").append(topic->IDRef());
        nodes.Prefetch(key); // the key's place in the tree's index arrives while the label is made
        // The node is made with its label, in the room of the last one: one block for its key
        // and label. UpdateTopicNode then leaves the text alone. A label the host cannot help
        // make (its colour) is left to UpdateTopicNode, whose error report names it as always.
        bool labelled = true;
        try {
            MakeTopicLabel(*topic, labelBuffer_);
        } catch (...) {
            labelled = false;
            labelBuffer_.clear();
        }
        const std::string& label = labelBuffer_;
        Node* node = nullptr;
        if (ParentNode->ChildCount() == 0 || !mLoadedTopics) {
            p.line = 2;
            node = nodes.Add(ParentNode, rel::Child, key, label);
            if (!mPosting) {
                tvw->SetSelectedItem(node);
                node->EnsureVisible();
            }
        } else {
            p.line = 3;
            const auto topics = Need(mQVProject).Topics();
            TopicIndex = topics->IndexOf(*topic);
            for (int32_t j = TopicIndex + 1, n = topics->Count(); j <= n; ++j) {
                auto candidate = topics->Item(j);
                if (candidate->Category() == category) {
                    BeforeTopic = candidate;
                    break;
                }
            }
            p.line = 4;
            node = BeforeTopic ? nodes.Add("t:" + BeforeTopic->ID(), rel::Previous, key, label)
                               : nodes.Add(ParentNode, rel::Child, key, label);
        }
        p.line = 5;
        UpdateTopicNode(topic, node, labelled);
    });
}

void ProjectExplorer::MakeTopicLabel(const Topic& topic, std::string& label) {
    label.clear();
    if (!topic.IncludeInOutput()) {
        // The host writes a colour as "&H" + digits + "&": the markup wants the digits.
        const std::string hex = DesignerHelp().ColorToHex(kGreyTextColor);
        label += "<FORMAT TEXT:";
        if (hex.size() > 3) label.append(hex, 2, hex.size() - 3);
        label += '>';
        label += topic.NameRef();
        label += "</FORMAT>";
    } else {
        label += topic.NameRef();
    }
    label += " (<FORMAT spellcheck>";
    label += topic.TitleRef();
    label += "</FORMAT>)";
}

void ProjectExplorer::UpdateTopicNode(const std::shared_ptr<Topic>& topic, Node* node,
                                      bool labelled) {
    // Made in the room of the last label (taken out meanwhile, so that a call from inside this
    // one finds it empty): the node's copy is then a topic's only allocation for its label.
    // A node made with its label finds it here, as made.
    std::string label = std::move(labelBuffer_);
    if (!labelled) label.clear();
    Procedure p(errors_, "UpdateTopicNode", {{"Topic", topic}, {"Node", node}}, {{"Label", label}});
    p.Run([&] {
        p.line = 1;
        if (!labelled) MakeTopicLabel(Need(topic), label);
        p.line = 2;
        Need(node).SetForeColor(-1);
        if (!labelled) {
            node->SetText("");
            node->SetText(label);
        }
        p.line = 3;
        std::string image = std::move(imageBuffer_); // taken out, as the label above
        TopicImage(topic, image);
        node->SetImage(image);
        imageBuffer_ = std::move(image);
        p.line = 4;
        if (mTreeViewSpell) mTreeViewSpell->CheckNode(*node);
    });
    labelBuffer_ = std::move(label);
}

void ProjectExplorer::AddOtherFile(const std::shared_ptr<OtherFile>& file) {
    Node* folder = nullptr;
    Node* node = nullptr;
    Procedure p(errors_, "AddOtherFile", {{"OtherFile", file}},
                {{"Folder", folder}, {"FileNode", node}});
    // The key, the name and the image key are made in the room of the last ones (taken out
    // meanwhile, as the label of a topic).
    std::string key = std::move(keyBuffer_);
    std::string text = std::move(labelBuffer_);
    std::string image = std::move(imageBuffer_);
    p.Run([&] {
        p.line = 1;
        FileObject& f = Need(file).FileRef();
        if (mShowBitmapsAsIcons && CustomShellIcon(file)) {
            AddFileImage(f.LocalSpec());
        } else {
            // An extension's image, once added, stays in the list (only file images are ever
            // removed) and was added through the shared helper, which is kept: for an image
            // already there AddExtensionImage would find it and do nothing else.
            image.assign("ext_").append(file->ExtensionRef());
            if (!img16x16->Contains(image)) AddExtensionImage(f.Extension());
        }
        p.line = 2;
        folder = GetFolderNode(file);
        p.line = 3;
        // A file already shown (the same path twice) is dropped quietly.
        diag::IgnoreErrors([&] {
            key.assign("o:");
            f.AppendLocalSpec(key);
            OtherFileImage(file, image, &f);
            text.assign(file->FileNameRef());
            node = tvw->Nodes().Add(folder, rel::Child, key, text, image);
        });
        if (!node) return;
        p.line = 4;
        node->SetForeColor(FileNodeColor(*file));
        if (!mPosting) {
            tvw->SetSelectedItem(node);
            node->EnsureVisible();
        }
    });
    keyBuffer_ = std::move(key);
    labelBuffer_ = std::move(text);
    imageBuffer_ = std::move(image);
}

void ProjectExplorer::AddBuildProfile(const std::shared_ptr<BuildProfile>& profile) {
    Node* node = nullptr;
    Procedure p(errors_, "AddBuildProfile", {{"BuildProfile", profile}}, {{"ProfileNode", node}});
    p.Run([&] {
        node = tvw->Nodes().Add("buildprofiles", rel::Child, "bp:" + Need(profile).ID(),
                                profile->Name(), BuildProfileImage(profile));
        node->SetAllowDrag(false);
        node->SetAllowDrop(drop::None);
    });
}

} // namespace qv
