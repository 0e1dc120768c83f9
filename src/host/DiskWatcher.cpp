#include "host/DiskWatcher.h"

#include "model/DiskPath.h"
#include "model/FileObject.h"
#include "model/Project.h"

#include <algorithm>
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
    const auto& topics = project_->Topics();
    const auto count = static_cast<std::size_t>(files->Count() + topics->Count());
    entries_.reserve(count);
    byPath_.reserve(count);
    for (int32_t i = 1; i <= files->Count(); ++i) {
        auto file = files->Item(i);
        const std::string path = file->File()->LocalSpec();
        Track(path, std::move(file), false);
    }
    for (int32_t i = 1; i <= topics->Count(); ++i) {
        auto topic = std::static_pointer_cast<TopicItem>(topics->Item(i));
        if (const std::string path = topic->DiskPath(); !path.empty())
            Track(path, std::move(topic), true);
    }
    subscription_ = project_->Subscribe(*this);
}

DiskWatcher::~DiskWatcher() {
    if (fd_ >= 0) ::close(fd_); // takes every watch with it
}

// ---- The set of files --------------------------------------------------------------------

DiskWatcher::Folder* DiskWatcher::FindFolder(std::string_view path, std::size_t* key) {
    std::size_t h = disk::HashNoCase(path);
    for (;; ++h) {
        const auto it = folders_.find(h);
        if (it == folders_.end()) {
            if (key) *key = h;
            return nullptr;
        }
        if (disk::SameNoCase(it->second.path, path)) {
            if (key) *key = h;
            return &it->second;
        }
    }
}

DiskWatcher::Folder& DiskWatcher::FolderOf(std::string_view path) {
    std::size_t key = 0;
    if (Folder* folder = FindFolder(path, &key)) return *folder;
    Folder& folder = folders_[key];
    folder.path = std::string(path);
    Watch(folder);
    return folder;
}

std::string DiskWatcher::PathOf(const Entry& entry) const {
    const std::shared_ptr<Object> item = entry.item.lock();
    if (!item) return {};
    // Items are Objects through a virtual base: only dynamic_cast leads back.
    if (entry.topic) return dynamic_cast<const TopicItem&>(*item).DiskPath();
    return dynamic_cast<const OtherFile&>(*item).File()->LocalSpec();
}

void DiskWatcher::Track(const std::string& path, std::shared_ptr<Object> item, bool topic) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return;
    Folder& folder =
        FolderOf(slash == 0 ? std::string_view("/") : std::string_view(path).substr(0, slash));
    const auto index = static_cast<uint32_t>(entries_.size());
    entries_.push_back(Entry{std::move(item), kNone, topic});
    const auto [head, made] = byPath_.try_emplace(disk::HashNoCase(path), index);
    if (!made) {
        entries_[index].next = head->second;
        head->second = index;
    }
    folder.entries.push_back(index);
    ++folder.live;
}

void DiskWatcher::Untrack(const std::string& path, const Object* item) {
    const auto head = byPath_.find(disk::HashNoCase(path));
    if (head == byPath_.end()) return;
    uint32_t* link = &head->second;
    while (*link != kNone && entries_[*link].item.lock().get() != item)
        link = &entries_[*link].next;
    if (*link == kNone) return;
    Entry& entry = entries_[*link];
    *link = entry.next;
    if (head->second == kNone) byPath_.erase(head);
    entry.live = false;
    entry.item.reset();
    const auto slash = path.rfind('/');
    std::size_t key = 0;
    Folder* folder = FindFolder(
        slash == 0 ? std::string_view("/") : std::string_view(path).substr(0, slash), &key);
    if (folder && --folder->live == 0 && !folder->keep) {
        Release(folder->watch);
        folders_.erase(key);
    }
}

void DiskWatcher::OtherFileAdded(const std::shared_ptr<OtherFile>& file) {
    Track(file->File()->LocalSpec(), file, false);
}

void DiskWatcher::OtherFileRemoved(const std::shared_ptr<OtherFile>& file) {
    Untrack(file->File()->LocalSpec(), file.get());
}

void DiskWatcher::TopicAdded(const std::shared_ptr<Topic>& topic) {
    if (const std::string path = topic->ContentFile(); !path.empty()) Track(path, topic, true);
}

void DiskWatcher::TopicRemoved(const std::shared_ptr<Topic>& topic) {
    if (const std::string path = topic->ContentFile(); !path.empty()) Untrack(path, topic.get());
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
        dirtyNames_.insert(child);
    }
}

void DiskWatcher::Check(uint32_t index, Outcome& outcome, std::exception_ptr& failure) {
    if (!entries_[index].live) return;
    const std::shared_ptr<Object> item = entries_[index].item.lock();
    if (!item) return;
    ++outcome.checked;
    const bool topic = entries_[index].topic;
    const auto* topicItem = topic ? dynamic_cast<const TopicItem*>(item.get()) : nullptr;
    const auto* fileItem = topic ? nullptr : dynamic_cast<const OtherFile*>(item.get());
    if (!topicItem && !fileItem) return;
    DiskFileObject file;
    const FileObject* disk = &file;
    if (topicItem)
        file.SetFilePath(topicItem->DiskPath());
    else
        disk = fileItem->File().get();
    const bool exists = disk->Exists();
    const State state = !exists            ? State::Missing
                        : disk->ReadOnly() ? State::ReadOnly
                                           : State::Present;
    if (state == entries_[index].state) return;
    entries_[index].state = state;
    ++outcome.raised;
    // The sinks may add items, and with them entries: nothing of entries_ is held across.
    try {
        if (topicItem)
            project_->RaiseTopicCheckout(topicItem->ID());
        else
            project_->RaiseFileCheckout(fileItem->File()->LocalSpec());
    } catch (...) {
        if (!failure) failure = std::current_exception();
    }
}

DiskWatcher::Outcome DiskWatcher::Refresh() {
    Outcome outcome;
    std::exception_ptr failure;
    // The entries to look at, gathered first: a sink may change the project meanwhile.
    std::vector<uint32_t> toCheck;
    if (!dirtyTrees_.empty()) {
        const std::vector<std::string> trees = std::move(dirtyTrees_);
        dirtyTrees_.clear();
        for (auto& [key, folder] : folders_) {
            const std::string folded = disk::FoldCase(folder.path);
            if (std::none_of(trees.begin(), trees.end(),
                             [&](const std::string& prefix) { return Below(folded, prefix); }))
                continue;
            const int old = folder.watch;
            Watch(folder);
            Release(old);
            toCheck.insert(toCheck.end(), folder.entries.begin(), folder.entries.end());
        }
    }
    for (const std::string& path : dirtyNames_) {
        const auto head = byPath_.find(disk::HashNoCase(path));
        if (head == byPath_.end()) continue;
        for (uint32_t i = head->second; i != kNone; i = entries_[i].next)
            if (disk::SameNoCase(PathOf(entries_[i]), path)) toCheck.push_back(i);
    }
    dirtyNames_.clear();
    std::sort(toCheck.begin(), toCheck.end());
    toCheck.erase(std::unique(toCheck.begin(), toCheck.end()), toCheck.end());
    for (const uint32_t index : toCheck)
        Check(index, outcome, failure);
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
