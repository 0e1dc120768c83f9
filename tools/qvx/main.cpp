// qvx: the headless host of ProjectExplorer. See docs/qvx.md for the script language.
#include "Script.h"
#include "Session.h"
#include "diagnostics/InstanceCounting.h"
#include "host/PosixInstrumentation.h"

#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>

namespace {

constexpr const char* kTreeScript = "qvx tree";

int Usage() {
    std::cerr << "usage: qvx [--no-instrumentation] tree PROJECTFILE\n"
                 "       qvx [--no-instrumentation] run SCRIPT... (- reads standard input)\n";
    return 1;
}

// Runs one script; returns the exit status (0 when every line ran).
int RunScript(qvx::Session& session, std::istream& in, const std::string& name) {
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        try {
            session.Run(qvx::SplitArguments(line));
            session.LetPendingWorkRun();
        } catch (const qvx::UsageError& e) {
            std::cout.flush();
            std::cerr << name << ":" << number << ": " << e.what() << "\n";
            return 1;
        } catch (const qvx::ProjectLoadError& e) {
            std::cout.flush();
            if (name == kTreeScript)
                std::cerr << "qvx: " << e.what() << "\n";
            else
                std::cerr << name << ":" << number << ": " << e.what() << "\n";
            return 2;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    // The library starts its instrumentation as it would in any host: the controls register
    // with a running qvmonitor. --no-instrumentation leaves it out (reports keep start values).
    const bool instrumented = !(argc > 1 && std::string(argv[1]) == "--no-instrumentation");
    if (!instrumented) --argc, ++argv;
    if (argc < 3) return Usage();
    const std::string verb = argv[1];
    int status = 0;
    std::optional<qv::PosixInstrumentation> instrumentation;
    if (instrumented) instrumentation.emplace();
    {
        qvx::Session session(std::cout, instrumentation ? &*instrumentation : nullptr);
        if (verb == "tree") {
            if (argc != 3) return Usage();
            std::istringstream script("open " + qvx::Quote(argv[2]) + "\nprint tree\n");
            status = RunScript(session, script, kTreeScript);
        } else if (verb == "run") {
            for (int i = 2; i < argc && status == 0; ++i) {
                const std::string name = argv[i];
                if (name == "-") {
                    status = RunScript(session, std::cin, "-");
                } else {
                    std::ifstream file(name);
                    if (!file) {
                        std::cerr << name << ": cannot read the script\n";
                        return 1;
                    }
                    status = RunScript(session, file, name);
                }
            }
        } else {
            return Usage();
        }
    }
    // The channel's socket goes before the instrumentation does.
    qv::diag::UnloadLibrary();
    std::cout.flush();
    return status;
}
