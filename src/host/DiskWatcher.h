#pragma once

#include "contracts/ProjectModel.h"
#include "contracts/Subscription.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace qv {

class Project;
class TopicItem;

// Follows the disk under an open project: when another program makes, removes, renames or
// marks one of the project's files (an other file, a topic's content file), the project
// raises that item's check-out event (OtherFileCheckoutStatusChanged, TopicCheckoutStatusChanged),
// whose handlers redraw the item's image; a changed read-only mark of the project file raises
// CheckoutStatusChanged. A project file changed by someone else (contents, or replaced) is
// reported by Refresh, so that the program can offer to reload it.
//
// Watches cost nothing per file: one inotify watch per folder that holds project files (a
// folder that does not exist is watched through its nearest existing ancestor, so that its
// making is seen). A change names its entry, so a refresh looks at the named files only; a
// folder made, removed or renamed (or the system's queue overflowing) re-checks the files of
// the folders concerned. An item is re-announced only when its state (exists, read-only)
// differs from the one last seen, or was never seen (states are read lazily, so opening a
// project costs no stat per file).
//
// Opening costs nothing here: the constructor only opens the inotify handle; the watches and
// the index of topics by path are built by Index, a slice at a time, once the tree shows.
// Other files need no index of their own: OtherFiles is keyed by path ignoring case already.
// A name the system reports is trusted: when neither the project's spelling nor the reported
// one exists, the file is missing, without listing its folder to look for another case.
//
// No thread and no timer of its own: the program reads the events when FileDescriptor() is
// readable (ReadEvents), waits a little to gather a burst, then calls Refresh on its UI
// thread. Linux only (inotify); elsewhere, or when the system refuses a watch, Unwatched()
// says how many folders are not followed.
class DiskWatcher final : private ProjectEvents {
public:
    using Clock = std::chrono::steady_clock;

    // The project must outlive the watcher.
    explicit DiskWatcher(const std::shared_ptr<Project>& project);
    ~DiskWatcher();
    DiskWatcher(const DiskWatcher&) = delete;
    DiskWatcher& operator=(const DiskWatcher&) = delete;

    // Sets up watches and the index for about the budget's time; true once all is done.
    // Changes are followed in the folders watched so far. A topic or file added, removed or
    // moved meanwhile starts the pass over (the watches made stay).
    bool Index(Clock::duration budget = Clock::duration::max());
    bool Indexed() const { return indexed_; }

    // Readable when the system has reported changes; -1 when nothing can be watched.
    int FileDescriptor() const { return fd_; }
    // Takes what the system reported without blocking; true when a Refresh has work.
    bool ReadEvents();
    bool Pending() const { return !dirtyNames_.empty() || !dirtyTrees_.empty() || projectCheck_; }

    struct Outcome {
        std::size_t checked = 0;         // items whose disk state was read
        std::size_t raised = 0;          // items whose check-out event was raised
        bool projectFileChanged = false; // by someone else, since the last look
    };
    // Re-checks what the reported changes concern and raises the events; completes Index
    // first. A sink's failure does not stop the other items; the first is passed on once all
    // are done.
    Outcome Refresh();

    // The project file as it is now is the program's own (just saved, or the user chose to
    // keep the project in memory): a later change is someone else's.
    void TakeProjectFileAsKnown();

