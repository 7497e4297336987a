#include "platform/dialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "platform/failure.h"

namespace numio {

void Dialogs::failure(const Failure& f) {
    message(f.boxText(), kFailureTitle, Buttons::Ok, Icon::Critical, Answer::Ok);
}

QString withSuffix(const QString& path, const QString& suffix) {
    if (path.isEmpty() || path.endsWith(suffix, Qt::CaseInsensitive))
        return path;
    return path + suffix;
}

QString chooseNewFile(Dialogs& dialogs, const QString& title, const QString& filter, const QString& proposed,
                      const QString& suffix) {
    QString path = withSuffix(dialogs.chooseFile(title, filter, proposed), suffix);
    if (path.isEmpty())
        return {};
    // The chooser never asks before overwriting (the protocol's is appended to): ask here.
    if (QFileInfo::exists(path) &&
        dialogs.message(
            QStringLiteral("Soubor %1 již existuje. Chcete ho přepsat?").arg(QDir::toNativeSeparators(path)),
            QStringLiteral("Upozornění"), Dialogs::Buttons::YesNo, Dialogs::Icon::Question,
            Dialogs::Answer::No) != Dialogs::Answer::Yes)
        return {};
    return path;
}

} // namespace numio
