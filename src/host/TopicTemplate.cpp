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
    if (disk::RelativeBelow(project.Folder(), path).empty())
        throw Error(err::InvalidArgument,
                    "The content file of topic " + topic.ID() + " (" + path +
                        ") lies outside the project folder; it was not created");
    std::error_code ec;
    if (std::filesystem::exists(path, ec) || std::filesystem::is_symlink(path, ec)) return false;

    const std::string folder = path.substr(0, path.find_last_of('/') + 1);
    std::filesystem::create_directories(folder, ec);
    if (ec)
        throw Error(err::PathFileAccess, "Cannot make the folder " + folder + " for topic " +
                                             topic.ID() + ": " + ec.message());

    const std::string text = Fill(For(project), topic.Title());
    // "x": fails when the file exists, so a file that appeared meanwhile is left alone.
    std::FILE* file = std::fopen(path.c_str(), "wbx");
    if (!file) {
        if (errno == EEXIST) return false;
        throw Error(err::PathFileAccess, "Cannot create " + path + " for topic " + topic.ID() +
                                             ": " + std::strerror(errno));
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::remove(path.c_str());
        throw Error(err::PathFileAccess, "Cannot write " + path + " for topic " + topic.ID());
    }
    return true;
}

} // namespace qv
