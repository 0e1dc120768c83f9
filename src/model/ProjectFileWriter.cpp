#include "model/ProjectFileWriter.h"

#include "model/DiskPath.h"
#include "model/ModelErrors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {
const char* Bool(bool value) {
    return value ? "true" : "false";
}

// The file a path leads to: each symbolic link is replaced by its target (a relative one
// read from the link's folder) until a path is no link. The path is not normalised, so that
// ".." after a linked folder keeps its meaning. Error 75 for a loop of links.
std::string FollowLinks(std::string path) {
    constexpr int kMostLinks = 40; // as the kernel's own limit
    for (int hops = 0; hops <= kMostLinks; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        ssize_t n;
        while ((n = ::readlink(path.c_str(), target.data(), target.size())) >= 0 &&
               static_cast<std::size_t>(n) == target.size())
            target.resize(target.size() * 2);
        if (n <= 0) return path; // gone meanwhile: the path itself is written
        target.resize(static_cast<std::size_t>(n));
        path = target[0] == '/' ? target : path.substr(0, path.rfind('/') + 1) + target;
    }
    throw Error(err::PathFileAccess,
                "Path/File access error: " + path + ": " + std::strerror(ELOOP));
}

// "." + name + "." + six letters or digits, the name mkstemp gives a save's temporary file.
bool IsSaveFileName(std::string_view entry, std::string_view name) {
    constexpr std::size_t kRandom = 6;
    if (entry.size() != name.size() + 2 + kRandom || entry[0] != '.' ||
        entry.substr(1, name.size()) != name || entry[name.size() + 1] != '.')
        return false;
    for (char c : entry.substr(name.size() + 2))
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    return true;
}
} // namespace

namespace {
constexpr uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;

// Whether one of eight bytes (read as one word) needs care in an attribute value: below 32 (a
// control character, or the NUL that ends a value), '&', '<' or '"'. Exact for the word, not
// for which byte: the caller looks for that one by one.
bool NeedsCare(uint64_t w) {
    auto hasZero = [](uint64_t v) { return (v - kOnes) & ~v & kHighs; };
    return (((w - kOnes * 32) & ~w & kHighs) | hasZero(w ^ (kOnes * '&')) |
            hasZero(w ^ (kOnes * '<')) | hasZero(w ^ (kOnes * '"'))) != 0;
}

bool NeedsCare(char c) {
    return static_cast<unsigned char>(c) < 32 || c == '&' || c == '<' || c == '"';
}

// The value as an attribute holds it, written at out (room for six bytes per byte of the
// value); returns the end. A value ends at its first NUL, as a C string handed to pugixml
// did. Plain bytes are found eight at a time and copied in runs: most values need nothing.
char* PutEscaped(char* out, std::string_view value) {
    const char* p = value.data();
    const char* const end = p + value.size();
    const char* run = p; // the plain bytes not yet copied start here
    for (;;) {
        uint64_t word = 0;
        while (end - p >= 8 && (std::memcpy(&word, p, 8), !NeedsCare(word)))
            p += 8;
        const char* const stop = end - p >= 8 ? p + 8 : end;
        while (p < stop && !NeedsCare(*p))
            ++p;
        if (p == end) break;
        if (p == stop) continue;
        std::memcpy(out, run, static_cast<std::size_t>(p - run));
        out += p - run;
        const auto c = static_cast<unsigned char>(*p);
        if (c == 0) return out;
        run = ++p;
        if (c == '&') {
            out = std::copy_n("&amp;", 5, out);
        } else if (c == '<') {
            out = std::copy_n("&lt;", 4, out);
        } else if (c == '"') {
            out = std::copy_n("&quot;", 6, out);
        } else {
            const char code[] = {'&', '#', static_cast<char>('0' + c / 10),
                                 static_cast<char>('0' + c % 10), ';'};
            out = std::copy_n(code, sizeof code, out);
        }
    }
    std::memcpy(out, run, static_cast<std::size_t>(end - run));
    return out + (end - run);
}
} // namespace

