#include "contracts/LoadScope.h"

#include <atomic>

namespace qv {

namespace {
thread_local LoadScope* current = nullptr;
// Shared by all threads: an answer noted in one thread's scope is never taken for another's.
std::atomic<uint32_t> lastSerial{0};
} // namespace

LoadScope::LoadScope() : outermost_(current == nullptr) {
    if (!outermost_) return;
    current = this;
    serial_ = ++lastSerial;
    if (serial_ == 0) serial_ = ++lastSerial; // after the wrap
}

LoadScope::~LoadScope() {
    if (outermost_) current = nullptr;
}

LoadScope* LoadScope::Current() {
    return current;
}

} // namespace qv
