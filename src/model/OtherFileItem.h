#pragma once

#include "contracts/ProjectModel.h"
#include "model/FileObject.h"

#include <memory>
#include <string>
#include <string_view>

namespace qv {

class Project;

// A file of the project other than a topic. Its key in OtherFiles is its file's LocalSpec
// when it was added; re-pointing the file object of a file already in the project is not
// supported.
class OtherFileItem final : public OtherFile {
public:
    // Made by the project only (Create), in one allocation with its file object and count.
    struct MadeByCreate {
    private:
        friend class OtherFileItem;
        MadeByCreate() = default;
    };
    OtherFileItem(MadeByCreate, std::weak_ptr<qv::Project> project,
                  std::shared_ptr<const std::string> projectFolder, bool includeInOutput,
                  bool pending);
    // The path is absolute and normal; the project folder is shared by all its files.
    static std::shared_ptr<OtherFileItem> Create(std::weak_ptr<Project> project,
                                                 std::shared_ptr<const std::string> projectFolder,
                                                 const std::string& path, bool includeInOutput,
                                                 bool pending);
    // The same for a file in a folder (absolute, normal, ending with "/") whose text is shared
    // with the other files there.
    static std::shared_ptr<OtherFileItem> Create(std::weak_ptr<Project> project,
                                                 std::shared_ptr<const std::string> projectFolder,
                                                 std::shared_ptr<const std::string> folder,
                                                 std::string_view name, bool includeInOutput);
    // The file object, for the load that makes the item (DiskFileObject::NoteFoundInLoad).
    DiskFileObject& DiskFileInLoad() { return file_; }

    std::string TypeName() const override { return "OtherFile"; }
    // Shares the item's lifetime.
    std::shared_ptr<FileObject> File() const override {
        return std::shared_ptr<FileObject>(weak_from_this().lock(), &file_);
    }
    FileObject& FileRef() const override { return file_; }
    std::string_view FileNameRef() const override { return file_.NameView(); }
    std::string_view FolderRef() const override { return file_.FolderView(); }
    std::string_view ExtensionRef() const override { return file_.ExtensionRef(); }
    bool IsImage() const override;
    std::string RelativePath() const override;
    bool IncludeInOutput() const override { return includeInOutput_; }
    void SetIncludeInOutput(bool value) override;
    bool Pending() const override { return pending_; }
    void SetPending(bool value) override;
    bool IsTemplateFile() const override;

    const DiskFileObject& DiskFile() const { return file_; } // without a shared pointer
    bool InsideProject() const;                              // below the project folder
    // The path as the project file writes it: relative below the folder, else absolute.
    std::string PathInProjectFile() const;

private:
    friend class qv::Project;
    // The item as its owners hold it; nullptr while it is being destroyed.
    std::shared_ptr<OtherFileItem> Self() const;

    std::weak_ptr<qv::Project> project_;
    std::shared_ptr<const std::string> folder_; // the project folder, ending with "/"
    mutable DiskFileObject file_;
    bool includeInOutput_ = true;
    bool pending_ = false;
};

} // namespace qv
