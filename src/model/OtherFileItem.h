#pragma once

#include "contracts/ProjectModel.h"
#include "model/FileObject.h"

#include <memory>
#include <string>

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
                  std::shared_ptr<const std::string> projectFolder, const std::string& path,
                  bool includeInOutput, bool pending);
    // The path is absolute and normal; the project folder is shared by all its files.
    static std::shared_ptr<OtherFileItem> Create(std::weak_ptr<Project> project,
                                                 std::shared_ptr<const std::string> projectFolder,
                                                 const std::string& path, bool includeInOutput,
                                                 bool pending);

    std::string TypeName() const override { return "OtherFile"; }
    // Shares the item's lifetime.
    std::shared_ptr<FileObject> File() const override {
        return std::shared_ptr<FileObject>(self_.lock(), &file_);
    }
    const std::string& FileNameRef() const override { return file_.FileNameRef(); }
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
    void Changed();

    std::weak_ptr<qv::Project> project_;
    std::weak_ptr<OtherFileItem> self_;
    std::shared_ptr<const std::string> folder_; // the project folder, ending with "/"
    mutable DiskFileObject file_;
    bool includeInOutput_ = true;
    bool pending_ = false;
};

} // namespace qv
