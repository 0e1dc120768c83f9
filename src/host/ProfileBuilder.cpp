#include "host/ProfileBuilder.h"

#include "contracts/Error.h"
#include "host/FileServices.h"
#include "host/HtmlText.h"
#include "model/DiskPath.h"
#include "model/ItemCollection.h"
#include "model/ModelErrors.h"
#include "model/Project.h"

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

namespace fs = std::filesystem;

namespace qv {

namespace {

constexpr const char* kIndexName = "index.html";

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string Canonical(const std::string& path) {
    std::error_code ec;
    fs::path p = fs::weakly_canonical(path, ec);
    return ec ? disk::AbsoluteNormal(path) : p.string();
}

bool Below(const std::string& canonicalPath, const std::string& canonicalFolder) {
    const fs::path inside = fs::path(canonicalPath).lexically_relative(canonicalFolder);
    return !inside.empty() && *inside.begin() != "..";
}

// A "/" separated path that stays below the folder it is appended to.
bool IsSafeRelative(const std::string& relative) {
    if (relative.empty() || relative.front() == '/') return false;
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t end = relative.find('/', start);
        if (end == std::string::npos) end = relative.size();
        const std::string_view segment = std::string_view(relative).substr(start, end - start);
        if (segment.empty() || segment == "." || segment == "..") return false;
        start = end + 1;
    }
    return true;
}

bool IsPageExtension(const std::string& path) {
    const std::string ext = disk::ExtensionOf(disk::FileNameOf(path));
    return disk::EqualsNoCase(ext, "html") || disk::EqualsNoCase(ext, "htm");
}

std::string SafeFileName(std::string_view id) {
    std::string name;
    for (char c : id) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_';
        name += plain ? c : '_';
    }
    return name.empty() ? std::string("topic") : name;
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// "12,345".
std::string Count(int64_t n) {
    const std::string digits = std::to_string(n);
    const std::size_t first = n < 0 ? 1 : 0; // after the sign
    std::string out(digits, 0, first);
    for (std::size_t i = first; i < digits.size(); ++i) {
        if (i > first && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

std::string Counted(int64_t n, const char* one, const char* many) {
    return Count(n) + " " + (n == 1 ? one : many);
}

[[noreturn]] void AccessError(const std::string& what, int error) {
    throw Error(err::PathFileAccess, "Cannot write " + what + ": " + std::strerror(error));
}

// A folder's identity on disk, so that two spellings of one folder (links, "..") compare equal.
struct FolderId {
    dev_t dev = 0;
    ino_t ino = 0;
    bool operator==(const FolderId&) const = default;
};

struct EntryId {
    FolderId folder;
    std::string name;
    bool operator==(const EntryId&) const = default;
};

struct EntryHash {
    std::size_t operator()(const EntryId& e) const {
        return std::hash<std::string>()(e.name) ^ (std::hash<ino_t>()(e.folder.ino) * 31) ^
               std::hash<dev_t>()(e.folder.dev);
    }
};

std::optional<FolderId> FolderIdOf(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
    return FolderId{st.st_dev, st.st_ino};
}

// The directory entries of the project's own files (project file, content files, other files),
// which no write of the build may replace. A file that does not exist has no entry to protect.
class ProjectEntries {
public:
    void Add(const std::string& path) {
        const std::size_t slash = path.find_last_of('/');
        if (slash == std::string::npos) return;
        const std::string folder = path.substr(0, slash + 1);
        auto [it, fresh] = folders_.try_emplace(folder);
        if (fresh) it->second = FolderIdOf(folder);
        if (it->second) entries_.insert(EntryId{*it->second, path.substr(slash + 1)});
    }
    bool Holds(const FolderId& folder, const std::string& name) const {
        return entries_.count(EntryId{folder, name}) > 0;
    }

private:
    std::unordered_map<std::string, std::optional<FolderId>> folders_;
    std::unordered_set<EntryId, EntryHash> entries_;
};

// An open file descriptor, closed when it goes.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int Get() const { return fd_; }

private:
    int fd_;
};

// The whole regular file; false when it is missing, not a regular file or unreadable.
bool ReadFile(const std::string& path, std::string& text) {
    // Without blocking: a FIFO in a content file's place must not hold the build.
    const Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    text.resize(static_cast<std::size_t>(st.st_size));
    std::size_t have = 0;
    for (;;) {
        if (have == text.size()) text.resize(text.size() + 4096 + text.size() / 2);
        const ssize_t n = ::read(fd.Get(), text.data() + have, text.size() - have);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        have += static_cast<std::size_t>(n);
    }
    text.resize(have);
    return true;
}

// The output folder and the checks every write passes.
class Output {
public:
    Output(std::string folder, ProjectEntries projectEntries)
        : folder_(std::move(folder)), canonical_(Canonical(folder_)),
          project_(std::move(projectEntries)) {}

    // Whether the path lies in the output folder after the links of its folders are resolved.
    bool Contains(const std::string& path) {
        const std::size_t slash = path.find_last_of('/');
        if (slash == std::string::npos) return false;
        auto [it, fresh] = canonicalFolders_.try_emplace(path.substr(0, slash));
        if (fresh) it->second = Canonical(it->first);
        return Below(it->second + path.substr(slash), canonical_);
    }

    // The full path of a relative path below the output folder, with its folders made; "" when
    // it would lead out of the folder (through "..", an absolute path or a symbolic link) or
    // replace a file of the project itself. Raises 75 when a folder cannot be made.
    std::string Target(const std::string& relative) {
        if (!IsSafeRelative(relative)) return {};
        const std::size_t slash = relative.find_last_of('/');
        const std::string sub =
            slash == std::string::npos ? std::string() : relative.substr(0, slash + 1);
        const Folder* folder = FolderOf(sub);
        if (!folder) return {};
        const std::string name = relative.substr(slash == std::string::npos ? 0 : slash + 1);
        if (project_.Holds(folder->id, name)) return {};
        return folder_ + relative;
    }

    // Makes the bytes the target's contents, whole or not at all. A target that holds them
    // already is left as it is: a rebuild then writes only what changed.
    void Put(const std::string& target, std::string_view data) {
        switch (Compare(target, data)) {
        case Existing::Same:
            return;
        case Existing::None:
            if (Link(target, data)) return;
            break;
        case Existing::Different:
            break;
        }
        Temporary temp(*this, target);
        if (!WriteAll(temp.Get(), {data.data(), data.size()})) temp.Fail(errno);
        temp.Commit();
    }

private:
    struct Folder {
        FolderId id;
    };
    enum class Existing { None, Same, Different };

    Existing Compare(const std::string& target, std::string_view data) {
        // A link is replaced, never followed.
        const Fd fd(::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
        if (fd.Get() < 0) return errno == ENOENT ? Existing::None : Existing::Different;
        struct stat st {};
        if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
            static_cast<std::size_t>(st.st_size) != data.size())
            return Existing::Different;
        std::size_t at = 0;
        while (at < data.size()) {
            const ssize_t n =
                ::read(fd.Get(), buffer_.data(), std::min(buffer_.size(), data.size() - at));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0 ||
                data.compare(at, static_cast<std::size_t>(n),
                             std::string_view(buffer_.data(), static_cast<std::size_t>(n))) != 0)
                return Existing::Different;
            at += static_cast<std::size_t>(n);
        }
        return Existing::Same;
    }

    // A new target: the contents go to a file without a name, which gets the target's name
    // once it is complete. Saves a name and a rename per file over a named temporary. False
    // when the system offers no such file or the target appeared meanwhile.
    bool Link(const std::string& target, std::string_view data) {
        if (!tmpFiles_) return false;
        const std::size_t slash = target.find_last_of('/');
        const Fd fd(
            ::open(target.substr(0, slash + 1).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
        if (fd.Get() < 0) {
            if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) tmpFiles_ = false;
            return false;
        }
        if (!WriteAll(fd.Get(), {data.data(), data.size()})) AccessError(target, errno);
        const std::string self = "/proc/self/fd/" + std::to_string(fd.Get());
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno != EEXIST) tmpFiles_ = false; // e.g. no /proc: named temporaries from now on
        return false;
    }

    // A new file beside the target, removed unless renamed over the target.
    class Temporary {
    public:
        Temporary(Output& out, const std::string& target) : target_(target) {
            const std::size_t slash = target.find_last_of('/');
            const std::string base = target.substr(0, slash + 1) + "." + target.substr(slash + 1) +
                                     ".qvbuild-" + std::to_string(::getpid()) + "-";
            for (int tries = 0; fd_ < 0; ++tries) {
                path_ = base + std::to_string(out.serial_++);
                fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
                if (fd_ < 0 && (errno != EEXIST || tries > 100)) AccessError(path_, errno);
            }
        }
        Temporary(const Temporary&) = delete;
        Temporary& operator=(const Temporary&) = delete;
        ~Temporary() {
            if (fd_ >= 0) ::close(fd_);
            if (!committed_) ::unlink(path_.c_str());
        }
        int Get() const { return fd_; }
        [[noreturn]] void Fail(int error) const { AccessError(path_, error); }
        void Commit() {
            const int fd = fd_;
            fd_ = -1;
            if (::close(fd) != 0) Fail(errno);
            if (::rename(path_.c_str(), target_.c_str()) != 0) AccessError(target_, errno);
            committed_ = true;
        }

    private:
        const std::string& target_;
        std::string path_;
        int fd_ = -1;
        bool committed_ = false;
    };

    // The sub-folder ("" or "a/b/") made, with its identity; nullptr when it leads out of the
    // output folder. Each folder is checked and made once per build.
    const Folder* FolderOf(const std::string& sub) {
        auto [it, fresh] = folders_.try_emplace(sub);
        if (!fresh) return it->second ? &*it->second : nullptr;
        const std::string full = folder_ + sub;
        if (!sub.empty() && !Below(Canonical(full), canonical_)) return nullptr;
        std::error_code ec;
        fs::create_directories(full, ec);
        const std::optional<FolderId> id = FolderIdOf(full);
        if (!id)
            throw Error(err::PathFileAccess, "Cannot make the folder " + full +
                                                 " in the output folder" +
                                                 (ec ? ": " + ec.message() : std::string()));
        it->second = Folder{*id};
        return &*it->second;
    }

    std::string folder_;
    std::string canonical_;
    ProjectEntries project_;
    std::unordered_map<std::string, std::optional<Folder>> folders_;
    std::unordered_map<std::string, std::string> canonicalFolders_; // source folders
    std::size_t serial_ = 0;
    bool tmpFiles_ = true;
    std::string buffer_ = std::string(1 << 16, '\0');
};

// Writes the pages and copies on a thread of its own while the build reads the next sources
// and makes the next pages: creating 100,000 files is the file system's work, which then runs
// beside the build's instead of after it. The queue is bounded, so memory stays small.
class Writer {
public:
    Writer(Output& out, const BuildProgress* progress)
        : out_(out), progress_(progress), thread_([this] { Loop(); }) {}
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;
    // What is still queued is dropped.
    ~Writer() {
        {
            const std::lock_guard lock(mutex_);
            closing_ = dropping_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }

    // Queues the bytes for the target; waits while the queue is full. Raises what the writer
    // raised for an earlier item.
    void Add(std::string target, std::string data, bool page) {
        std::unique_lock lock(mutex_);
        changed_.wait(
            lock, [&] { return failure_ || (queue_.size() < kMaxItems && bytes_ < kMaxBytes); });
        if (failure_) std::rethrow_exception(failure_);
        bytes_ += data.size();
        queue_.push_back({std::move(target), std::move(data), page});
        changed_.notify_all();
    }

    // Waits until everything queued is written (or dropped after a cancel); raises what the
    // writer raised.
    void Finish() {
        {
            std::unique_lock lock(mutex_);
            closing_ = true;
            changed_.notify_all();
            changed_.wait(lock, [&] { return done_; });
        }
        if (failure_) std::rethrow_exception(failure_);
    }

    int32_t Pages() const { return pages_; }
    int32_t Copies() const { return copies_; }

private:
    static constexpr std::size_t kMaxItems = 256;
    static constexpr std::size_t kMaxBytes = 32u << 20;

    struct Item {
        std::string target, data;
        bool page;
    };

    void Loop() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] { return closing_ || !queue_.empty(); });
            if (queue_.empty() || dropping_ || failure_) break;
            Item item = std::move(queue_.front());
            queue_.pop_front();
            bytes_ -= item.data.size();
            changed_.notify_all();
            if (progress_ && progress_->cancel.load(std::memory_order_relaxed)) continue;
            lock.unlock();
            try {
                out_.Put(item.target, item.data);
                ++(item.page ? pages_ : copies_);
            } catch (...) {
                lock.lock();
                failure_ = std::current_exception();
                break;
            }
            lock.lock();
        }
        done_ = true;
        changed_.notify_all();
    }

    Output& out_;
    const BuildProgress* progress_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Item> queue_;
    std::size_t bytes_ = 0;
    bool closing_ = false;
    bool dropping_ = false;
    bool done_ = false;
    std::exception_ptr failure_;
    int32_t pages_ = 0; // written by the writer's thread, read after Finish
    int32_t copies_ = 0;
    std::thread thread_; // last: starts when everything above is ready
};

