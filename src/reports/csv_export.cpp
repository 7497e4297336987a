#include "reports/csv_export.h"

#include <QStringList>

#include <cmath>

namespace numio {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString field(const QString& text) {
    if (!text.contains(u';') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString modeText(PracticeKind kind) {
    switch (kind) {
    case PracticeKind::Set:
        return QStringLiteral("sada");
    case PracticeKind::Plain:
        return QStringLiteral("volné počítání");
    case PracticeKind::Repeat:
        return QStringLiteral("oprava chyb");
    case PracticeKind::Unknown:
        break;
    }
    return QStringLiteral("—");
}

QString optionalNumber(const std::optional<int>& n) {
    return n ? QString::number(*n) : QString();
}

QByteArray document(const QString& text) {
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

} // namespace

QString csvText(const QString& text) {
    static const QString kFormulaStarts = QStringLiteral("=+-@\t\r");
    if (!text.isEmpty() && kFormulaStarts.contains(text.front()))
        return field(u'\'' + text);
    return field(text);
}

QByteArray examinationsCsv(const QVector<CsvPupil>& pupils) {
    QString text =
        QStringLiteral("Žák;Datum;Čas;Režim;Přerušeno;Příkladů;Špatně;Známka;Úspěšnost (%)") + kCrLf;
    for (const CsvPupil& p : pupils) {
        if (!p.journal)
            continue;
        const QString name = csvText(p.name);
        for (const Examination& e : p.journal->exams) {
            // A date the journal did not let read stays empty rather than invented.
            const QString date = e.when.isValid() ? czechDate(e.when.date()) : QString();
            const QString time = e.when.isValid() ? e.when.toString(QStringLiteral("H:mm:ss")) : QString();
            // An interrupted examination has no grade, only the rate of what it answered; one without
            // answers has neither.
            const QString rate =
                e.problems == 0 ? QString()
                                : QString::number(e.interrupted ? scoreOf(e.problems, e.wrong).successRate
                                                                : e.successRate);
            text += QStringList{name,
                                date,
                                time,
                                modeText(e.kind),
                                e.interrupted ? QStringLiteral("ano") : QStringLiteral("ne"),
                                QString::number(e.problems),
                                QString::number(e.wrong),
                                e.grade > 0 ? QString::number(e.grade) : QString(),
                                rate}
                        .join(u';') +
                    kCrLf;
        }
    }
    return document(text);
}

QByteArray classTableCsv(const QVector<CsvSummary>& pupils) {
    QString text =
        QStringLiteral("Žák;Zkoušení;Příkladů;Úspěšnost (%);Známka;Vývoj (p. b.);Poslední zkoušení;"
                       "Zná násobilku (ze 100);Nejčastější chyby") +
        kCrLf;
    for (const CsvSummary& p : pupils) {
        const PupilSummary& s = p.summary;
        // One decimal place with a decimal comma, as a Czech spreadsheet reads a number.
        const QString trend =
            s.trend ? QString::number(std::round(*s.trend * 10.0) / 10.0 + 0.0, 'f', 1).replace(u'.', u',')
                    : QString();
        text += QStringList{csvText(p.name),
                            QString::number(s.exams),
                            QString::number(s.problems),
                            optionalNumber(s.successRate),
                            optionalNumber(s.grade),
                            trend,
                            s.last.isValid() ? czechDate(s.last.date()) : QString(),
                            csvText(p.knownFacts),
                            csvText(s.missed.join(QStringLiteral(", ")))}
                    .join(u';') +
                kCrLf;
    }
    return document(text);
}

} // namespace numio
