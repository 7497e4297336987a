#include "reports/overview_pdf.h"

#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QPainter>

#include <array>

namespace numio {

namespace {

// Label and value pairs, the values aligned in one column.
void drawLines(A4Pages& pages, const QVector<OverviewReport::Line>& lines, const QFont& labelFont,
               const QFont& valueFont, double lineHeight) {
    const double labelWidth = pages.labelWidth(lines, labelFont);
    for (const auto& line : lines) {
        pages.text(line.label, labelFont);
        pages.text(line.value, valueFont, labelWidth + 12);
        pages.y += lineHeight;
    }
}

void drawPages(const OverviewReport& report, QChartView* chartView, A4Pages& pages) {
    QPainter& painter = pages.painter();
    QFont body = painter.font();
    body.setPointSizeF(10);
    QFont bold = body;
    bold.setBold(true);
    QFont heading = bold;
    heading.setPointSizeF(13);
    QFont title = bold;
    title.setPointSizeF(20);

    pages.y += pages.text(QStringLiteral("Přehled výsledků"), title) + 6;
    const double lineHeight = pages.height(body) * 1.35;
    drawLines(pages, report.header, body, bold, lineHeight);
    pages.y += 6;
    painter.setPen(QPen(Qt::darkGray, 1));
    painter.drawLine(QPointF(0, pages.y), QPointF(pages.width(), pages.y));
    pages.y += 12;

    drawLines(pages, report.totals, bold, body, lineHeight);
    if (!report.notice.isEmpty())
        pages.y += pages.paragraph(report.notice, body, QColor(0xb7, 0x1c, 0x1c));
    pages.y += 12;

    if (chartView) {
        const QRectF target(0, pages.y, pages.width(), pages.width() * 0.58);
        if (!pages.counting())
            renderChart(chartView, painter, target);
        pages.y += target.height() + 6;
        pages.y += pages.paragraph(report.chartNote, body, Qt::darkGray) + 12;
    }

    const double rowHeight = pages.height(body) * 1.5;
    pages.need(lineHeight * 2 + rowHeight * 3);
    pages.y += pages.text(QStringLiteral("Nejčastější chyby"), heading) + 6;
    if (report.missed.isEmpty()) {
        pages.text(QStringLiteral("V protokolu není žádná chyba."), body);
        return;
    }
    const double w = pages.width();
    const double rank = pages.advance(bold, report.columns.value(0)) + 24;
    const std::array<double, 4> columns{0, rank, w * 0.52, w * 0.70};
    const auto drawRow = [&](const QStringList& cells, const QFont& font, bool shaded) {
        if (shaded)
            pages.shade(rowHeight);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const double right = c + 1 < columns.size() ? columns[c + 1] : w;
            const int align = (c == 0 || c == 2) ? Qt::AlignRight : Qt::AlignLeft;
            pages.text(QRectF(columns[c] + 6, pages.y, right - columns[c] - 12, rowHeight),
                       cells.value(qsizetype(c)), font, align);
        }
        pages.y += rowHeight;
    };
    drawRow(report.columns, bold, true);
    for (qsizetype r = 0; r < report.missed.size(); ++r) {
        pages.need(rowHeight, [&] { drawRow(report.columns, bold, true); });
        drawRow(report.missed[r], body, r % 2 == 1);
    }
    if (!report.moreMissed.isEmpty()) {
        pages.need(rowHeight);
        pages.text(report.moreMissed, body);
    }
}

} // namespace

void renderChart(QChartView* view, QPainter& painter, const QRectF& target) {
    QChart* chart = view->chart();
    // The page wants the chart in a fixed shape, whatever the window's size is just now.
    const QSizeF shown = chart->size();
    // At the page's own scale the chart's fonts keep their size, as on screen.
    const QSizeF printed = target.size();
    chart->resize(printed);
    if (chart->layout())
        chart->layout()->activate();
    view->scene()->render(&painter, target, QRectF(chart->pos(), printed));
    chart->resize(shown);
    if (chart->layout())
        chart->layout()->activate();
}

void writeOverviewPdf(const OverviewReport& report, QChartView* chartView, const QString& path) {
    // A page after the first still says whose it is.
    const A4Layout layout{.numbered = true,
                          .runningHead =
                              runningHead(QStringLiteral("Přehled výsledků"), report.header.mid(0, 1))};
    writeA4Pdf(path, report.title, layout, [&](A4Pages& pages) { drawPages(report, chartView, pages); });
}

} // namespace numio
