#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qv {

class FileObject;

// Window handles and focus, as the component asks about them.
class WindowSystem {
public:
    virtual int64_t GetFocus() const = 0;
    virtual int64_t GetParent(int64_t window) const = 0;
    virtual int64_t GetDesktopWindow() const = 0;
    virtual int32_t TwipsPerPixelX() const = 0;
    virtual int32_t TwipsPerPixelY() const = 0;

protected:
    ~WindowSystem() = default;
};

class KeyboardState {
public:
    // Whether the virtual key (0x11 Ctrl, 0x10 Shift) is down now.
    virtual bool IsKeyDown(int32_t virtualKey) const = 0;

protected:
    ~KeyboardState() = default;
};

// Which file a path reaches on disk: two paths name the same file exactly when their
// identities are equal (hard links, links to it and case variants included).
struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

struct FileIdentityHash {
    std::size_t operator()(const FileIdentity& id) const {
        return static_cast<std::size_t>(id.inode * 0x9E3779B97F4A7C15ull ^ id.device);
    }
};

// The platform's side of deleting files the author asked to delete. The desktop program
// moves them to the desktop's trash, so that a delete can be undone; headless hosts delete
// them for good.
class FileService {
public:
    // The identity of the file or folder the path reaches, links followed; false when it
    // reaches nothing. A spelling that does not exist is matched ignoring case, as the file
    // objects do.
    virtual bool Identify(const std::string& path, FileIdentity& identity) const = 0;
    // Takes the file off the disk as this platform takes off a file its user deletes. Raises
    // 53 when there is no such file and 75 when it cannot go; a file that cannot go where
    // the platform puts deleted files stays where it is.
    virtual void DeleteFile(FileObject& file) = 0;

protected:
    virtual ~FileService() = default;
};

} // namespace qv
