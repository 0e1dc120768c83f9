#pragma once

#include <cstdint>

namespace qv {

// The IDE options a host sets for the component. The helpers hold the options shared and
// read them at each call, so a change shows at the component's next read (LoadOptions).
struct HostOptions {
    bool showBitmapsAsIcons = false;
    bool checkSpelling = false;
    int32_t toolbarStyle = 0;
    int32_t warningBarStyle = 0;
    bool suppressDeletePrompt = false;
    // Whether the error component "VeltaError.Error" can be created.
    bool errorComponent = false;
};

} // namespace qv
