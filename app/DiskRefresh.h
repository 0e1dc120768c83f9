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
class DiskRefresh final : public QObject {
    Q_OBJECT
public:
    static constexpr int kGatherMs = 100;

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

private:
    void Refresh();

    DiskWatcher watcher_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer gather_;
    int begun_ = 0;
};

} // namespace qv::app
