#include "diagnostics/Globals.h"

#include "diagnostics/VariableDump.h"

namespace qv::diag {

Globals& ThreadGlobals() {
    thread_local Globals globals;
    return globals;
}

std::string DumpGlobalVariables() {
    const Globals& g = ThreadGlobals();
    std::string out;
    out += DumpVariable("InstanceCount", g.InstanceCount);
    out += DumpVariable("vbfmProjectId", g.vbfmProjectId);
    out += DumpVariable("vbfmProcessId", g.vbfmProcessId);
    out += DumpVariable("vbfmModuleFilename", g.vbfmModuleFilename);
    out += ExternalUdtText("vbfmDebugClient");
    out += DumpVariable("vbfmDebuggerListening", g.vbfmDebuggerListening);
    out += DumpVariable("vbfmEnableInstanceCounts", g.vbfmEnableInstanceCounts);
    out += DumpVariable("vbfmInstanceCountsServerHandle", g.vbfmInstanceCountsServerHandle);
    out += DumpVariable("vbfmInstanceCountComponentNames", g.vbfmInstanceCountComponentNames);
    out += DumpVariable("vbfmSkipInstanceCount", g.vbfmSkipInstanceCount);
    out += ExternalUdtText("vbfmInstanceCountsMemory");
    out += DumpVariable("vbfmComponentID", g.vbfmComponentID);
    out += DumpVariable("vbfmHasInitialised", g.vbfmHasInitialised);
    out += DumpVariable("vbfmVariableDump", g.vbfmVariableDump);
    out += DumpVariable("vbfmErrorNumber", g.vbfmErrorNumber);
    out += DumpVariable("vbfmErrorDescription", g.vbfmErrorDescription);
    out += DumpVariable("vbfmErrorLine", g.vbfmErrorLine);
    out += DumpVariable("vbfmErrorSource", g.vbfmErrorSource);
    return out;
}

} // namespace qv::diag
