#pragma once

#include <cstdint>
#include <memory>

namespace qv {

// A bulk load on this thread (a project file read, a designer's load of a project). While one
// lives, what the load asks of the outside world many times over may be answered from what it
// read once: the model answers a file's Exists from one listing of each folder, read when the
// load first asks about that folder. Outside a scope every question goes to the disk, so that
// a file deleted a moment ago is reported missing. Scopes nest: an inner one joins the
// outermost, whose end drops what was kept.
class LoadScope {
public:
    // What a layer keeps for the scope's duration; freed when the outermost scope ends.
    class Memo {
    public:
        virtual ~Memo() = default;
    };

    LoadScope();
    ~LoadScope();
    LoadScope(const LoadScope&) = delete;
    LoadScope& operator=(const LoadScope&) = delete;

    // The outermost scope of this thread; nullptr outside a load.
    static LoadScope* Current();
    // The memo kept in this scope (one for the whole scope, made by its first user).
    std::unique_ptr<Memo>& Kept() { return memo_; }
    // Tells outermost scopes apart, of all threads (never 0), so that an answer noted in one
    // is not taken for an answer of another, later one at the same address.
    uint32_t Serial() const { return serial_; }

private:
    bool outermost_;
    uint32_t serial_ = 0;
    std::unique_ptr<Memo> memo_;
};

} // namespace qv
