#include "host/FileServices.h"

#include "contracts/Error.h"
#include "contracts/ProjectModel.h"
#include "model/DiskPath.h"
#include "model/ModelErrors.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void CannotTrash(const std::string& path, const std::string& why) {
    throw Error(err::PathFileAccess,
                "Path/File access error: " + path + " cannot be moved to the trash: " + why);
}

// The trash folder and its two sub-folders, private to the user as the trash requires.
void MakeTrashFolders(const std::string& trash) {
    std::error_code ec;
    fs::create_directories(fs::path(trash).parent_path(), ec);
    for (const std::string& folder : {trash, trash + "/files", trash + "/info"}) {
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            CannotTrash(folder, std::strerror(errno));
        struct stat st {};
        if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            CannotTrash(folder, "not a folder");
    }
}

// "a.png" -> "a.2.png"; a name without extension gets the number at its end.
std::string Numbered(const std::string& name, int n) {
    const std::string extension = disk::ExtensionOf(name);
    const std::string stem =
        extension.empty() ? name : name.substr(0, name.size() - extension.size() - 1);
    return stem + "." + std::to_string(n) + (extension.empty() ? "" : "." + extension);
}

// The path as a URL path: every byte but the unreserved ones and "/" percent-encoded.
std::string EscapedPath(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : path) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
            c == '-' || c == '_' || c == '.' || c == '~' || c == '/') {
            out += c;
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        }
    }
    return out;
}

std::string LocalTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

} // namespace

bool WriteAll(int fd, std::string_view text) {
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

namespace {

// The device of the nearest folder of the path that exists.
dev_t DeviceOf(fs::path path) {
    struct stat st {};
    while (::stat(path.c_str(), &st) != 0) {
        if (!path.has_relative_path()) return 0;
        path = path.parent_path();
    }
    return st.st_dev;
}

// The trash of the file's own device, for a file that cannot be moved to the user's trash:
// $topdir/.Trash/$uid when the administrator made a shared .Trash (a sticky folder, not a
// link), else $topdir/.Trash-$uid.
std::string DeviceTrashFolder(const std::string& file, dev_t device) {
    fs::path top = fs::path(file).parent_path();
    while (top.has_relative_path() && DeviceOf(top.parent_path()) == device)
        top = top.parent_path();
    const std::string uid = std::to_string(::getuid());
    const std::string shared = (top / ".Trash").string();
    struct stat st {};
    if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX))
        return shared + "/" + uid;
    return (top / (".Trash-" + uid)).string();
}

} // namespace

bool PermanentFileService::Identify(const std::string& path, FileIdentity& identity) const {
    if (path.empty()) return false;
    const std::string full = disk::AbsoluteNormal(disk::ToDiskSeparators(path));
    struct stat st {};
    if (::stat(full.c_str(), &st) != 0) {
        const std::string found = disk::FindOnDisk(full);
        if (found == full || ::stat(found.c_str(), &st) != 0) return false;
    }
    identity = {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
    return true;
}

void PermanentFileService::DeleteFile(FileObject& file) {
    file.Delete();
}

void TrashFileService::DeleteFile(FileObject& file) {
    MoveToTrash(disk::FindOnDisk(file.LocalSpec()));
}

std::string TrashFileService::MoveToTrash(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) throw Error(err::FileNotFound, "File not found: " + path);
    const std::string home = HomeTrashFolder();
    // A rename cannot cross devices, and copying a file onto the home device is not what a
    // trash does: a file elsewhere goes to its own device's trash.
    const std::string trashed = MoveToTrashFolder(
        path, DeviceOf(home) == st.st_dev ? home : DeviceTrashFolder(path, st.st_dev));
    if (observer_) observer_(path, trashed);
    return trashed;
}

std::string MoveToTrashFolder(const std::string& path, const std::string& trashFolder) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) throw Error(err::FileNotFound, "File not found: " + path);
    if (S_ISDIR(st.st_mode)) CannotTrash(path, "it is a folder");
    MakeTrashFolders(trashFolder);
    const std::string name = disk::FileNameOf(path);
    for (int n = 1; n < 10000; ++n) {
        const std::string entry = n == 1 ? name : Numbered(name, n);
        const std::string info = trashFolder + "/info/" + entry + ".trashinfo";
        const std::string target = trashFolder + "/files/" + entry;
        // The info file is made first and exclusively: it reserves the name.
        const int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            CannotTrash(path, std::strerror(errno));
        }
        struct stat taken {};
        if (::lstat(target.c_str(), &taken) == 0) {
            ::close(fd);
            ::unlink(info.c_str());
            continue;
        }
        const bool written = WriteAll(fd, "[Trash Info]\nPath=" + EscapedPath(path) +
                                              "\nDeletionDate=" + LocalTimeNow() + "\n");
        const int error = errno;
        if (::close(fd) != 0 || !written) {
            ::unlink(info.c_str());
            CannotTrash(path, std::strerror(written ? errno : error));
        }
        if (::rename(path.c_str(), target.c_str()) != 0) {
            const int renameError = errno;
            ::unlink(info.c_str());
            CannotTrash(path, std::strerror(renameError));
        }
        return target;
    }
    CannotTrash(path, "no free name in " + trashFolder);
}

void RestoreFromTrash(const std::string& trashed, const std::string& original) {
    struct stat st {};
    if (::lstat(trashed.c_str(), &st) != 0)
        throw Error(err::FileNotFound, "File not found: " + original +
                                           " cannot be restored; it is no longer in the trash (" +
                                           trashed + ")");
    if (::lstat(original.c_str(), &st) == 0)
        throw Error(err::FileAlreadyExists,
                    "File already exists: " + original +
                        " was not restored from the trash, so as not to replace what lies there "
                        "now; the deleted file is still in the trash (" +
                        trashed + ")");
    std::error_code ec;
    fs::create_directories(fs::path(original).parent_path(), ec);
    // Never over what was made at the original path meanwhile: the file systems that cannot
    // rename without replacing get a hard link instead.
    int moved =
        ::renameat2(AT_FDCWD, trashed.c_str(), AT_FDCWD, original.c_str(), RENAME_NOREPLACE);
    if (moved != 0 && (errno == EINVAL || errno == ENOSYS)) {
        moved = ::link(trashed.c_str(), original.c_str());
        if (moved == 0) ::unlink(trashed.c_str());
    }
    if (moved != 0) {
        const int error = errno;
        if (error == EEXIST)
            throw Error(err::FileAlreadyExists, "File already exists: " + original +
                                                    " was not restored from the trash (" + trashed +
                                                    ")");
        throw Error(err::PathFileAccess, "Path/File access error: " + original +
                                             " cannot be restored from the trash (" + trashed +
                                             "): " + std::strerror(error));
    }
    // files/NAME has its record in info/NAME.trashinfo.
    const fs::path entry(trashed);
    ::unlink(
        (entry.parent_path().parent_path() / "info" / (entry.filename().string() + ".trashinfo"))
            .c_str());
}

std::string HomeTrashFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/') return std::string(data) + "/Trash";
    std::string home;
    if (const char* h = std::getenv("HOME"); h && *h)
        home = h;
    else if (const passwd* pw = ::getpwuid(::getuid()))
        home = pw->pw_dir;
    return home + "/.local/share/Trash";
}

} // namespace qv
