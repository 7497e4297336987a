#include "protocol/overview_loader.h"

#include "platform/failure.h"

#include <QCoreApplication>
#include <QDialog>
#include <QLibrary>
#include <QVariant>

namespace numio {

namespace {

OverviewFactory loadFactory() {
    static OverviewFactory factory = nullptr;
    if (factory)
        return factory;
    // Beside the executable, or where the installation puts libraries (the build tree mirrors it).
    const QString dir = QCoreApplication::applicationDirPath();
    for (const QString& folder : {dir, dir + QStringLiteral("/" NUMIO_MODULE_DIR)}) {
        // Never unloaded: the dialogs it builds use its code until the program ends.
        QLibrary library(folder + QStringLiteral("/" NUMIO_MODULE_FILE));
        factory = reinterpret_cast<OverviewFactory>(library.resolve(kOverviewFactoryName));
        if (factory)
            return factory;
    }
    throw Failure(kFileNotFound);
}

} // namespace

std::unique_ptr<QDialog> createOverview(const Journal& journal, const QString& protocolPath,
                                        SettingsStore& store, Dialogs& dialogs,
                                        const std::optional<StoredSettings>& practice, QWidget* owner) {
    return std::unique_ptr<QDialog>(loadFactory()(journal, protocolPath, store, dialogs, practice, owner));
}

QStringList showOverview(const Journal& journal, const QString& protocolPath, SettingsStore& store,
                         Dialogs& dialogs, const std::optional<StoredSettings>& practice, QWidget* owner) {
    const std::unique_ptr<QDialog> overview =
        createOverview(journal, protocolPath, store, dialogs, practice, owner);
    overview->exec();
    return overview->property("chosenEntries").toStringList();
}

} // namespace numio
