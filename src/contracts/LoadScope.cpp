#include "contracts/LoadScope.h"

namespace qv {

namespace {
thread_local LoadScope* current = nullptr;
thread_local uint32_t lastSerial = 0;
} // namespace

LoadScope::LoadScope() : outermost_(current == nullptr) {
    if (!outermost_) return;
    current = this;
    serial_ = ++lastSerial == 0 ? ++lastSerial : lastSerial;
}

LoadScope::~LoadScope() {
    if (outermost_) current = nullptr;
}

LoadScope* LoadScope::Current() {
    return current;
}

} // namespace qv
