#pragma once

#include "core/answer_store.h"

#include <QStringList>

#include <exception>
#include <mutex>

namespace numio {

// The answer stores of their plug-in, loaded by the first call of any method on whichever thread
// makes it: Qt SQL comes into the process only then. Every method throws Failure 53 when the
// plug-in cannot be found or is not the one this program was built with.
class LazyAnswerStores : public AnswerStores {
  public:
    // The plug-in where the program's plug-ins are.
    LazyAnswerStores();
    // The plug-in's files to try, in order.
    explicit LazyAnswerStores(QStringList files);

    OpenedAnswerStore open(const QString& path, const QString& pupilName) override;
    KnowledgeRead read(const QString& path, const KnowledgeQuery& query,
                       const std::atomic<bool>* stop) override;
    StoreMove move(const QString& from, const QString& to) override;
    bool join(const QString& from, const QString& into) override;
    void remove(const QString& path) override;

  private:
    AnswerStores& loaded();

    QStringList files_;
    std::mutex mutex_;
    AnswerStores* stores_ = nullptr;
    std::exception_ptr failed_; // not loaded: every call throws it again
};

} // namespace numio
