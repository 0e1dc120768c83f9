#pragma once

#include "host/SharedMemoryCounter.h"

#include <cstdint>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace qv {

struct MonitorOptions {
    std::string socketFolder;     // "" for the default folder
    std::string sharedMemoryName; // "" for the block's own name (made the user's own either way)
    std::set<std::string> skip;   // component names whose instances are not to be counted
};

// A monitor of the instance counting: listens on "monitor-<pid>.sock", gives each component
// name an ID (1, 2, ... in order of first registration, kept while the monitor lives),
// answers the skip question and the answer check, and reads the counts from the shared block.
// The counts of processes that ended without giving them back are withdrawn when the monitor
// starts and whenever it broadcasts. Single-threaded: the owner calls Serve in its loop.
class InstanceMonitor {
public:
    // Binds the socket (a stale one of the same handle is replaced), opens the counting block
    // and withdraws the counts of ended processes. Raises qv::Error when the socket or the
    // block cannot be had.
    explicit InstanceMonitor(MonitorOptions options);
    // Closes and removes the socket; the block stays for the clients.
    ~InstanceMonitor();
    InstanceMonitor(const InstanceMonitor&) = delete;
    InstanceMonitor& operator=(const InstanceMonitor&) = delete;

    int32_t Handle() const { return handle_; }
    const std::string& SocketPath() const { return path_; }
    // Withdraws the counts of ended processes, then sends the reason to every client socket of
    // the folder, without waiting; sockets of dead clients are removed. Returns how many
    // clients it reached.
    int Broadcast(int32_t reason);
    // Answers the requests that arrive within waitMs (at most one wait); returns how many.
    int Serve(int waitMs);
    // The live counts: (ID, component name or "?", count), ascending ID.
    struct Count {
        int32_t id;
        std::string name;
        int32_t count;
        friend bool operator==(const Count&, const Count&) = default;
    };
    std::vector<Count> Counts() const;

private:
    void Answer(int connection);

    MonitorOptions options_;
    std::string folder_;
    std::string path_;
    int32_t handle_ = 0;
    int fd_ = -1;
    SharedMemoryCounter counter_;
    std::unordered_map<std::string, int32_t> ids_;
    std::unordered_map<int32_t, std::string> names_;
};

} // namespace qv
