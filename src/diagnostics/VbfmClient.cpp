#include "diagnostics/VbfmClient.h"

#include "diagnostics/ErrorReport.h"
#include "diagnostics/InstanceCounting.h"
#include "diagnostics/VariableDump.h"

namespace qv::diag {

vbfmClient::vbfmClient(Instrumentation& instrumentation) {
    IgnoreErrors([&] {
        pIPC = instrumentation.CreateChannel();
        if (pIPC) broadcasts_ = pIPC->Subscribe(*this);
    });
}

vbfmClient::~vbfmClient() {
    broadcasts_.Reset();
    pIPC.reset();
}

std::string vbfmClient::DumpModuleVariables() const {
    return ExternalUdtText("pIPC");
}

void vbfmClient::pIPC_OnBroadcast(int32_t) {
    // Starting again replaces this client in the globals; it stays alive until the handler
    // is done.
    const std::shared_ptr<Object> self = weak_from_this().lock();
    IgnoreErrors([] { InitInstanceCounting(); });
}

} // namespace qv::diag
