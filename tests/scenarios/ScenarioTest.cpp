// Runs each qvx script of cases/ against a fresh copy of the sample project and compares what
// qvx prints with the expected output beside the script.
#include "support/TempDir.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <sstream>
#include <sys/stat.h>

namespace qvtest {
namespace {

namespace fs = std::filesystem;

const fs::path kCases = fs::path(QV_SOURCE_DIR) / "tests/scenarios/cases";

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The value of a "# NAME: VALUE" line of a script, "" when absent. Directives: "exit" (the exit
// status, 0 when absent), "unchanged" (a folder of the copy whose files must all keep their
// contents, none added or removed), "fifo" (a pipe to make in the copy first: git keeps none),
// "tree" (a regular expression: the "tree" lines it does not find are left out, so that a script
// shows only the nodes it is about), "reports" ("first": every report after the first keeps its
// header line alone, the dumps of the others repeating the same module variables), "selection"
// ("quiet": without the events and host calls of each selection, where the script is not about
// them).
std::string Directive(const std::string& script, const std::string& name) {
    const auto at = script.find("# " + name + ": ");
    if (at == std::string::npos) return {};
    const auto from = at + name.size() + 4;
    return script.substr(from, script.find('\n', from) - from);
}

// Without the lines of the load's progress through each file, which every opening repeats
// (LoadingTest checks them).
std::string WithoutFileProgress(const std::string& out) {
    std::string kept;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
        if (line.find(" \"Reading ") == std::string::npos ||
            (line.rfind("host ", 0) != 0 && line.rfind("event ", 0) != 0))
            kept += line + "\n";
    return kept;
}

// The output as the script's "tree" and "reports" directives narrow it.
std::string Filtered(const std::string& out, const std::string& tree, bool firstReportOnly,
                     bool quietSelection) {
    static const char* const kSelection[] = {"host flashtopic",          "event TopicSelected",
                                             "event RefreshTools",       "host helpContextChanged",
                                             "event FolderNodeSelected", "event OtherFileSelected"};
    const std::regex keep(tree.empty() ? "." : tree);
    std::string kept;
    std::istringstream lines(out);
    int reports = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("report ", 0) == 0) ++reports;
        if (line.rfind("tree ", 0) == 0 && !std::regex_search(line, keep)) continue;
        if (firstReportOnly && reports > 1 && line.rfind("  ", 0) == 0) continue;
        if (quietSelection && std::any_of(std::begin(kSelection), std::end(kSelection),
                                          [&](const char* p) { return line.rfind(p, 0) == 0; }))
            continue;
        kept += line + "\n";
    }
    return kept;
}

// Every entry below folder by its relative path (folders end in "/"), with a file's contents.
std::map<std::string, std::string> Contents(const fs::path& folder) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = fs::relative(entry.path(), folder).generic_string();
        if (entry.is_directory())
            entries[name + "/"];
        else
            entries[name] = ReadFile(entry.path());
    }
    return entries;
}

// The entries that differ between two listings, one per line.
std::string Differences(const std::map<std::string, std::string>& before,
                        const std::map<std::string, std::string>& after) {
    std::string out;
    for (const auto& [name, contents] : before) {
        const auto it = after.find(name);
        if (it == after.end())
            out += "removed " + name + "\n";
        else if (it->second != contents)
            out += "changed " + name + "\n";
    }
    for (const auto& [name, contents] : after)
        if (!before.count(name)) out += "added " + name + "\n";
    return out;
}

std::vector<std::string> CaseNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(kCases))
        if (entry.path().extension() == ".qvx") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

class ScenarioTest : public ::testing::TestWithParam<std::string> {};

TEST_P(ScenarioTest, OutputMatches) {
    TempDir dir;
    const fs::path root = dir.Path();
    fs::copy(fs::path(QV_SOURCE_DIR) / "samples/Handbook", root / "Handbook",
             fs::copy_options::recursive);
    fs::copy(fs::path(QV_SOURCE_DIR) / "tests/scenarios/projects", root / "projects",
             fs::copy_options::recursive);
    fs::create_directories(root / "config");
    fs::create_directories(root / "tmp");
    const fs::path script = kCases / (GetParam() + ".qvx");
    const std::string scriptText = ReadFile(script);
    const std::string unchanged = Directive(scriptText, "unchanged");
    if (const std::string fifo = Directive(scriptText, "fifo"); !fifo.empty()) {
        ASSERT_EQ(::mkfifo((root / fifo).c_str(), 0600), 0) << fifo;
    }
    std::map<std::string, std::string> before;
    if (!unchanged.empty()) before = Contents(root / unchanged);
    const std::string command = "cd '" + root.string() + "' && XDG_CONFIG_HOME='" +
                                (root / "config").string() + "' TMP='" + (root / "tmp").string() +
                                "' '" + QV_QVX + "' --no-instrumentation run '" + script.string() +
                                "' >out.txt 2>err.txt; echo $? >rc.txt";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string folder = fs::canonical(root).string();
    const std::string out =
        Filtered(WithoutFileProgress(ReplaceAll(ReadFile(root / "out.txt"), folder, "$TMP")),
                 Directive(scriptText, "tree"), Directive(scriptText, "reports") == "first",
                 Directive(scriptText, "selection") == "quiet");
    const std::string err = ReplaceAll(ReplaceAll(ReadFile(root / "err.txt"), folder, "$TMP"),
                                       kCases.string() + "/", "");
    const int rc = std::stoi(ReadFile(root / "rc.txt"));
    if (!unchanged.empty()) {
        EXPECT_EQ(Differences(before, Contents(root / unchanged)), "") << unchanged;
    }
    const std::string exit = Directive(scriptText, "exit");
    EXPECT_EQ(rc, exit.empty() ? 0 : std::stoi(exit)) << err;
    EXPECT_EQ(out, ReadFile(kCases / (GetParam() + ".out"))) << err;
    const fs::path expectedErr = kCases / (GetParam() + ".err");
    if (fs::exists(expectedErr)) {
        EXPECT_EQ(err, ReadFile(expectedErr));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ScenarioTest, ::testing::ValuesIn(CaseNames()),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

} // namespace
} // namespace qvtest
