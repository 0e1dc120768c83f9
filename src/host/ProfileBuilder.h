#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qv {

class Project;
class ProfileItem;

// What one build did. Problems are the items left out, one line each, in project order.
struct BuildReport {
    std::string outputFolder; // full path, ending with "/"
    std::string indexPage;    // full path of index.html
    int32_t pages = 0;        // topic pages written
    int32_t filesCopied = 0;  // other files copied
    std::vector<std::string> problems;

    // "N pages and M files written to FOLDER" plus the problems, one per line.
    std::string Summary() const;
};

// Builds a profile into its output folder as HTML pages:
//   - one page per topic included in output, made from its content file: the file's own
//     text with the topic's title as <title> and a link back to the contents after <body>
//     (a content file without <body> is wrapped in a page). The page lies at the content
//     file's path below the project folder ("topics/T1.html"), so the author's relative links
//     keep working; a content file outside the project folder, or a path taken already, gives
//     "topics/ID.html" (ID reduced to letters, digits, "-" and "_");
//   - a copy of every other file included in output that lies inside the project folder, at
//     the same relative path, except template files and files inside the output folder;
//   - index.html: the contents, the categories in project order, each with its topics in
//     project order, then the un-categorized topics. Titles and names are HTML-escaped.
// Nothing is written outside the output folder (paths are checked after symbolic links are
// resolved), no file is deleted, and no file of the project itself is overwritten. Pages and
// copies are replaced in one step each. A missing content or other file is a problem of the
// report and the build goes on; a topic with a missing page is left out of the contents.
class ProfileBuilder {
public:
    explicit ProfileBuilder(const Project& project) : project_(project) {}

    // Raises 75 naming the folder or file when the output folder cannot be made or written,
    // and 5 when the output folder is the project folder.
    BuildReport Build(const ProfileItem& profile) const;

    // The profile marked current, else nullptr.
    static std::shared_ptr<ProfileItem> CurrentProfile(const Project& project);

private:
    const Project& project_;
};

} // namespace qv
