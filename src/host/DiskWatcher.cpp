#include "host/DiskWatcher.h"

#include "model/DiskPath.h"
#include "model/FileObject.h"
#include "model/OtherFileItem.h"
#include "model/Project.h"
#include "model/TopicItem.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <dirent.h>
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

bool IsAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Whether the folded path is the folded prefix or lies below it ("" stands for everything).
bool BelowFolded(std::string_view path, std::string_view prefix) {
    if (prefix.empty() || path == prefix) return true;
    return path.size() > prefix.size() && path.substr(0, prefix.size()) == prefix &&
           (prefix.back() == '/' || path[prefix.size()] == '/');
}

// The same for a path as spelled. An ASCII path is compared in place: a refresh may test
// every item of the project, and a folded copy of each path cost 52 ms at 150,000 items.
bool Below(std::string_view path, std::string_view prefix) {
    if (!IsAscii(path)) return BelowFolded(disk::FoldCase(path), prefix);
    if (prefix.empty()) return true;
    if (path.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const char c = path[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != prefix[i])
            return false;
    }
    return path.size() == prefix.size() || prefix.back() == '/' || path[prefix.size()] == '/';
}

// A path's key ignoring case, "\" and "/" alike, hashed without making a folded copy of an
// ASCII path.
std::size_t KeyOf(std::string_view path) {
    std::uint64_t h = 14695981039346656037ull;
    auto add = [&h](char c) {
        if (c == '\\') c = '/';
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    };
    if (IsAscii(path)) {
        for (char c : path)
            add(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    } else {
        for (char c : disk::FoldCase(path))
            add(c);
    }
    return static_cast<std::size_t>(h);
}

// A relative path already in the normal form the project resolves it to: no empty, "." or
// ".." part and not absolute, so that its key and folder come from the text as stored.
bool Plain(std::string_view path) {
    if (path.empty()) return false;
    for (std::size_t start = 0;;) {
        const std::size_t end = std::min(path.find_first_of("\\/", start), path.size());
        const std::string_view part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == "..") return false;
        if (end == path.size()) return true;
        start = end + 1;
    }
}

