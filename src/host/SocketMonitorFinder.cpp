#include "host/SocketMonitorFinder.h"

#include "host/MonitorSockets.h"

#include <algorithm>
#include <unistd.h>

namespace qv {

int32_t SocketMonitorFinder::FindNext(int32_t afterHandle) {
    if (afterHandle <= 0) handles_ = ipc::ListHandles(folder_, "monitor-");
    for (auto it = std::upper_bound(handles_.begin(), handles_.end(), afterHandle);
         it != handles_.end(); ++it) {
        const std::string path = ipc::MonitorPath(folder_, *it);
        switch (ipc::ProbeListener(path)) {
        case ipc::PeerState::Listening:
        case ipc::PeerState::Busy:
            return *it;
        case ipc::PeerState::Stale:
            unlink(path.c_str());
            break;
        case ipc::PeerState::Missing:
            break;
        }
    }
    return 0;
}

} // namespace qv