std::string IndexHrefFrom(const std::string& relative) {
    std::string href;
    for (char c : relative)
        if (c == '/') href += "../";
    return href + kIndexName;
}

// The content file's text as a page of the build: the topic's title as its <title> and a
// link to the contents right after <body>.
std::string MakePage(const std::string& content, const std::string& title,
                     const std::string& indexHref) {
    const std::string escaped = EscapeHtml(title);
    const std::string nav = "\n<nav class=\"qv-contents\"><a href=\"" + EscapeHtml(indexHref) +
                            "\">Contents</a></nav>\n";
    if (FindOpeningTag(content, "body") == std::string::npos)
        return "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" + escaped +
               "</title>\n</head>\n<body>" + nav + content + "\n</body>\n</html>\n";

    std::string page = content;
    if (!ReplaceElementText(page, "title", escaped)) {
        const std::string title = "<title>" + escaped + "</title>";
        const std::size_t head = FindOpeningTag(page, "head");
        const std::size_t headEnd = head == std::string::npos ? head : page.find('>', head);
        if (headEnd != std::string::npos)
            page.insert(headEnd + 1, "\n" + title);
        else
            page.insert(FindOpeningTag(page, "body"), "<head>" + title + "</head>\n");
    }
    const std::size_t body = FindOpeningTag(page, "body");
    const std::size_t bodyEnd = page.find('>', body);
    if (bodyEnd == std::string::npos) return page + nav;
    page.insert(bodyEnd + 1, nav);
    return page;
}

