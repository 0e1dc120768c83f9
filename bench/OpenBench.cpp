// Opening a project file, each figure beside the floor measured in the same run: in a fresh
// process for every sample (cold: every page the open touches is touched for the first time)
// and repeated within one process (warm: the allocator hands back memory it already has).

#include "Floor.h"
#include "Host.h"
#include "Open.h"
#include "Report.h"
#include "Shape.h"
#include "contracts/LoadScope.h"
#include "model/ProjectFileReader.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <ctime>
#include <malloc.h>
#include <memory>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace qvbench {

namespace {

int64_t Now(clockid_t clock) {
    timespec t{};
    ::clock_gettime(clock, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// The real open, as qvx does it: the project read from its file, handed to the IDE object and
// loaded by the designer control. The control stays alive with the project: the caller
// measures the memory after the open.
std::size_t RealOpen(Host& host, std::shared_ptr<qv::ProjectExplorer>& control,
                     const std::string& projectFile) {
    qv::LoadOptions options;
    options.defaultStatus = "Draft";
    qv::LoadScope load; // as qvx's open: one load from the file to the tree
    auto project = qv::LoadProject(projectFile, options);
    host.Ide()->SetProject(project);
    control->SetQVIDE(host.Ide());
    if (host.BoxesShown() != 0) throw std::runtime_error(host.LastBox());
    return static_cast<std::size_t>(control->Tree().Nodes().Count());
}

// The memory this process holds now (resident set, kB). Not getrusage's maximum, which a
// process started by exec inherits from its parent.
long ResidentKb() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return 0;
    char line[256];
    long kb = 0;
    while (std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "VmRSS: %ld kB", &kb) == 1) break;
    std::fclose(status);
    return kb;
}

struct Sample {
    double cpuSeconds = 0;
    double wallSeconds = 0;
    double processSeconds = 0; // the whole child: start, set-up, the open and exit
    double rssMB = 0;
    std::size_t nodes = 0;
};

std::string SelfPath() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) throw std::runtime_error("cannot find the benchmark program");
    return std::string(path, static_cast<std::size_t>(n));
}

// Runs this program again in the child mode and reads what it measured.
Sample RunChild(const std::string& kind, const std::string& projectFile) {
    int out[2];
    if (::pipe(out) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string self = SelfPath();
    std::string kindArg = "--qv_child=" + kind, fileArg = "--qv_project=" + projectFile;
    char* argv[] = {const_cast<char*>(self.c_str()), kindArg.data(), fileArg.data(), nullptr};
    const int64_t start = Now(CLOCK_MONOTONIC);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, self.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) {
        ::close(out[0]);
        throw std::runtime_error("cannot start the benchmark program again");
    }
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    Sample sample;
    sample.processSeconds = static_cast<double>(Now(CLOCK_MONOTONIC) - start) * 1e-9;
    long long cpu = 0, wall = 0, rss = 0;
    unsigned long long nodes = 0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        std::sscanf(text.c_str(), "%lld %lld %lld %llu", &cpu, &wall, &rss, &nodes) != 4)
        throw std::runtime_error("the " + kind + " child failed: " + text);
    sample.cpuSeconds = static_cast<double>(cpu) * 1e-9;
    sample.wallSeconds = static_cast<double>(wall) * 1e-9;
    sample.rssMB = static_cast<double>(rss) / 1024.0;
    sample.nodes = static_cast<std::size_t>(nodes);
    return sample;
}

