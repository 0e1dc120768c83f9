#include "host/SharedMemoryCounter.h"

#include "contracts/Error.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>

namespace qv {

namespace {

constexpr uint32_t kMagic = 0x43495651; // "QVIC" in memory order
constexpr uint64_t kVersion = 2;
constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kEntrySize = 16;
constexpr uint64_t kStamp = kMagic | kVersion << 32 | uint64_t{kEntrySize} << 48;
constexpr std::size_t kEntryCountOffset = 8;
constexpr std::size_t kCountOffset = 8;
constexpr std::size_t kTokenOffset = 12;
constexpr uint64_t kGivingBack = uint64_t{1} << 63;
constexpr int32_t kCannotOpen = 70;
constexpr int32_t kBlockFull = 7;
// A maker sizes its block right after making it; one that has not within this time is
// taken for one that never will.
constexpr auto kSizeWait = std::chrono::milliseconds(200);
constexpr auto kSizePoll = std::chrono::milliseconds(2);

static_assert(std::atomic_ref<uint64_t>::is_always_lock_free);
static_assert(std::atomic_ref<uint32_t>::is_always_lock_free);
static_assert(std::atomic_ref<int32_t>::is_always_lock_free);

template <class T> std::atomic_ref<T> At(unsigned char* p) {
    return std::atomic_ref<T>(*reinterpret_cast<T*>(p));
}

uint64_t KeyOf(pid_t pid, int32_t id) {
    return static_cast<uint64_t>(static_cast<uint32_t>(pid)) << 32 | static_cast<uint32_t>(id);
}

pid_t PidOf(uint64_t key) {
    return static_cast<pid_t>((key & ~kGivingBack) >> 32);
}

int32_t IdOf(uint64_t key) {
    return static_cast<int32_t>(static_cast<uint32_t>(key));
}

bool InUse(uint64_t key) {
    return key != 0 && (key & kGivingBack) == 0;
}

bool Gone(pid_t pid) {
    return pid <= 0 || (kill(pid, 0) == -1 && errno == ESRCH);
}

struct Process {
    pid_t pid;
    uint32_t token;
};

// This process and its token, drawn once per process (a forked child draws its own).
Process ThisProcess() {
    static std::atomic<uint64_t> identity{0};
    const pid_t pid = getpid();
    uint64_t seen = identity.load();
    while (PidOf(seen) != pid) {
        std::random_device random;
        uint32_t token = 0;
        while (token == 0)
            token = static_cast<uint32_t>(random());
        // Threads that draw at once agree on the first token stored.
        const uint64_t drawn = static_cast<uint64_t>(static_cast<uint32_t>(pid)) << 32 | token;
        if (identity.compare_exchange_strong(seen, drawn)) seen = drawn;
    }
    return {pid, static_cast<uint32_t>(seen)};
}

// Gives the entry back when it still holds the key: marked as being given back by this
// process while it is cleared, so that no one claims it half cleared.
bool Withdraw(unsigned char* entry, uint64_t key, pid_t by) {
    if (!At<uint64_t>(entry).compare_exchange_strong(
            key, kGivingBack | static_cast<uint64_t>(static_cast<uint32_t>(by)) << 32))
        return false;
    At<int32_t>(entry + kCountOffset).store(0);
    At<uint32_t>(entry + kTokenOffset).store(0);
    At<uint64_t>(entry).store(0);
    return true;
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

SharedMemoryCounter::SharedMemoryCounter(std::string nameOverride)
    : nameOverride_(std::move(nameOverride)) {}

SharedMemoryCounter::~SharedMemoryCounter() {
    if (base_) munmap(base_, size_);
}

std::string SharedMemoryCounter::PosixName(const std::string& name) {
    return (name.starts_with("/") ? name : "/" + name) + "." + std::to_string(geteuid());
}

void SharedMemoryCounter::Unlink(const std::string& name) {
    shm_unlink(PosixName(name).c_str());
}

void SharedMemoryCounter::Open(int32_t size, const std::string& name) {
    if (size < 0 || static_cast<std::size_t>(size) < kHeaderSize + kEntrySize)
        throw Error(err::InvalidArgument, "The counting block is too small");
    const std::string posixName = PosixName(nameOverride_.empty() ? name : nameOverride_);
    if (posixName.find('/', 1) != std::string::npos || posixName.size() > 255)
        throw Error(err::InvalidArgument, "Invalid shared-memory name " + posixName);
    if (base_) {
        munmap(base_, size_);
        base_ = nullptr;
    }
    auto fail = [&](const std::string& why) {
        return Error(kCannotOpen, "Cannot open " + posixName + ": " + why);
    };
    // Made 0600 by this user, or opened as it is: never O_CREAT on a block that exists.
    bool made = true;
    int fd = shm_open(posixName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno == EEXIST) {
        made = false;
        fd = shm_open(posixName.c_str(), O_RDWR | O_CLOEXEC, 0);
    }
    if (fd < 0) throw fail(std::strerror(errno));
    const Fd guard(fd);
    // The umask must not take from the user's other processes what the block needs.
    if (made && (fchmod(fd, 0600) != 0 || ftruncate(fd, size) != 0)) {
        const int error = errno;
        shm_unlink(posixName.c_str());
        throw fail(std::strerror(error));
    }
    struct stat st {};
    if (fstat(fd, &st) != 0) throw fail(std::strerror(errno));
    if (!S_ISREG(st.st_mode)) throw fail("not a shared-memory block");
    if (st.st_uid != geteuid()) throw fail("it belongs to another user");
    if ((st.st_mode & 077) != 0) throw fail("other users may use it");
    for (const auto until = std::chrono::steady_clock::now() + kSizeWait;
         st.st_size == 0 && std::chrono::steady_clock::now() < until;) {
        std::this_thread::sleep_for(kSizePoll);
        if (fstat(fd, &st) != 0) throw fail(std::strerror(errno));
    }
    if (st.st_size == 0) throw fail("its maker never gave it a size");
    // Only what fstat showed is mapped: a block cut short would end the process on access.
    const std::size_t wanted = static_cast<std::size_t>(size);
    if (static_cast<uint64_t>(st.st_size) < wanted)
        throw Error(err::TypeMismatch, posixName + " is smaller than a counting block of " +
                                           std::to_string(size) + " bytes");
    void* mapped = mmap(nullptr, wanted, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mapped == MAP_FAILED) throw fail(std::strerror(errno));

    auto* base = static_cast<unsigned char*>(mapped);
    auto stamp = At<uint64_t>(base);
    auto entryCount = At<uint32_t>(base + kEntryCountOffset);
    uint64_t seen = stamp.load();
    // Zero-filled by its maker; the first to get here stamps it, the entry count before the
    // stamp, so that whoever sees the stamp sees the count.
    if (seen == 0) {
        uint32_t none = 0;
        entryCount.compare_exchange_strong(
            none, static_cast<uint32_t>((wanted - kHeaderSize) / kEntrySize));
        if (stamp.compare_exchange_strong(seen, kStamp)) seen = kStamp;
    }
    const std::size_t entries = entryCount.load();
    if (seen != kStamp || entries == 0 || entries > (wanted - kHeaderSize) / kEntrySize) {
        munmap(mapped, wanted);
        throw Error(err::TypeMismatch,
                    posixName + " is not a counting block of " + std::to_string(size) + " bytes");
    }
    base_ = base;
    size_ = wanted;
    entries_ = entries;
    name_ = posixName;
}

unsigned char* SharedMemoryCounter::Entry(std::size_t index) const {
    return base_ + kHeaderSize + index * kEntrySize;
}

unsigned char* SharedMemoryCounter::Claim(uint64_t key, uint32_t token) const {
    for (std::size_t i = 0; i < entries_; ++i) {
        unsigned char* entry = Entry(i);
        uint64_t free = 0;
        // A given-back entry has count and token 0 before it is free.
        if (At<uint64_t>(entry).compare_exchange_strong(free, key)) {
            At<uint32_t>(entry + kTokenOffset).store(token);
            return entry;
        }
    }
    return nullptr;
}

void SharedMemoryCounter::Add(int32_t componentId, int32_t delta) {
    if (!base_) throw Error(err::ObjectNotSet, "Object variable or With block variable not set");
    const Process self = ThisProcess();
    const uint64_t key = KeyOf(self.pid, componentId);
    // This process's entries of the ID: usually one, two when threads claimed at once.
    std::vector<unsigned char*> own;
    for (std::size_t i = 0; i < entries_; ++i) {
        unsigned char* entry = Entry(i);
        const uint64_t seen = At<uint64_t>(entry).load();
        if (!InUse(seen) || PidOf(seen) != self.pid) continue;
        const uint32_t token = At<uint32_t>(entry + kTokenOffset).load();
        if (token == 0) continue; // being claimed by another thread
        if (token != self.token)
            Withdraw(entry, seen, self.pid); // left by an ended process of the same pid
        else if (seen == key)
            own.push_back(entry);
    }
    if (delta > 0) {
        unsigned char* entry = own.empty() ? Claim(key, self.token) : own.front();
        if (!entry && Sweep() > 0) entry = Claim(key, self.token);
        if (!entry) throw Error(kBlockFull, "The counting block has no room for another count");
        auto count = At<int32_t>(entry + kCountOffset);
        int32_t now = count.load();
        while (!count.compare_exchange_weak(
            now, static_cast<int32_t>(std::min<int64_t>(int64_t{now} + delta, INT32_MAX)))) {
        }
        return;
    }
    // A release takes from this process's count only, down to zero and no further: a control
    // made before counting started cannot take what another control or process counted.
    int64_t left = -int64_t{delta};
    for (unsigned char* entry : own) {
        auto count = At<int32_t>(entry + kCountOffset);
        int32_t now = count.load();
        int32_t take = 0;
        do {
            take = static_cast<int32_t>(std::min<int64_t>(now, left));
        } while (take > 0 && !count.compare_exchange_weak(now, now - take));
        left -= take;
        if (left == 0) break;
    }
}

int SharedMemoryCounter::Sweep() {
    if (!base_) return 0;
    const Process self = ThisProcess();
    std::unordered_map<pid_t, bool> gone; // one look per process
    int withdrawn = 0;
    for (std::size_t i = 0; i < entries_; ++i) {
        unsigned char* entry = Entry(i);
        const uint64_t seen = At<uint64_t>(entry).load();
        if (seen == 0) continue;
        const pid_t pid = PidOf(seen);
        if (pid == self.pid) {
            const uint32_t token = At<uint32_t>(entry + kTokenOffset).load();
            if (InUse(seen) && token != 0 && token != self.token && Withdraw(entry, seen, self.pid))
                ++withdrawn;
            continue;
        }
        // Also the marks of sweeps whose process ended before it had cleared the entry.
        auto [it, added] = gone.try_emplace(pid, false);
        if (added) it->second = Gone(pid);
        if (it->second && Withdraw(entry, seen, self.pid)) ++withdrawn;
    }
    return withdrawn;
}

int32_t SharedMemoryCounter::Count(int32_t componentId) const {
    if (!base_) return 0;
    int64_t sum = 0;
    for (std::size_t i = 0; i < entries_; ++i) {
        const uint64_t seen = At<uint64_t>(Entry(i)).load();
        if (InUse(seen) && IdOf(seen) == componentId)
            sum += std::max(0, At<int32_t>(Entry(i) + kCountOffset).load());
    }
    return static_cast<int32_t>(std::min<int64_t>(sum, INT32_MAX));
}

std::vector<std::pair<int32_t, int32_t>> SharedMemoryCounter::Snapshot() const {
    std::vector<std::pair<int32_t, int64_t>> entries;
    if (!base_) return {};
    for (std::size_t i = 0; i < entries_; ++i) {
        const uint64_t seen = At<uint64_t>(Entry(i)).load();
        if (InUse(seen))
            entries.emplace_back(IdOf(seen),
                                 std::max(0, At<int32_t>(Entry(i) + kCountOffset).load()));
    }
    std::sort(entries.begin(), entries.end());
    std::vector<std::pair<int32_t, int32_t>> counts;
    for (std::size_t i = 0; i < entries.size();) {
        const int32_t id = entries[i].first;
        int64_t sum = 0;
        for (; i < entries.size() && entries[i].first == id; ++i)
            sum += entries[i].second;
        counts.emplace_back(id, static_cast<int32_t>(std::min<int64_t>(sum, INT32_MAX)));
    }
    return counts;
}

} // namespace qv
