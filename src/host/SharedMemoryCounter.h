#pragma once

#include "contracts/Instrumentation.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qv {

// The instance counts in POSIX shared memory, named "/" + the name given to Open (or the name
// given to the constructor, for private blocks). Lock-free, safe between processes:
//
//   offset 0   header: uint32 magic "QVIC", uint32 version 1, uint32 entry size 16, uint32 0
//   offset 16  entries of 16 bytes up to the end of the block (624 in 10000 bytes):
//              uint64 key (0: free, else component ID as uint32 + 1), int32 count, int32 0
//
// An ID takes the first free entry from (ID as uint32) mod the entry count on, claimed by
// compare-and-swap of the key; counts change by atomic add. Entries are never given back.
class SharedMemoryCounter final : public SharedCounter {
public:
    // nameOverride: the shared-memory name to use whatever Open is told ("" for none).
    explicit SharedMemoryCounter(std::string nameOverride = {});
    ~SharedMemoryCounter() override;
    SharedMemoryCounter(const SharedMemoryCounter&) = delete;
    SharedMemoryCounter& operator=(const SharedMemoryCounter&) = delete;

    std::string TypeName() const override { return "SharedMemoryCounter"; }
    // Raises qv::Error 5 for a size that holds no entry or a name POSIX refuses, 70 when the
    // block cannot be made or mapped, 13 when it holds something else.
    void Open(int32_t size, const std::string& name) override;
    // Raises 91 before Open, 7 when every entry belongs to other IDs.
    void Add(int32_t componentId, int32_t delta) override;

    bool IsOpen() const { return base_ != nullptr; }
    const std::string& Name() const { return name_; }
    // The count of the ID (0 when it has none); 0 before Open.
    int32_t Count(int32_t componentId) const;
    // Every ID that has an entry, with its count, in ascending ID order.
    std::vector<std::pair<int32_t, int32_t>> Snapshot() const;

    // "/" + name, the POSIX name of a block.
    static std::string PosixName(const std::string& name);
    // Removes the name of a block; processes that mapped it keep their mapping.
    static void Unlink(const std::string& name);

private:
    std::size_t EntryCount() const;
    unsigned char* Entry(std::size_t index) const;
    // The entry of the ID, claimed if claim; nullptr when there is none (and no room).
    unsigned char* Find(int32_t componentId, bool claim) const;

    std::string nameOverride_;
    std::string name_;
    unsigned char* base_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace qv
