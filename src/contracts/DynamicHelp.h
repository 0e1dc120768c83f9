#pragma once

#include "contracts/HostServices.h"
#include "contracts/Object.h"

#include <memory>

namespace qv {

// The host's dynamic-help interface: the host hands over a notification object once, then
// asks for the keywords and attributes of the component's current state.
class DynamicHelpContext {
public:
    virtual void Initialise(const std::shared_ptr<Object>& notify) = 0;
    virtual void QueryContext(KeywordCollection& keywords, Object& attributes) = 0;

protected:
    ~DynamicHelpContext() = default;
};

} // namespace qv
