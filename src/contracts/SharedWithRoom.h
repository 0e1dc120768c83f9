#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <utility>

// An object shared through shared_ptr, with room for its own bytes (texts, say) after it in the
// one allocation that holds the object and its count: one allocation where there would be two.
// Shared by the model's topics and the tree's nodes, both made by the hundred thousand.
namespace qv {

namespace room_detail {
// From the allocation to the object's constructor, on the making thread only.
struct HandOver {
    std::size_t size = 0;
    char* at = nullptr;
};
inline thread_local HandOver handOver;

template <class T> struct Allocator {
    using value_type = T;
    Allocator() = default;
    template <class U> Allocator(const Allocator<U>&) noexcept {}
    T* allocate(std::size_t n) {
        static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
        const std::size_t head = n * sizeof(T);
        const std::size_t size = std::exchange(handOver.size, 0);
        char* block = static_cast<char*>(::operator new(head + size));
        handOver.at = size == 0 ? nullptr : block + head;
        return reinterpret_cast<T*>(block);
    }
    void deallocate(T* p, std::size_t) noexcept { ::operator delete(p); }
    friend bool operator==(Allocator, Allocator) noexcept { return true; }
};
} // namespace room_detail

// Makes T from args with `room` bytes after it (none when 0). T's constructor takes the room with
// TakeRoom before it makes any other object this way; the room lives and dies with the object.
template <class T, class... Args>
std::shared_ptr<T> MakeSharedWithRoom(std::size_t room, Args&&... args) {
    // Room a constructor did not take (it threw first) is never handed to the next object.
    struct Forget {
        ~Forget() { room_detail::handOver = {}; }
    } forget;
    room_detail::handOver = {room, nullptr};
    return std::allocate_shared<T>(room_detail::Allocator<T>{}, std::forward<Args>(args)...);
}

// In a constructor run by MakeSharedWithRoom: the room's first byte, nullptr when no room was
// asked for (or the object is made another way).
inline char* TakeRoom() noexcept {
    return std::exchange(room_detail::handOver.at, nullptr);
}

} // namespace qv