// A stat as the model reads a file: present only as a regular file.
bool StatFile(const std::string& path, struct stat& st) {
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

DiskWatcher::DiskWatcher(const std::shared_ptr<Project>& project) : project_(project) {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    projectFolder_ = ParentOf(project_->Path());
    projectName_ = disk::FileNameOf(project_->Path());
    known_ = ProjectFileSignature();
    FolderOf(projectFolder_).keep = true;
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

// ---- The index --------------------------------------------------------------------------

bool DiskWatcher::Index(Clock::duration budget) {
    if (indexed_) return true;
    const Clock::time_point start = Clock::now();
    std::size_t done = 0;
    // The clock is read every 64 items, and after each folder newly watched (system calls
    // where an item costs a hash): a slice overruns its budget by microseconds only.
    std::size_t folders = folders_.size();
    auto overdue = [&] {
        const bool watched = folders_.size() != folders;
        folders = folders_.size();
        return ((++done & 63) == 0 || watched) && budget != Clock::duration::max() &&
               Clock::now() - start >= budget;
    };
    lastFolderItem_ = nullptr; // folders may have gone since the last slice
    const auto& files = project_->OtherFiles();
    for (; nextFile_ <= files->Count(); ++nextFile_) {
        const std::string path = files->Item(nextFile_)->File()->LocalSpec();
        Count(std::string_view(path).substr(0, path.rfind('/')), +1);
        if (overdue()) return (++nextFile_, false);
    }
    if (entries_.empty()) {
        const auto expected = static_cast<std::size_t>(project_->Topics()->Count());
        entries_.reserve(expected);
        std::size_t size = 16;
        while (size < expected * 2)
            size *= 2;
        heads_.assign(size, kNone);
    }
    const auto& topics = project_->Topics();
    for (; nextTopic_ <= topics->Count(); ++nextTopic_) {
        Track(std::static_pointer_cast<TopicItem>(topics->Item(nextTopic_)));
        if (overdue()) return (++nextTopic_, false);
    }
    // Folders whose items all left while a pass was started over.
    for (auto it = folders_.begin(); it != folders_.end();) {
        if (it->second.live == 0 && !it->second.keep) {
            Release(it->second.watch);
            it = folders_.erase(it);
        } else {
            ++it;
        }
    }
    lastFolderItem_ = nullptr;
    indexed_ = true;
    return true;
}

void DiskWatcher::Restart() {
    if (indexed_) return; // the index is kept by path, not by position
    nextFile_ = nextTopic_ = 1;
    entries_.clear();
    heads_.clear();
    lastFolderItem_ = nullptr;
    for (auto& [key, folder] : folders_)
        folder.live = 0;
}

std::size_t DiskWatcher::KeyOfDiskPath(std::string_view path) const {
    // Below the project folder as the disk compares names, however the watch spells it.
    const std::string_view folder =
        projectFolder_ == "/" ? std::string_view() : std::string_view(projectFolder_);
    const std::size_t n = folder.size();
    if (path.size() > n + 1 && path[n] == '/' && disk::SameNoCase(path.substr(0, n), folder))
        return KeyOf(path.substr(n + 1));
    return KeyOf(path);
}

std::size_t DiskWatcher::KeyOfTopic(const TopicItem& topic, std::string& folder) const {
    const std::string_view file = topic.File();
    if (!Plain(file)) {
        const std::string path = topic.DiskPath();
        folder = ParentOf(path);
        return KeyOfDiskPath(path);
    }
    // Made in the caller's buffer: no allocation per topic.
    folder = projectFolder_;
    if (const std::size_t slash = file.find_last_of("\\/"); slash != std::string::npos) {
        if (folder != "/") folder += '/';
        for (std::size_t i = 0; i < slash; ++i)
            folder += file[i] == '\\' ? '/' : file[i];
    }
    return KeyOf(file);
}

void DiskWatcher::Link(uint32_t index) {
    uint32_t& head = heads_[entries_[index].key & (heads_.size() - 1)];
    entries_[index].next = head;
    head = index;
}

void DiskWatcher::Track(const std::shared_ptr<TopicItem>& topic) {
    if (!topic || topic->File().empty()) return;
    const std::size_t key = KeyOfTopic(*topic, folder_);
    if (heads_.empty()) heads_.assign(16, kNone);
    if (entries_.size() >= heads_.size()) {
        // Twice the slots: the chains are relinked, the entries stay where they are.
        heads_.assign(heads_.size() * 2, kNone);
        for (uint32_t i = 0; i < entries_.size(); ++i)
            if (entries_[i].live) Link(i);
    }
    entries_.push_back(Entry{topic, topic.get(), key});
    Link(static_cast<uint32_t>(entries_.size() - 1));
    Count(folder_, +1);
}

void DiskWatcher::Untrack(const TopicItem& topic) {
    if (heads_.empty() || topic.File().empty()) return;
    const std::size_t key = KeyOfTopic(topic, folder_);
    uint32_t* link = &heads_[key & (heads_.size() - 1)];
    while (*link != kNone && entries_[*link].raw != &topic)
        link = &entries_[*link].next;
    if (*link == kNone) return;
    Entry& entry = entries_[*link];
    *link = entry.next;
    entry.live = false;
    entry.topic.reset();
    entry.raw = nullptr;
    Count(folder_, -1);
}

void DiskWatcher::Count(std::string_view path, int delta) {
    if (path.empty()) path = "/";
    Folder* folder = nullptr;
    std::size_t key = 0;
    if (lastFolderItem_ && path == lastFolder_) {
        folder = lastFolderItem_; // items of a folder mostly come in a row
    } else if (delta > 0) {
        folder = &FolderOf(path);
    } else {
        folder = FindFolder(path, &key);
        if (!folder) return;
    }
    if (delta > 0) {
        ++folder->live;
        if (!indexed_) {
            lastFolder_ = path;
            lastFolderItem_ = folder;
        }
        return;
    }
    if (folder->live > 0) --folder->live;
    if (folder->live == 0 && !folder->keep) {
        FindFolder(folder->path, &key);
        lastFolderItem_ = nullptr;
        Release(folder->watch);
        folders_.erase(key);
    }
}

void DiskWatcher::OtherFileAdded(const std::shared_ptr<OtherFile>& file) {
    if (!indexed_) return Restart();
    const std::string path = file->File()->LocalSpec();
    Count(std::string_view(path).substr(0, path.rfind('/')), +1);
}

void DiskWatcher::OtherFileRemoved(const std::shared_ptr<OtherFile>& file) {
    fileStates_.erase(file.get());
    if (!indexed_) return Restart();
    const std::string path = file->File()->LocalSpec();
    Count(std::string_view(path).substr(0, path.rfind('/')), -1);
}

void DiskWatcher::TopicAdded(const std::shared_ptr<Topic>& topic) {
    if (!indexed_) return Restart();
    Track(std::dynamic_pointer_cast<TopicItem>(topic));
}

void DiskWatcher::TopicRemoved(const std::shared_ptr<Topic>& topic) {
    if (!indexed_) return Restart();
    if (const auto* item = dynamic_cast<const TopicItem*>(topic.get())) Untrack(*item);
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

DiskWatcher::State DiskWatcher::StateOf(const std::string& path,
                                        const std::vector<std::string>& named,
                                        Listings& listings) const {
    struct stat st {};
    auto of = [&st] {
        return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ? State::ReadOnly : State::Present;
    };
    if (StatFile(path, st)) return of();
    // Not there as the project spells it: the spellings the system reported, trusted as they
    // are (a folder of 100,000 pages is not listed for each page removed).
    for (const std::string& name : named)
        if (StatFile(name, st)) return of();
    if (!named.empty()) return State::Missing;
    // A re-checked folder names nothing: the entry of the folder that matches ignoring case,
    // each folder listed once per refresh.
    const std::size_t slash = path.rfind('/');
    const std::string folder = disk::FindOnDisk(path.substr(0, slash + 1));
    auto [listing, fresh] = listings.try_emplace(folder);
    if (fresh) {
        if (DIR* dir = ::opendir(folder.c_str())) {
            while (const dirent* entry = ::readdir(dir)) {
                const std::string_view name(entry->d_name);
                auto [it, added] = listing->second.try_emplace(disk::FoldCase(name), name);
                if (!added && name < it->second) it->second = std::string(name);
            }
            ::closedir(dir);
        }
    }
    const auto it = listing->second.find(disk::FoldCase(std::string_view(path).substr(slash + 1)));
    if (it != listing->second.end() && StatFile(folder + it->second, st)) return of();
    return State::Missing;
}

void DiskWatcher::Check(const Work& work, Listings& listings, Outcome& outcome,
                        std::exception_ptr& failure) {
    // A sink may have removed the item since the work was gathered.
    const bool topic = work.topic != nullptr;
    if (topic ? !entries_[work.entry].live || entries_[work.entry].raw != work.topic.get()
              : project_->OtherFiles()->IndexOf(*work.file) == 0)
        return;
    ++outcome.checked;
    const State state = StateOf(topic ? work.topic->DiskPath() : work.file->File()->LocalSpec(),
                                work.named, listings);
    State& seen = topic ? entries_[work.entry].state : fileStates_[work.file.get()];
    if (state == seen) return;
    seen = state;
    ++outcome.raised;
    // The sinks may add items, and with them entries: nothing of entries_ is held across.
    try {
        if (topic)
            project_->RaiseTopicCheckout(work.topic->ID());
        else
            project_->RaiseFileCheckout(work.file->File()->LocalSpec());
    } catch (...) {
        if (!failure) failure = std::current_exception();
    }
}

DiskWatcher::Outcome DiskWatcher::Refresh() {
    Index();
    Outcome outcome;
    std::exception_ptr failure;
    // The items to look at, gathered first: a sink may change the project meanwhile.
    std::vector<Work> work;
    std::unordered_map<const void*, std::size_t> workOf;
    auto add = [&](Work item, const std::string* named) {
        const void* key = item.topic ? static_cast<const void*>(item.topic.get())
                                     : static_cast<const void*>(item.file.get());
        const auto [it, fresh] = workOf.try_emplace(key, work.size());
        if (fresh) work.push_back(std::move(item));
        if (named) work[it->second].named.push_back(*named);
    };
    const auto& files = project_->OtherFiles();
    // The items at a path, as the disk compares names: found by key, whatever their number.
    auto addAt = [&](const std::string& path, const std::string* named) {
        if (files->Contains(path)) add(Work{nullptr, kNone, files->Item(path), {}}, named);
        if (heads_.empty()) return;
        const std::size_t key = KeyOfDiskPath(path);
        for (uint32_t i = heads_[key & (heads_.size() - 1)]; i != kNone; i = entries_[i].next) {
            if (entries_[i].key != key) continue;
            if (auto topic = entries_[i].topic.lock();
                topic && disk::SameNoCase(topic->DiskPath(), path))
                add(Work{std::move(topic), i, nullptr, {}}, named);
        }
    };
    if (!dirtyTrees_.empty()) {
        const std::vector<std::string> trees = std::move(dirtyTrees_);
        dirtyTrees_.clear();
        auto below = [&trees](std::string_view path) {
            return std::any_of(trees.begin(), trees.end(),
                               [&](const std::string& prefix) { return Below(path, prefix); });
        };
        // Each item lies in one of the folders (the index is complete), so the items are
        // walked only when a folder holding some is below a changed tree: not when a folder
        // without project files appears (a build's output folder in the project folder). The
        // walk tests each item's folder, made in a buffer, not a folded copy of its path.
        bool itemsBelow = false;
        for (auto& [key, folder] : folders_) {
            if (!below(folder.path)) continue;
            itemsBelow = itemsBelow || folder.live > 0;
            const int old = folder.watch;
            Watch(folder);
            Release(old);
        }
        if (itemsBelow) {
            for (int32_t i = 1; i <= files->Count(); ++i) {
                auto file = files->Item(i);
                folder_.clear();
                static_cast<const OtherFileItem&>(*file).DiskFile().AppendLocalSpec(folder_);
                folder_.resize(folder_.rfind('/') + 1); // with its "/": "/" stays itself
                if (folder_.size() > 1) folder_.pop_back();
                if (below(folder_)) add(Work{nullptr, kNone, std::move(file), {}}, nullptr);
            }
            for (uint32_t i = 0; i < entries_.size(); ++i) {
                if (!entries_[i].live) continue;
                auto topic = entries_[i].topic.lock();
                if (!topic) continue;
                KeyOfTopic(*topic, folder_);
                if (below(folder_)) add(Work{std::move(topic), i, nullptr, {}}, nullptr);
            }
        }
        // An item whose path is a changed tree itself (a folder made under a file's name).
        for (const std::string& tree : trees)
            if (!tree.empty()) addAt(tree, nullptr);
    }
    for (const std::string& path : dirtyNames_)
        addAt(path, &path);
    dirtyNames_.clear();
    Listings listings;
    for (const Work& w : work)
        Check(w, listings, outcome, failure);
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
