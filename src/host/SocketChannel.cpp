#include "host/SocketChannel.h"

#include "contracts/Error.h"
#include "host/MonitorSockets.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace qv {

namespace {

std::atomic<uint32_t> channelsMade{0};

int32_t HandleFor(uint32_t n) {
    const auto pid = static_cast<uint32_t>(getpid()) & 0x7FFFFFu;
    return static_cast<int32_t>((pid << 8) | (n & 0xFFu));
}

} // namespace

SocketChannel::SocketChannel(std::string folder) : folder_(std::move(folder)) {
    // A channel that cannot listen still has a handle and can still ask monitors; it only
    // misses their broadcasts. Without a usable socket folder there is no monitor to hear from.
    try {
        Listen();
    } catch (const Error&) {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }
    while (handle_ <= 0)
        handle_ = HandleFor(channelsMade.fetch_add(1));
}

void SocketChannel::Listen() {
    ipc::EnsureSocketFolder(folder_);
    fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) throw Error(err::PathNotFound, std::string("socket: ") + std::strerror(errno));
    for (int attempt = 0; attempt < 256; ++attempt) {
        const int32_t handle = HandleFor(channelsMade.fetch_add(1));
        if (handle <= 0) continue;
        const std::string path = ipc::ClientPath(folder_, handle);
        sockaddr_un address;
        if (!ipc::SetAddress(path, address)) break;
        auto bindTo = [&] {
            return bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        };
        bool bound = bindTo();
        if (!bound && errno == EADDRINUSE) {
            // Left over from a dead process with the same id: nobody receives there any more.
            const int probe = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
            const bool stale =
                probe >= 0 &&
                connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
                errno == ECONNREFUSED;
            if (probe >= 0) close(probe);
            if (stale && unlink(path.c_str()) == 0) bound = bindTo();
        }
        if (bound) {
            handle_ = handle;
            path_ = path;
            return;
        }
    }
    close(fd_);
    fd_ = -1;
    throw Error(err::PathNotFound, "Cannot bind a channel socket in " + folder_);
}

SocketChannel::~SocketChannel() {
    if (fd_ >= 0) close(fd_);
    if (!path_.empty()) unlink(path_.c_str());
}

int32_t SocketChannel::ProcessId() const {
    return static_cast<int32_t>(getpid());
}

int32_t SocketChannel::Send(int32_t hWnd, int32_t message, const std::string& text, Variant& reply,
                            int32_t timeoutMs) {
    if (hWnd <= 0) return 0;
    auto answer = ipc::RequestReply(ipc::MonitorPath(folder_, hWnd), message, text, timeoutMs);
    if (!answer) return 0;
    reply = std::move(*answer);
    return 1;
}

bool SocketChannel::Answers(int32_t hWnd, int32_t timeoutMs) {
    if (hWnd <= 0) return false;
    return ipc::RequestReply(ipc::MonitorPath(folder_, hWnd), ipc::kAnswerCheck, {}, timeoutMs)
        .has_value();
}

Subscription SocketChannel::Subscribe(MessageChannelEvents& sink) {
    sinks_.push_back(&sink);
    std::weak_ptr<Object> alive = weak_from_this();
    return Subscription([this, alive, sink = &sink] {
        if (alive.expired()) return;
        auto it = std::find(sinks_.begin(), sinks_.end(), sink);
        if (it != sinks_.end()) sinks_.erase(it);
    });
}

int SocketChannel::Poll() {
    std::vector<int32_t> reasons;
    for (;;) {
        int32_t reason = 0;
        const ssize_t n = recv(fd_, &reason, sizeof reason, MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        if (n == static_cast<ssize_t>(sizeof reason)) reasons.push_back(reason);
    }
    // A sink may release this channel: whoever pumps it keeps it alive for the call.
    for (const int32_t reason : reasons) {
        const auto sinks = sinks_;
        for (auto* sink : sinks) {
            if (std::find(sinks_.begin(), sinks_.end(), sink) == sinks_.end()) continue;
            try {
                sink->OnBroadcast(reason);
            } catch (...) {
            }
        }
    }
    return static_cast<int>(reasons.size());
}

} // namespace qv