    std::size_t WatchedFolders() const { return byWatch_.size(); }
    std::size_t Unwatched() const { return unwatched_; }

private:
    enum class State : uint8_t { Unknown, Missing, Present, ReadOnly };
    static constexpr uint32_t kNone = UINT32_MAX;
    // One per indexed topic, in one array chained by key hash from heads_: the index makes no
    // allocation per topic. A removed topic's slot stays dead (indexes held during a Refresh
    // stay valid) until the index is built again.
    struct Entry {
        std::weak_ptr<TopicItem> topic;
        const TopicItem* raw = nullptr; // identity, without locking
        std::size_t key = 0;            // KeyOf its path
        uint32_t next = kNone;
        bool live = true;
        State state = State::Unknown;
    };
    struct Folder {
        std::string path;     // as the project spells it, no trailing "/"
        int watch = -1;       // the watch that reports its entries (its own or an ancestor's)
        bool keep = false;    // the project folder: watched for the project file
        std::size_t live = 0; // items in it
    };
    struct Signature {
        bool exists = false;
        uint64_t dev = 0, ino = 0, size = 0;
        int64_t mtimeNs = 0;
        bool readOnly = false;
        bool operator==(const Signature&) const = default;
    };
    // What one Refresh looks at for an item: the paths the system named for it (none for a
    // re-checked folder).
    struct Work {
        std::shared_ptr<TopicItem> topic; // and its entry, or
        uint32_t entry = kNone;
        std::shared_ptr<OtherFile> file;
        std::vector<std::string> named;
    };
    // Folder listings read during one Refresh: folded name -> the first such name on disk.
    using Listings = std::unordered_map<std::string, std::unordered_map<std::string, std::string>>;

    // ProjectEvents: the set of files follows the project.
    void OtherFileAdded(const std::shared_ptr<OtherFile>& file) override;
    void OtherFileRemoved(const std::shared_ptr<OtherFile>& file) override;
    void TopicAdded(const std::shared_ptr<Topic>& topic) override;
    void TopicRemoved(const std::shared_ptr<Topic>& topic) override;
    void TopicReOrdered(const std::shared_ptr<Topic>&) override { Restart(); }

    void Restart(); // while indexing: the positions read so far no longer hold
    // Topics are keyed by their path below the project folder, else by their absolute path.
    std::size_t KeyOfDiskPath(std::string_view path) const;
    std::size_t KeyOfTopic(const TopicItem& topic, std::string& folder) const;
    void Track(const std::shared_ptr<TopicItem>& topic);
    void Untrack(const TopicItem& topic);
    void Link(uint32_t index);
    void Count(std::string_view folder, int delta); // an item joins or leaves the folder
    // The folder by its path compared as the disk compares names; made (and watched) when new.
    Folder& FolderOf(std::string_view path);
    Folder* FindFolder(std::string_view path, std::size_t* key = nullptr);
    void Watch(Folder& folder);
    void Release(int watch); // one folder's hold on the watch
    int AddWatch(const std::string& path);
    void Handle(int watch, uint32_t mask, const std::string& name);
    State StateOf(const std::string& path, const std::vector<std::string>& named,
                  Listings& listings) const;
    void Check(const Work& work, Listings& listings, Outcome& outcome, std::exception_ptr& failure);
    Signature ProjectFileSignature() const;

    std::shared_ptr<Project> project_;
    Subscription subscription_;
    int fd_ = -1;
    std::string projectFolder_; // no trailing "/"
    std::string projectName_;
    Signature known_;
    bool projectCheck_ = false;
    std::size_t unwatched_ = 0;
    // The pass of Index: the next 1-based positions to read, and the folder read last.
    bool indexed_ = false;
    int32_t nextFile_ = 1, nextTopic_ = 1;
    std::string lastFolder_;
    Folder* lastFolderItem_ = nullptr;
    std::string folder_; // a topic's folder, made again for each

    std::vector<Entry> entries_;
    std::vector<uint32_t> heads_;                            // by key & (size - 1)
    std::unordered_map<const OtherFile*, State> fileStates_; // files seen at least once
    std::unordered_map<std::size_t, Folder> folders_; // HashNoCase(path), the next on a clash
    struct WatchInfo {
        std::string path;
        int refs = 0; // folders it reports for
    };
    std::unordered_map<int, WatchInfo> byWatch_;
    std::unordered_map<std::string, int> watchByPath_;
    // Work for the next Refresh: paths named by the system, and folded path prefixes whose
    // folders' files must all be looked at again.
    std::unordered_set<std::string> dirtyNames_;
    std::vector<std::string> dirtyTrees_;
};

} // namespace qv
