#pragma once

#include "contracts/HostServices.h"
#include "contracts/Instrumentation.h"
#include "contracts/Variant.h"

#include <cstdint>
#include <string>

namespace qv::diag {

// A component whose instances are counted: its slot in the registration arrays, its number
// and its class name, which begin the registration text "NAME,NUMBER," + vbfmProjectId.
struct CountedComponent {
    int32_t slot;
    int32_t number;
    const char* name;
};

inline constexpr CountedComponent kProjectExplorerComponent{1, 4, "ProjectExplorer"};
// The registration arrays hold slots 0 to kComponentSlots - 1.
inline constexpr int32_t kComponentSlots = 3;

inline constexpr int32_t kMessageRegister = 502;
inline constexpr int32_t kMessageModule = 10;
inline constexpr int32_t kSendTimeoutMs = 2000;
inline constexpr int32_t kAnswerTimeoutMs = 100;
inline constexpr int32_t kCountingBlockSize = 10000;
inline constexpr const char* kCountingBlockName = "#vbFaultmarkInstanceCounting#";
inline constexpr const char* kSupportModule = "modvbFaultmarkSupport";

// The library's start on the calling thread: the first call with an instrumentation sets
// vbfmHasInitialised and runs InitInstanceCounting; later calls do nothing. Without an
// instrumentation (nullptr) nothing happens and the start is left for a later call. Failures
// are reported to the libraries' error component; the start itself never fails. Both
// references are kept for the thread's later starts of the counting (broadcasts), so they
// must stay alive until UnloadLibrary or the end of the thread.
void StartLibrary(Instrumentation* instrumentation, HostLibraries& libraries);

// Makes a new client, learns this library's identity and looks for a monitor that answers;
// counting is on when one does. Failures are reported (module modvbFaultmarkSupport).
void InitInstanceCounting();

// Hands the request to the client's channel; the monitor's answer goes into reply. Returns the
// channel's result; failures are ignored (0).
int32_t SendToMonitor(int32_t hWnd, int32_t message, const std::string& text, Variant& reply,
                      int32_t timeout);

// Counts one more instance of the component, registering it with the monitor first when it
// has no ID yet. Only while counting is on and the monitor did not ask to skip the component.
// Raises on failure, for the caller's error report.
void RegisterInstance(const CountedComponent& component);

// Counts one instance of the component less, under the same conditions; never fails.
void ReleaseInstance(const CountedComponent& component) noexcept;

// Ends the instrumentation on the calling thread as unloading the library does: the client,
// the counter and the registrations are dropped and the globals of the instrumentation go
// back to their start values; the next StartLibrary starts again.
void UnloadLibrary() noexcept;

} // namespace qv::diag
