#pragma once

#include "contracts/Error.h"

#include <cstdint>

namespace qvtest {

// The number of the qv::Error the call raises; 0 when it raises none.
template <class F> int32_t ErrorOf(F&& call) {
    try {
        call();
    } catch (const qv::Error& e) {
        return e.Number();
    }
    return 0;
}

} // namespace qvtest
