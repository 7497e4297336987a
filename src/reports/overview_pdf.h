#pragma once

#include "reports/a4_pages.h"

#include <QString>
#include <QStringList>
#include <QVector>

class QChartView;
class QPainter;
class QRectF;

namespace numio {

// What the printed overview says, already worded; the pages only lay it out.
struct OverviewReport {
    using Line = ReportLine;
    QString title; // the document's title in the reader's window and file list
    // Whose results, from which file, over which period, printed when; the first line heads every
    // further page.
    QVector<Line> header;
    QVector<Line> totals; // the summary
    QString notice;       // what could not be read; may be empty
    QString chartNote;    // under the chart: how its trend is reckoned; may be empty
    QStringList columns;  // the table's heads, the rank's first
    QVector<QStringList> missed;
    QString moreMissed; // under the table when it does not list all; may be empty
};

// Writes an A4 document for a parents' meeting: the header, the totals, the chart as the view shows
// it and the most-missed problems over as many pages as they need, each numbered. The file appears only
// whole: throws Failure and leaves nothing behind.
void writeOverviewPdf(const OverviewReport& report, QChartView* chartView, const QString& path);

// Draws the view's chart into the target as the page wants it, whatever the window's size is.
void renderChart(QChartView* view, QPainter& painter, const QRectF& target);

} // namespace numio
