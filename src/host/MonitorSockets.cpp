#include "host/MonitorSockets.h"

#include "contracts/Error.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace qv::ipc {

namespace {

constexpr std::size_t kMaxPacket = 65536;

Error FolderError(const std::string& folder, const std::string& why) {
    return Error(err::PathNotFound, "Cannot use the socket folder " + folder + ": " + why);
}

void MakePrivateFolder(const std::string& folder) {
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        throw FolderError(folder, std::strerror(errno));
    struct stat st {};
    if (lstat(folder.c_str(), &st) != 0) throw FolderError(folder, std::strerror(errno));
    if (!S_ISDIR(st.st_mode)) throw FolderError(folder, "not a folder");
    if (st.st_uid != getuid()) throw FolderError(folder, "owned by another user");
    if ((st.st_mode & 077) != 0 && chmod(folder.c_str(), 0700) != 0)
        throw FolderError(folder, std::strerror(errno));
}

bool ParseHandle(std::string_view digits, int32_t& handle) {
    if (digits.empty() || digits.front() == '0') return false;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), handle);
    return ec == std::errc() && end == digits.data() + digits.size() && handle > 0;
}

} // namespace

bool SetAddress(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

std::string DefaultSocketFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime == '/') {
        std::string base = runtime;
        if (base.back() != '/') base += '/';
        return base + "vbfaultmark/";
    }
    return "/tmp/vbfaultmark-" + std::to_string(getuid()) + "/";
}

void EnsureSocketFolder(const std::string& folder) {
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    MakePrivateFolder(path);
}

std::string MonitorPath(const std::string& folder, int32_t handle) {
    return folder + "monitor-" + std::to_string(handle) + ".sock";
}

std::string ClientPath(const std::string& folder, int32_t handle) {
    return folder + "client-" + std::to_string(handle) + ".sock";
}

std::vector<int32_t> ListHandles(const std::string& folder, const std::string& prefix) {
    std::vector<int32_t> handles;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return handles;
    constexpr std::string_view suffix = ".sock";
    while (const dirent* entry = readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) ||
            !name.ends_with(suffix))
            continue;
        int32_t handle = 0;
        if (ParseHandle(name.substr(prefix.size(), name.size() - prefix.size() - suffix.size()),
                        handle))
            handles.push_back(handle);
    }
    closedir(dir);
    std::sort(handles.begin(), handles.end());
    return handles;
}

std::string EncodeRequest(int32_t message, const std::string& text) {
    std::string packet(sizeof message, '\0');
    std::memcpy(packet.data(), &message, sizeof message);
    return packet + text;
}

bool DecodeRequest(const std::string& packet, int32_t& message, std::string& text) {
    if (packet.size() < sizeof message) return false;
    std::memcpy(&message, packet.data(), sizeof message);
    text = packet.substr(sizeof message);
    return true;
}

std::string EncodeReply(const Variant& value) {
    switch (value.Type()) {
    case VarType::Boolean:
        return value.ToBool() ? "b1" : "b0";
    case VarType::Integer:
        return "i" + value.ToString();
    case VarType::Long:
        return "l" + value.ToString();
    case VarType::Empty:
        return "e";
    default:
        return "s" + value.ToString();
    }
}

std::optional<Variant> DecodeReply(const std::string& packet) {
    if (packet.empty()) return std::nullopt;
    const std::string body = packet.substr(1);
    auto number = [&](auto& n) {
        auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), n);
        return ec == std::errc() && end == body.data() + body.size();
    };
    switch (packet[0]) {
    case 'e':
        return Variant();
    case 'b':
        return Variant(body == "1");
    case 'i': {
        int16_t n = 0;
        if (number(n)) return Variant(n);
        return std::nullopt;
    }
    case 'l': {
        int32_t n = 0;
        if (number(n)) return Variant(n);
        return std::nullopt;
    }
    case 's':
        return Variant(body);
    default:
        return std::nullopt;
    }
}

PeerState ProbeListener(const std::string& path) {
    sockaddr_un address;
    if (!SetAddress(path, address)) return PeerState::Missing;
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return PeerState::Missing;
    PeerState state = PeerState::Listening;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno == EAGAIN || errno == EINPROGRESS)
            state = PeerState::Busy;
        else if (errno == ECONNREFUSED || errno == EPROTOTYPE)
            state = PeerState::Stale;
        else
            state = PeerState::Missing;
    }
    close(fd);
    return state;
}

std::optional<Variant> RequestReply(const std::string& path, int32_t message,
                                    const std::string& text, int32_t timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    sockaddr_un address;
    if (!SetAddress(path, address)) return std::nullopt;
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return std::nullopt;
    std::optional<Variant> reply;
    const std::string request = EncodeRequest(message, text);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(request.size())) {
        std::string packet(kMaxPacket, '\0');
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                    .count();
            if (left <= 0) break;
            pollfd pfd{fd, POLLIN, 0};
            const int ready = poll(&pfd, 1, static_cast<int>(left));
            if (ready < 0 && errno == EINTR) continue;
            if (ready <= 0) break;
            const ssize_t n = recv(fd, packet.data(), packet.size(), 0);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (n > 0) reply = DecodeReply(packet.substr(0, static_cast<std::size_t>(n)));
            break; // a reply, or the peer hung up
        }
    }
    close(fd);
    return reply;
}

} // namespace qv::ipc
