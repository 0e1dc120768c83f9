#include "model/FileObject.h"

#include "model/DiskPath.h"
#include "model/ModelErrors.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/stat.h>

namespace qv {

namespace fs = std::filesystem;

void DiskFileObject::SetFolder(std::string folder) {
    if (folder.empty())
        folder_.reset();
    else
        folder_ = std::make_shared<const std::string>(std::move(folder));
}

void DiskFileObject::SetSpec(const std::string& spec) {
    foundIn_ = 0;
    name_.clear();
    SetNamed(false);
    std::string path = disk::ToDiskSeparators(spec);
    if (path.empty()) {
        folder_.reset();
        return;
    }
    std::string full = disk::AbsoluteNormal(path);
    // One stat when the spelling exists; otherwise the spelling the disk has.
    struct stat st {};
    bool exists = ::stat(full.c_str(), &st) == 0;
    if (!exists) {
        full = disk::FindOnDisk(full);
        exists = ::stat(full.c_str(), &st) == 0;
    }
    if (full.back() == '/' || (exists && S_ISDIR(st.st_mode))) {
        if (full.back() != '/') full += '/';
        SetFolder(std::move(full));
        return;
    }
    std::size_t slash = full.rfind('/');
    name_ = full.substr(slash + 1);
    SetNamed(true);
    full.resize(slash + 1);
    SetFolder(std::move(full));
}

void DiskFileObject::SetFilePath(const std::string& path) {
    foundIn_ = 0;
    std::size_t slash = path.rfind('/');
    SetFolder(path.substr(0, slash + 1));
    name_ = path.substr(slash + 1);
    SetNamed(!name_.empty());
}

void DiskFileObject::SetFilePath(std::shared_ptr<const std::string> folder, std::string_view name) {
    foundIn_ = 0;
    folder_ = std::move(folder);
    name_ = name;
    SetNamed(!name_.empty());
}

std::string DiskFileObject::Extension() const {
    return std::string(ExtensionRef());
}

void DiskFileObject::SetNamed(bool named) {
    named_ = named;
    const std::string_view extension = named ? disk::ExtensionIn(name_) : std::string_view();
    const std::size_t at = extension.empty() ? 0 : extension.data() - name_.data();
    extensionAt_ = at <= UINT16_MAX ? static_cast<uint16_t>(at) : 0;
}

void DiskFileObject::SetExtension(const std::string& extension) {
    foundIn_ = 0;
    std::string ext = (!extension.empty() && extension[0] == '.') ? extension.substr(1) : extension;
    if (!named_) {
        name_ = ext;
        return;
    }
    std::string old = disk::ExtensionOf(name_);
    if (!old.empty()) name_.resize(name_.size() - old.size() - 1);
    if (!ext.empty()) name_ += "." + ext;
    SetNamed(!name_.empty()); // a name that was all extension is gone
}

std::string DiskFileObject::DiskPath() const {
    return disk::FindOnDisk(LocalSpec());
}

bool DiskFileObject::Exists() const {
    if (!named_) return false;
    // During a load, from one listing of the folder instead of a lookup of the path: from the
    // reader's look at it when this object was made in the same load.
    if (foundIn_ != 0) {
        if (const LoadScope* scope = LoadScope::Current(); scope && scope->Serial() == foundIn_)
            return foundRegular_;
    }
    if (const std::optional<bool> regular = disk::RegularInLoad(FolderView(), name_))
        return *regular;
    const std::string path = LocalSpec();
    if (disk::IsRegularFile(path)) return true;
    const std::string found = disk::FindOnDisk(path);
    return found != path && disk::IsRegularFile(found);
}

bool DiskFileObject::ReadOnly() const {
    if (!named_) return false;
    const std::string path = LocalSpec();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 && ::stat(disk::FindOnDisk(path).c_str(), &st) != 0)
        return false;
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

void DiskFileObject::Delete() {
    foundIn_ = 0;
    std::string path = DiskPath();
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) throw Error(err::FileNotFound, "File not found: " + path);
    if (S_ISDIR(st.st_mode))
        throw Error(err::PathFileAccess, "Path/File access error: " + path + " is a folder");
    std::error_code ec;
    if (!fs::remove(path, ec))
        throw Error(err::PathFileAccess, "Path/File access error: " + path + ": " +
                                             (ec ? ec.message() : std::string("not removed")));
}

void DiskFileObject::MakeUnique() {
    foundIn_ = 0;
    std::error_code ec;
    if (!folder_) {
        std::string ext = Extension();
        std::string temp = fs::temp_directory_path(ec).string();
        if (temp.empty()) temp = "/tmp";
        if (temp.back() != '/') temp += '/';
        SetFolder(std::move(temp));
        name_ = std::move(ext);
        SetNamed(false);
    }
    if (named_ && !fs::exists(LocalSpec(), ec)) return;

    static std::atomic<unsigned> counter{std::random_device{}()};
    std::string ext = Extension();
    const std::string folder = Folder();
    for (int attempt = 0; attempt < 10000; ++attempt) {
        std::string name = "qv" + std::to_string(counter.fetch_add(1) % 100000000u);
        if (!ext.empty()) name += "." + ext;
        if (!fs::exists(folder + name, ec) && !ec) {
            name_ = std::move(name);
            SetNamed(true);
            return;
        }
    }
    throw Error(err::PathFileAccess, "Path/File access error: no free file name in " + folder);
}

void DiskFileObject::WriteText(const std::string& text) {
    foundIn_ = 0;
    std::string path = DiskPath();
    if (!named_)
        throw Error(err::PathFileAccess, "Path/File access error: " + path + " names no file");
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (out) out.close();
    if (!out)
        throw Error(err::PathFileAccess,
                    "Path/File access error: cannot write " + path + ": " + std::strerror(errno));
}

void DiskFileObject::SetReadOnly(bool readOnly) {
    disk::SetReadOnlyMark(DiskPath(), readOnly);
}

std::shared_ptr<FileObject> MakeFileObject(const std::string& spec) {
    return std::make_shared<DiskFileObject>(spec);
}

} // namespace qv