void AppendTopicList(std::string& html, const std::vector<const BuildInput::Topic*>& topics,
                     const std::vector<std::string>& pages, const BuildInput& input) {
    html += "<ul>\n";
    for (const BuildInput::Topic* topic : topics) {
        const std::size_t i = static_cast<std::size_t>(topic - input.topics.data());
        html += "<li><a href=\"" + EscapeHtml(HrefOfPath(pages[i])) + "\">" +
                EscapeHtml(input[topic->title]) + "</a></li>\n";
    }
    html += "</ul>\n";
}

bool IsTemplatePath(const std::string& relative) {
    const std::size_t slash = relative.find('\\');
    return slash != std::string::npos &&
           disk::EqualsNoCase(std::string_view(relative).substr(0, slash), "template");
}

} // namespace

std::string BuildReport::Headline() const {
    std::string text = Counted(pages, "page", "pages") + " and " +
                       Counted(filesCopied, "file", "files") + " written to " + outputFolder;
    if (cancelled) text = "Cancelled: " + text + " before the build was stopped";
    return text;
}

std::string BuildReport::Summary() const {
    const int64_t skipped = static_cast<int64_t>(problems.size());
    std::string text = Headline() + "\n";
    text += "Skipped: " + Counted(skipped, "item", "items");
    if (skipped > 0)
        text += " (" + Counted(topicsSkipped, "topic", "topics") + ", " +
                Counted(filesSkipped, "file", "files") + "), named below";
    text += "\nLeft out by the build: " + Counted(filesLeftOut, "file", "files") +
            (filesLeftOut > 0 ? ", named below" : "");
    text += "\nNot included in output by their own setting: " +
            Counted(topicsExcluded, "topic", "topics") + ", " +
            Counted(filesExcluded, "file", "files") + "\n";
    text += indexPage.empty() ? std::string("The contents were not written.\n")
                              : "Contents: " + indexPage + "\n";
    auto list = [&](const std::vector<std::string>& lines, const char* one, const char* many) {
        if (lines.empty()) return;
        text += "\n" + std::string(lines.size() == 1 ? one : many);
        for (const auto& line : lines)
            text += "\n" + line;
        text += "\n";
    };
    list(problems, "The item was skipped:", "These items were skipped:");
    list(leftOut, "The file was left out:", "These files were left out:");
    return text;
}

