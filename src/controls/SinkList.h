#pragma once

#include "contracts/Subscription.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace qv {

// The subscribers of one event source. Raising is re-entrant: a sink may unsubscribe itself or
// others during an event (they get nothing more), sinks added during an event first hear the
// next one, and the source itself may be destroyed by a handler while the event runs.
template <class Sink> class SinkList {
public:
    // The subscription ends when the returned object is destroyed or reset; it may outlive the
    // list.
    Subscription Add(Sink& sink) {
        const uint64_t id = state_->nextId++;
        state_->slots.push_back({&sink, id});
        std::weak_ptr<State> weak = state_;
        return Subscription([weak, id] {
            if (auto s = weak.lock()) s->Remove(id);
        });
    }

    // Calls f(sink) for each sink subscribed when the raise began, in subscription order. A
    // handler's exception stops the raise and reaches the caller.
    template <class F> void Raise(F&& f) {
        std::shared_ptr<State> s = state_;
        struct Depth {
            State& s;
            explicit Depth(State& st) : s(st) { ++s.raising; }
            ~Depth() {
                if (--s.raising == 0) s.Compact();
            }
        } depth(*s);
        const size_t n = s->slots.size();
        for (size_t i = 0; i < n; ++i) {
            if (Sink* sink = s->slots[i].sink) f(*sink);
        }
    }

    bool Empty() const {
        for (const auto& slot : state_->slots)
            if (slot.sink) return false;
        return true;
    }

private:
    struct Slot {
        Sink* sink;
        uint64_t id;
    };
    struct State {
        std::vector<Slot> slots;
        uint64_t nextId = 1;
        int raising = 0;
        void Remove(uint64_t id) {
            for (auto& slot : slots)
                if (slot.id == id) slot.sink = nullptr;
            if (raising == 0) Compact();
        }
        void Compact() {
            std::erase_if(slots, [](const Slot& slot) { return slot.sink == nullptr; });
        }
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

} // namespace qv
