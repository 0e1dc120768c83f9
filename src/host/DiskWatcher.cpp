#include "host/DiskWatcher.h"

#include "model/DiskPath.h"
#include "model/FileObject.h"
#include "model/Project.h"

#include <cerrno>
#include <climits>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {

// Entries made, removed, renamed or re-marked; the folder itself going; a write finished (for
// the project file, which another program may rewrite in place).
constexpr uint32_t kFolderMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB |
                                 IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

std::string ParentOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) return "/";
    return path.substr(0, slash);
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string NameKey(const std::string& folderKey, const std::string& name) {
    std::string key = folderKey;
    key += '\0';
    key += disk::FoldCase(name);
    return key;
}

// Whether the folded path is the prefix or lies below it ("" stands for everything).
bool Below(const std::string& path, const std::string& prefix) {
    if (prefix.empty() || path == prefix) return true;
    return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0 &&
           (prefix.back() == '/' || path[prefix.size()] == '/');
}

} // namespace

DiskWatcher::DiskWatcher(const std::shared_ptr<Project>& project) : project_(project) {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    projectFolder_ = ParentOf(project_->Path());
    projectName_ = disk::FileNameOf(project_->Path());
    known_ = ProjectFileSignature();
    FolderOf(projectFolder_).keep = true;
    const auto& files = project_->OtherFiles();
    for (int32_t i = 1; i <= files->Count(); ++i) {
        const auto file = files->Item(i);
        Track(file->File()->LocalSpec(), file->File()->LocalSpec(), false);
    }
    const auto& topics = project_->Topics();
    for (int32_t i = 1; i <= topics->Count(); ++i) {
        auto topic = std::static_pointer_cast<TopicItem>(topics->Item(i));
        if (const std::string path = topic->DiskPath(); !path.empty())
            Track(path, topic->ID(), true);
    }
    subscription_ = project_->Subscribe(*this);
}

DiskWatcher::~DiskWatcher() {
    if (fd_ >= 0) ::close(fd_); // takes every watch with it
}

// ---- The set of files --------------------------------------------------------------------

DiskWatcher::Folder& DiskWatcher::FolderOf(const std::string& folderPath) {
    auto [it, made] = folders_.try_emplace(disk::FoldCase(folderPath));
    if (made) {
        it->second.path = folderPath;
        Watch(it->second);
    }
    return it->second;
}

void DiskWatcher::Track(const std::string& path, const std::string& key, bool topic) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return;
    Folder& folder = FolderOf(slash == 0 ? "/" : path.substr(0, slash));
    folder.names[disk::FoldCase(std::string_view(path).substr(slash + 1))].push_back(
        Entry{key, topic, State::Unknown});
}

void DiskWatcher::Untrack(const std::string& path, const std::string& key) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return;
    const auto folderIt = folders_.find(disk::FoldCase(slash == 0 ? "/" : path.substr(0, slash)));
    if (folderIt == folders_.end()) return;
    Folder& folder = folderIt->second;
    const auto nameIt = folder.names.find(disk::FoldCase(std::string_view(path).substr(slash + 1)));
    if (nameIt == folder.names.end()) return;
    std::erase_if(nameIt->second, [&](const Entry& e) { return e.key == key; });
    if (!nameIt->second.empty()) return;
    folder.names.erase(nameIt);
    if (folder.names.empty() && !folder.keep) {
        Release(folder.watch);
        folders_.erase(folderIt);
    }
}

void DiskWatcher::OtherFileAdded(const std::shared_ptr<OtherFile>& file) {
    Track(file->File()->LocalSpec(), file->File()->LocalSpec(), false);
}

void DiskWatcher::OtherFileRemoved(const std::shared_ptr<OtherFile>& file) {
    Untrack(file->File()->LocalSpec(), file->File()->LocalSpec());
}

void DiskWatcher::TopicAdded(const std::shared_ptr<Topic>& topic) {
    if (const std::string path = topic->ContentFile(); !path.empty())
        Track(path, topic->ID(), true);
}

void DiskWatcher::TopicRemoved(const std::shared_ptr<Topic>& topic) {
    if (const std::string path = topic->ContentFile(); !path.empty()) Untrack(path, topic->ID());
}

// ---- Watches -----------------------------------------------------------------------------

int DiskWatcher::AddWatch(const std::string& path) {
    if (const auto it = watchByPath_.find(path); it != watchByPath_.end()) {
        ++byWatch_[it->second].refs;
        return it->second;
    }
    const int watch = fd_ < 0 ? -1 : ::inotify_add_watch(fd_, path.c_str(), kFolderMask);
    if (watch < 0) return -1;
    WatchInfo& info = byWatch_[watch]; // the same folder by another path shares its watch
    if (!info.path.empty()) watchByPath_.erase(info.path);
    info.path = path;
    ++info.refs;
    watchByPath_[path] = watch;
    return watch;
}

void DiskWatcher::Watch(Folder& folder) {
    // The folder as the disk spells it, or the nearest folder above it that exists: its
    // making is seen there.
    std::string path = disk::FindOnDisk(folder.path);
    while (path != "/" && !IsFolder(path))
        path = ParentOf(path);
    folder.watch = AddWatch(path);
    if (folder.watch < 0) ++unwatched_;
}

