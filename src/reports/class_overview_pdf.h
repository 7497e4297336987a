#pragma once

#include "journal/journal.h"
#include "reports/a4_pages.h"

#include <QString>
#include <QStringList>
#include <QVector>

namespace numio {

class SaveProgress;

// What the printed class report says, already worded; the pages only lay it out.
struct ClassReport {
    using Line = ReportLine;
    struct Pupil {
        QString name;
        QVector<Line> lines;        // the pupil's figures
        QVector<Examination> exams; // for the chart of his success
    };
    QString title; // the document's title in the reader's window
    // The folder and the period, which also head every further page, then when it was printed.
    QVector<Line> header;
    QStringList columns;
    QVector<QStringList> rows; // one per pupil, in the table's order
    QStringList missedColumns;
    QVector<QStringList> missed; // the class's most-missed problems
    QStringList unread;          // the files that could not be read, each with why
    QVector<Pupil> pupils;       // a page each, in the order of the rows
};

// Writes the landscape A4 report: the class table, the class's most-missed problems, the files not
// read, then a page for every pupil with his figures and chart. Nothing in it is cut: texts wrap and
// their rows grow. Draws on the calling thread, whichever it is. `progress`, when given, advances
// with each row and each pupil's page, twice (the pages are counted first), and a cancel stops the
// writing with nothing written. The file appears only whole: throws Failure and leaves nothing
// behind.
void writeClassPdf(const ClassReport& report, const QString& path, SaveProgress* progress = nullptr);

} // namespace numio
