#include "app/reports_loader.h"

#include "platform/failure.h"
#include "reports/reports_plugin.h"

#include <QCoreApplication>
#include <QPluginLoader>

namespace numio {

Reports& loadReports() {
    static Reports* reports = nullptr;
    if (reports)
        return *reports;
    // Beside the executable, or where the installation puts it (the build tree mirrors that).
    const QString dir = QCoreApplication::applicationDirPath();
    for (const QString& folder : {dir, dir + QStringLiteral("/" NUMIO_MODULE_DIR)}) {
        QPluginLoader loader(folder + QStringLiteral("/" NUMIO_MODULE_FILE));
        reports = qobject_cast<Reports*>(loader.instance());
        if (reports)
            return *reports;
    }
    throw Failure(kFileNotFound);
}

} // namespace numio
