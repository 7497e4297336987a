#include "platform/dialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "platform/failure.h"

namespace numio {

void Dialogs::failure(const Failure& f) {
    const QString text = f.detail().isEmpty() ? f.messageText() : f.messageText() + u'\n' + f.detail();
    message(text, kFailureTitle, Buttons::Ok, Icon::Critical, Answer::Ok);
}

QString documentsOrHomeFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

QString withSuffix(const QString& path, const QString& suffix) {
    if (path.isEmpty() || path.endsWith(suffix, Qt::CaseInsensitive))
        return path;
    return path + suffix;
}

} // namespace numio
