#include "journal/protocol_file.h"

#include "platform/failure.h"
#include "platform/logging.h"

#include <QDir>
#include <QFileInfo>

namespace numio {

namespace {

TextFiles& fileSystem(const PracticeState& s) {
    if (!s.fso)
        throw Failure(kPathFileAccess);
    return *s.fso;
}

void closeStream(PracticeState& s) {
    if (const std::unique_ptr<AppendStream> stream = std::move(s.tsProtokol))
        stream->close();
}

// Nothing is kept unless both steps succeed, so a half-opened file never holds the lock.
void openAnew(PracticeState& s) {
    TextFiles& fso = fileSystem(s);
    try {
        std::unique_ptr<AppendStream> stream = fso.openForAppending(s.ProtokolFile);
        FileEntry entry = fso.lookUp(s.ProtokolFile);
        s.tsProtokol = std::move(stream);
        s.fileProtokol = std::move(entry);
        s.bProtokolOpen = true;
    } catch (Failure& f) {
        if (f.detail().isEmpty())
            f.withDetail(
                QStringLiteral("Soubor protokolu %1 nelze otevřít.").arg(displayPath(s.ProtokolFile)));
        throw;
    }
}

} // namespace

void openProtocol(PracticeState& s) {
    if (!s.protocolOn())
        return;
    TextFiles& fso = fileSystem(s);
    if (s.bProtokolOpen && s.tsProtokol && s.tsProtokol->refersTo(s.ProtokolFile)) {
        // Already open on this very file: closing and reopening would only give a second copy
        // of the program the moment to take the lock from us.
        s.fileProtokol = fso.lookUp(s.ProtokolFile);
        return;
    }
    if (s.bProtokolOpen) {
        // Closed first: the lock is per open file, so reopening the same path would refuse us.
        s.bProtokolOpen = false;
        closeStream(s);
    }
    openAnew(s);
}

void followProtocolPath(PracticeState& s) {
    // Only the file the settings name is followed; one left open after the protocol was switched
    // off in the settings keeps its lines where they were.
    if (!s.bProtokolOpen || !s.protocolOn() || s.ProtokolFile.isEmpty() ||
        (s.tsProtokol && s.tsProtokol->refersTo(s.ProtokolFile)))
        return;
    // Lines written to a file nobody can find any more would be lost.
    s.bProtokolOpen = false;
    s.fileProtokol.reset();
    closeStream(s);
    openAnew(s);
}

QString datedProtocolName(const QString& path, const QDateTime& when, int attempt) {
    const QFileInfo file(path);
    QString stamp = when.toString(u"yyyy-MM-dd_HH-mm-ss");
    if (attempt > 1)
        stamp += u'-' + QString::number(attempt);
    const QString suffix = file.suffix();
    QString name = suffix.isEmpty() ? file.fileName() + u'.' + stamp
                                    : file.completeBaseName() + u'.' + stamp + u'.' + suffix;
    return file.dir().filePath(name);
}

QString deleteProtocolFile(PracticeState& s, const Clock& clock) {
    s.fileProtokol.reset();
    if (s.bProtokolOpen) {
        s.bProtokolOpen = false;
        closeStream(s);
    }
    TextFiles& fso = fileSystem(s);
    fso.lookUp(s.ProtokolFile);
    if (fso.moveToTrash(s.ProtokolFile))
        return QStringLiteral("Starý protokol je v koši.");
    // Two deletions within a second must not overwrite the first copy.
    const QDateTime now = clock.now().isValid() ? clock.now() : QDateTime::currentDateTime();
    QString copy;
    for (int attempt = 1;; ++attempt) {
        copy = datedProtocolName(s.ProtokolFile, now, attempt);
        try {
            fso.rename(s.ProtokolFile, copy);
            break;
        } catch (const Failure&) {
            if (!QFileInfo::exists(copy) || attempt == 99)
                throw;
        }
    }
    return QStringLiteral("Starý protokol je uložen jako %1.").arg(QFileInfo(copy).fileName());
}

qint64 protocolFileSize(const PracticeState& s) {
    if (!s.fileProtokol || !s.fso)
        return 0;
    try {
        return s.fso->size(*s.fileProtokol);
    } catch (const Failure& f) {
        qCDebug(lcJournal()) << "journal size unknown, nothing to show or delete:" << f.detail();
        return 0;
    }
}

void closeProtocol(PracticeState& s) {
    s.bProtokolOpen = false;
    s.fileProtokol.reset();
    closeStream(s);
}

} // namespace numio
