// The component: the designer's load, topics added, moved and deleted after it, and a find's walk
// over the tree.

#include "Host.h"
#include "Report.h"
#include "Shape.h"
#include "TextSearch.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qvbench {
namespace {

constexpr int kLaterTopics = 1000;
constexpr int kMovedTopics = 100;

// One project per size, shared by the benchmarks that only read it.
const std::shared_ptr<qv::Project>& ProjectFor(int topics) {
    static std::map<int, std::shared_ptr<qv::Project>> projects;
    auto& project = projects[topics];
    if (!project) project = MakeProject(ShapeFor(topics));
    return project;
}

bool Failed(benchmark::State& state, const Host& host, std::size_t nodes, std::size_t expected) {
    if (host.BoxesShown() != 0) {
        state.SkipWithError(("the component reported a failure: " + host.LastBox()).c_str());
        return true;
    }
    if (nodes != expected) {
        state.SkipWithError(("the tree has " + std::to_string(nodes) + " nodes, expected " +
                             std::to_string(expected))
                                .c_str());
        return true;
    }
    return false;
}

// The designer with the project loaded through the host's IDE object, as a host opens it.
std::shared_ptr<qv::ProjectExplorer> LoadedDesigner(Host& host,
                                                    std::shared_ptr<qv::Project> project) {
    auto control = host.CreateDesigner();
    host.Ide()->SetProject(std::move(project));
    control->SetQVIDE(host.Ide());
    return control;
}

// The designer path: the host hands over its IDE object and the component loads everything
// (topics, images, other files, build profiles). The tree is emptied between loads untimed, so
// that only the load is measured; the first load runs before the timing, when the extension
// images are made.
void BM_LoadDesigner(benchmark::State& state) {
    const Shape& shape = ShapeFor(static_cast<int>(state.range(0)));
    const auto& project = ProjectFor(shape.topics);
    Host host;
    auto control = LoadedDesigner(host, project);
    qv::Nodes& nodes = control->Tree().Nodes();
    for (auto _ : state) {
        state.PauseTiming();
        nodes.Clear();
        state.ResumeTiming();
        control->SetQVIDE(host.Ide());
    }
    if (Failed(state, host, static_cast<std::size_t>(nodes.Count()), shape.treeNodes)) return;
    ReportItems(state, shape.treeNodes);
}

// Topics the IDE adds to one category of a loaded project: each reaches the tree through the
// project's TopicAdded event. They are removed again, untimed, after each round.
void BM_LaterTopicInsertions(benchmark::State& state) {
    const Shape& shape = ShapeFor(static_cast<int>(state.range(0)));
    auto project = MakeProject(shape);
    Host host;
    auto control = LoadedDesigner(host, project);
    qv::Nodes& nodes = control->Tree().Nodes();
    const std::string category = project->TopicCategories()->Item(shape.categories / 2)->ID();
    std::vector<std::string> added;
    added.reserve(kLaterTopics);
    for (auto _ : state) {
        for (int k = 0; k < kLaterTopics; ++k)
            added.push_back(project
                                ->AddTopic("", "Later Topic " + std::to_string(k),
                                           "Written After the Load " + std::to_string(k), category)
                                ->ID());
        state.PauseTiming();
        if (Failed(state, host, static_cast<std::size_t>(nodes.Count()),
                   shape.treeNodes + kLaterTopics))
            return;
        for (auto it = added.rbegin(); it != added.rend(); ++it)
            project->RemoveTopic(*it);
        added.clear();
        state.ResumeTiming();
    }
    if (Failed(state, host, static_cast<std::size_t>(nodes.Count()), shape.treeNodes)) return;
    ReportItems(state, kLaterTopics);
}

// Topics the IDE moves to the front of a loaded project: each reaches the tree through the
// project's TopicReOrdered event, which takes the node out and adds it again in its place.
void BM_LaterTopicMoves(benchmark::State& state) {
    const Shape& shape = ShapeFor(static_cast<int>(state.range(0)));
    auto project = MakeProject(shape);
    Host host;
    auto control = LoadedDesigner(host, project);
    qv::Nodes& nodes = control->Tree().Nodes();
    const auto topics = project->Topics();
    long next = 0;
    for (auto _ : state) {
        for (int k = 0; k < kMovedTopics; ++k) {
            // Both look-ups by position read the order directly: nothing here but the move
            // costs more than a few nanoseconds.
            next = (next + 7919) % shape.topics;
            project->MoveTopic(topics->Item(static_cast<int32_t>(next) + 1)->ID(),
                               topics->Item(1)->ID());
        }
    }
    if (Failed(state, host, static_cast<std::size_t>(nodes.Count()), shape.treeNodes)) return;
    ReportItems(state, kMovedTopics);
}

// The author deletes a category through the tree (the Delete key, the confirmation answered
// Yes): its topics move to (Un-categorized) one by one, each raising its change, then the
// category goes. Each iteration deletes another category, so the project changes little over
// the run; the selection of the category is untimed.
void BM_CategoryDelete(benchmark::State& state) {
    const Shape& shape = ShapeFor(static_cast<int>(state.range(0)));
    auto project = MakeProject(shape);
    Host host;
    auto control = LoadedDesigner(host, project);
    qv::TreeView& tree = control->Tree();
    qv::Node& uncategorized = tree.Nodes().Item("c:uncategorized");
    const int32_t before = uncategorized.ChildCount();
    const auto categories = project->TopicCategories();
    int32_t moved = 0, deleted = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string id = categories->Item(1 + (deleted * 97) % categories->Count())->ID();
        moved += project->GetCategory(id)->Topics()->Count();
        tree.SetSelectedItem(&tree.Nodes().Item("c:" + id));
        state.ResumeTiming();
        tree.ExecuteCommand("DeleteItem");
        ++deleted;
    }
    if (host.BoxesShown() != deleted || host.LastBox().rfind("Confirm Delete", 0) != 0) {
        state.SkipWithError(
            ("expected one confirmation per delete, last: " + host.LastBox()).c_str());
        return;
    }
    if (uncategorized.ChildCount() != before + moved ||
        categories->Count() != shape.categories - deleted) {
        state.SkipWithError("the deleted categories' topics did not all reach (Un-categorized)");
        return;
    }
    ReportItems(state, static_cast<std::size_t>(moved / std::max(deleted, 1)));
}

