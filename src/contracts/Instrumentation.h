#pragma once

#include "contracts/Object.h"
#include "contracts/Subscription.h"
#include "contracts/Variant.h"

#include <cstdint>
#include <memory>
#include <string>

namespace qv {

// Broadcasts of monitors to every client channel. Raised on the thread that pumps the
// channel, never from inside a Send or an Answers call.
class MessageChannelEvents {
public:
    virtual void OnBroadcast(int32_t /*reason*/) {}

protected:
    ~MessageChannelEvents() = default;
};

// A client's window for talking to monitor windows. Monitors are named by their window
// handles; a handle is positive, 0 names no window.
class MessageChannel : public virtual Object {
public:
    // This channel's own window handle: positive and unique among the live channels.
    virtual int32_t hWnd() const = 0;
    // The process that owns the channel's window.
    virtual int32_t ProcessId() const = 0;
    // Sends the message with its text to the monitor window and waits at most timeoutMs for
    // the answer, which is written into reply. On time-out, or when the monitor is gone, reply
    // is left as it was. Returns 1 when the monitor answered, 0 otherwise. Never waits longer
    // than the time-out; raises qv::Error only when the channel itself cannot be used.
    virtual int32_t Send(int32_t hWnd, int32_t message, const std::string& text, Variant& reply,
                         int32_t timeoutMs) = 0;
    // Whether the monitor window answers within the time-out.
    virtual bool Answers(int32_t hWnd, int32_t timeoutMs) = 0;
    // Broadcasts go to the sink until the subscription ends; sinks may end their own or
    // another subscription, or release the channel, while a broadcast is delivered.
    virtual Subscription Subscribe(MessageChannelEvents& sink) = 0;

protected:
    ~MessageChannel() override = default;
};

// Walks the candidate monitor windows in a stable order (ascending handles).
class MonitorFinder : public virtual Object {
public:
    // The first window after afterHandle (0: the first of all), or 0 when none is left.
    virtual int32_t FindNext(int32_t afterHandle) = 0;

protected:
    ~MonitorFinder() override = default;
};

// A count per component ID in a named block of memory shared between processes.
class SharedCounter : public virtual Object {
public:
    // Creates the block of that size and name, or opens it when it exists.
    virtual void Open(int32_t size, const std::string& name) = 0;
    // Adds delta (negative: subtracts) to the count of the component ID; a count never goes
    // below zero (a subtraction past it leaves 0). Raises qv::Error when the counter is not
    // open or the block has no room for another ID.
    virtual void Add(int32_t componentId, int32_t delta) = 0;

protected:
    ~SharedCounter() override = default;
};

// Makes the instrumentation's outside pieces. The component keeps what it makes; the factory
// itself must outlive every component created with it on a thread that still pumps broadcasts.
class Instrumentation {
public:
    virtual std::shared_ptr<MessageChannel> CreateChannel() = 0;
    virtual std::shared_ptr<MonitorFinder> CreateFinder() = 0;
    virtual std::shared_ptr<SharedCounter> CreateCounter() = 0;
    // The full path of the file the library was loaded from; "" when it cannot be told.
    virtual std::string ModuleFileName() = 0;

protected:
    virtual ~Instrumentation() = default;
};

} // namespace qv
