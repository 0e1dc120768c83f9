#pragma once

#include "contracts/Variant.h"

#include <cstdint>
#include <optional>
#include <string>
#include <sys/un.h>
#include <vector>

namespace qv::ipc {

// The folder of the instrumentation's sockets: "vbfaultmark/" below $XDG_RUNTIME_DIR, or
// below a private folder "/tmp/vbfaultmark-UID" when that is unset. Ends with "/".
std::string DefaultSocketFolder();
// Makes the folder (and a missing /tmp/vbfaultmark-UID parent) readable by the user only.
// Raises qv::Error 76 when it cannot be made, or when the private folder belongs to someone
// else.
void EnsureSocketFolder(const std::string& folder);

// Fills a socket address with the path; false when the path is too long for one.
bool SetAddress(const std::string& path, sockaddr_un& address);

// "monitor-<handle>.sock" and "client-<handle>.sock" in the folder.
std::string MonitorPath(const std::string& folder, int32_t handle);
std::string ClientPath(const std::string& folder, int32_t handle);
// The handles of the folder's files with that prefix ("monitor-" or "client-"), ascending.
std::vector<int32_t> ListHandles(const std::string& folder, const std::string& prefix);

// Message 0 asks whether the monitor answers; it answers with True.
inline constexpr int32_t kAnswerCheck = 0;
// Broadcast reason of a monitor that has just started.
inline constexpr int32_t kReasonMonitorStarted = 1;

// Requests: the message code (4 bytes, host order) and the text. Replies: one type byte and
// the value as text ('e' Empty, 'b' Boolean "0"/"1", 'i' Integer, 'l' Long, 's' String).
std::string EncodeRequest(int32_t message, const std::string& text);
bool DecodeRequest(const std::string& packet, int32_t& message, std::string& text);
std::string EncodeReply(const Variant& value);
std::optional<Variant> DecodeReply(const std::string& packet);

enum class PeerState { Listening, Busy, Stale, Missing };
// Whether a monitor's socket file has a live listener, without waiting: Stale when the file
// is left over from a dead process.
PeerState ProbeListener(const std::string& path);

// Connects to the socket, sends one request and waits for one reply until the time-out has
// passed (measured from the call). Empty when the peer is missing, refuses, dies or is late.
// Never raises SIGPIPE.
std::optional<Variant> RequestReply(const std::string& path, int32_t message,
                                    const std::string& text, int32_t timeoutMs);

} // namespace qv::ipc
