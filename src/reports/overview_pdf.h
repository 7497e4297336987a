#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class QChartView;
class QPainter;
class QRectF;
class QPdfWriter;

namespace numio {

// What the printed overview says, already worded; the pages only lay it out.
struct OverviewReport {
    struct Line {
        QString label; // "Období:"
        QString value;
    };
    QString title;        // the document's title in the reader's window and file list
    QVector<Line> header; // whose results, from which file, over which period, printed when
    QVector<Line> totals; // the summary
    QString notice;       // what could not be read; may be empty
    QString chartNote;    // under the chart: how its trend is reckoned; may be empty
    QStringList columns;  // the table's heads, the rank's first
    QVector<QStringList> missed;
    QString moreMissed; // under the table when it does not list all; may be empty
};

// Writes an A4 document for a parents' meeting: the header, the totals, the chart as the view shows
// it and the most-missed problems over as many pages as they need. The file appears only whole:
// returns 0, or the failure code and leaves nothing behind.
int writeOverviewPdf(const OverviewReport& report, QChartView* chartView, const QString& path);

// Draws the view's chart into the target as the page wants it, whatever the window's size is.
void renderChart(QChartView* view, QPainter& painter, const QRectF& target);

// An A4 document drawn by `draw` (false: it could not be drawn whole). The file appears only
// whole: returns 0, or the failure code and leaves nothing behind.
int writeA4Pdf(const QString& path, const QString& title,
               const std::function<bool(QPdfWriter&, QPainter&)>& draw);

} // namespace numio
