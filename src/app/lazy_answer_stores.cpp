#include "app/lazy_answer_stores.h"

#include "answers/answers_plugin.h"
#include "platform/failure.h"
#include "platform/logging.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPluginLoader>

namespace numio {

LazyAnswerStores::LazyAnswerStores() {
    // Beside the executable, or where the installation puts it (the build tree mirrors that).
    const QString dir = QCoreApplication::applicationDirPath();
    for (const QString& folder : {dir, dir + QStringLiteral("/" NUMIO_MODULE_DIR)})
        files_ << folder + QStringLiteral("/" NUMIO_ANSWERS_FILE);
}

LazyAnswerStores::LazyAnswerStores(QStringList files) : files_(std::move(files)) {}

AnswerStores& LazyAnswerStores::loaded() {
    const std::lock_guard lock(mutex_);
    if (stores_)
        return *stores_;
    if (failed_)
        std::rethrow_exception(failed_);
    for (const QString& file : std::as_const(files_)) {
        QPluginLoader loader(file);
        QObject* root = loader.instance();
        if (auto* plugin = qobject_cast<AnswersPlugin*>(root)) {
            // Loaded on a reading thread maybe; the plug-in's object lives as long as the program.
            if (QCoreApplication::instance() && root->thread() != QCoreApplication::instance()->thread())
                root->moveToThread(QCoreApplication::instance()->thread());
            stores_ = &plugin->stores();
            return *stores_;
        }
        if (QFileInfo::exists(file))
            qCWarning(lcAnswers) << "not the answers plug-in of this program:" << loader.errorString();
    }
    const QString name = files_.isEmpty() ? QString() : QFileInfo(files_.constFirst()).fileName();
    failed_ = std::make_exception_ptr(
        Failure(kFileNotFound)
            .withDetail(QStringLiteral("Chybí část programu, která pamatuje odpovědi (%1), nebo patří jiné "
                                       "verzi programu Numio; odpovědi se nezapamatují ani neukážou. "
                                       "Nainstalujte program znovu.")
                            .arg(name)));
    std::rethrow_exception(failed_);
}

OpenedAnswerStore LazyAnswerStores::open(const QString& path, const QString& pupilName) {
    return loaded().open(path, pupilName);
}

KnowledgeRead LazyAnswerStores::read(const QString& path, const KnowledgeQuery& query,
                                     const std::atomic<bool>* stop) {
    return loaded().read(path, query, stop);
}

StoreMove LazyAnswerStores::move(const QString& from, const QString& to) {
    return loaded().move(from, to);
}

bool LazyAnswerStores::join(const QString& from, const QString& into) {
    return loaded().join(from, into);
}

void LazyAnswerStores::remove(const QString& path) {
    loaded().remove(path);
}

} // namespace numio
