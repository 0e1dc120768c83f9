// The benchmark program: every figure of docs/performance.md comes from one run of it.
//
//   qv_bench [benchmark options]            runs the benchmarks
//   qv_bench --qv_generate=N --qv_folder=D  writes the generated project of N topics (its files
//                                           and D/projectN/bench.qvproj) and keeps it
// It also runs itself as a child for the cold opens (--qv_child=KIND --qv_project=FILE
// [--qv_trim=1]).

#include "Open.h"
#include "Shape.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

// The value of --name=value among the arguments, or "".
std::string Option(int argc, char** argv, const char* name) {
    const std::string prefix = std::string("--") + name + "=";
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], prefix.c_str(), prefix.size()) == 0)
            return argv[i] + prefix.size();
    return {};
}

int Generate(const std::string& topics, const std::string& folder) {
    const int n = std::atoi(topics.c_str());
    if (n <= 0 || folder.empty()) {
        std::fprintf(stderr, "qv_bench: give --qv_generate=TOPICS and --qv_folder=FOLDER\n");
        return 2;
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    qvbench::TemporaryFolder() = std::filesystem::absolute(folder, ec).string() + "/";
    std::printf("%s\n", qvbench::ProjectFileFor(n).c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (const std::string kind = Option(argc, argv, "qv_child"); !kind.empty())
        return qvbench::RunFreshOpen(kind, Option(argc, argv, "qv_project"),
                                     Option(argc, argv, "qv_trim") == "1");
    if (const std::string topics = Option(argc, argv, "qv_generate"); !topics.empty())
        return Generate(topics, Option(argc, argv, "qv_folder"));

    // The registry, the component's temporary files and the generated projects all go to a
    // folder of this run, removed at the end.
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/qv_bench.XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string folder = pattern + "/";
    qvbench::TemporaryFolder() = folder;
    std::filesystem::create_directories(folder + "config");
    std::filesystem::create_directories(folder + "tmp");
    ::setenv("XDG_CONFIG_HOME", (folder + "config").c_str(), 1);
    ::setenv("TMP", (folder + "tmp/").c_str(), 1);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::error_code ec;
    std::filesystem::remove_all(pattern, ec);
    return 0;
}
