#include "BuildRunner.h"

#include "contracts/Error.h"

#include <QMetaObject>

namespace qv::app {

BuildRunner::~BuildRunner() {
    Stop();
}

void BuildRunner::Start(BuildInput input, Handler done) {
    Join();
    running_ = true;
    const unsigned serial = ++serial_;
    progress_ = std::make_shared<BuildProgress>();
    thread_ = std::thread([this, serial, progress = progress_, input = std::move(input),
                           done = std::move(done)]() mutable {
        Outcome outcome;
        try {
            outcome.report =
                std::make_shared<BuildReport>(ProfileBuilder::Run(input, progress.get()));
            outcome.summary = QString::fromStdString(outcome.report->Summary());
        } catch (const Error& e) {
            outcome.failure = QString::fromStdString(e.Description());
        } catch (const std::exception& e) {
            outcome.failure = QString::fromUtf8(e.what());
        } catch (...) {
            outcome.failure = tr("Unknown failure");
        }
        // The input's strings go here, off the UI thread.
        input = {};
        QMetaObject::invokeMethod(
            this,
            [this, serial, outcome = std::move(outcome), done = std::move(done)] {
                if (serial != serial_ || !running_) return; // stopped meanwhile
                Join();
                running_ = false;
                done(outcome);
            },
            Qt::QueuedConnection);
    });
}

void BuildRunner::Cancel() {
    if (running_) progress_->cancel = true;
}

void BuildRunner::Stop() {
    Cancel();
    Join();
    running_ = false;
}

void BuildRunner::Join() {
    if (thread_.joinable()) thread_.join();
}

} // namespace qv::app
