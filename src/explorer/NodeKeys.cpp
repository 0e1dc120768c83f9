#include "contracts/Error.h"
#include "explorer/Need.h"
#include "explorer/ProjectExplorer.h"
#include "explorer/Text.h"

#include <array>
#include <vector>

namespace qv {

using diag::Procedure;

bool ProjectExplorer::IsFolderNode(const Node* node) {
    static constexpr std::array<std::string_view, 7> kFolderKeys{
        "booklets", "buildprofiles", "buildflags", "other", "images", "topics", "c:uncategorized"};
    bool result = false;
    std::string key;
    Procedure p(errors_, "IsFolderNode", {{"Node", node}}, {{"Key", key}});
    p.Run([&] {
        if (!node) return;
        key = node->Key();
        for (auto folder : kFolderKeys)
            if (key == folder) {
                result = true;
                return;
            }
        // A file-system sub-folder; a file key ("o:" + path) has a one-character type.
        result = key.find('\\') != std::string::npos && KeyType(key).size() != 1;
    });
    return result;
}

Node* ProjectExplorer::LoadFolderNode(const OtherFile& file) noexcept {
    if (!loadFolders_.active) return nullptr;
    try {
        // The run's folder first, then the others.
        const std::string_view diskFolder = file.FolderRef();
        LoadFolders::Kind& kind = loadFolders_.kind[file.IsImage()];
        if (!kind.last || kind.last->first != diskFolder) {
            const auto known = kind.keys.find(diskFolder);
            kind.last = known == kind.keys.end() ? nullptr : &*known;
        }
        return kind.last ? tvw->Nodes().ItemOrNull(kind.last->second) : nullptr;
    } catch (...) {
        return nullptr; // the frame's way below finds it, or reports why not
    }
}

Node* ProjectExplorer::GetFolderNode(const std::shared_ptr<OtherFile>& file) {
    // During a load the folder on disk, which gives the relative one, finds the folder node
    // found for it before, without the frame: nothing on that way can fail.
    if (file)
        if (Node* found = LoadFolderNode(*file)) return found;
    Node* result = nullptr;
    Node* currentNode = nullptr;
    std::string relativePath;
    std::string folderKey;
    int32_t index = 0;
    Procedure p(errors_, "GetFolderNode", {{"OtherFile", file}},
                {{"RelativePath", relativePath},
                 {"CurrentNode", currentNode},
                 {"Index", index},
                 {"FolderKey", folderKey}});
    p.Run([&] {
        p.line = 1;
        const std::string_view diskFolder = Need(file).FolderRef();
        const bool image = file->IsImage();
        qv::Nodes& nodes = tvw->Nodes();
        LoadFolders::Kind& kind = loadFolders_.kind[image];
        relativePath = file->RelativePath();
        p.line = 2;
        const auto parts = text::Split(relativePath, '\\');
        currentNode = &nodes.Item(image ? "images" : "other");
        p.line = 4;
        // Each folder's key is its parent's key + "\" + its lower-case name, so the keys of
        // all levels are prefixes of the deepest one, built once. Looking for the deepest
        // existing level first and creating only the missing ones keeps the work in
        // proportion to the keys that are new, not to the depth times the path.
        const int32_t levels = static_cast<int32_t>(parts.size()) - 1;
        std::string fullKey = currentNode->Key();
        std::vector<std::size_t> ends;
        ends.reserve(parts.size());
        for (int32_t i = 0; i < levels; ++i) {
            fullKey += '\\';
            fullKey += text::Lower(parts[i]);
            ends.push_back(fullKey.size());
        }
        index = levels - 1;
        for (; index >= 0; --index) {
            folderKey.assign(fullKey, 0, ends[index]);
            if (Shared().InCollection(nodes, folderKey)) {
                currentNode = &nodes.Item(folderKey);
                break;
            }
        }
        for (++index; index < levels; ++index) {
            folderKey.assign(fullKey, 0, ends[index]);
            currentNode = nodes.Add(currentNode, rel::Child, folderKey, std::string(parts[index]),
                                    image ? "imagefolderclosed" : "otherfilefolderclosed");
            currentNode->SetExpandedImage(image ? "imagefolderopen" : "otherfilefolderopen");
            currentNode->SetSorted(true);
            currentNode->SetAllowDrag(false);
            currentNode->SetTag("FileSystemFolder");
        }
        p.line = 5;
        result = currentNode;
        if (loadFolders_.active)
            kind.last =
                &*kind.keys.insert_or_assign(std::string(diskFolder), currentNode->Key()).first;
    });
    return result;
}

std::string ProjectExplorer::GetFolderName(const Node* node) {
    std::string result;
    std::string key;
    Procedure p(errors_, "GetFolderName", {{"Node", node}}, {{"Key", key}});
    p.Run([&] {
        const std::string folder = Need(Need(mQVProject).ProjectFile()).Folder();
        key = Need(node).Key();
        if (text::Left(key, 6) == "images")
            result = folder + std::string(text::Mid(key, 8)) + "\\";
        else if (text::Left(key, 5) == "other")
            result = folder + std::string(text::Mid(key, 7)) + "\\";
    });
    return result;
}

} // namespace qv