// The file as pugixml wrote it before, byte for byte (so that saving with this writer changes
// no project under version control): attribute values in double quotes with &, < and "
// escaped and each control character as "&#NN;" (two digits), ">" and "'" as they are; an
// element without children as "<Name ... />". Written straight into a buffer: building a
// document of 100,000 elements first, then streaming it, touched four times the memory and
// took most of a save.
ProjectFileText::ProjectFileText(const Header& header, Sink sink, std::size_t piece)
    : sink_(std::move(sink)), piece_(piece) {
    Room(piece + piece / 8 + 4096); // a piece and the element that ends it, mostly
    Put("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n");
    Open(0, "QuorvelProject");
    Attribute("formatVersion", std::to_string(kProjectFormatVersion));
    Flag("allowCategoryIndex", header.allowCategoryIndex);
    Flag("underSourceControl", header.underSourceControl);
    Attribute("nextTopicId", std::to_string(header.nextTopicId));
    Attribute("nextCategoryId", std::to_string(header.nextCategoryId));
    Attribute("nextProfileId", std::to_string(header.nextProfileId));
    Put(">\n");
}

void ProjectFileText::BeginCategories(std::size_t count) {
    BeginList("Categories", count);
}

void ProjectFileText::Category(std::string_view id, std::string_view name, bool autoGenerateIndex) {
    Open(2, "Category");
    Attribute("id", id);
    Attribute("name", name);
    Flag("autoGenerateIndex", autoGenerateIndex);
    EndEmpty();
}

void ProjectFileText::BeginTopics(std::size_t count) {
    BeginList("Topics", count);
}

void ProjectFileText::Topic(const TopicText& t) {
    Open(2, "Topic");
    Attribute("id", t.id);
    Attribute("name", t.name);
    Attribute("title", t.title);
    Attribute("caption", t.caption);
    if (!t.category.empty()) Attribute("category", t.category);
    Attribute("status", t.status);
    Flag("includeInOutput", t.includeInOutput);
    if (!t.file.empty()) Attribute("file", t.file);
    EndEmpty();
}

void ProjectFileText::BeginFiles(std::size_t count) {
    BeginList("Files", count);
}

void ProjectFileText::File(std::string_view path, bool includeInOutput) {
    Open(2, "File");
    Attribute("path", path);
    Flag("includeInOutput", includeInOutput);
    EndEmpty();
}

void ProjectFileText::BeginProfiles(std::size_t count) {
    BeginList("BuildProfiles", count);
}

void ProjectFileText::Profile(const ProfileText& b) {
    Open(2, "BuildProfile");
    Attribute("id", b.id);
    Attribute("name", b.name);
    Attribute("title", b.title);
    Flag("compiledHelp", b.compiledHelp);
    Attribute("helpFormat", std::to_string(b.helpFormat));
    Attribute("outputFolder", b.outputFolder);
    Flag("current", b.current);
    EndEmpty();
}

void ProjectFileText::Finish() {
    if (!openList_.empty()) Close(1, openList_);
    openList_ = {};
    Close(0, "QuorvelProject");
    if (size_ > 0) sink_({buffer_.get(), size_});
    size_ = 0;
}

char* ProjectFileText::Room(std::size_t bytes) {
    if (capacity_ - size_ < bytes) {
        const std::size_t capacity = std::max(capacity_ * 2, size_ + bytes);
        auto buffer = std::make_unique_for_overwrite<char[]>(capacity);
        if (size_ > 0) std::memcpy(buffer.get(), buffer_.get(), size_);
        buffer_ = std::move(buffer);
        capacity_ = capacity;
    }
    return buffer_.get() + size_;
}

void ProjectFileText::Put(std::string_view text) {
    std::memcpy(Room(text.size()), text.data(), text.size());
    size_ += text.size();
}

void ProjectFileText::Ended() {
    if (size_ >= piece_) {
        sink_({buffer_.get(), size_});
        size_ = 0;
    }
}

void ProjectFileText::BeginList(std::string_view name, std::size_t count) {
    if (!openList_.empty()) Close(1, openList_);
    Open(1, name);
    if (count == 0) {
        openList_ = {};
        return EndEmpty();
    }
    Put(">\n");
    openList_ = name;
}

void ProjectFileText::Open(int depth, std::string_view name) {
    const auto indent = static_cast<std::size_t>(depth) * 2;
    char* out = Room(indent + 1 + name.size());
    out = std::fill_n(out, indent, ' ');
    *out++ = '<';
    std::memcpy(out, name.data(), name.size());
    size_ += indent + 1 + name.size();
}

