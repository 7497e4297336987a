#include "reports/overview_pdf.h"

#include "platform/failure.h"
#include "platform/text_files.h"

#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <array>

namespace numio {

namespace {

// Draws top to bottom and starts a new page when the next piece does not fit.
class PdfPages {
  public:
    PdfPages(QPdfWriter& writer, QPainter& painter) : writer_(writer), painter_(painter) {
        QFont f = painter.font();
        f.setPointSizeF(9);
        footerFont_ = f;
        footerHeight_ = QFontMetricsF(footerFont_, &writer).height() * 2;
        footer();
    }

    double width() const { return writer_.width(); }
    int page() const { return page_; }
    double y = 0;

    // False when a new page was needed and could not be started.
    bool need(double height) {
        if (y + height <= writer_.height() - footerHeight_)
            return true;
        if (!writer_.newPage())
            return false;
        ++page_;
        y = 0;
        footer();
        return true;
    }

    double text(const QString& s, const QFont& font, double x = 0, const QColor& colour = Qt::black) {
        painter_.setFont(font);
        painter_.setPen(colour);
        const double h = QFontMetricsF(font, &writer_).height();
        painter_.drawText(QRectF(x, y, width() - x, h), Qt::AlignLeft | Qt::AlignVCenter, s);
        return h;
    }

  private:
    void footer() {
        painter_.save();
        painter_.setFont(footerFont_);
        painter_.setPen(Qt::darkGray);
        painter_.drawText(QRectF(0, writer_.height() - footerHeight_ / 2, width(), footerHeight_ / 2),
                          Qt::AlignHCenter | Qt::AlignBottom, QStringLiteral("Strana %1").arg(page_));
        painter_.restore();
    }

    QPdfWriter& writer_;
    QPainter& painter_;
    QFont footerFont_;
    double footerHeight_ = 0;
    int page_ = 1;
};

// Label and value pairs, the values aligned in one column.
void drawLines(PdfPages& pages, QPainter& painter, const QVector<OverviewReport::Line>& lines,
               const QFont& labelFont, const QFont& valueFont, double lineHeight) {
    double labelWidth = 0;
    for (const auto& line : lines)
        labelWidth =
            std::max(labelWidth, QFontMetricsF(labelFont, painter.device()).horizontalAdvance(line.label));
    for (const auto& line : lines) {
        pages.text(line.label, labelFont);
        pages.text(line.value, valueFont, labelWidth + 12);
        pages.y += lineHeight;
    }
}

// False when a page could not be started.
bool drawPages(const OverviewReport& report, QChartView* chartView, QPdfWriter& writer, QPainter& painter) {
    QFont body = painter.font();
    body.setPointSizeF(10);
    QFont bold = body;
    bold.setBold(true);
    QFont heading = bold;
    heading.setPointSizeF(13);
    QFont title = bold;
    title.setPointSizeF(20);

    PdfPages pages(writer, painter);
    pages.y += pages.text(QStringLiteral("Přehled výsledků"), title) + 6;
    const double lineHeight = QFontMetricsF(body, &writer).height() * 1.35;
    drawLines(pages, painter, report.header, body, bold, lineHeight);
    pages.y += 6;
    painter.setPen(QPen(Qt::darkGray, 1));
    painter.drawLine(QPointF(0, pages.y), QPointF(pages.width(), pages.y));
    pages.y += 12;

    drawLines(pages, painter, report.totals, bold, body, lineHeight);
    if (!report.notice.isEmpty()) {
        painter.setFont(body);
        painter.setPen(QColor(0xb7, 0x1c, 0x1c));
        const QRectF box =
            painter.boundingRect(QRectF(0, pages.y, pages.width(), 1000), Qt::TextWordWrap, report.notice);
        painter.drawText(box, Qt::TextWordWrap, report.notice);
        pages.y += box.height();
    }
    pages.y += 12;

    if (chartView) {
        const QRectF target(0, pages.y, pages.width(), pages.width() * 0.58);
        renderChart(chartView, painter, target);
        pages.y += target.height() + 6;
        painter.setFont(body);
        painter.setPen(Qt::darkGray);
        const QRectF note =
            painter.boundingRect(QRectF(0, pages.y, pages.width(), 1000), Qt::TextWordWrap, report.chartNote);
        painter.drawText(note, Qt::TextWordWrap, report.chartNote);
        pages.y += note.height() + 12;
    }

    const double rowHeight = QFontMetricsF(body, &writer).height() * 1.5;
    if (!pages.need(lineHeight * 2 + rowHeight * 3))
        return false;
    pages.y += pages.text(QStringLiteral("Nejčastější chyby"), heading) + 6;
    if (report.missed.isEmpty()) {
        pages.text(QStringLiteral("V protokolu není žádná chyba."), body);
        return true;
    }
    const double w = pages.width();
    const double rank = QFontMetricsF(bold, &writer).horizontalAdvance(report.columns.value(0)) + 24;
    const std::array<double, 4> columns{0, rank, w * 0.52, w * 0.70};
    const auto drawRow = [&](const QStringList& cells, const QFont& font, bool shaded) {
        if (shaded)
            painter.fillRect(QRectF(0, pages.y, w, rowHeight), QColor(0xee, 0xee, 0xee));
        painter.setFont(font);
        painter.setPen(Qt::black);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const double right = c + 1 < columns.size() ? columns[c + 1] : w;
            const Qt::Alignment align = (c == 0 || c == 2) ? Qt::AlignRight : Qt::AlignLeft;
            painter.drawText(QRectF(columns[c] + 6, pages.y, right - columns[c] - 12, rowHeight),
                             int(align | Qt::AlignVCenter), cells.value(qsizetype(c)));
        }
        pages.y += rowHeight;
    };
    drawRow(report.columns, bold, true);
    for (qsizetype r = 0; r < report.missed.size(); ++r) {
        const int page = pages.page();
        if (!pages.need(rowHeight))
            return false;
        if (pages.page() != page)
            drawRow(report.columns, bold, true);
        drawRow(report.missed[r], body, r % 2 == 1);
    }
    if (!report.moreMissed.isEmpty() && pages.need(rowHeight))
        pages.text(report.moreMissed, body);
    return true;
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

int writeA4Pdf(const QString& path, const QString& title,
               const std::function<bool(QPdfWriter&, QPainter&)>& draw) {
    // Drawn in memory, then written as a whole, so a full disk or a vanished folder never leaves a
    // cut document or spoils the one that was there, and is told as what it is.
    QByteArray document;
    bool drawn = false;
    {
        QBuffer buffer(&document);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        // Screen resolution keeps the chart's fonts and lines in the proportions they have on screen.
        writer.setResolution(96);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Numio"));
        QPainter painter;
        if (painter.begin(&writer)) {
            painter.setRenderHint(QPainter::Antialiasing);
            drawn = draw(writer, painter);
            drawn = painter.end() && drawn;
        }
    }
    if (!drawn)
        return kPathFileAccess;
    try {
        writeWholeFile(path, document);
        return 0;
    } catch (const Failure& f) {
        return f.code();
    }
}

int writeOverviewPdf(const OverviewReport& report, QChartView* chartView, const QString& path) {
    return writeA4Pdf(path, report.title, [&](QPdfWriter& writer, QPainter& painter) {
        return drawPages(report, chartView, writer, painter);
    });
}

} // namespace numio
