// The tree alone and the plain-std baseline, built to the same shape with the same work per
// node: keys and labels formatted, folder keys looked up, file folders sorted.

#include "PlainTree.h"
#include "Report.h"
#include "Shape.h"
#include "TextSearch.h"
#include "controls/HeadlessControls.h"
#include "controls/TreeView.h"

#include <benchmark/benchmark.h>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qvbench {
namespace {

std::string AsciiLower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string CategoryKey(int c) {
    return "c:C" + std::to_string(c + 1);
}

std::string TopicKey(int i) {
    return "t:T" + std::to_string(i + 1);
}

// Calls part(text, last) for each "\"-separated part of a relative path.
template <class F> void ForEachPart(const std::string& relative, F&& part) {
    std::size_t at = 0;
    for (;;) {
        const std::size_t next = relative.find('\\', at);
        if (next == std::string::npos) {
            part(std::string_view(relative).substr(at), true);
            return;
        }
        part(std::string_view(relative).substr(at, next - at), false);
        at = next + 1;
    }
}

// ---- The headless tree through the qv::Nodes API ----

qv::Node* AddFolder(qv::Nodes& nodes, qv::Node* relative, int32_t relationship,
                    const std::string& key, const std::string& text, const std::string& image,
                    const std::string& expandedImage) {
    qv::Node* node = nodes.Add(relative, relationship, key, text, image);
    node->SetExpandedImage(expandedImage);
    node->SetAllowDrag(false);
    return node;
}

void BuildTree(qv::Nodes& nodes, const Shape& shape) {
    nodes.Reserve(shape.treeNodes);
    qv::Node* topics = AddFolder(nodes, nullptr, qv::rel::Last, "topics", "Topics",
                                 "topicfolderclosed", "topicfolderopen");
    topics->SetExpanded(true);
    qv::Node* uncategorized = AddFolder(nodes, topics, qv::rel::Child, "c:uncategorized",
                                        "(Un-categorized)", "topicfolderclosed", "topicfolderopen");
    std::vector<qv::Node*> categories;
    categories.reserve(static_cast<std::size_t>(shape.categories));
    for (int c = 0; c < shape.categories; ++c)
        categories.push_back(AddFolder(nodes, topics, qv::rel::Child, CategoryKey(c),
                                       "Category " + std::to_string(c), "topicfolderclosed",
                                       "topicfolderopen"));
    for (int i = 0; i < shape.topics; ++i) {
        const int c = shape.CategoryOf(i);
        nodes.Add(c < 0 ? uncategorized : categories[static_cast<std::size_t>(c)], qv::rel::Child,
                  TopicKey(i), Shape::TopicLabel(i), "topicstatus" + Shape::TopicStatus(i));
    }

    qv::Node* images = AddFolder(nodes, nullptr, qv::rel::Last, "images", "Image Files",
                                 "imagefolderclosed", "imagefolderopen");
    images->SetSorted(true);
    qv::Node* other = AddFolder(nodes, nullptr, qv::rel::Last, "other", "Other Files",
                                "otherfilefolderclosed", "otherfilefolderopen");
    other->SetSorted(true);
    for (const auto& file : shape.files) {
        qv::Node* current = file.image ? images : other;
        std::string key = file.image ? "images" : "other";
        ForEachPart(file.relative, [&](std::string_view part, bool last) {
            if (last) {
                qv::Node* node = nodes.Add(current, qv::rel::Child, "o:" + file.localSpec,
                                           std::string(part), "ext_" + file.extension);
                node->SetForeColor(file.included ? 0 : static_cast<int32_t>(0x80000011));
                return;
            }
            key += '\\';
            key += AsciiLower(part);
            if (nodes.Contains(key)) {
                current = &nodes.Item(key);
                return;
            }
            current = AddFolder(nodes, current, qv::rel::Child, key, std::string(part),
                                file.image ? "imagefolderclosed" : "otherfilefolderclosed",
                                file.image ? "imagefolderopen" : "otherfilefolderopen");
            current->SetSorted(true);
            current->SetTag(qv::Variant("FileSystemFolder"));
        });
    }

    qv::Node* profiles = AddFolder(nodes, nullptr, qv::rel::Last, "buildprofiles", "Build Profiles",
                                   "buildprofilesclosed", "buildprofilesopen");
    profiles->SetSorted(true);
    for (const char* name : {"Web Help", "Printed Manual"}) {
        const std::string key = std::string("bp:B") + (name[0] == 'W' ? "1" : "2");
        qv::Node* node = nodes.Add(profiles, qv::rel::Child, key, name, "html");
        node->SetAllowDrag(false);
        node->SetAllowDrop(qv::drop::None);
    }
}

// The built-in images plus the statuses' and extensions' keys the shape uses.
std::shared_ptr<qv::ImageList> MakeImages() {
    qv::HeadlessControls controls;
    auto images = controls.CreateImageList();
    auto blank = std::make_shared<const qv::Picture>(16, 16);
    for (int s = 0; s < 4; ++s)
        images->Add("topicstatus" + Shape::TopicStatus(s), blank);
    for (const char* e : {"png", "txt", "gif", "css", "jpg", "js", "bmp", "pdf", "xml", "html"})
        images->Add(std::string("ext_") + e, blank);
    return images;
}

void BM_TreeOnly(benchmark::State& state) {
    const Shape& shape = ShapeFor(static_cast<int>(state.range(0)));
    auto images = MakeImages();
    std::unique_ptr<qv::HeadlessTreeView> tree;
    for (auto _ : state) {
        state.PauseTiming();
        tree = std::make_unique<qv::HeadlessTreeView>();
        tree->SetImageList(images.get());
        state.ResumeTiming();
        tree->SetRedraw(false);
        BuildTree(tree->Nodes(), shape);
        tree->SetRedraw(true);
        state.PauseTiming();
        if (static_cast<std::size_t>(tree->Nodes().Count()) != shape.treeNodes) {
            state.SkipWithError("the tree has the wrong number of nodes");
            break;
        }
        tree.reset();
        state.ResumeTiming();
    }
    ReportItems(state, shape.treeNodes);
}

// ---- The same in plain standard containers ----

void BuildPlain(PlainTree& tree, const Shape& shape) {
    tree.Reserve(shape.treeNodes);
    PlainNode* topics = tree.Add(nullptr, "topics", "Topics", "topicfolderclosed");
    PlainNode* uncategorized =
        tree.Add(topics, "c:uncategorized", "(Un-categorized)", "topicfolderclosed");
    std::vector<PlainNode*> categories;
    categories.reserve(static_cast<std::size_t>(shape.categories));
    for (int c = 0; c < shape.categories; ++c)
        categories.push_back(
            tree.Add(topics, CategoryKey(c), "Category " + std::to_string(c), "topicfolderclosed"));
    for (int i = 0; i < shape.topics; ++i) {
        const int c = shape.CategoryOf(i);
        tree.Add(c < 0 ? uncategorized : categories[static_cast<std::size_t>(c)], TopicKey(i),
                 Shape::TopicLabel(i), "topicstatus" + Shape::TopicStatus(i));
    }

    PlainNode* images = tree.Add(nullptr, "images", "Image Files", "imagefolderclosed");
    images->sorted = true;
    PlainNode* other = tree.Add(nullptr, "other", "Other Files", "otherfilefolderclosed");
    other->sorted = true;
    for (const auto& file : shape.files) {
        PlainNode* current = file.image ? images : other;
        std::string key = file.image ? "images" : "other";
        ForEachPart(file.relative, [&](std::string_view part, bool last) {
            if (last) {
                tree.Add(current, "o:" + file.localSpec, std::string(part),
                         "ext_" + file.extension);
                return;
            }
            key += '\\';
            key += AsciiLower(part);
            if (PlainNode* found = tree.Find(key)) {
                current = found;
                return;
            }
            current = tree.Add(current, key, std::string(part),
                               file.image ? "imagefolderclosed" : "otherfilefolderclosed", true);
            current->sorted = true;
        });
    }

    PlainNode* profiles =
        tree.Add(nullptr, "buildprofiles", "Build Profiles", "buildprofilesclosed");
    profiles->sorted = true;
    tree.Add(profiles, "bp:B1", "Web Help", "html");
    tree.Add(profiles, "bp:B2", "Printed Manual", "html");
    tree.Finish();
}

void BM_PlainStdBaseline(benchmark::State& state) {
    const Shape& shape = ShapeFor(static_cast<int>(state.range(0)));
    std::unique_ptr<PlainTree> tree;
    for (auto _ : state) {
        state.PauseTiming();
        tree = std::make_unique<PlainTree>();
        state.ResumeTiming();
        BuildPlain(*tree, shape);
        state.PauseTiming();
        if (tree->Count() != shape.treeNodes) {
            state.SkipWithError("the tree has the wrong number of nodes");
            break;
        }
        tree.reset();
        state.ResumeTiming();
    }
    ReportItems(state, shape.treeNodes);
}

// The baseline of BM_FullWalkSubstring: the same test over the plain tree.
void BM_PlainStdWalkSubstring(benchmark::State& state) {
    const Shape& shape = ShapeFor(static_cast<int>(state.range(0)));
    PlainTree tree;
    BuildPlain(tree, shape);
    const std::string needle = kFindNeedle;
    int64_t hits = 0;
    for (auto _ : state) {
        hits = 0;
        tree.Walk([&](const PlainNode& node) {
            if (ContainsNoCase(node.text, needle)) ++hits;
        });
        benchmark::DoNotOptimize(hits);
    }
    state.counters["hits"] = static_cast<double>(hits);
    ReportItems(state, shape.treeNodes);
}

// The baseline of BM_FindNowWholeTree: the plain tree walked in the same order, each topic node's
// name, title and caption and each image node's file name tested, the items found by their key
// in hash maps of their own (no copy of the key); image folders by their path.
void BM_PlainStdFindWalk(benchmark::State& state) {
    const Shape& shape = ShapeFor(static_cast<int>(state.range(0)));
    PlainTree tree;
    BuildPlain(tree, shape);
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const {
            return std::hash<std::string_view>{}(s);
        }
    };
    struct PlainTopic {
        std::string name, title, caption;
    };
    struct PlainFile {
        std::string name;
        bool image;
    };
    std::unordered_map<std::string, PlainTopic, Hash, std::equal_to<>> topics;
    std::unordered_map<std::string, PlainFile, Hash, std::equal_to<>> files;
    topics.reserve(static_cast<std::size_t>(shape.topics));
    for (int i = 0; i < shape.topics; ++i)
        topics.emplace(TopicKey(i).substr(2),
                       PlainTopic{Shape::TopicName(i), Shape::TopicTitle(i), Shape::TopicTitle(i)});
    files.reserve(shape.files.size());
    for (const auto& file : shape.files)
        files.emplace(file.localSpec, PlainFile{file.name, file.image});
    const std::string needle = kAbsentNeedle;
    int64_t hits = 0;
    for (auto _ : state) {
        hits = 0;
        tree.Walk([&](const PlainNode& node) {
            const std::string_view key = node.key;
            const std::size_t colon = key.find(':');
            const std::string_view kind = key.substr(0, colon);
            const std::string_view value =
                colon == std::string_view::npos ? std::string_view() : key.substr(colon + 1);
            bool found = false;
            if (kind == "t") {
                const PlainTopic& t = topics.find(value)->second;
                found = ContainsNoCase(t.name, needle) || ContainsNoCase(t.title, needle) ||
                        ContainsNoCase(t.caption, needle);
            } else if (kind == "o") {
                const PlainFile& f = files.find(value)->second;
                found = f.image && ContainsNoCase(f.name, needle);
            } else if (node.fileSystemFolder && key.starts_with("images\\")) {
                found = ContainsNoCase(key.substr(7), needle);
            }
            if (found) ++hits;
        });
        benchmark::DoNotOptimize(hits);
    }
    state.counters["hits"] = static_cast<double>(hits);
    ReportItems(state, shape.treeNodes);
}

