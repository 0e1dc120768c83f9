// Loading with label spell checking on and off: the same project, the real checker and the
// installed en_US Hunspell dictionary.

#include "Host.h"
#include "Report.h"
#include "Shape.h"

#include <array>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>
#include <string>

namespace qvbench {
namespace {

constexpr int kCategories = 500;

// Titles of three to six words from a pool of everyday help-text words; one title in eight
// carries one of the common misspellings, so that the checker both passes and marks words.
std::string SpellTitle(int i) {
    static const std::array<const char*, 48> words = {
        "Getting",   "Started",    "with",     "Notes",     "Creating",        "Your",
        "First",     "Notebook",   "Sharing",  "Documents", "between",         "Devices",
        "Printing",  "and",        "Export",   "Options",   "Working",         "Offline",
        "Changing",  "the",        "Default",  "Settings",  "Using",           "Keyboard",
        "Shortcuts", "Managing",   "Account",  "Security",  "Restoring",       "Deleted",
        "Items",     "Adding",     "Pictures", "Tables",    "Searching",       "for",
        "Text",      "Formatting", "Headings", "Lists",     "Templates",       "Reminders",
        "Syncing",   "Backups",    "Install",  "Update",    "Troubleshooting", "Problems"};
    static const std::array<const char*, 8> misspelt = {"Seperating", "Recieving",  "Occured",
                                                        "Definately", "Accomodate", "Existance",
                                                        "Wierd",      "Neccessary"};
    const int count = 3 + i % 4;
    std::string title;
    for (int k = 0; k < count; ++k) {
        if (k) title += ' ';
        title += words[static_cast<std::size_t>((i * 7 + k * 13) % words.size())];
    }
    if (i % 8 == 3) title += std::string(" ") + misspelt[static_cast<std::size_t>(i / 8) % 8];
    return title;
}

std::shared_ptr<qv::Project> SpellProject(int topics) {
    static std::map<int, std::shared_ptr<qv::Project>> projects;
    auto& project = projects[topics];
    if (project) return project;
    project = qv::Project::Create(TemporaryFolder() + "spell.qvp");
    std::vector<std::string> categories;
    for (int c = 0; c < kCategories; ++c)
        categories.push_back(project->AddCategory("", "Category " + std::to_string(c))->ID());
    for (int i = 0; i < topics; ++i)
        project->AddTopic("", "Topic" + std::to_string(i), SpellTitle(i),
                          categories[static_cast<std::size_t>(i % kCategories)], "Draft");
    return project;
}

// The topics-only load (LoadQVProject with topics alone) timed; the tree is cleared untimed.
// The checker's cache is emptied by each load (Reset), so every load checks its words afresh.
void LoadTopics(benchmark::State& state, bool spelling) {
    const int topics = static_cast<int>(state.range(0));
    const auto project = SpellProject(topics);
    Host host;
    host.Options().checkSpelling = spelling;
    auto control = host.CreateDesigner();
    host.Ide()->SetProject(project);
    if (spelling && !control->TreeViewSpell()) {
        state.SkipWithError(("no spell checker: " + host.Ide()->SpellEngineError()).c_str());
        return;
    }
    qv::Nodes& nodes = control->Tree().Nodes();
    control->LoadQVProject(project, true, false, false);
    for (auto _ : state) {
        state.PauseTiming();
        nodes.Clear();
        state.ResumeTiming();
        control->LoadQVProject(project, true, false, false);
    }
    if (host.BoxesShown() != 0) {
        state.SkipWithError(("the component reported a failure: " + host.LastBox()).c_str());
        return;
    }
    int marked = 0;
    for (qv::Node* n = nodes.First(); n; n = n->NextNode())
        marked += n->Text().find("<FORMAT spellerror>") != std::string::npos;
    const int expected = spelling ? (topics + 4) / 8 : 0;
    if (marked != expected) {
        state.SkipWithError(
            ("marked " + std::to_string(marked) + " labels, expected " + std::to_string(expected))
                .c_str());
        return;
    }
    state.counters["marked"] = marked;
    ReportItems(state, static_cast<std::size_t>(topics));
}

void BM_LoadTopicsSpellingOff(benchmark::State& state) {
    LoadTopics(state, false);
}
void BM_LoadTopicsSpellingOn(benchmark::State& state) {
    LoadTopics(state, true);
}

} // namespace

BENCHMARK(BM_LoadTopicsSpellingOff)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);
BENCHMARK(BM_LoadTopicsSpellingOn)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);

} // namespace qvbench
