#include "Shape.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <stdexcept>
#include <utility>

namespace qvbench {

namespace {

constexpr int kCategories = 500;
// Four of the ten are images; consecutive files take consecutive extensions.
constexpr std::array<const char*, 10> kExtensions = {"png", "txt", "gif", "css", "jpg",
                                                     "js",  "bmp", "pdf", "xml", "html"};
constexpr std::array<const char*, 4> kStems = {"file", "Image", "photo", "Page"};
constexpr std::array<const char*, 4> kTops = {"images", "Media", "docs", "assets"};
// Prime, so that i * kSpread mod n visits every number below n once: the names of a folder's
// files arrive in no particular order, as in a real project.
constexpr long kSpread = 7919;

bool IsImage(const std::string& extension) {
    return extension == "png" || extension == "gif" || extension == "jpg" || extension == "bmp";
}

std::string AsciiLower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// 204 folders: each top, ten sub-folders of it and four below each of those.
std::vector<std::string> Folders() {
    std::vector<std::string> folders;
    for (const char* top : kTops) {
        folders.emplace_back(top);
        for (int a = 0; a < 10; ++a) {
            const std::string middle = std::string(top) + "\\a" + std::to_string(a);
            folders.push_back(middle);
            for (int b = 0; b < 4; ++b)
                folders.push_back(middle + "\\b" + std::to_string(b));
        }
    }
    return folders;
}

void Touch(const std::string& path) {
    if (std::filesystem::exists(path)) return;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) throw std::runtime_error("cannot create " + path);
    std::fclose(f);
}

Shape Generate(int topics) {
    Shape shape;
    shape.topics = topics;
    shape.categories = kCategories;
    shape.folder = TemporaryFolder() + "project" + std::to_string(topics) + "/";
    const std::vector<std::string> folders = Folders();
    for (const auto& folder : folders) {
        std::string disk = folder;
        for (char& c : disk)
            if (c == '\\') c = '/';
        std::filesystem::create_directories(shape.folder + disk);
    }

    const long count = topics / 2;
    shape.files.reserve(static_cast<std::size_t>(count));
    std::set<std::pair<bool, std::string>> folderKeys;
    for (long i = 0; i < count; ++i) {
        Shape::File file;
        const long n = i * kSpread % count;
        file.extension = kExtensions[static_cast<std::size_t>(i) % kExtensions.size()];
        file.name = std::string(kStems[static_cast<std::size_t>(n) % kStems.size()]) +
                    std::to_string(n) + "." + file.extension;
        const std::string& folder = folders[static_cast<std::size_t>(i / 10) % folders.size()];
        file.relative = folder + "\\" + file.name;
        std::string disk = file.relative;
        for (char& c : disk)
            if (c == '\\') c = '/';
        file.localSpec = shape.folder + disk;
        file.image = IsImage(file.extension);
        file.included = i % 10 != 9;
        Touch(file.localSpec);
        // Every prefix of the folder is a folder node on the file's side of the tree.
        std::string prefix;
        for (std::size_t at = 0; at != std::string::npos;) {
            const std::size_t next = folder.find('\\', at);
            if (!prefix.empty()) prefix += '\\';
            prefix.append(folder, at, next == std::string::npos ? std::string::npos : next - at);
            folderKeys.emplace(file.image, AsciiLower(prefix));
            at = next == std::string::npos ? next : next + 1;
        }
        shape.files.push_back(std::move(file));
    }
    shape.folderNodes = folderKeys.size();
    // topics, (Un-categorized), images, other, buildprofiles and the two profiles.
    shape.treeNodes =
        7 + static_cast<std::size_t>(kCategories + topics) + shape.folderNodes + shape.files.size();
    return shape;
}

} // namespace

std::string Shape::TopicName(int i) {
    return "Topic " + std::to_string(i);
}

std::string Shape::TopicTitle(int i) {
    return "How to Configure Subject " + std::to_string(i % 37) + " in Step " + std::to_string(i);
}

std::string Shape::TopicLabel(int i) {
    const std::string spelled = " (<FORMAT spellcheck>" + TopicTitle(i) + "</FORMAT>)";
    if (TopicIncluded(i)) return TopicName(i) + spelled;
    return "<FORMAT TEXT:808080>" + TopicName(i) + "</FORMAT>" + spelled;
}

const std::string& Shape::TopicStatus(int i) {
    static const std::array<std::string, 4> statuses = {"Draft", "InProgress", "Review",
                                                        "Complete"};
    return statuses[static_cast<std::size_t>(i) % statuses.size()];
}

std::string& TemporaryFolder() {
    static std::string folder;
    return folder;
}

const Shape& ShapeFor(int topics) {
    static std::map<int, Shape> shapes;
    auto it = shapes.find(topics);
    if (it == shapes.end()) it = shapes.emplace(topics, Generate(topics)).first;
    return it->second;
}

std::shared_ptr<qv::Project> MakeProject(const Shape& shape) {
    auto project = qv::Project::Create(shape.folder + "bench.qvproj");
    std::vector<std::string> categories;
    categories.reserve(static_cast<std::size_t>(shape.categories));
    for (int c = 0; c < shape.categories; ++c)
        categories.push_back(project->AddCategory("", "Category " + std::to_string(c))->ID());
    for (int i = 0; i < shape.topics; ++i) {
        const int category = shape.CategoryOf(i);
        auto topic = project->AddTopic(
            "", Shape::TopicName(i), Shape::TopicTitle(i),
            category < 0 ? std::string() : categories[static_cast<std::size_t>(category)],
            Shape::TopicStatus(i));
        if (!Shape::TopicIncluded(i)) topic->SetIncludeInOutput(false);
    }
    for (const auto& f : shape.files) {
        auto file = project->AddFile(f.relative);
        if (!f.included) file->SetIncludeInOutput(false);
    }
    project->AddProfile("", "Web Help");
    project->AddProfile("", "Printed Manual");
    return project;
}

const std::string& ProjectFileFor(int topics) {
    static std::map<int, std::string> files;
    auto it = files.find(topics);
    if (it != files.end()) return it->second;
    auto project = MakeProject(ShapeFor(topics));
    project->Save();
    return files.emplace(topics, project->Path()).first->second;
}

} // namespace qvbench