// Files in no particular name order, all in one sorted folder, added as a load adds them (Redraw
// off, then on again).
void BM_FlatFolderTree(benchmark::State& state) {
    const long count = static_cast<long>(state.range(0));
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(count));
    for (long i = 0; i < count; ++i)
        names.push_back("file" + std::to_string(i * 7919 % count) + ".png");
    auto images = MakeImages();
    std::unique_ptr<qv::HeadlessTreeView> tree;
    for (auto _ : state) {
        state.PauseTiming();
        tree = std::make_unique<qv::HeadlessTreeView>();
        tree->SetImageList(images.get());
        state.ResumeTiming();
        qv::Nodes& nodes = tree->Nodes();
        tree->SetRedraw(false);
        nodes.Reserve(names.size() + 1);
        qv::Node* folder = nodes.Add(nullptr, qv::rel::Last, "images", "Image Files");
        folder->SetSorted(true);
        for (const auto& name : names)
            nodes.Add(folder, qv::rel::Child, std::string("o:/p/").append(name), name, "ext_png");
        tree->SetRedraw(true);
        state.PauseTiming();
        tree.reset();
        state.ResumeTiming();
    }
    ReportItems(state, names.size());
}

// The baseline of BM_FlatFolderTree: the files appended, then one sort.
void BM_PlainStdFlatFolder(benchmark::State& state) {
    const long count = static_cast<long>(state.range(0));
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(count));
    for (long i = 0; i < count; ++i)
        names.push_back("file" + std::to_string(i * 7919 % count) + ".png");
    std::unique_ptr<PlainTree> tree;
    for (auto _ : state) {
        state.PauseTiming();
        tree = std::make_unique<PlainTree>();
        state.ResumeTiming();
        tree->Reserve(names.size() + 1);
        PlainNode* folder = tree->Add(nullptr, "images", "Image Files", "imagefolderclosed");
        folder->sorted = true;
        for (const auto& name : names)
            tree->Add(folder, std::string("o:/p/").append(name), name, "ext_png");
        tree->Finish();
        state.PauseTiming();
        tree.reset();
        state.ResumeTiming();
    }
    ReportItems(state, names.size());
}

} // namespace

BENCHMARK(BM_FlatFolderTree)
    ->Arg(5000)
    ->Arg(50000)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);
BENCHMARK(BM_PlainStdFlatFolder)
    ->Arg(5000)
    ->Arg(50000)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);
BENCHMARK(BM_TreeOnly)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);
BENCHMARK(BM_TreeOnly)
    ->Arg(100000)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);
BENCHMARK(BM_PlainStdBaseline)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);
BENCHMARK(BM_PlainStdBaseline)
    ->Arg(100000)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);
BENCHMARK(BM_PlainStdWalkSubstring)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);
BENCHMARK(BM_PlainStdFindWalk)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);

} // namespace qvbench
