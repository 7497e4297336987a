#include "core/knowledge_reading.h"

#include <QFutureWatcher>
#include <QPromise>
#include <QThreadPool>

namespace numio {

namespace {

// One reading at a time is all a pupil's window makes; a second thread keeps a map from waiting
// behind a weak-facts reading.
struct ReadingPool : QThreadPool {
    ReadingPool() { setMaxThreadCount(2); }
};
Q_GLOBAL_STATIC(ReadingPool, readingPool)

} // namespace

std::shared_ptr<std::atomic<bool>> readAside(QObject* owner, KnowledgeReader read,
                                             std::function<void(const ReadOutcome&)> done) {
    auto stop = std::make_shared<std::atomic<bool>>(false);
    auto promise = std::make_shared<QPromise<ReadOutcome>>();
    auto* watcher = new QFutureWatcher<ReadOutcome>(owner);
    QObject::connect(watcher, &QObject::destroyed, [stop] { stop->store(true); });
    QObject::connect(
        watcher, &QFutureWatcherBase::finished, watcher, [watcher, stop, done = std::move(done)] {
            const ReadOutcome outcome = watcher->future().resultCount() ? watcher->result() : ReadOutcome{};
            watcher->deleteLater();
            if (!stop->load())
                done(outcome);
        });
    watcher->setFuture(promise->future());
    promise->start();
    readingPool()->start([promise, stop, read = std::move(read)] {
        ReadOutcome outcome;
        try {
            if (!stop->load())
                outcome.read = read(*stop);
        } catch (...) {
            outcome.failed = std::current_exception();
        }
        promise->addResult(std::move(outcome));
        promise->finish();
    });
    return stop;
}

} // namespace numio
