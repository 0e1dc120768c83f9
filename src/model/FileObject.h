#pragma once

#include "contracts/LoadScope.h"
#include "contracts/ProjectModel.h"
#include "model/DiskPath.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace qv {

// A file object on the local disk. A spec that ends with a separator or names an existing
// folder points at that folder (FileName() is empty until MakeUnique chooses one); any
// other spec is taken as a file path. Specs are made absolute (a relative one against the
// current folder) and lexically normal, so that LocalSpec is one text per file.
//
// The disk is treated as case-insensitive, as the projects' paths were written for one: a
// spec whose spelling does not exist takes the spelling the disk has (disk::FindOnDisk), and
// the disk operations of an object whose LocalSpec does not exist as spelled (one pointed at
// with SetFilePath) reach the entry that matches it ignoring case.
class DiskFileObject final : public FileObject {
public:
    DiskFileObject() = default;
    explicit DiskFileObject(const std::string& spec) { SetSpec(spec); }

    std::string TypeName() const override { return "FileObject"; }

    void SetSpec(const std::string& spec) override;
    std::string FileName() const override { return std::string(NameView()); }
    // Extension() without a copy.
    std::string_view ExtensionRef() const {
        if (!named_) return name_;
        // Where it begins was noted with the name: a load asks each file's several times.
        if (extensionAt_) return {name_.data() + extensionAt_, name_.size() - extensionAt_};
        return disk::ExtensionIn(name_);
    }
    std::string LocalSpec() const override {
        std::string spec;
        AppendLocalSpec(spec);
        return spec;
    }
    // LocalSpec added to the text, without a string of its own (a save of 50,000 files).
    void AppendLocalSpec(std::string& text) const override {
        text += FolderView();
        text += NameView();
    }
    std::string Folder() const override { return std::string(FolderView()); }
    // Folder and FileName without a copy; LocalSpec is the one followed by the other.
    std::string_view FolderView() const {
        return folder_ ? std::string_view(*folder_) : std::string_view();
    }
    std::string_view NameView() const {
        return named_ ? std::string_view(name_) : std::string_view();
    }
    std::string Extension() const override;
    // Replaces the name's extension; on a folder spec it is kept for MakeUnique.
    void SetExtension(const std::string& extension) override;
    // A regular file; during a LoadScope answered from the folder's listing (disk::FindInLoad),
    // or from what the load noted when it made the object (NoteFoundInLoad).
    bool Exists() const override;
    // What the load that is making this object found in its folder's listing: Exists gives it
    // for the rest of that LoadScope without asking the listing a second time. A later scope,
    // or any change of the path or of the file through this object, asks again.
    void NoteFoundInLoad(bool regular) {
        const LoadScope* scope = LoadScope::Current();
        foundIn_ = scope ? scope->Serial() : 0;
        foundRegular_ = regular;
    }
    bool ReadOnly() const override; // from the mode; a missing file is not read-only
    // Error 53 when there is no such file, 75 when it cannot be removed.
    void Delete() override;
    // Keeps a spec that names no existing entry; otherwise picks "qv" + a fresh number +
    // the extension in the path's folder (the temporary folder for an empty path).
    void MakeUnique() override;
    // Creates or truncates the file and writes the text; error 75 on failure.
    void WriteText(const std::string& text) override;

    // Points at a file by its absolute, normal path without looking at the disk; LocalSpec
    // keeps that spelling.
    void SetFilePath(const std::string& path);
    // The same with the folder (absolute, normal, ending with "/") shared with other objects:
    // the files of one folder of a project keep its text once.
    void SetFilePath(std::shared_ptr<const std::string> folder, std::string_view name);
    // Where the disk operations go: LocalSpec when it exists as spelled, else the entry that
    // matches it ignoring case.
    std::string DiskPath() const;
    // Marks the file read-only (no write bits) or writable (owner write bit).
    void SetReadOnly(bool readOnly);

private:
    void SetFolder(std::string folder);
    // After name_ changed: whether it is a file's name, and where its extension begins.
    void SetNamed(bool named);

    std::shared_ptr<const std::string> folder_; // absolute, ending with "/"; none: empty path
    // No separator. While the path names a folder, not a file (named_ false), the extension
    // given for MakeUnique instead: the two are never needed at once.
    std::string name_;
    bool named_ = false;
    bool foundRegular_ = false; // NoteFoundInLoad's answer, valid in the scope foundIn_
    // Where ExtensionIn(name_) begins in a name_ that names a file; 0: no extension, or too far
    // for 16 bits (asked again then).
    uint16_t extensionAt_ = 0;
    uint32_t foundIn_ = 0; // the serial of that LoadScope; 0: nothing noted
};

std::shared_ptr<FileObject> MakeFileObject(const std::string& spec = {});

} // namespace qv
