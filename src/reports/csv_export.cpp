#include "reports/csv_export.h"

#include "journal/journal_folder.h"

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
            const QString date = e.when.isValid() ? czechDate(e.when.date()) : QString();
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

} // namespace numio
