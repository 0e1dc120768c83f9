#pragma once

#include "contracts/HostServices.h"

#include <string>

namespace qv {

// Variables of the process environment, read at each call. A variable that is unset or
// empty gives the fallback, except "TMP", which this platform does not set: it is the first
// existing folder of $TMP, $TMPDIR and "/tmp" (the fallback argument is not used for it).
class HostEnvironmentHelper : public EnvironmentHelper {
public:
    std::string TypeName() const override { return "EnvironmentHelper"; }
    std::string Variable(const std::string& name, const std::string& fallback) const override;
};

} // namespace qv
