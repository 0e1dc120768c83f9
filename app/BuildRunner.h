#pragma once

#include "host/ProfileBuilder.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <thread>

namespace qv::app {

// Runs one build at a time on a thread of its own, so that the window keeps answering while
// 100,000 pages are written. The build reads only its input, a copy of the project taken on the
// UI thread (ProfileBuilder::Snapshot); the project and every event stay on the UI thread. The
// outcome comes back to the UI thread as a queued call of the handler given to Start.
//
// Cancel asks the build to stop before its next item; every page is written whole, so a
// cancelled build leaves no half-written page. Destroying the runner cancels and waits.
class BuildRunner final : public QObject {
    Q_OBJECT
public:
    // On the UI thread: the report, or the reason the build could not run.
    struct Outcome {
        std::shared_ptr<BuildReport> report; // nullptr when the build failed
        QString summary;                     // the report's Summary(), made on the build thread
        QString failure;
    };
    using Handler = std::function<void(const Outcome&)>;

    explicit BuildRunner(QObject* parent = nullptr) : QObject(parent) {}
    ~BuildRunner() override;

    bool Running() const { return running_; }
    // Starts the build; the handler runs once, on this object's thread, after the build ended.
    // Must not be called while Running().
    void Start(BuildInput input, Handler done);
    void Cancel();
    // Cancels and blocks until the build thread has ended (one item at most); the handler of
    // that build is not called.
    void Stop();
    const BuildProgress& Progress() const { return *progress_; }

private:
    void Join();

    std::thread thread_;
    std::shared_ptr<BuildProgress> progress_ = std::make_shared<BuildProgress>();
    bool running_ = false;
    unsigned serial_ = 0; // the build a queued outcome belongs to
};

} // namespace qv::app
