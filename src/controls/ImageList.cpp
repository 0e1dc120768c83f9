#include "controls/ImageList.h"

#include "contracts/Error.h"
#include "controls/ImageKeyTable.h"

#include <algorithm>
#include <bit>

namespace qv {
namespace {

constexpr const char* kSource = "ImageList";
constexpr int32_t IndexOutOfBounds = 35600;

size_t LowBit(size_t p) {
    return p & (~p + 1);
}

} // namespace

int32_t HeadlessImageList::Prefix(size_t count) const {
    int32_t sum = 0;
    for (size_t p = count; p > 0; p -= LowBit(p))
        sum += tree_[p];
    return sum;
}

void HeadlessImageList::Bump(size_t slot, int32_t delta) {
    for (size_t p = slot + 1; p < tree_.size(); p += LowBit(p))
        tree_[p] += delta;
}

size_t HeadlessImageList::SlotAt(int32_t index) const {
    if (index < 1 || index > count_) throw Error(IndexOutOfBounds, "Index out of bounds", kSource);
    // Descend the Fenwick tree to the slot holding the index-th live picture.
    const size_t n = slots_.size();
    size_t pos = 0;
    int32_t rest = index;
    for (size_t step = std::bit_floor(n); step > 0; step >>= 1) {
        if (pos + step <= n && tree_[pos + step] < rest) {
            pos += step;
            rest -= tree_[pos];
        }
    }
    return pos; // the 1-based tree position pos + 1 is slot pos
}

std::string HeadlessImageList::Key(int32_t index) const {
    return slots_[SlotAt(index)].key;
}

std::shared_ptr<const Picture> HeadlessImageList::Item(const std::string& key) const {
    const size_t slot = SlotOf(key);
    if (slot == kNoSlot) throw Error(err::ElementNotFound, "Element not found", kSource);
    return slots_[slot].picture;
}

int32_t HeadlessImageList::IndexOf(const std::string& key) const {
    auto it = slotOf_.find(key);
    return it == slotOf_.end() ? 0 : Prefix(it->second + 1);
}

void HeadlessImageList::Add(const std::string& key, std::shared_ptr<const Picture> picture) {
    if (key.empty()) throw Error(err::InvalidKey, "Invalid key", kSource);
    if (!picture) throw Error(err::InvalidArgument, "Invalid procedure call or argument", kSource);
    Slot slot{key, std::move(picture), InternImageKey(key)};
    slots_.reserve(slots_.size() + 1); // the slot goes in without fail once the key is in
    if (!slotOf_.emplace(key, slots_.size()).second)
        throw Error(err::KeyNotUnique, "Key is not unique in collection", kSource);
    slots_.push_back(std::move(slot));
    // A new Fenwick node p covers the slots (p - lowbit(p), p].
    const size_t p = slots_.size();
    tree_.push_back(1 + Prefix(p - 1) - Prefix(p - LowBit(p)));
    ++count_;
}

void HeadlessImageList::Remove(int32_t index) {
    Kill(SlotAt(index));
}

void HeadlessImageList::Remove(const std::string& key) {
    auto it = slotOf_.find(key);
    if (it == slotOf_.end()) throw Error(err::ElementNotFound, "Element not found", kSource);
    Kill(it->second);
}

void HeadlessImageList::Kill(size_t slot) {
    slotOf_.erase(slots_[slot].key);
    slots_[slot] = {};
    Bump(slot, -1);
    --count_;
    if (slots_.size() >= 64 && static_cast<size_t>(count_) * 2 < slots_.size()) Compact();
}

void HeadlessImageList::Compact() {
    std::erase_if(slots_, [](const Slot& s) { return !s.picture; });
    tree_.assign(slots_.size() + 1, 1);
    tree_[0] = 0;
    for (size_t p = 1; p <= slots_.size(); ++p) {
        if (size_t up = p + LowBit(p); up <= slots_.size()) tree_[up] += tree_[p];
    }
    for (size_t i = 0; i < slots_.size(); ++i)
        slotOf_[slots_[i].key] = i;
}

void HeadlessImageList::Clear() {
    slots_.clear();
    tree_.assign(1, 0);
    slotOf_.clear();
    count_ = 0;
}

std::shared_ptr<const Picture> HeadlessImageList::Overlay(const std::string& key1,
                                                          const std::string& key2) const {
    auto under = Item(key1);
    auto over = Item(key2);
    auto out = std::make_shared<Picture>(*under);
    const int w = std::min(under->Width(), over->Width());
    const int h = std::min(under->Height(), over->Height());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (over->At(x, y) >> 24) out->At(x, y) = over->At(x, y);
    return out;
}

} // namespace qv
