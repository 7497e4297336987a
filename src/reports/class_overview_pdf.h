#pragma once

#include "reports/a4_pages.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class QPainter;
class QRectF;

namespace numio {

// What the printed class report says, already worded; the pages only lay it out.
struct ClassReport {
    using Line = ReportLine;
    struct Pupil {
        QString name;
        QVector<Line> lines; // the pupil's figures
    };
    QString title;        // the document's title in the reader's window
    QVector<Line> header; // the folder, the period, printed when
    QStringList columns;
    QVector<QStringList> rows; // one per pupil, in the table's order
    QStringList notes;         // the class's most-missed problems, files not read
    QVector<Pupil> pupils;     // a page each, in the order of the rows
    // Draws pupil i's chart into the rectangle; none: pages without charts.
    std::function<void(int pupil, QPainter& painter, const QRectF& target)> chart;
};

// Writes the A4 report: the class table, then a page for every pupil. The file appears only
// whole: throws Failure and leaves nothing behind.
void writeClassPdf(const ClassReport& report, const QString& path);

} // namespace numio
