#pragma once

#include "contracts/Instrumentation.h"
#include "contracts/Object.h"
#include "contracts/Variant.h"

#include <cstdint>
#include <memory>
#include <string>

namespace qv::diag {

class vbfmClient;

// The error state and the instrumentation's module-level globals: one set per thread,
// overwritten by each failure. Field order is the order of the dump.
struct Globals {
    int32_t InstanceCount = 0;
    int32_t vbfmProjectId = 0;
    int32_t vbfmProcessId = 0;
    std::string vbfmModuleFilename;
    std::shared_ptr<vbfmClient> vbfmDebugClient;
    bool vbfmDebuggerListening = false;
    bool vbfmEnableInstanceCounts = false;
    int32_t vbfmInstanceCountsServerHandle = 0;
    Variant vbfmInstanceCountComponentNames = Variant(Array()); // array of Integer
    Variant vbfmSkipInstanceCount = Variant(Array());           // array of Boolean
    std::shared_ptr<SharedCounter> vbfmInstanceCountsMemory;
    std::string vbfmComponentID;
    bool vbfmHasInitialised = false;
    std::string vbfmVariableDump;
    int32_t vbfmErrorNumber = 0;
    std::string vbfmErrorDescription;
    int32_t vbfmErrorLine = 0;
    std::string vbfmErrorSource;
};

// This thread's globals.
Globals& ThreadGlobals();

// The 18 globals in field order, the two objects as their fixed "{Cannot dump external UDTs}"
// texts, which have no line break after them.
std::string DumpGlobalVariables();

} // namespace qv::diag
