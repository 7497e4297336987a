#include "protocol/csv_export.h"

#include "platform/failure.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

namespace numio {

namespace {

QString field(const QString& text) {
    if (!text.contains(u';') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

} // namespace

QByteArray examinationsCsv(const QVector<CsvPupil>& pupils) {
    const QString crlf = QStringLiteral("\r\n");
    QString text = QStringLiteral("Žák;Datum;Čas;Příkladů;Špatně;Známka;Úspěšnost") + crlf;
    for (const CsvPupil& p : pupils) {
        if (!p.journal)
            continue;
        const QString name = field(p.name);
        for (const Examination& e : p.journal->exams) {
            // A date the journal did not let read stays empty rather than invented.
            const QString date = e.when.isValid() ? e.when.toString(QStringLiteral("d.M.yyyy")) : QString();
            const QString time = e.when.isValid() ? e.when.toString(QStringLiteral("H:mm:ss")) : QString();
            text += QStringList{name,
                                date,
                                time,
                                QString::number(e.problems),
                                QString::number(e.wrong),
                                QString::number(e.grade),
                                QString::number(e.successRate)}
                        .join(u';') +
                    crlf;
        }
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

int writeCsvFile(const QByteArray& bytes, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QFileInfo(QFileInfo(path).absolutePath()).isDir() ? kAccessDenied : kPathNotFound;
    if (file.write(bytes) != bytes.size()) {
        const int code = file.error() == QFileDevice::ResourceError ? kDiskFull : kPathFileAccess;
        file.cancelWriting();
        return code;
    }
    if (!file.commit())
        return file.error() == QFileDevice::ResourceError ? kDiskFull : kPathFileAccess;
    return 0;
}

} // namespace numio
