#include "host/ProfileBuilder.h"

#include "contracts/Error.h"
#include "host/HtmlText.h"
#include "model/DiskPath.h"
#include "model/ModelErrors.h"
#include "model/Project.h"

#include <filesystem>
#include <fstream>
#include <sstream>
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

std::string SafeFileName(const std::string& id) {
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

// The output folder and the checks every write passes.
class Output {
public:
    Output(std::string folder, std::unordered_set<std::string> projectFiles)
        : folder_(std::move(folder)), canonical_(Canonical(folder_)),
          projectFiles_(std::move(projectFiles)) {}

    const std::string& Folder() const { return folder_; }

    // The full path of a relative path below the output folder, or "" when it would lead out
    // of the folder (through "..", an absolute path or a symbolic link) or name a file of the
    // project itself.
    std::string Target(const std::string& relative) const {
        if (!IsSafeRelative(relative)) return {};
        const std::string full = disk::AbsoluteNormal(folder_ + relative);
        if (disk::RelativeBelow(folder_, full).empty()) return {};
        const std::string real = Canonical(full);
        const fs::path inside = fs::path(real).lexically_relative(canonical_);
        if (inside.empty() || *inside.begin() == "..") return {};
        if (projectFiles_.count(real)) return {};
        return full;
    }

    bool Contains(const std::string& path) const {
        const fs::path inside = fs::path(Canonical(path)).lexically_relative(canonical_);
        return !inside.empty() && *inside.begin() != "..";
    }

    // Replaces the file in one step, making its folders first. Raises 75 naming the file.
    void Write(const std::string& target, const std::string& text) const {
        const std::string folder = target.substr(0, target.find_last_of('/') + 1);
        std::error_code ec;
        fs::create_directories(folder, ec);
        if (ec)
            throw Error(err::PathFileAccess, "Cannot make the folder " + folder +
                                                 " in the output folder: " + ec.message());
        disk::ReplaceFileContents(target, text);
    }

private:
    std::string folder_;
    std::string canonical_;
    std::unordered_set<std::string> projectFiles_;
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

struct Page {
    std::string relative; // "/" separated, below the output folder
    std::string title;
};

void AppendTopicList(std::string& html, const std::vector<const Page*>& pages) {
    html += "<ul>\n";
    for (const Page* page : pages)
        html += "<li><a href=\"" + EscapeHtml(HrefOfPath(page->relative)) + "\">" +
                EscapeHtml(page->title) + "</a></li>\n";
    html += "</ul>\n";
}

} // namespace

std::string BuildReport::Summary() const {
    std::string text = std::to_string(pages) + (pages == 1 ? " page" : " pages") + " and " +
                       std::to_string(filesCopied) + (filesCopied == 1 ? " file" : " files") +
                       " written to " + outputFolder;
    if (!problems.empty()) {
        text += "\n\n" + std::to_string(problems.size()) +
                (problems.size() == 1 ? " item was" : " items were") + " left out:";
        for (const auto& p : problems)
            text += "\n" + p;
    }
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

BuildReport ProfileBuilder::Build(const ProfileItem& profile) const {
    BuildReport report;
    report.outputFolder = disk::AbsoluteNormal(profile.OutputFolder());
    if (report.outputFolder.empty() || report.outputFolder.back() != '/')
        report.outputFolder += '/';
    const std::string& folder = report.outputFolder;
    if (Canonical(folder) == Canonical(project_.Folder()))
        throw Error(err::InvalidArgument, "The output folder of build profile " +
                                              Quoted(profile.Name()) +
                                              " is the project folder itself: " + folder);
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder, ec))
        throw Error(err::PathFileAccess, "Cannot make the output folder " + folder +
                                             " of build profile " + Quoted(profile.Name()) +
                                             (ec ? ": " + ec.message() : ": not a folder"));

    auto topics = project_.Topics();
    auto files = project_.OtherFiles();
    std::unordered_set<std::string> projectFiles;
    projectFiles.reserve(static_cast<std::size_t>(topics->Count() + files->Count()) + 1);
    projectFiles.insert(Canonical(project_.Path()));
    for (int32_t i = 1; i <= topics->Count(); ++i)
        if (auto t = std::dynamic_pointer_cast<TopicItem>(topics->Item(i)); t && !t->File().empty())
            projectFiles.insert(Canonical(t->DiskPath()));
    for (int32_t i = 1; i <= files->Count(); ++i)
        projectFiles.insert(Canonical(files->Item(i)->File()->LocalSpec()));
    const Output out(folder, std::move(projectFiles));

    // Topic pages, in project order.
    std::unordered_set<std::string> taken{kIndexName};
    std::unordered_map<std::string, Page> pages; // by topic ID, for the contents
    for (int32_t i = 1; i <= topics->Count(); ++i) {
        auto topic = std::dynamic_pointer_cast<TopicItem>(topics->Item(i));
        if (!topic || !topic->IncludeInOutput()) continue;
        const std::string who = "Topic " + topic->ID() + " " + Quoted(topic->Title());
        if (topic->File().empty()) {
            report.problems.push_back(who + ": names no content file");
            continue;
        }
        std::string content;
        if (!disk::IsRegularFile(topic->DiskPath()) ||
            !disk::ReadWholeFile(topic->DiskPath(), content)) {
            report.problems.push_back(who + ": content file " + topic->DiskPath() +
                                      " is missing or unreadable");
            continue;
        }
        std::string relative = disk::ToDiskSeparators(topic->File());
        std::string target;
        if (!disk::IsAbsolute(relative) && IsPageExtension(relative) &&
            taken.insert(Lower(relative)).second)
            target = out.Target(relative);
        if (target.empty()) {
            const std::string base = "topics/" + SafeFileName(topic->ID());
            relative = base + ".html";
            for (int n = 2; !taken.insert(Lower(relative)).second; ++n)
                relative = base + "-" + std::to_string(n) + ".html";
            target = out.Target(relative);
        }
        if (target.empty()) {
            report.problems.push_back(who + ": its page would lie outside the output folder");
            continue;
        }
        out.Write(target, MakePage(content, topic->Title(), IndexHrefFrom(relative)));
        pages.emplace(topic->ID(), Page{relative, topic->Title()});
        ++report.pages;
    }

    // Other files the pages may use.
    for (int32_t i = 1; i <= files->Count(); ++i) {
        auto file = std::dynamic_pointer_cast<OtherFileItem>(files->Item(i));
        if (!file || !file->IncludeInOutput() || !file->InsideProject() || file->IsTemplateFile())
            continue;
        const std::string source = file->File()->LocalSpec();
        if (out.Contains(source)) continue;
        const std::string relative = disk::ToDiskSeparators(file->RelativePath());
        const std::string who = "File " + Quoted(file->RelativePath());
        std::string data;
        if (!disk::IsRegularFile(source) || !disk::ReadWholeFile(source, data)) {
            report.problems.push_back(who + ": " + source + " is missing or unreadable");
            continue;
        }
        const std::string target =
            taken.count(Lower(relative)) ? std::string() : out.Target(relative);
        if (target.empty()) {
            report.problems.push_back(who + ": its copy would replace a page or lie outside "
                                            "the output folder");
            continue;
        }
        taken.insert(Lower(relative));
        out.Write(target, data);
        ++report.filesCopied;
    }

    // The contents.
    const std::string heading = profile.Title().empty() ? profile.Name() : profile.Title();
    std::string html = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" +
                       EscapeHtml(heading) +
                       "</title>\n<style>body{font-family:sans-serif;margin:2em}"
                       "li{margin:.2em 0}</style>\n</head>\n<body>\n<h1>" +
                       EscapeHtml(heading) + "</h1>\n<nav class=\"qv-toc\">\n";
    auto categories = project_.TopicCategories();
    for (int32_t i = 1; i <= categories->Count(); ++i) {
        auto category = categories->Item(i);
        auto members = category->Topics();
        std::vector<const Page*> listed;
        for (int32_t k = 1; k <= members->Count(); ++k)
            if (auto it = pages.find(members->Item(k)->ID()); it != pages.end())
                listed.push_back(&it->second);
        if (listed.empty()) continue;
        html += "<h2>" + EscapeHtml(category->Name()) + "</h2>\n";
        AppendTopicList(html, listed);
    }
    std::vector<const Page*> loose;
    for (int32_t i = 1; i <= topics->Count(); ++i) {
        auto topic = topics->Item(i);
        if (topic->Category()) continue;
        if (auto it = pages.find(topic->ID()); it != pages.end()) loose.push_back(&it->second);
    }
    if (!loose.empty()) {
        if (categories->Count() > 0) html += "<h2>More Topics</h2>\n";
        AppendTopicList(html, loose);
    }
    html += "</nav>\n</body>\n</html>\n";
    report.indexPage = out.Target(kIndexName);
    if (report.indexPage.empty())
        throw Error(err::PathFileAccess,
                    "Cannot write " + folder + kIndexName + ": it leads out of the output folder");
    out.Write(report.indexPage, html);
    return report;
}

} // namespace qv
