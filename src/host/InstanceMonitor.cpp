#include "host/InstanceMonitor.h"

#include "contracts/Error.h"
#include "host/MonitorSockets.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qv {

namespace {

constexpr int kRequestWaitMs = 100; // a client sends its request right after connecting
constexpr int32_t kCountingBlockSize = 10000;
constexpr const char* kCountingBlockName = "#vbFaultmarkInstanceCounting#";

// The field of a comma-separated text (0-based), "" when it has none.
std::string Field(const std::string& text, int index) {
    std::size_t from = 0;
    for (int i = 0; i < index; ++i) {
        from = text.find(',', from);
        if (from == std::string::npos) return {};
        ++from;
    }
    return text.substr(from, text.find(',', from) - from);
}

} // namespace

InstanceMonitor::InstanceMonitor(MonitorOptions options)
    : options_(std::move(options)), counter_(options_.sharedMemoryName) {
    folder_ = options_.socketFolder.empty() ? ipc::DefaultSocketFolder() : options_.socketFolder;
    if (folder_.back() != '/') folder_ += '/';
    ipc::EnsureSocketFolder(folder_);
    counter_.Open(kCountingBlockSize, kCountingBlockName);
    counter_.Sweep();

    handle_ = static_cast<int32_t>(getpid());
    path_ = ipc::MonitorPath(folder_, handle_);
    sockaddr_un address;
    if (!ipc::SetAddress(path_, address)) throw Error(err::PathNotFound, "Path too long: " + path_);
    fd_ = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) throw Error(err::PathNotFound, std::string("socket: ") + std::strerror(errno));
    // A file of this name is left over from a dead process that had this id.
    if (ipc::ProbeListener(path_) == ipc::PeerState::Stale) unlink(path_.c_str());
    if (bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd_, 64) != 0) {
        const std::string why = std::strerror(errno);
        close(fd_);
        fd_ = -1;
        throw Error(err::PathNotFound, "Cannot listen on " + path_ + ": " + why);
    }
}

InstanceMonitor::~InstanceMonitor() {
    if (fd_ >= 0) {
        close(fd_);
        unlink(path_.c_str());
    }
}

int InstanceMonitor::Broadcast(int32_t reason) {
    counter_.Sweep();
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return 0;
    int reached = 0;
    for (const int32_t client : ipc::ListHandles(folder_, "client-")) {
        const std::string path = ipc::ClientPath(folder_, client);
        sockaddr_un address;
        if (!ipc::SetAddress(path, address)) continue;
        if (sendto(fd, &reason, sizeof reason, MSG_DONTWAIT | MSG_NOSIGNAL,
                   reinterpret_cast<const sockaddr*>(&address), sizeof address) >= 0)
            ++reached;
        else if (errno == ECONNREFUSED)
            unlink(path.c_str());
    }
    close(fd);
    return reached;
}

int InstanceMonitor::Serve(int waitMs) {
    pollfd pfd{fd_, POLLIN, 0};
    int ready = poll(&pfd, 1, waitMs);
    if (ready <= 0) return 0;
    int answered = 0;
    for (;;) {
        const int connection = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) {
            if (errno == EINTR) continue;
            break; // EAGAIN: nothing more waiting
        }
        Answer(connection);
        close(connection);
        ++answered;
    }
    return answered;
}

void InstanceMonitor::Answer(int connection) {
    pollfd pfd{connection, POLLIN, 0};
    if (poll(&pfd, 1, kRequestWaitMs) <= 0) return;
    std::string packet(65536, '\0');
    const ssize_t n = recv(connection, packet.data(), packet.size(), MSG_DONTWAIT);
    if (n <= 0) return; // a finder's look, or a client that gave up
    int32_t message = 0;
    std::string text;
    if (!ipc::DecodeRequest(packet.substr(0, static_cast<std::size_t>(n)), message, text)) return;

    Variant reply;
    if (message == ipc::kAnswerCheck) {
        reply = Variant(true);
    } else if (message == 502) {
        const std::string name = Field(text, 0);
        auto [it, added] = ids_.try_emplace(name, static_cast<int32_t>(ids_.size() + 1));
        if (added) names_[it->second] = name;
        reply = Variant(static_cast<int16_t>(it->second));
    } else if (message == 10) {
        int32_t id = 0;
        const std::string field = Field(text, 1);
        std::from_chars(field.data(), field.data() + field.size(), id);
        auto it = names_.find(id);
        reply = Variant(it != names_.end() && options_.skip.count(it->second) > 0);
    }
    const std::string answer = ipc::EncodeReply(reply);
    send(connection, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

std::vector<InstanceMonitor::Count> InstanceMonitor::Counts() const {
    std::vector<Count> counts;
    for (const auto& [id, count] : counter_.Snapshot()) {
        auto it = names_.find(id);
        counts.push_back({id, it != names_.end() ? it->second : "?", count});
    }
    return counts;
}

} // namespace qv
