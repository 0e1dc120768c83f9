#pragma once

#include "contracts/Instrumentation.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qv {

// A client's message channel on a Unix domain socket: its window is the datagram socket
// "client-<handle>.sock" in the socket folder, where monitors' broadcasts arrive; requests go
// to "monitor-<handle>.sock" over a connection of their own.
//
// The handle is (process id mod 2^23) * 256 + n, n counting the process's channels modulo
// 256; a handle whose file a live channel holds is passed over, a stale file is replaced.
// The socket file is removed when the channel ends.
//
// Broadcasts are delivered by Poll(), on the thread that calls it, in arrival order.
class SocketChannel final : public MessageChannel {
public:
    // Never fails: when the folder or the socket cannot be made, the channel has a handle but
    // no socket (FileDescriptor() is -1), so it sends but hears no broadcasts.
    explicit SocketChannel(std::string folder);
    ~SocketChannel() override;
    SocketChannel(const SocketChannel&) = delete;
    SocketChannel& operator=(const SocketChannel&) = delete;

    std::string TypeName() const override { return "SocketChannel"; }
    int32_t hWnd() const override { return handle_; }
    int32_t ProcessId() const override;
    int32_t Send(int32_t hWnd, int32_t message, const std::string& text, Variant& reply,
                 int32_t timeoutMs) override;
    bool Answers(int32_t hWnd, int32_t timeoutMs) override;
    Subscription Subscribe(MessageChannelEvents& sink) override;

    // Reads every broadcast waiting on the socket and raises it; returns how many arrived.
    // Never throws: a sink's failure is dropped.
    int Poll();
    // The socket, readable when broadcasts wait (for hosts that wait on descriptors).
    int FileDescriptor() const { return fd_; }
    const std::string& Path() const { return path_; }

private:
    // Makes the folder and binds the channel's socket; raises qv::Error 76 when it cannot.
    void Listen();

    std::string folder_;
    std::string path_;
    int fd_ = -1;
    int32_t handle_ = 0;
    std::vector<MessageChannelEvents*> sinks_;
};

} // namespace qv
