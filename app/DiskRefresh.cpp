#include "DiskRefresh.h"

#include "gui/ErrorBoundary.h"

#include <QApplication>

namespace qv::app {

DiskRefresh::DiskRefresh(const std::shared_ptr<Project>& project, QObject* parent)
    : QObject(parent), watcher_(project) {
    gather_.setSingleShot(true);
    gather_.setInterval(kGatherMs);
    connect(&gather_, &QTimer::timeout, this, &DiskRefresh::Refresh);
    if (watcher_.FileDescriptor() < 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(watcher_.FileDescriptor(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &DiskRefresh::Poll);
}

void DiskRefresh::Poll() {
    // Not restarted by later reports: a steady stream of changes still shows every 100 ms.
    if (watcher_.ReadEvents() && !gather_.isActive()) gather_.start();
}

void DiskRefresh::Refresh() {
    if (QApplication::activeModalWidget()) {
        gather_.start();
        return;
    }
    const int refresh = ++begun_;
    watcher_.ReadEvents();
    DiskWatcher::Outcome outcome;
    // The component reports a failure of its handlers itself; what comes back goes to the sink.
    Guarded(nullptr, [&] { outcome = watcher_.Refresh(); });
    Q_EMIT Refreshed(outcome.projectFileChanged, refresh);
}

} // namespace qv::app
