// qvmonitor: a monitor of the instance counting. See docs/decisions.md, "Instance counting".
#include "contracts/Error.h"
#include "host/InstanceMonitor.h"
#include "host/MonitorSockets.h"
#include "host/SharedMemoryCounter.h"

#include <csignal>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) {
    stopRequested = 1;
}

int Usage() {
    std::cerr << "usage: qvmonitor [--once] [--skip NAME]... [--socket-folder DIR] "
                 "[--shm-name NAME]\n";
    return 1;
}

// One line for all counts: "counts NAME(ID)=COUNT ...", ascending ID; "?" for names that
// another monitor gave.
void Print(const std::vector<qv::InstanceMonitor::Count>& counts) {
    std::cout << "counts";
    if (counts.empty()) std::cout << " none";
    for (const auto& c : counts)
        std::cout << " " << c.name << "(" << c.id << ")=" << c.count;
    std::cout << std::endl;
}

} // namespace

int main(int argc, char** argv) {
    qv::MonitorOptions options;
    bool once = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--once") {
            once = true;
        } else if (arg == "--skip" && i + 1 < argc) {
            options.skip.insert(argv[++i]);
        } else if (arg == "--socket-folder" && i + 1 < argc) {
            options.socketFolder = argv[++i];
        } else if (arg == "--shm-name" && i + 1 < argc) {
            options.sharedMemoryName = argv[++i];
        } else {
            return Usage();
        }
    }
    try {
        if (once) {
            // No socket, no broadcast, no IDs of its own; only the counts of ended processes
            // are withdrawn before the block is read.
            qv::SharedMemoryCounter counter(options.sharedMemoryName);
            counter.Open(10000, "#vbFaultmarkInstanceCounting#");
            counter.Sweep();
            std::vector<qv::InstanceMonitor::Count> counts;
            for (const auto& [id, count] : counter.Snapshot())
                counts.push_back({id, "?", count});
            Print(counts);
            return 0;
        }
        struct sigaction action {};
        action.sa_handler = RequestStop;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);

        qv::InstanceMonitor monitor(options);
        std::cout << "monitor " << monitor.Handle() << " " << monitor.SocketPath() << "\n";
        monitor.Broadcast(qv::ipc::kReasonMonitorStarted);
        std::vector<qv::InstanceMonitor::Count> shown{{-1, "", 0}};
        while (!stopRequested) {
            monitor.Serve(200);
            auto counts = monitor.Counts();
            if (counts != shown) Print(counts);
            shown = std::move(counts);
        }
        return 0;
    } catch (const qv::Error& e) {
        std::cerr << "qvmonitor: " << e.Description() << "\n";
        return 2;
    }
}