void ProjectFileText::Attribute(std::string_view name, std::string_view value) {
    char* const start = Room(name.size() + 4 + value.size() * 6);
    char* out = start;
    *out++ = ' ';
    out = std::copy_n(name.data(), name.size(), out);
    *out++ = '=';
    *out++ = '"';
    out = PutEscaped(out, value);
    *out++ = '"';
    size_ += static_cast<std::size_t>(out - start);
}

void ProjectFileText::Flag(std::string_view name, bool value) {
    Attribute(name, Bool(value));
}

void ProjectFileText::EndEmpty() {
    Put(" />\n");
    Ended();
}

void ProjectFileText::Close(int depth, std::string_view name) {
    const auto indent = static_cast<std::size_t>(depth) * 2;
    char* out = Room(indent + 4 + name.size());
    out = std::fill_n(out, indent, ' ');
    out = std::copy_n("</", 2, out);
    out = std::copy_n(name.data(), name.size(), out);
    out = std::copy_n(">\n", 2, out);
    size_ += indent + 4 + name.size();
    Ended();
}

std::string WriteProjectFile(const ProjectData& data) {
    // About what one element of each kind takes besides its texts: the text is allocated once.
    constexpr std::size_t kCategoryBytes = 70, kTopicBytes = 130, kFileBytes = 50,
                          kProfileBytes = 150;
    std::size_t size = 512;
    for (const auto& c : data.categories)
        size += kCategoryBytes + c.id.size() + c.name.size();
    for (const auto& t : data.topics)
        size += kTopicBytes + t.id.size() + t.name.size() + t.title.size() + t.caption.size() +
                t.category.size() + t.status.size() + t.file.size();
    for (const auto& f : data.files)
        size += kFileBytes + f.path.size();
    for (const auto& b : data.profiles)
        size +=
            kProfileBytes + b.id.size() + b.name.size() + b.title.size() + b.outputFolder.size();
    std::string result;
    result.reserve(size + size / 16);
    ProjectFileText text({data.allowCategoryIndex, data.underSourceControl, data.nextTopicId,
                          data.nextCategoryId, data.nextProfileId},
                         [&result](std::string_view piece) { result += piece; });
    text.BeginCategories(data.categories.size());
    for (const auto& c : data.categories)
        text.Category(c.id, c.name, c.autoGenerateIndex);
    text.BeginTopics(data.topics.size());
    for (const auto& t : data.topics)
        text.Topic(
            {t.id, t.name, t.title, t.caption, t.category, t.status, t.includeInOutput, t.file});
    text.BeginFiles(data.files.size());
    for (const auto& f : data.files)
        text.File(f.path, f.includeInOutput);
    text.BeginProfiles(data.profiles.size());
    for (const auto& b : data.profiles)
        text.Profile(
            {b.id, b.name, b.title, b.compiledHelp, b.helpFormat, b.outputFolder, b.current});
    text.Finish();
    return result;
}

void SaveProjectFile(const std::string& path,
                     const std::function<void(const ProjectFileText::Sink&)>& produce) {
    const std::string target = FollowLinks(path);
    RemoveStaleSaveFiles(target);
    disk::ReplaceFileContents(target, produce);
}

void RemoveStaleSaveFiles(const std::string& path) noexcept {
    try {
        const std::string file = FollowLinks(path);
        const std::size_t slash = file.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : file.substr(0, slash + 1);
        const std::string name = file.substr(slash + 1);
        if (name.empty()) return;
        struct stat project {};
        const bool haveProject = ::stat(file.c_str(), &project) == 0;
        const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
        if (!dir) return;
        const int fd = ::dirfd(dir.get());
        const time_t now = std::time(nullptr);
        while (const dirent* entry = ::readdir(dir.get())) {
            if (!IsSaveFileName(entry->d_name, name)) continue;
            struct stat st {};
            if (::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
            if (!S_ISREG(st.st_mode) || st.st_nlink != 1 || st.st_uid != ::geteuid()) continue;
            if (haveProject && st.st_dev == project.st_dev && st.st_ino == project.st_ino) continue;
            if (now - st.st_mtime < kStaleSaveSeconds) continue;
            ::unlinkat(fd, entry->d_name, 0);
        }
    } catch (...) {
        // Tidying is never worth a failure of the open or save that asked for it.
    }
}

} // namespace qv