std::shared_ptr<ProfileItem> ProfileBuilder::CurrentProfile(const Project& project) {
    auto profiles = project.BuildProfiles();
    for (int32_t i = 1; i <= profiles->Count(); ++i) {
        auto profile = std::dynamic_pointer_cast<ProfileItem>(profiles->Item(i));
        if (profile && profile->Current()) return profile;
    }
    return nullptr;
}

namespace {
// A project's collection as the model stores it (every collection of a Project is one).
template <class T>
const ItemCollection<T>& Storage(const std::shared_ptr<Collection<T>>& collection) {
    return dynamic_cast<const ItemCollection<T>&>(*collection);
}
} // namespace

BuildInput ProfileBuilder::Snapshot(const Project& project, const ProfileItem& profile) {
    BuildInput input;
    input.projectFile = project.Path();
    input.projectFolder = project.Folder();
    input.profileName = profile.Name();
    input.heading = profile.Title().empty() ? profile.Name() : profile.Title();
    input.outputFolder = disk::AbsoluteNormal(profile.OutputFolder());
    if (input.outputFolder.empty() || input.outputFolder.back() != '/') input.outputFolder += '/';

    // Straight from the project's storage: no copy of an item's pointer or strings but into
    // the input, as this runs on the UI thread.
    const auto& categories = Storage<TopicCategory>(project.TopicCategories());
    const auto& topics = Storage<Topic>(project.Topics());
    const auto& files = Storage<OtherFile>(project.OtherFiles());
    std::unordered_map<const TopicCategory*, int32_t> categoryIndex;
    categoryIndex.reserve(categories.Size());
    input.categories.reserve(categories.Size());
    for (std::size_t i = 0; i < categories.Size(); ++i) {
        const auto& category = static_cast<const CategoryItem&>(*categories.At(i));
        categoryIndex.emplace(&category, static_cast<int32_t>(i));
        input.categories.push_back(category.Name());
    }
    input.topics.reserve(topics.Size());
    // About what the generated projects need; the string grows when a project needs more.
    input.texts.reserve(topics.Size() * 72 + files.Size() * 80);
    for (std::size_t i = 0; i < topics.Size(); ++i) {
        const auto& topic = static_cast<const TopicItem&>(*topics.At(i));
        const TopicItem::Fields& f = topic.Values();
        BuildInput::Topic& t = input.topics.emplace_back();
        t.id = input.Add(f.id);
        t.title = input.Add(f.title);
        t.file = input.Add(f.file);
        t.included = f.includeInOutput;
        if (const CategoryItem* category = topic.CategoryOf()) {
            auto it = categoryIndex.find(category);
            if (it != categoryIndex.end()) t.category = it->second;
        }
    }
    input.files.reserve(files.Size());
    for (std::size_t i = 0; i < files.Size(); ++i) {
        const auto& file = static_cast<const OtherFileItem&>(*files.At(i));
        const auto at = static_cast<uint32_t>(input.texts.size());
        file.DiskFile().AppendLocalSpec(input.texts);
        input.files.push_back(
            {{at, static_cast<uint32_t>(input.texts.size() - at)}, file.IncludeInOutput()});
    }
    return input;
}

