#include "protocol/class_overview_loader.h"

#include "platform/failure.h"

#include <QCoreApplication>
#include <QLibrary>

namespace numio {

void showClassOverview(SettingsStore& store, Dialogs& dialogs, TextFiles& files, QWidget* owner) {
    static ClassOverviewEntry entry = nullptr;
    // Beside the executable, or where the installation puts libraries (the build tree mirrors it).
    const QString dir = QCoreApplication::applicationDirPath();
    for (const QString& folder : {dir, dir + QStringLiteral("/" NUMIO_MODULE_DIR)}) {
        if (entry)
            break;
        // Never unloaded, as the results overview's library is not.
        QLibrary library(folder + QStringLiteral("/" NUMIO_MODULE_FILE));
        entry = reinterpret_cast<ClassOverviewEntry>(library.resolve(kClassOverviewEntryName));
    }
    if (!entry)
        throw Failure(kFileNotFound);
    entry(store, dialogs, files, owner);
}

} // namespace numio
