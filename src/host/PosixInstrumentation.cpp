#include "host/PosixInstrumentation.h"

#include "host/MonitorSockets.h"
#include "host/SharedMemoryCounter.h"
#include "host/SocketChannel.h"
#include "host/SocketMonitorFinder.h"

#include <algorithm>
#include <climits>
#include <unistd.h>

namespace qv {

PosixInstrumentation::PosixInstrumentation(InstrumentationOptions options)
    : options_(std::move(options)) {
    folder_ = options_.socketFolder.empty() ? ipc::DefaultSocketFolder() : options_.socketFolder;
    if (folder_.back() != '/') folder_ += '/';
}

PosixInstrumentation::~PosixInstrumentation() = default;

std::shared_ptr<MessageChannel> PosixInstrumentation::CreateChannel() {
    auto channel = std::make_shared<SocketChannel>(folder_);
    std::erase_if(channels_, [](const auto& c) { return c.expired(); });
    channels_.push_back(channel);
    return channel;
}

std::shared_ptr<MonitorFinder> PosixInstrumentation::CreateFinder() {
    return std::make_shared<SocketMonitorFinder>(folder_);
}

std::shared_ptr<SharedCounter> PosixInstrumentation::CreateCounter() {
    return std::make_shared<SharedMemoryCounter>(options_.sharedMemoryName);
}

std::string PosixInstrumentation::ModuleFileName() {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
}

int PosixInstrumentation::Poll() {
    std::vector<std::shared_ptr<SocketChannel>> live;
    for (const auto& weak : channels_)
        if (auto channel = weak.lock()) live.push_back(std::move(channel));
    int delivered = 0;
    // A broadcast makes new channels: those wait for the next call.
    for (const auto& channel : live)
        delivered += channel->Poll();
    std::erase_if(channels_, [](const auto& c) { return c.expired(); });
    return delivered;
}

} // namespace qv