BuildReport ProfileBuilder::Build(const ProfileItem& profile) const {
    return Run(Snapshot(project_, profile));
}

BuildReport ProfileBuilder::Run(const BuildInput& input, BuildProgress* progress) {
    BuildReport report;
    report.profileName = input.profileName;
    report.outputFolder = input.outputFolder;
    const std::string& folder = report.outputFolder;
    if (Canonical(folder) == Canonical(input.projectFolder))
        throw Error(err::InvalidArgument, "The output folder of build profile " +
                                              Quoted(input.profileName) +
                                              " is the project folder itself: " + folder);
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder, ec))
        throw Error(err::PathFileAccess, "Cannot make the output folder " + folder +
                                             " of build profile " + Quoted(input.profileName) +
                                             (ec == std::errc::file_exists || !ec
                                                  ? ": a file lies on its path where a folder "
                                                    "should be; it was left as it is"
                                                  : ": " + ec.message()));

    int32_t total = 0;
    ProjectEntries projectEntries;
    projectEntries.Add(input.projectFile);
    std::vector<std::string> diskPaths(input.topics.size());
    for (std::size_t i = 0; i < input.topics.size(); ++i) {
        const BuildInput::Topic& topic = input.topics[i];
        if (topic.file.size > 0) {
            diskPaths[i] = disk::Resolve(input.projectFolder, input[topic.file]);
            projectEntries.Add(diskPaths[i]);
        }
        if (topic.included)
            ++total;
        else
            ++report.topicsExcluded;
    }
    for (const auto& file : input.files) {
        projectEntries.Add(std::string(input[file.localSpec]));
        if (file.included)
            ++total;
        else
            ++report.filesExcluded;
    }
    if (progress) progress->total = total;
    Output out(folder, std::move(projectEntries));
    Writer writer(out, progress);
    auto stopped = [&] {
        if (!progress || !progress->cancel.load(std::memory_order_relaxed)) return false;
        writer.Finish();
        report.pages = writer.Pages();
        report.filesCopied = writer.Copies();
        report.cancelled = true;
        return true;
    };
    auto advance = [&] {
        if (progress) progress->done.fetch_add(1, std::memory_order_relaxed);
    };

    // Topic pages, in project order.
    std::unordered_set<std::string> taken{kIndexName};
    taken.reserve(static_cast<std::size_t>(total) + 1);
    std::vector<std::string> pages(input.topics.size()); // relative path; "" without a page
    std::string content;
    for (std::size_t i = 0; i < input.topics.size(); ++i) {
        const BuildInput::Topic& topic = input.topics[i];
        if (!topic.included) continue;
        if (stopped()) return report;
        advance();
        auto skip = [&](const std::string& why) {
            report.problems.push_back("Topic " + std::string(input[topic.id]) + " " +
                                      Quoted(std::string(input[topic.title])) + ": " + why);
            ++report.topicsSkipped;
        };
        if (topic.file.size == 0) {
            skip("names no content file");
            continue;
        }
        if (!ReadFile(diskPaths[i], content)) {
            skip("content file " + diskPaths[i] + " is missing or unreadable");
            continue;
        }
        std::string relative = disk::ToDiskSeparators(input[topic.file]);
        std::string target;
        if (!disk::IsAbsolute(relative) && IsPageExtension(relative) &&
            taken.insert(Lower(relative)).second)
            target = out.Target(relative);
        if (target.empty()) {
            const std::string base = "topics/" + SafeFileName(input[topic.id]);
            relative = base + ".html";
            for (int n = 2; !taken.insert(Lower(relative)).second; ++n)
                relative = base + "-" + std::to_string(n) + ".html";
            target = out.Target(relative);
        }
        if (target.empty()) {
            skip("its page would lie outside the output folder or replace a project file");
            continue;
        }
        writer.Add(std::move(target),
                   MakePage(content, std::string(input[topic.title]), IndexHrefFrom(relative)),
                   true);
        pages[i] = std::move(relative);
    }

    // Other files the pages may use: those in the project folder at their own path first, then
    // those outside it, so that an outside file never takes a path a file inside needs.
    auto copy = [&](const std::string& localSpec, const std::string& name,
                    const std::string& relative) {
        auto skip = [&](const std::string& why) {
            report.problems.push_back("File " + Quoted(name) + ": " + why);
            ++report.filesSkipped;
        };
        if (!ReadFile(localSpec, content)) {
            skip(localSpec + " is missing or unreadable");
            return;
        }
        const std::string target =
            taken.count(Lower(relative)) ? std::string() : out.Target(relative);
        if (target.empty()) {
            skip("its copy would replace a page or a project file, or lie outside the output "
                 "folder");
            return;
        }
        taken.insert(Lower(relative));
        writer.Add(target, std::move(content), false);
    };
    auto leaveOut = [&](const std::string& name, const char* why) {
        report.leftOut.push_back("File " + Quoted(name) + ": " + why);
        ++report.filesLeftOut;
    };
    std::vector<const BuildInput::File*> outside;
    for (const auto& item : input.files) {
        if (!item.included) continue;
        const std::string localSpec(input[item.localSpec]);
        const std::string inProject = disk::RelativeBelow(input.projectFolder, localSpec);
        if (inProject.empty()) {
            outside.push_back(&item);
            continue;
        }
        if (stopped()) return report;
        advance();
        if (IsTemplatePath(inProject))
            leaveOut(inProject, "a template file, not published");
        else if (out.Contains(localSpec))
            leaveOut(inProject, "it lies in the output folder");
        else
            copy(localSpec, inProject, disk::ToDiskSeparators(inProject));
    }
    for (const BuildInput::File* item : outside) {
        const std::string localSpec(input[item->localSpec]);
        if (stopped()) return report;
        advance();
        if (out.Contains(localSpec)) {
            leaveOut(localSpec, "it lies in the output folder");
            continue;
        }
        const std::string name = disk::FileNameOf(localSpec);
        const std::size_t dot = name.find_last_of('.');
        const std::string stem = dot == 0 || dot == std::string::npos ? name : name.substr(0, dot);
        const std::string ext = stem.size() == name.size() ? std::string() : name.substr(dot);
        std::string relative = "outside/" + name;
        for (int n = 2; taken.count(Lower(relative)); ++n)
            relative = "outside/" + stem + "-" + std::to_string(n) + ext;
        copy(localSpec, localSpec, relative);
    }
    writer.Finish();
    report.pages = writer.Pages();
    report.filesCopied = writer.Copies();
    if (stopped()) return report;

    // The contents.
    std::string html = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" +
                       EscapeHtml(input.heading) +
                       "</title>\n<style>body{font-family:sans-serif;margin:2em}"
                       "li{margin:.2em 0}</style>\n</head>\n<body>\n<h1>" +
                       EscapeHtml(input.heading) + "</h1>\n<nav class=\"qv-toc\">\n";
    std::vector<std::vector<const BuildInput::Topic*>> listed(input.categories.size());
    std::vector<const BuildInput::Topic*> loose;
    for (std::size_t i = 0; i < input.topics.size(); ++i) {
        if (pages[i].empty()) continue;
        const BuildInput::Topic& topic = input.topics[i];
        if (topic.category >= 0)
            listed[static_cast<std::size_t>(topic.category)].push_back(&topic);
        else
            loose.push_back(&topic);
    }
    for (std::size_t c = 0; c < input.categories.size(); ++c) {
        if (listed[c].empty()) continue;
        html += "<h2>" + EscapeHtml(input.categories[c]) + "</h2>\n";
        AppendTopicList(html, listed[c], pages, input);
    }
    if (!loose.empty()) {
        if (!input.categories.empty()) html += "<h2>More Topics</h2>\n";
        AppendTopicList(html, loose, pages, input);
    }
    html += "</nav>\n</body>\n</html>\n";
    const std::string index = out.Target(kIndexName);
    if (index.empty())
        throw Error(err::PathFileAccess,
                    "Cannot write " + folder + kIndexName + ": it leads out of the output folder");
    out.Put(index, html);
    report.indexPage = index;
    return report;
}

} // namespace qv
