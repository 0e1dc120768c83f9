#include "model/ProjectFileWriter.h"

#include "model/DiskPath.h"
#include "model/ModelErrors.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <pugixml.hpp>
#include <sstream>
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

std::string WriteProjectFile(const ProjectData& data) {
    pugi::xml_document doc;
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "utf-8";

    pugi::xml_node root = doc.append_child("QuorvelProject");
    root.append_attribute("formatVersion") = kProjectFormatVersion;
    root.append_attribute("allowCategoryIndex") = Bool(data.allowCategoryIndex);
    root.append_attribute("underSourceControl") = Bool(data.underSourceControl);
    root.append_attribute("nextTopicId") = std::to_string(data.nextTopicId).c_str();
    root.append_attribute("nextCategoryId") = std::to_string(data.nextCategoryId).c_str();
    root.append_attribute("nextProfileId") = std::to_string(data.nextProfileId).c_str();

    pugi::xml_node categories = root.append_child("Categories");
    for (const auto& c : data.categories) {
        pugi::xml_node e = categories.append_child("Category");
        e.append_attribute("id") = c.id.c_str();
        e.append_attribute("name") = c.name.c_str();
        e.append_attribute("autoGenerateIndex") = Bool(c.autoGenerateIndex);
    }
    pugi::xml_node topics = root.append_child("Topics");
    for (const auto& t : data.topics) {
        pugi::xml_node e = topics.append_child("Topic");
        e.append_attribute("id") = t.id.c_str();
        e.append_attribute("name") = t.name.c_str();
        e.append_attribute("title") = t.title.c_str();
        e.append_attribute("caption") = t.caption.c_str();
        if (!t.category.empty()) e.append_attribute("category") = t.category.c_str();
        e.append_attribute("status") = t.status.c_str();
        e.append_attribute("includeInOutput") = Bool(t.includeInOutput);
        if (!t.file.empty()) e.append_attribute("file") = t.file.c_str();
    }
    pugi::xml_node files = root.append_child("Files");
    for (const auto& f : data.files) {
        pugi::xml_node e = files.append_child("File");
        e.append_attribute("path") = f.path.c_str();
        e.append_attribute("includeInOutput") = Bool(f.includeInOutput);
    }
    pugi::xml_node profiles = root.append_child("BuildProfiles");
    for (const auto& b : data.profiles) {
        pugi::xml_node e = profiles.append_child("BuildProfile");
        e.append_attribute("id") = b.id.c_str();
        e.append_attribute("name") = b.name.c_str();
        e.append_attribute("title") = b.title.c_str();
        e.append_attribute("compiledHelp") = Bool(b.compiledHelp);
        e.append_attribute("helpFormat") = b.helpFormat;
        e.append_attribute("outputFolder") = b.outputFolder.c_str();
        e.append_attribute("current") = Bool(b.current);
    }

    std::ostringstream out;
    doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return out.str();
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
