#include "contracts/LoadScope.h"

namespace qv {

namespace {
thread_local LoadScope* current = nullptr;
} // namespace

LoadScope::LoadScope() : outermost_(current == nullptr) {
    if (outermost_) current = this;
}

LoadScope::~LoadScope() {
    if (outermost_) current = nullptr;
}

LoadScope* LoadScope::Current() {
    return current;
}

} // namespace qv
