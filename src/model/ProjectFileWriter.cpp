#include "model/ProjectFileWriter.h"

#include "model/DiskPath.h"
#include "model/ModelErrors.h"

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

// The file as pugixml wrote it before, byte for byte (so that saving with this writer changes
// no project under version control): attribute values in double quotes with &, < and "
// escaped and each control character as "&#NN;" (two digits), ">" and "'" as they are; an
// element without children as "<Name ... />". Written straight into one string: building a
// document of 100,000 elements first, then streaming it, touched four times the memory and
// took most of a save.
ProjectFileText::ProjectFileText(std::size_t reserve, const Header& header) {
    text_.reserve(reserve);
    text_ += "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
    Open(0, "QuorvelProject");
    Attribute("formatVersion", std::to_string(kProjectFormatVersion));
    Flag("allowCategoryIndex", header.allowCategoryIndex);
    Flag("underSourceControl", header.underSourceControl);
    Attribute("nextTopicId", std::to_string(header.nextTopicId));
    Attribute("nextCategoryId", std::to_string(header.nextCategoryId));
    Attribute("nextProfileId", std::to_string(header.nextProfileId));
    text_ += ">\n";
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

std::string ProjectFileText::Finish() {
    if (!openList_.empty()) Close(1, openList_);
    openList_ = {};
    Close(0, "QuorvelProject");
    return std::move(text_);
}

void ProjectFileText::BeginList(std::string_view name, std::size_t count) {
    if (!openList_.empty()) Close(1, openList_);
    Open(1, name);
    if (count == 0) {
        openList_ = {};
        return EndEmpty();
    }
    text_ += ">\n";
    openList_ = name;
}

void ProjectFileText::Open(int depth, std::string_view name) {
    text_.append(static_cast<std::size_t>(depth) * 2, ' ');
    text_ += '<';
    text_ += name;
}

void ProjectFileText::Attribute(std::string_view name, std::string_view value) {
    text_ += ' ';
    text_ += name;
    text_ += "=\"";
    Escaped(value);
    text_ += '"';
}

void ProjectFileText::Flag(std::string_view name, bool value) {
    Attribute(name, Bool(value));
}

void ProjectFileText::EndEmpty() {
    text_ += " />\n";
}

void ProjectFileText::Close(int depth, std::string_view name) {
    text_.append(static_cast<std::size_t>(depth) * 2, ' ');
    text_ += "</";
    text_ += name;
    text_ += ">\n";
}

void ProjectFileText::Escaped(std::string_view value) {
    // A value ends at its first NUL, as a C string handed to pugixml did.
    value = value.substr(0, value.find('\0'));
    std::size_t plain = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto c = static_cast<unsigned char>(value[i]);
        if (c >= 32 && c != '&' && c != '<' && c != '"') continue;
        text_.append(value, plain, i - plain);
        plain = i + 1;
        if (c == '&') {
            text_ += "&amp;";
        } else if (c == '<') {
            text_ += "&lt;";
        } else if (c == '"') {
            text_ += "&quot;";
        } else {
            const char code[] = {'&', '#', static_cast<char>('0' + c / 10),
                                 static_cast<char>('0' + c % 10), ';'};
            text_.append(code, sizeof code);
        }
    }
    text_.append(value, plain, value.size() - plain);
}

std::string WriteProjectFile(const ProjectData& data) {
    std::size_t size = 512;
    for (const auto& c : data.categories)
        size += ProjectFileText::kCategoryBytes + c.id.size() + c.name.size();
    for (const auto& t : data.topics)
        size += ProjectFileText::kTopicBytes + t.id.size() + t.name.size() + t.title.size() +
                t.caption.size() + t.category.size() + t.status.size() + t.file.size();
    for (const auto& f : data.files)
        size += ProjectFileText::kFileBytes + f.path.size();
    for (const auto& b : data.profiles)
        size += ProjectFileText::kProfileBytes + b.id.size() + b.name.size() + b.title.size() +
                b.outputFolder.size();
    ProjectFileText text(size + size / 16,
                         {data.allowCategoryIndex, data.underSourceControl, data.nextTopicId,
                          data.nextCategoryId, data.nextProfileId});
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
    return text.Finish();
}

void SaveProjectFile(const std::string& path, const std::string& text) {
    const std::string target = FollowLinks(path);
    RemoveStaleSaveFiles(target);
    disk::ReplaceFileContents(target, text);
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
