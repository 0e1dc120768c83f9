#pragma once

#include "contracts/Instrumentation.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qv {

// The instance counts in POSIX shared memory of the user's own: the block of name N is
// "/N.EUID", made 0600 by the first process of that user that opens it. Lock-free, safe
// between processes:
//
//   offset 0   header: uint64 stamp (magic "QVIC", uint16 version 2, uint16 entry size 16),
//              uint32 entry count, uint32 0
//   offset 16  entries of 16 bytes (624 in 10000 bytes):
//              uint64 key (0: free; pid << 32 | ID as uint32; bit 63 set: being given back by
//              the pid in bits 32-62), int32 count, uint32 token of the process
//
// Each process counts in entries of its own, so the count of an ID is the sum over the
// entries of that ID, and the counts of a process that ended without giving them back can be
// withdrawn (Sweep). A process's token tells its entries from those an earlier process of the
// same pid left behind. Entries are found by a walk over the whole block, so a given-back
// entry is simply free again.
class SharedMemoryCounter final : public SharedCounter {
public:
    // nameOverride: the name to use whatever Open is told ("" for none).
    explicit SharedMemoryCounter(std::string nameOverride = {});
    ~SharedMemoryCounter() override;
    SharedMemoryCounter(const SharedMemoryCounter&) = delete;
    SharedMemoryCounter& operator=(const SharedMemoryCounter&) = delete;

    std::string TypeName() const override { return "SharedMemoryCounter"; }
    // Raises qv::Error 5 for a size that holds no entry or a name POSIX refuses; 70 when the
    // block cannot be made, opened or mapped, or another user owns it or could reach it, or
    // its maker has not sized it within a moment; 13 when it is smaller than size or holds
    // something else. Nothing is mapped then, and the block is left as it is.
    void Open(int32_t size, const std::string& name) override;
    // Adds to this process's count of the ID, which never goes below zero: a process takes
    // back only what it counted. Raises 91 before Open, 7 when no entry is free even after
    // the entries of ended processes are withdrawn.
    void Add(int32_t componentId, int32_t delta) override;

    bool IsOpen() const { return base_ != nullptr; }
    // The block's system name ("/N.EUID").
    const std::string& Name() const { return name_; }
    // The count of the ID over all processes (0 when it has none); 0 before Open.
    int32_t Count(int32_t componentId) const;
    // Every ID that has an entry, with its count, in ascending ID order.
    std::vector<std::pair<int32_t, int32_t>> Snapshot() const;
    // Withdraws the entries of processes that no longer live (and those an earlier process
    // of this one's pid left); returns how many. 0 before Open.
    int Sweep();

    // The system name of the block of that name for the effective user: "/" + name + "." +
    // user ID.
    static std::string PosixName(const std::string& name);
    // Removes the name of a block; processes that mapped it keep their mapping.
    static void Unlink(const std::string& name);

private:
    unsigned char* Entry(std::size_t index) const;
    // The first free entry, claimed for the key; nullptr when none is free.
    unsigned char* Claim(uint64_t key, uint32_t token) const;

    std::string nameOverride_;
    std::string name_;
    unsigned char* base_ = nullptr;
    std::size_t size_ = 0;
    std::size_t entries_ = 0;
};

} // namespace qv
