#pragma once

#include "contracts/Instrumentation.h"
#include "contracts/Object.h"
#include "contracts/Subscription.h"

#include <cstdint>
#include <memory>
#include <string>

namespace qv::diag {

// This library's client of the instrumentation: owns the message channel and answers the
// monitors' broadcasts by starting the instance counting again. Its members never fail
// outward: a channel that cannot be made leaves pIPC empty.
class vbfmClient final : public Object, private MessageChannelEvents {
public:
    explicit vbfmClient(Instrumentation& instrumentation);
    ~vbfmClient() override;
    vbfmClient(const vbfmClient&) = delete;
    vbfmClient& operator=(const vbfmClient&) = delete;

    std::string TypeName() const override { return "vbfmClient"; }
    const std::shared_ptr<MessageChannel>& IPC() const { return pIPC; }
    // The field dump of the class for error reports: pIPC as an external value, the same
    // fixed text that stands for the client itself among the globals.
    std::string DumpModuleVariables() const;

private:
    void OnBroadcast(int32_t reason) override { pIPC_OnBroadcast(reason); }
    void pIPC_OnBroadcast(int32_t Reason);

    std::shared_ptr<MessageChannel> pIPC;
    Subscription broadcasts_;
};

} // namespace qv::diag
