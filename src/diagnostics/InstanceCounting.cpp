#include "diagnostics/InstanceCounting.h"

#include "contracts/Error.h"
#include "diagnostics/ErrorReport.h"
#include "diagnostics/Globals.h"
#include "diagnostics/VbfmClient.h"

#include <limits>
#include <memory>
#include <optional>

namespace qv::diag {

namespace {

constexpr int32_t kOverflow = 6;
constexpr std::size_t kModuleFilenameLength = 259; // the platform's path buffer less its NUL

// What the thread's start was given, for the starts that broadcasts cause later.
struct ThreadStart {
    Instrumentation* instrumentation = nullptr;
    std::optional<ErrorReporter> reporter;
    std::optional<ErrorContext> errors;
};

ThreadStart& Start() {
    thread_local ThreadStart start;
    return start;
}

Error ObjectNotSet() {
    return Error(err::ObjectNotSet, "Object variable or With block variable not set");
}

Variant NewArray(VarType type, const Variant& initial) {
    Array array(type, {{0, kComponentSlots - 1}});
    for (int32_t i = 0; i < kComponentSlots; ++i)
        array.At({i}) = initial;
    return Variant(std::move(array));
}

int16_t ToInteger(const Variant& value) {
    const int32_t n = value.ToLong();
    if (n < std::numeric_limits<int16_t>::min() || n > std::numeric_limits<int16_t>::max())
        throw Error(kOverflow, "Overflow");
    return static_cast<int16_t>(n);
}

SharedCounter& Counter(Globals& g) {
    if (!g.vbfmInstanceCountsMemory) throw ObjectNotSet();
    return *g.vbfmInstanceCountsMemory;
}

} // namespace

void StartLibrary(Instrumentation* instrumentation, HostLibraries& libraries) {
    Globals& g = ThreadGlobals();
    if (!instrumentation || g.vbfmHasInitialised) return;
    ThreadStart& start = Start();
    start.instrumentation = instrumentation;
    start.errors.reset();
    start.reporter.emplace(libraries);
    start.errors.emplace(ErrorContext{*start.reporter, kSupportModule, nullptr});
    g.vbfmHasInitialised = true;
    // The start has no caller inside the library to pass a reported failure on to.
    IgnoreErrors([] { InitInstanceCounting(); });
}

void InitInstanceCounting() {
    ThreadStart& start = Start();
    if (!start.instrumentation || !start.errors) return;
    Instrumentation& instrumentation = *start.instrumentation;
    int32_t hWnd = 0;
    Procedure p(*start.errors, "InitInstanceCounting", {}, {{"hWnd", hWnd}});
    p.Run([&] {
        Globals& g = ThreadGlobals();
        p.line = 1;
        g.vbfmDebugClient = std::make_shared<vbfmClient>(instrumentation);
        p.line = 2;
        const std::shared_ptr<MessageChannel> channel = g.vbfmDebugClient->IPC();
        if (!channel) throw ObjectNotSet();
        g.vbfmProjectId = channel->hWnd();
        g.vbfmProcessId = channel->ProcessId();
        p.line = 3;
        std::string path = instrumentation.ModuleFileName();
        if (!path.empty()) g.vbfmModuleFilename = path.substr(0, kModuleFilenameLength);
        p.line = 4;
        const std::shared_ptr<MonitorFinder> finder = instrumentation.CreateFinder();
        if (!finder) throw ObjectNotSet();
        hWnd = finder->FindNext(0);
        g.vbfmDebuggerListening = hWnd != 0;
        if (!g.vbfmDebuggerListening) return;
        p.line = 5;
        g.vbfmInstanceCountsServerHandle = 0;
        g.vbfmEnableInstanceCounts = false;
        g.vbfmInstanceCountComponentNames = NewArray(VarType::Integer, Variant(int16_t{0}));
        g.vbfmSkipInstanceCount = NewArray(VarType::Boolean, Variant(false));
        g.vbfmInstanceCountsMemory = instrumentation.CreateCounter();
        Counter(g).Open(kCountingBlockSize, kCountingBlockName);
        p.line = 6;
        for (; hWnd != 0; hWnd = finder->FindNext(hWnd)) {
            if (channel->Answers(hWnd, kAnswerTimeoutMs)) {
                g.vbfmInstanceCountsServerHandle = hWnd;
                g.vbfmEnableInstanceCounts = true;
            }
        }
    });
}

int32_t SendToMonitor(int32_t hWnd, int32_t message, const std::string& text, Variant& reply,
                      int32_t timeout) {
    int32_t result = 0;
    IgnoreErrors([&] {
        const Globals& g = ThreadGlobals();
        if (!g.vbfmDebugClient || !g.vbfmDebugClient->IPC()) throw ObjectNotSet();
        result = g.vbfmDebugClient->IPC()->Send(hWnd, message, text, reply, timeout);
    });
    return result;
}

void RegisterInstance(const CountedComponent& component) {
    Globals& g = ThreadGlobals();
    if (!g.vbfmEnableInstanceCounts) return;
    Array& ids = g.vbfmInstanceCountComponentNames.ArrayValue();
    Array& skip = g.vbfmSkipInstanceCount.ArrayValue();
    if (skip.At({component.slot}).ToBool()) return;

    if (ids.At({component.slot}).ToLong() != 0) {
        Counter(g).Add(ids.At({component.slot}).ToLong(), 1);
        return;
    }
    // The monitor's answers land in copies first: a reply of another type must not leave a
    // non-Integer ID behind when it cannot convert.
    Variant id = ids.At({component.slot});
    SendToMonitor(g.vbfmInstanceCountsServerHandle, kMessageRegister,
                  std::string(component.name) + "," + std::to_string(component.number) + "," +
                      std::to_string(g.vbfmProjectId),
                  id, kSendTimeoutMs);
    ids.At({component.slot}) = Variant(ToInteger(id));
    const int32_t componentId = ids.At({component.slot}).ToLong();

    Variant skipFlag = skip.At({component.slot});
    SendToMonitor(g.vbfmInstanceCountsServerHandle, kMessageModule,
                  g.vbfmModuleFilename + "," + std::to_string(componentId) + "," +
                      std::to_string(g.vbfmProjectId),
                  skipFlag, kSendTimeoutMs);
    skip.At({component.slot}) = Variant(skipFlag.ToBool());
    if (!skip.At({component.slot}).ToBool()) Counter(g).Add(componentId, 1);
}

void ReleaseInstance(const CountedComponent& component) noexcept {
    IgnoreErrors([&] {
        Globals& g = ThreadGlobals();
        if (!g.vbfmEnableInstanceCounts) return;
        if (g.vbfmSkipInstanceCount.ArrayValue().At({component.slot}).ToBool()) return;
        Counter(g).Add(g.vbfmInstanceCountComponentNames.ArrayValue().At({component.slot}).ToLong(),
                       -1);
    });
}

void UnloadLibrary() noexcept {
    IgnoreErrors([] {
        ThreadStart& start = Start();
        // The client goes first: its channel may still deliver to the thread's start.
        ThreadGlobals() = Globals{};
        start.errors.reset();
        start.reporter.reset();
        start.instrumentation = nullptr;
    });
}

} // namespace qv::diag
