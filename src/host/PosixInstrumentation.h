#pragma once

#include "contracts/Instrumentation.h"

#include <memory>
#include <string>
#include <vector>

namespace qv {

class SocketChannel;

struct InstrumentationOptions {
    // The socket folder; "" for the default (see ipc::DefaultSocketFolder).
    std::string socketFolder;
    // The name every counter uses instead of the one it is opened with ("" for none); the
    // block is the user's own either way. Tests give a name of their own so that they never
    // meet a real monitor's block.
    std::string sharedMemoryName;
};

// The instrumentation on Unix domain sockets and POSIX shared memory. Broadcasts reach the
// channels it made only when the host pumps them: call Poll() from the UI thread's loop
// (qvx does after every script line), or wait on the channels' descriptors.
class PosixInstrumentation final : public Instrumentation {
public:
    explicit PosixInstrumentation(InstrumentationOptions options = {});
    ~PosixInstrumentation() override;

    std::shared_ptr<MessageChannel> CreateChannel() override;
    std::shared_ptr<MonitorFinder> CreateFinder() override;
    std::shared_ptr<SharedCounter> CreateCounter() override;
    // The running program's file (/proc/self/exe): the library is linked into it.
    std::string ModuleFileName() override;

    // Delivers the broadcasts waiting on every live channel made here; returns how many.
    // Channels released by a sink during the call stay alive until it returns.
    int Poll();
    const std::string& SocketFolder() const { return folder_; }

private:
    InstrumentationOptions options_;
    std::string folder_;
    std::vector<std::weak_ptr<SocketChannel>> channels_;
};

} // namespace qv
