#pragma once

#include "contracts/Error.h"

namespace qv {

// The object behind a reference, or the platform's error 91 for Nothing: a member call on a
// missing object is a reported failure, never a crash.
template <class P> auto& Need(const P& pointer) {
    if (!pointer) throw Error(err::ObjectNotSet, "Object variable or With block variable not set");
    return *pointer;
}

} // namespace qv