// A find's walk: every node in whole-tree order, its label tested for a substring without
// regard to case.
void BM_FullWalkSubstring(benchmark::State& state) {
    const Shape& shape = ShapeFor(static_cast<int>(state.range(0)));
    Host host;
    auto control = LoadedDesigner(host, ProjectFor(shape.topics));
    qv::Nodes& nodes = control->Tree().Nodes();
    if (Failed(state, host, static_cast<std::size_t>(nodes.Count()), shape.treeNodes)) return;
    const std::string needle = kFindNeedle;
    int64_t hits = 0;
    for (auto _ : state) {
        hits = 0;
        for (qv::Node* node = nodes.First(); node; node = node->NextNode())
            if (ContainsNoCase(node->Text(), needle)) ++hits;
        benchmark::DoNotOptimize(hits);
    }
    state.counters["hits"] = static_cast<double>(hits);
    ReportItems(state, shape.treeNodes);
}

// FindNow through the whole tree: nothing selected and a text that no topic name, title or
// caption and no image name holds, so every node is tested once; then the "Find Complete" box.
// Its plain twin is BM_PlainStdFindWalk.
void BM_FindNowWholeTree(benchmark::State& state) {
    const Shape& shape = ShapeFor(static_cast<int>(state.range(0)));
    Host host;
    auto control = LoadedDesigner(host, ProjectFor(shape.topics));
    qv::Nodes& nodes = control->Tree().Nodes();
    if (Failed(state, host, static_cast<std::size_t>(nodes.Count()), shape.treeNodes)) return;
    qv::CommandBar& dock = control->Dock();
    for (const char* option : {"FindInName", "FindInCaption", "FindInImageName"})
        dock.StateItem(option).SetChecked(1);
    dock.Item("FindValue").SetText(kAbsentNeedle);
    for (auto _ : state)
        control->ClickTool("FindNow");
    if (host.BoxesShown() == 0 || host.LastBox().rfind("Find Complete", 0) != 0) {
        state.SkipWithError(("the find did not search the whole tree: " + host.LastBox()).c_str());
        return;
    }
    ReportItems(state, shape.treeNodes);
}

} // namespace

BENCHMARK(BM_LoadDesigner)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);
BENCHMARK(BM_LoadDesigner)
    ->Arg(100000)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);
BENCHMARK(BM_LaterTopicInsertions)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);
BENCHMARK(BM_LaterTopicMoves)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);
BENCHMARK(BM_CategoryDelete)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);
BENCHMARK(BM_FullWalkSubstring)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);
BENCHMARK(BM_FindNowWholeTree)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);

} // namespace qvbench
