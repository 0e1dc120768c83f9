#include "host/SharedMemoryCounter.h"

#include "contracts/Error.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {

constexpr uint32_t kMagic = 0x43495651; // "QVIC" in memory order
constexpr uint32_t kVersion = 1;
constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kEntrySize = 16;
constexpr std::size_t kCountOffset = 8;
constexpr int32_t kCannotOpen = 70;

static_assert(std::atomic_ref<uint64_t>::is_always_lock_free);
static_assert(std::atomic_ref<int32_t>::is_always_lock_free);

template <class T> std::atomic_ref<T> At(unsigned char* p) {
    return std::atomic_ref<T>(*reinterpret_cast<T*>(p));
}

uint64_t KeyOf(int32_t id) {
    return static_cast<uint64_t>(static_cast<uint32_t>(id)) + 1;
}

} // namespace

SharedMemoryCounter::SharedMemoryCounter(std::string nameOverride)
    : nameOverride_(std::move(nameOverride)) {}

SharedMemoryCounter::~SharedMemoryCounter() {
    if (base_) munmap(base_, size_);
}

std::string SharedMemoryCounter::PosixName(const std::string& name) {
    return name.starts_with("/") ? name : "/" + name;
}

void SharedMemoryCounter::Unlink(const std::string& name) {
    shm_unlink(PosixName(name).c_str());
}

void SharedMemoryCounter::Open(int32_t size, const std::string& name) {
    if (size < 0 || static_cast<std::size_t>(size) < kHeaderSize + kEntrySize)
        throw Error(err::InvalidArgument, "The counting block is too small");
    const std::string posixName = PosixName(nameOverride_.empty() ? name : nameOverride_);
    if (posixName.size() < 2 || posixName.find('/', 1) != std::string::npos ||
        posixName.size() > 255)
        throw Error(err::InvalidArgument, "Invalid shared-memory name " + posixName);
    if (base_) {
        munmap(base_, size_);
        base_ = nullptr;
    }
    const int fd = shm_open(posixName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) throw Error(kCannotOpen, "Cannot open " + posixName + ": " + std::strerror(errno));
    struct stat st {};
    const std::size_t wanted = static_cast<std::size_t>(size);
    bool ok = fstat(fd, &st) == 0;
    // Every user asks for the same size; a bigger block is only used up to that size.
    if (ok && static_cast<std::size_t>(st.st_size) < wanted) ok = ftruncate(fd, size) == 0;
    void* mapped =
        ok ? mmap(nullptr, wanted, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0) : MAP_FAILED;
    const int error = errno;
    close(fd);
    if (mapped == MAP_FAILED)
        throw Error(kCannotOpen, "Cannot map " + posixName + ": " + std::strerror(error));

    auto* base = static_cast<unsigned char*>(mapped);
    uint32_t magic = 0;
    auto header = At<uint32_t>(base);
    // Zero-filled by the creator; the first to get here stamps it.
    if (header.compare_exchange_strong(magic, kMagic)) {
        At<uint32_t>(base + 4).store(kVersion);
        At<uint32_t>(base + 8).store(kEntrySize);
        magic = kMagic;
    }
    if (magic != kMagic) {
        munmap(mapped, wanted);
        throw Error(err::TypeMismatch, posixName + " is not a counting block");
    }
    base_ = base;
    size_ = wanted;
    name_ = posixName;
}

std::size_t SharedMemoryCounter::EntryCount() const {
    return (size_ - kHeaderSize) / kEntrySize;
}

unsigned char* SharedMemoryCounter::Entry(std::size_t index) const {
    return base_ + kHeaderSize + index * kEntrySize;
}

unsigned char* SharedMemoryCounter::Find(int32_t componentId, bool claim) const {
    const uint64_t key = KeyOf(componentId);
    const std::size_t n = EntryCount();
    const std::size_t start = static_cast<uint32_t>(componentId) % n;
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char* entry = Entry((start + i) % n);
        auto slot = At<uint64_t>(entry);
        uint64_t seen = slot.load();
        if (seen == 0) {
            if (!claim) return nullptr; // IDs never leave, so the ID is not further on
            if (slot.compare_exchange_strong(seen, key) || seen == key) return entry;
        } else if (seen == key) {
            return entry;
        }
    }
    return nullptr;
}

void SharedMemoryCounter::Add(int32_t componentId, int32_t delta) {
    if (!base_) throw Error(err::ObjectNotSet, "Object variable or With block variable not set");
    unsigned char* entry = Find(componentId, true);
    if (!entry) throw Error(7, "The counting block has no room for another component");
    // A control created before counting started still subtracts when it ends; the count stays
    // at zero rather than going below, and never wraps.
    auto count = At<int32_t>(entry + kCountOffset);
    int32_t now = count.load();
    int32_t next;
    do {
        next = static_cast<int32_t>(std::clamp<int64_t>(int64_t{now} + delta, 0, INT32_MAX));
    } while (!count.compare_exchange_weak(now, next));
}

int32_t SharedMemoryCounter::Count(int32_t componentId) const {
    if (!base_) return 0;
    unsigned char* entry = Find(componentId, false);
    return entry ? At<int32_t>(entry + kCountOffset).load() : 0;
}

std::vector<std::pair<int32_t, int32_t>> SharedMemoryCounter::Snapshot() const {
    std::vector<std::pair<int32_t, int32_t>> counts;
    if (!base_) return counts;
    for (std::size_t i = 0; i < EntryCount(); ++i) {
        const uint64_t key = At<uint64_t>(Entry(i)).load();
        if (key == 0) continue;
        counts.emplace_back(static_cast<int32_t>(static_cast<uint32_t>(key - 1)),
                            At<int32_t>(Entry(i) + kCountOffset).load());
    }
    std::sort(counts.begin(), counts.end());
    return counts;
}

} // namespace qv