// Cold: one fresh process per sample. The time is the child's CPU time (user and system, so
// the page faults of first touch count) from the first byte read to the finished tree.
void ColdOpen(benchmark::State& state, const char* kind) {
    const Shape& shape = ShapeFor(static_cast<int>(state.range(0)));
    const std::string& file = ProjectFileFor(shape.topics);
    Sample sum;
    int samples = 0;
    for (auto _ : state) {
        Sample s;
        try {
            s = RunChild(kind, file);
        } catch (const std::exception& e) {
            state.SkipWithError(e.what());
            return;
        }
        if (s.nodes != shape.treeNodes) {
            state.SkipWithError(("the tree has " + std::to_string(s.nodes) + " nodes, expected " +
                                 std::to_string(shape.treeNodes))
                                    .c_str());
            return;
        }
        state.SetIterationTime(s.cpuSeconds);
        sum.wallSeconds += s.wallSeconds;
        sum.processSeconds += s.processSeconds;
        sum.rssMB += s.rssMB;
        ++samples;
    }
    if (samples == 0) return;
    state.counters["wall_ms"] = sum.wallSeconds * 1e3 / samples;
    state.counters["process_ms"] = sum.processSeconds * 1e3 / samples;
    state.counters["rss_MB"] = sum.rssMB / samples;
    ReportItems(state, shape.treeNodes);
}

void BM_ColdFloor(benchmark::State& state) {
    ColdOpen(state, "floor");
}
void BM_ColdOpen(benchmark::State& state) {
    ColdOpen(state, "open");
}

// Warm: the same in one process, the result freed untimed between samples.
void BM_WarmFloor(benchmark::State& state) {
    const Shape& shape = ShapeFor(static_cast<int>(state.range(0)));
    const std::string& file = ProjectFileFor(shape.topics);
    std::size_t nodes = 0;
    for (auto _ : state) {
        auto tree = std::make_unique<PlainTree>();
        nodes = BuildFloor(file, *tree);
        state.PauseTiming();
        tree.reset();
        state.ResumeTiming();
    }
    if (nodes != shape.treeNodes) {
        state.SkipWithError("the floor built the wrong number of nodes");
        return;
    }
    ReportItems(state, shape.treeNodes);
}

void BM_WarmOpen(benchmark::State& state) {
    const Shape& shape = ShapeFor(static_cast<int>(state.range(0)));
    const std::string& file = ProjectFileFor(shape.topics);
    std::size_t nodes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto host = std::make_unique<Host>();
        auto control = host->CreateDesigner();
        state.ResumeTiming();
        try {
            nodes = RealOpen(*host, control, file);
        } catch (const std::exception& e) {
            state.SkipWithError(e.what());
            return;
        }
        state.PauseTiming();
        control.reset();
        host.reset();
        state.ResumeTiming();
    }
    if (nodes != shape.treeNodes) {
        state.SkipWithError("the open built the wrong number of nodes");
        return;
    }
    ReportItems(state, shape.treeNodes);
}

} // namespace

int RunFreshOpen(const std::string& kind, const std::string& projectFile, bool trim) {
    try {
        std::unique_ptr<Host> host;
        std::shared_ptr<qv::ProjectExplorer> control;
        std::unique_ptr<PlainTree> tree;
        if (kind == "open") {
            host = std::make_unique<Host>();
            control = host->CreateDesigner();
        } else if (kind != "floor") {
            std::fprintf(stderr, "unknown child kind %s\n", kind.c_str());
            return 2;
        }
        const int64_t cpu = Now(CLOCK_PROCESS_CPUTIME_ID), wall = Now(CLOCK_MONOTONIC);
        std::size_t nodes = 0;
        if (host) {
            nodes = RealOpen(*host, control, projectFile);
        } else {
            tree = std::make_unique<PlainTree>();
            nodes = BuildFloor(projectFile, *tree);
        }
        const int64_t cpuNs = Now(CLOCK_PROCESS_CPUTIME_ID) - cpu,
                      wallNs = Now(CLOCK_MONOTONIC) - wall;
        std::printf("%lld %lld %ld %zu", static_cast<long long>(cpuNs),
                    static_cast<long long>(wallNs), ResidentKb(), nodes);
        if (trim) {
            ::malloc_trim(0);
            std::printf(" %ld", ResidentKb());
        }
        std::printf("\n");
        std::fflush(stdout);
        // What was built is left to the end of the process: the teardown is not the open's.
        std::_Exit(0);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}

BENCHMARK(BM_ColdFloor)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);
BENCHMARK(BM_ColdOpen)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);
BENCHMARK(BM_WarmFloor)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);
BENCHMARK(BM_WarmOpen)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);

} // namespace qvbench
