#include "core/answer_store.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

namespace numio {

QString defaultDataFolder() {
    // The XDG rule: $XDG_DATA_HOME when it is absolute, a relative one ignored for ~/.local/share.
    // Without a home of its own (HOME unset, empty or relative) there is no place: Qt would name one
    // below the current folder or the root's.
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(base)) {
        const QString home = qEnvironmentVariable("HOME");
        if (!QDir::isAbsolutePath(home))
            return {};
        base = home + QStringLiteral("/.local/share");
    }
    // Below it, what Qt adds for the program ("/Numio").
    const QString app = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString generic = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir::cleanPath(base + u'/' + app.mid(generic.size()));
}

QString answerStorePath(const QString& dataFolder, const QString& pupilId) {
    static const QRegularExpression id(QStringLiteral("^[a-z0-9-]+$"));
    const QString answers = dataFolder + QStringLiteral("/odpovedi/");
    if (pupilId.isEmpty())
        return answers + QStringLiteral("odpovedi.sqlite");
    if (!id.match(pupilId).hasMatch())
        throw Failure(kBadFileName);
    return answers + QStringLiteral("zaci/") + pupilId + QStringLiteral(".sqlite");
}

QString answerStoreBeside(const QString& journalPath) {
    if (journalPath.isEmpty())
        return {};
    QString base = journalPath;
    if (base.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive))
        base.chop(4);
    return base + QStringLiteral(".odpovedi.sqlite");
}

QStringList answerStoreFiles(const QString& path) {
    QStringList files;
    for (const QString& file : {path, path + QStringLiteral("-wal"), path + QStringLiteral("-journal")})
        if (QFileInfo::exists(file))
            files << file;
    return files;
}

} // namespace numio
