#include "host/TopicTemplate.h"

#include "contracts/Error.h"
#include "host/HtmlText.h"
#include "model/DiskPath.h"
#include "model/ModelErrors.h"
#include "model/Project.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unordered_set>

namespace qv {

const std::string& TopicTemplate::BuiltIn() {
    static const std::string text = R"(<!DOCTYPE html>
<html lang="en">
<head>
  <meta charset="utf-8">
  <title>{{title}}</title>
</head>
<body>
  <h1>{{title}}</h1>
  <p>Write the first paragraph of the topic here.</p>
</body>
</html>
)";
    return text;
}

std::string TopicTemplate::Fill(const std::string& templateText, const std::string& title) {
    const std::string escaped = EscapeHtml(title);
    std::string text = templateText;
    const std::string placeholder = kPlaceholder;
    bool replaced = false;
    for (auto at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + escaped.size())) {
        text.replace(at, placeholder.size(), escaped);
        replaced = true;
    }
    if (!replaced) {
        ReplaceElementText(text, "title", escaped);
        ReplaceElementText(text, "h1", escaped);
    }
    return text;
}

std::string TopicTemplate::For(const Project& project) {
    std::string text;
    if (disk::IsRegularFile(project.Folder() + kProjectTemplate) &&
        disk::ReadWholeFile(project.Folder() + kProjectTemplate, text))
        return text;
    return BuiltIn();
}

bool TopicTemplate::CreateContentFile(const Project& project, const TopicItem& topic) {
    const std::string path = topic.DiskPath();
    if (path.empty()) return false;
    return WriteNewFile(project, path, topic.Title(), topic.ID());
}

std::string TopicTemplate::CreateNewContentFile(const Project& project, const std::string& id,
                                                const std::string& title) {
    // Names other topics use, compared as the file system compares them: any case, either
    // separator. One pass over the topics for each new topic, no disk access.
    auto folded = [](std::string name) {
        for (char& c : name)
            c = c == '/' ? '\\' : (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        return name;
    };
    std::unordered_set<std::string> named;
    auto topics = project.Topics();
    named.reserve(static_cast<std::size_t>(topics->Count()));
    for (int32_t i = 1; i <= topics->Count(); ++i) {
        const std::string file(static_cast<const TopicItem&>(*topics->Item(i)).File());
        if (file.empty()) continue;
        named.insert(folded(disk::IsAbsolute(file)
                                ? disk::RelativeBelow(project.Folder(), disk::AbsoluteNormal(file))
                                : file));
    }
    constexpr int kAttempts = 1000;
    for (int n = 1; n <= kAttempts; ++n) {
        const std::string file =
            "topics\\" + id + (n == 1 ? std::string() : "-" + std::to_string(n)) + ".html";
        if (named.count(folded(file))) continue;
        if (WriteNewFile(project, disk::Resolve(project.Folder(), file), title, id)) return file;
    }
    throw Error(err::PathFileAccess, "Cannot find a free name for the content file of topic " + id +
                                         " in " + project.Folder() + "topics");
}

bool TopicTemplate::WriteNewFile(const Project& project, const std::string& path,
                                 const std::string& title, const std::string& id) {
    if (disk::RelativeBelow(project.Folder(), path).empty())
        throw Error(err::InvalidArgument,
                    "The content file of topic " + id + " (" + path +
                        ") lies outside the project folder; it was not created");
    std::error_code ec;
    if (std::filesystem::exists(path, ec) || std::filesystem::is_symlink(path, ec)) return false;

    const std::string folder = path.substr(0, path.find_last_of('/') + 1);
    std::filesystem::create_directories(folder, ec);
    if (ec)
        throw Error(err::PathFileAccess,
                    "Cannot make the folder " + folder + " for topic " + id + ": " + ec.message());

    const std::string text = Fill(For(project), title);
    // "x": fails when the file exists, so a file that appeared meanwhile is left alone.
    std::FILE* file = std::fopen(path.c_str(), "wbx");
    if (!file) {
        if (errno == EEXIST) return false;
        throw Error(err::PathFileAccess,
                    "Cannot create " + path + " for topic " + id + ": " + std::strerror(errno));
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::remove(path.c_str());
        throw Error(err::PathFileAccess, "Cannot write " + path + " for topic " + id);
    }
    return true;
}

} // namespace qv
