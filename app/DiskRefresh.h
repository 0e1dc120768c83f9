#pragma once

#include "host/DiskWatcher.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>

namespace qv::app {

// Runs a DiskWatcher on the window's event loop: reads the system's reports as they come,
// waits kGatherMs after the first of a burst (a checkout or a copy changes many files at
// once) and refreshes once, so that the tree shows an outside change well within a second.
// While a modal box is up (the component may be in the middle of a question) the refresh
// waits for it to close.
//
// The watches are set up after the window shows, kSliceMs of each turn of the event loop,
// so that opening a project waits for none of it. A refresh due meanwhile waits for them, at
// most kWaitForIndexMs; then the rest is done at once.
class DiskRefresh final : public QObject {
    Q_OBJECT
public:
    static constexpr int kGatherMs = 100;
    static constexpr int kSliceMs = 10;
    static constexpr int kWaitForIndexMs = 1000;

    // The project must outlive this object.
    DiskRefresh(const std::shared_ptr<Project>& project, QObject* parent);

    DiskWatcher& Watcher() { return watcher_; }
    // Takes what the system has reported so far (the kernel queues a change before the call
    // that made it returns), so that the next refresh includes it.
    void Poll();
    // Refreshes begun so far: one numbered above a count taken after a change includes it.
    int Begun() const { return begun_; }

Q_SIGNALS:
    // After each refresh; projectFileChanged: someone else changed the project file.
    void Refreshed(bool projectFileChanged, int refresh);
    // The watches are all set up; unwatched: the folders the system would not watch (at
    // least 1 when nothing can be watched).
    void Watching(int unwatched);

private:
    void Refresh();
    void IndexSlice();

    DiskWatcher watcher_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer gather_;
    QTimer index_;
    int waited_ = 0; // refreshes put off for the index, in a row
    int begun_ = 0;
};

} // namespace qv::app
