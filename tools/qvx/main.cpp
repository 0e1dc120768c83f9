// qvx: the headless host of ProjectExplorer. See docs/qvx.md for the script language.
#include "Script.h"
#include "Session.h"
#include "contracts/Error.h"
#include "diagnostics/InstanceCounting.h"
#include "host/PosixInstrumentation.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <new>
#include <optional>
#include <sstream>

#ifdef QV_COVERAGE
extern "C" void __gcov_dump();
#endif

namespace {

constexpr const char* kTreeScript = "qvx tree";

int Usage() {
    std::cerr << "usage: qvx [--no-instrumentation] tree PROJECTFILE\n"
                 "       qvx [--no-instrumentation] run SCRIPT... (- reads standard input)\n";
    return 1;
}

// What the exception being handled says; call it only inside a catch block. Lack of memory
// gets a text of its own, since its what() says little.
std::string FailureText() {
    try {
        throw;
    } catch (const qv::Error& e) {
        return e.Description();
    } catch (const std::bad_alloc&) {
        return "out of memory";
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown failure";
    }
}

// Runs one script; returns the exit status (0 when every line ran).
int RunScript(qvx::Session& session, std::istream& in, const std::string& name) {
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // The byte-order mark some editors put before a UTF-8 text.
        if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
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
        } catch (...) {
            // A failure of qvx itself (out of memory included) stops the run with a message,
            // never with an uncaught exception.
            std::cout.flush();
            std::cerr << (name == kTreeScript ? std::string("qvx")
                                              : name + ":" + std::to_string(number))
                      << ": " << FailureText() << "\n";
            return 1;
        }
    }
    return 0;
}

int Main(int argc, char** argv) {
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
        // Past the usage checks, the process ends here with _Exit (below), its memory unfreed.
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
        const auto kept = session.EndControlKept();
        // The channel's socket goes before the instrumentation does.
        qv::diag::UnloadLibrary();
        instrumentation.reset();
        std::cout.flush();
        std::fflush(nullptr);
#ifdef QV_COVERAGE
        __gcov_dump(); // _Exit skips the write of the coverage counters that exit() does
#endif
        // Not a return: the session's tree and project would be freed node by node (a tenth of
        // a second at 100,000 topics) when nothing of them is kept.
        std::_Exit(status);
    }
}

} // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    try {
        return Main(argc, argv);
    } catch (...) {
        std::cout.flush();
        std::cerr << "qvx: " << FailureText() << "\n";
        return 1;
    }
}