void DiskWatcher::Release(int watch) {
    if (watch < 0) {
        --unwatched_;
        return;
    }
    const auto it = byWatch_.find(watch);
    if (it == byWatch_.end() || --it->second.refs > 0) return;
    if (const auto p = watchByPath_.find(it->second.path);
        p != watchByPath_.end() && p->second == it->first)
        watchByPath_.erase(p);
    ::inotify_rm_watch(fd_, it->first); // fails harmlessly for a watch the system ended
    byWatch_.erase(it);
}

// ---- Events ------------------------------------------------------------------------------

bool DiskWatcher::ReadEvents() {
    if (fd_ < 0) return Pending();
    alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0) break; // EAGAIN: all read
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            Handle(event->wd, event->mask, event->len ? std::string(event->name) : std::string());
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return Pending();
}

void DiskWatcher::Handle(int watch, uint32_t mask, const std::string& name) {
    if (mask & IN_Q_OVERFLOW) {
        dirtyTrees_.emplace_back(); // events were lost: look at everything
        projectCheck_ = true;
        return;
    }
    const auto it = byWatch_.find(watch);
    if (it == byWatch_.end()) return;
    const std::string& path = it->second.path;
    if (mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) {
        // The watch no longer stands for its path: the folders it served are placed anew.
        if (const auto p = watchByPath_.find(path); p != watchByPath_.end() && p->second == watch)
            watchByPath_.erase(p);
        dirtyTrees_.push_back(disk::FoldCase(path));
        return;
    }
    if (name.empty()) return;
    if (path == projectFolder_ && name == projectName_) projectCheck_ = true;
    const std::string child = path == "/" ? "/" + name : path + "/" + name;
    if (mask & IN_ISDIR) {
        dirtyTrees_.push_back(disk::FoldCase(child));
    } else if (!(mask & IN_CLOSE_WRITE)) {
        // A finished write changes neither the existence nor the mark of a file.
        dirtyNames_.insert(NameKey(disk::FoldCase(path), name));
    }
}

bool DiskWatcher::Check(Entry& entry, Outcome& outcome, std::exception_ptr& failure) {
    ++outcome.checked;
    bool exists = false, readOnly = false;
    if (entry.topic) {
        const auto topic = project_->FindTopic(entry.key);
        if (!topic) return false;
        DiskFileObject file;
        file.SetFilePath(topic->DiskPath());
        exists = file.Exists();
        readOnly = exists && file.ReadOnly();
    } else {
        const auto& files = project_->OtherFiles();
        if (!files->Contains(entry.key)) return false;
        const auto file = files->Item(entry.key);
        exists = file->File()->Exists();
        readOnly = exists && file->File()->ReadOnly();
    }
    const State state = !exists ? State::Missing : readOnly ? State::ReadOnly : State::Present;
    if (state == entry.state) return false;
    entry.state = state;
    ++outcome.raised;
    try {
        if (entry.topic)
            project_->RaiseTopicCheckout(entry.key);
        else
            project_->RaiseFileCheckout(entry.key);
    } catch (...) {
        if (!failure) failure = std::current_exception();
    }
    return true;
}

DiskWatcher::Outcome DiskWatcher::Refresh() {
    Outcome outcome;
    std::exception_ptr failure;
    // The items to look at, copied out first: a sink may change the project meanwhile.
    std::vector<std::pair<std::string, std::string>> toCheck; // folder key, folded name
    if (!dirtyTrees_.empty()) {
        const std::vector<std::string> trees = std::move(dirtyTrees_);
        dirtyTrees_.clear();
        for (auto& [key, folder] : folders_) {
            bool hit = false;
            for (const std::string& prefix : trees)
                if ((hit = Below(key, prefix))) break;
            if (!hit) continue;
            const int old = folder.watch;
            Watch(folder);
            Release(old);
            for (const auto& names : folder.names)
                toCheck.emplace_back(key, names.first);
        }
    }
    for (const std::string& name : dirtyNames_) {
        const auto zero = name.find('\0');
        toCheck.emplace_back(name.substr(0, zero), name.substr(zero + 1));
    }
    dirtyNames_.clear();
    for (const auto& [folderKey, name] : toCheck) {
        const auto folder = folders_.find(folderKey);
        if (folder == folders_.end()) continue;
        const auto entries = folder->second.names.find(name);
        if (entries == folder->second.names.end()) continue;
        // By index: a sink may add items to this very name.
        for (std::size_t i = 0; i < entries->second.size(); ++i)
            Check(entries->second[i], outcome, failure);
    }
    if (projectCheck_) {
        projectCheck_ = false;
        const Signature now = ProjectFileSignature();
        if (now.exists) {
            const bool marked = now.readOnly != known_.readOnly;
            Signature contents = now;
            contents.readOnly = known_.readOnly;
            outcome.projectFileChanged = !(contents == known_);
            known_ = now;
            if (marked) {
                try {
                    project_->RaiseProjectCheckout();
                } catch (...) {
                    if (!failure) failure = std::current_exception();
                }
            }
        }
    }
    if (failure) std::rethrow_exception(failure);
    return outcome;
}

DiskWatcher::Signature DiskWatcher::ProjectFileSignature() const {
    Signature s;
    struct stat st {};
    if (::stat(project_->Path().c_str(), &st) != 0) return s;
    s.exists = true;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = static_cast<uint64_t>(st.st_size);
    s.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.readOnly = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
    return s;
}

void DiskWatcher::TakeProjectFileAsKnown() {
    known_ = ProjectFileSignature();
}

} // namespace qv
