#pragma once

#include "contracts/Instrumentation.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qv {

// Walks the monitors' sockets "monitor-<handle>.sock" of the socket folder in ascending
// handle order. The folder is read when a walk starts (FindNext(0)) and the walk follows that
// listing. A file without a live listener (its monitor died) is passed over and removed.
class SocketMonitorFinder final : public MonitorFinder {
public:
    explicit SocketMonitorFinder(std::string folder) : folder_(std::move(folder)) {}

    std::string TypeName() const override { return "SocketMonitorFinder"; }
    int32_t FindNext(int32_t afterHandle) override;

private:
    std::string folder_;
    std::vector<int32_t> handles_;
};

} // namespace qv
