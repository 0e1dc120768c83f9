// The benchmark program: every figure of docs/performance.md comes from one run of it.

#include "Shape.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

int main(int argc, char** argv) {
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
