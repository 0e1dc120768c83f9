#include "DiskRefresh.h"

#include "gui/ErrorBoundary.h"

#include <QApplication>
#include <algorithm>
#include <chrono>

namespace qv::app {

DiskRefresh::DiskRefresh(const std::shared_ptr<Project>& project, QObject* parent)
    : QObject(parent), watcher_(project) {
    gather_.setSingleShot(true);
    gather_.setInterval(kGatherMs);
    connect(&gather_, &QTimer::timeout, this, &DiskRefresh::Refresh);
    index_.setInterval(0);
    connect(&index_, &QTimer::timeout, this, &DiskRefresh::IndexSlice);
    index_.start();
    if (watcher_.FileDescriptor() < 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(watcher_.FileDescriptor(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &DiskRefresh::Poll);
}

void DiskRefresh::Poll() {
    // Not restarted by later reports: a steady stream of changes still shows every 100 ms.
    if (watcher_.ReadEvents() && !gather_.isActive()) gather_.start();
}

void DiskRefresh::IndexSlice() {
    if (!watcher_.Index(std::chrono::milliseconds(kSliceMs))) return;
    index_.stop();
    const auto unwatched = static_cast<int>(watcher_.Unwatched());
    Q_EMIT Watching(watcher_.FileDescriptor() < 0 ? std::max(unwatched, 1) : unwatched);
}

void DiskRefresh::Refresh() {
    if (QApplication::activeModalWidget()) {
        gather_.start();
        return;
    }
    if (!watcher_.Indexed() && ++waited_ * kGatherMs < kWaitForIndexMs) {
        gather_.start();
        return;
    }
    waited_ = 0;
    const int refresh = ++begun_;
    watcher_.ReadEvents();
    DiskWatcher::Outcome outcome;
    // The component reports a failure of its handlers itself; what comes back goes to the sink.
    Guarded(nullptr, [&] { outcome = watcher_.Refresh(); });
    if (index_.isActive()) IndexSlice(); // completed by the refresh
    Q_EMIT Refreshed(outcome.projectFileChanged, refresh);
}

} // namespace qv::app
