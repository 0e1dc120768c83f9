#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class Project;
class ProfileItem;

// What one build did. Every item included in output is written, skipped or left out, and the
// report names each one that was not written: problems name the items the build skipped (a
// failure: a missing file, a page that could not go where it belongs), one line each, topics
// first, each kind in project order; leftOut names the files the build does not publish by its
// own rule (template files, files inside the output folder).
struct BuildReport {
    std::string profileName;
    std::string outputFolder; // full path, ending with "/"
    std::string indexPage;    // full path of index.html; "" when the build was cancelled
    int32_t pages = 0;        // topic pages written
    int32_t filesCopied = 0;  // other files copied
    int32_t topicsSkipped = 0;
    int32_t filesSkipped = 0;
    // Left out by their own setting (include in output off); not problems.
    int32_t topicsExcluded = 0;
    int32_t filesExcluded = 0;
    int32_t filesLeftOut = 0; // the lines of leftOut
    // Cancelled before the end: what was written so far stays (each page whole), the contents
    // are not rewritten.
    bool cancelled = false;
    std::vector<std::string> problems;
    std::vector<std::string> leftOut;

    // The counts first, one per line, then the skipped and the left-out items by name. Numbers
    // have thousands separators.
    std::string Summary() const;
    // The first line of the summary: what was written and where.
    std::string Headline() const;
};

// Tells a build running on another thread to stop, and lets the thread that started it follow
// the build. Counters are advanced by the build only; any thread may read them or cancel.
struct BuildProgress {
    std::atomic<bool> cancel{false};
    std::atomic<int32_t> done{0};  // items (pages and copies) handled, skipped ones included
    std::atomic<int32_t> total{0}; // known once the build has started
};

// What a build reads of the project and the profile, copied on the thread that owns the project
// (the UI thread), so that the build itself can run elsewhere while the project goes on
// changing. Copies only: no reference into the model. The items' texts lie one after the other
// in one string: copying 100,000 topics then costs one allocation, not two per topic.
struct BuildInput {
    struct Text {
        uint32_t at = 0, size = 0;
    };
    struct Topic {
        Text id, title;
        Text file;             // as in the project file; empty when the topic names none
        int32_t category = -1; // index into categories, -1 for none
        bool included = true;
    };
    struct File {
        Text localSpec; // the full disk path
        bool included = true;
    };
    std::string projectFile;   // absolute
    std::string projectFolder; // ends with "/"
    std::string profileName;
    std::string heading;                 // the profile's title, else its name
    std::string outputFolder;            // absolute, ends with "/"
    std::vector<std::string> categories; // names, in project order
    std::vector<Topic> topics;           // project order
    std::vector<File> files;             // project order
    std::string texts;

    std::string_view operator[](Text text) const {
        return std::string_view(texts).substr(text.at, text.size);
    }
    Text Add(std::string_view text) {
        const Text added{static_cast<uint32_t>(texts.size()), static_cast<uint32_t>(text.size())};
        texts.append(text);
        return added;
    }
};

// Builds a profile into its output folder as HTML pages:
//   - one page per topic included in output, made from its content file: the file's own
//     text with the topic's title as <title> and a link back to the contents after <body>
//     (a content file without <body> is wrapped in a page). The page lies at the content
//     file's path below the project folder ("topics/T1.html"), so the author's relative links
//     keep working; a content file outside the project folder, or a path taken already, gives
//     "topics/ID.html" (ID reduced to letters, digits, "-" and "_");
//   - a copy of every other file included in output that lies inside the project folder, at
//     the same relative path, except template files and files inside the output folder (left
//     out, by name); then a copy of each one outside the project folder, as "outside/NAME"
//     ("outside/NAME-2.EXT" when the name is taken);
//   - index.html: the contents, the categories in project order, each with its topics in
//     project order, then the un-categorized topics. Titles and names are HTML-escaped.
// Nothing is written outside the output folder (folders are checked after symbolic links are
// resolved), no file is deleted, and no file of the project itself is replaced (same folder
// and name, the folder compared by device and inode). Each page and copy is written to a
// temporary file beside its target and renamed over it, so a target holds either its old or
// its new contents, whole, also when the build is cancelled or fails. The output is not
// flushed to disk file by file: it can be built again, and flushing 100,000 files costs
// minutes. A missing content or other file is a skipped item of the report and the build
// goes on; a topic with a missing page is left out of the contents.
class ProfileBuilder {
public:
    explicit ProfileBuilder(const Project& project) : project_(project) {}

    // Snapshot and Run in one, on the calling thread.
    BuildReport Build(const ProfileItem& profile) const;

    // Cheap enough for the UI thread: copies strings, touches no disk.
    static BuildInput Snapshot(const Project& project, const ProfileItem& profile);
    // Safe on any thread; reads only the input and the disk. Checks progress->cancel before
    // each item. Raises 75 naming the folder or file when the output folder cannot be made or
    // written, and 5 when the output folder is the project folder.
    static BuildReport Run(const BuildInput& input, BuildProgress* progress = nullptr);

    // The profile marked current, else nullptr.
    static std::shared_ptr<ProfileItem> CurrentProfile(const Project& project);

private:
    const Project& project_;
};

} // namespace qv
