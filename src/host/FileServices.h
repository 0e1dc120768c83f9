#pragma once

#include "contracts/Platform.h"

#include <functional>
#include <string>
#include <string_view>

namespace qv {

// Writes the whole text to the descriptor, going on after signals; false (errno set) when a
// write fails or writes nothing.
bool WriteAll(int fd, std::string_view text);

// Deletes for good: the file object's own Delete. For headless hosts (qvx, tests), where
// nobody would look into a trash.
class PermanentFileService : public FileService {
public:
    bool Identify(const std::string& path, FileIdentity& identity) const override;
    void DeleteFile(FileObject& file) override;
};

// Deletes into the freedesktop.org trash, as the desktop's file managers do, so that the
// author can restore the file from there. A file that cannot be put into a trash stays where
// it is (error 75); it is never deleted for good instead.
class TrashFileService : public PermanentFileService {
public:
    // Told of every file this service moved into a trash: where it lay and where it went, so
    // that the move can be undone (RestoreFromTrash).
    using Observer = std::function<void(const std::string& original, const std::string& trashed)>;

    void DeleteFile(FileObject& file) override;
    // Moves the file at the path (as spelt on disk) into the trash of its device and tells the
    // observer; returns where it went. Errors as MoveToTrashFolder.
    std::string MoveToTrash(const std::string& path);
    void SetObserver(Observer observer) { observer_ = std::move(observer); }

private:
    Observer observer_;
};

// Moves the file (not a folder) into the trash folder given (".../Trash", made with its
// "files" and "info" folders when missing): the file goes to files/NAME under a name not yet
// used there, and info/NAME.trashinfo records its original path and the time of deletion.
// Returns where the file went. Raises 53 when there is no such file and 75 when it cannot be
// moved there (another device, no rights); the file then stays where it was.
std::string MoveToTrashFolder(const std::string& path, const std::string& trashFolder);

// Puts a file that MoveToTrashFolder moved back at its original path (making the folders that
// went missing meanwhile) and removes its trash info. Nothing is ever replaced: error 58 when
// something lies at the original path, 53 when the file is no longer in the trash; the file
// then stays where it is.
void RestoreFromTrash(const std::string& trashed, const std::string& original);

// The user's own trash: $XDG_DATA_HOME/Trash, or ~/.local/share/Trash.
std::string HomeTrashFolder();

} // namespace qv
