#include "journal/journal_folder.h"
#include "reports/a4_pages.h"
#include "reports/class_map.h"
#include "reports/czech_format.h"
#include "reports/knowledge_map_view.h"

#include <QFontMetricsF>
#include <QPainter>

namespace numio {

namespace {

// Cells on paper for one page: sums to 100 fit.
constexpr int kPrintedCellsAtMost = 6000;

void drawGrid(const ClassMapReport& r, const MapPage& page, A4Pages& pages, const QFont& body,
              const QFont& bold) {
    QPainter& painter = pages.painter();
    QFont cells = body;
    cells.setPointSizeF(page.grid() ? 9 : 7);
    const QFontMetricsF m(cells, painter.device());
    const double head = page.grid() ? m.horizontalAdvance(QStringLiteral("000")) : 0;
    const double width = (pages.width() - head) / kMapColumns;
    const double height = page.grid() ? width * 0.5 : m.height() * 2.6;
    const auto number = [&](const QRectF& box, int n) {
        pages.text(box, QString::number(n), body, Qt::AlignCenter, Qt::darkGray);
    };
    if (page.grid()) {
        for (int c = 0; c < kMapColumns; ++c)
            number(QRectF(head + c * width, pages.y, width, height * 0.7), c + 1);
        pages.y += height * 0.7;
    }
    int drawn = 0;
    for (const MapRow& line : page.rows) {
        if (drawn + line.count > kPrintedCellsAtMost)
            return;
        drawn += line.count;
        if (!line.title.isEmpty()) {
            pages.need(height * 2.5);
            paintGroupTitle(painter, QRectF(0, pages.y, pages.width(), height * 1.2), line.title, bold,
                            Qt::black);
            pages.y += height * 1.2;
            continue;
        }
        pages.need(height);
        if (page.grid())
            number(QRectF(0, pages.y, head, height), line.table);
        for (int c = 0; c < line.count; ++c) {
            const Fact& f = page.facts[line.first + c];
            const ClassFact counts = r.counts.facts.value(f);
            // Sums have no row and column to name them: the problem goes above the count.
            QString text = classCellText(counts, r.counts.pupils);
            if (!page.grid())
                text = shownFact(f) + u'\n' + text;
            paintFactCell(painter, QRectF(head + c * width, pages.y, width, height), text,
                          classCellLook(counts, r.counts.pupils), cells);
        }
        pages.y += height;
    }
}

} // namespace

void writeClassMapPdf(const ClassMapReport& report, const QString& path) {
    const QString title = classMapTitle(report.className);
    const QVector<ReportLine> header{
        {QStringLiteral("Týden do:"), czechDate(report.end.addSecs(-1).date())},
        {QStringLiteral("Žáků s odpověďmi:"), QString::number(report.counts.pupils)}};
    const A4Layout layout{.numbered = true, .runningHead = runningHead(title, header)};
    writeA4Pdf(path, title, layout, [&](A4Pages& pages) {
        QPainter& painter = pages.painter();
        QFont body = painter.font();
        body.setPointSizeF(10);
        QFont bold = body;
        bold.setBold(true);
        QFont big = bold;
        big.setPointSizeF(20);
        const auto paragraph = [&](const QString& text, const QFont& font, double after) {
            pages.need(pages.paragraphHeight(text, font));
            pages.y += pages.paragraph(text, font, Qt::black) + after;
        };
        pages.y += pages.text(title, big) + 6;
        const double labels = pages.labelWidth(header, body) + 12;
        for (const ReportLine& line : header) {
            pages.text(line.label, body);
            pages.y += pages.text(line.value, bold, labels) * 1.35;
        }
        paragraph(classMapLegend(), body, 6);
        paragraph(weekChangeText(report.counts), bold, 12);
        pages.need(pages.height(body) * 12);
        pages.y += pages.text(QStringLiteral("Nejslabší příklady třídy:"), bold) + 4;
        for (const Fact& f : report.counts.weakest)
            paragraph(classFactDescription(f, report.counts.facts.value(f), report.counts.pupils), body, 2);
        if (!report.unread.isEmpty()) {
            pages.y += 10;
            pages.need(pages.height(body) * 3);
            pages.y += pages.text(QStringLiteral("Odpovědi, které nelze přečíst:"), bold) + 4;
            for (const QString& line : report.unread)
                paragraph(line, body, 2);
        }
        for (const auto& [name, page] : report.pages) {
            pages.y += 18;
            pages.need(pages.height(bold) * 6);
            pages.y += pages.text(name, bold) + 6;
            drawGrid(report, page, pages, body, bold);
        }
    });
}

} // namespace numio
