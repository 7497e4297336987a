#include "reports/knowledge_map_pdf.h"

#include "journal/journal_folder.h"
#include "reports/a4_pages.h"
#include "reports/czech_format.h"
#include "reports/knowledge_map_view.h"

#include <QFontMetricsF>
#include <QPainter>

namespace numio {

namespace {

QVector<ReportLine> headerOf(const KnowledgeMapReport& r, const QString& operation) {
    QVector<ReportLine> lines;
    if (!r.pupil.isEmpty())
        lines.push_back({QStringLiteral("Žák:"), r.pupil});
    lines.push_back({QStringLiteral("Početní operace:"), operation});
    lines.push_back({QStringLiteral("Datum tisku:"), czechDate(r.printed)});
    return lines;
}

// Facts on paper for one part of a page: sums to 100 fit.
constexpr int kPrintedFactsAtMost = 6000;

// The page's rows from `from` up to `to`: what the settings ask, or what is under the fold.
void drawGrid(const KnowledgeMapReport& r, const MapPage& page, int from, int to, A4Pages& pages,
              const QFont& body, const QFont& bold) {
    QPainter& painter = pages.painter();
    QFont cells = body;
    cells.setPointSizeF(page.grid() ? 10 : 9);
    const QFontMetricsF m(cells, painter.device());
    // The times tables' rows and factors are numbered at the left and on top.
    const double head = page.grid() ? m.horizontalAdvance(QStringLiteral("000")) : 0;
    const double width = (pages.width() - head) / kMapColumns;
    const double height = page.grid() ? width * 0.55 : m.height() * 1.7;
    const auto number = [&](const QRectF& box, int n) {
        pages.text(box, QString::number(n), body, Qt::AlignCenter, Qt::darkGray);
    };
    if (page.grid()) {
        for (int c = 0; c < kMapColumns; ++c)
            number(QRectF(head + c * width, pages.y, width, height * 0.7), c + 1);
        pages.y += height * 0.7;
    }
    int drawn = 0;
    for (int row = from; row < to; ++row) {
        const MapRow& line = page.rows[row];
        if (drawn + line.count > kPrintedFactsAtMost) {
            // A hand-edited largest sum asks for hundreds of thousands: paper takes the first of them.
            qsizetype left = 0;
            for (int rest = row; rest < to; ++rest)
                left += page.rows[rest].count;
            pages.need(height * 2);
            pages.y += pages.paragraph(
                QStringLiteral("… a dalších %1 příkladů; všechny ukáže mapa v okně.").arg(czechCount(left)),
                body, Qt::black);
            return;
        }
        drawn += line.count;
        if (!line.title.isEmpty()) {
            // A title keeps at least a row of its facts on its page.
            pages.need(height * 2.5);
            paintGroupTitle(painter, QRectF(0, pages.y, pages.width(), height * 1.5), line.title, bold,
                            Qt::black);
            pages.y += height * 1.5;
            continue;
        }
        pages.need(height);
        if (page.grid())
            number(QRectF(0, pages.y, head, height), line.table);
        for (int c = 0; c < line.count; ++c) {
            const Fact& f = page.facts[line.first + c];
            paintFactCell(painter, QRectF(head + c * width, pages.y, width, height), shownFact(f),
                          factState(r.knowledge.value(f), r.knownWithinMs, r.now), cells);
        }
        pages.y += height;
    }
}

void drawSection(const KnowledgeMapReport& r, const KnowledgeMapSection& section, A4Pages& pages) {
    QPainter& painter = pages.painter();
    QFont body = painter.font();
    body.setPointSizeF(10);
    QFont bold = body;
    bold.setBold(true);
    QFont title = bold;
    title.setPointSizeF(20);

    pages.y += pages.text(knowledgeMapTitle(r.pupil), title) + 6;
    const QVector<ReportLine> header = headerOf(r, section.operation);
    const double lineHeight = pages.height(body) * 1.35;
    const double labels = pages.labelWidth(header, body) + 12;
    for (const ReportLine& line : header) {
        pages.text(line.label, body);
        pages.text(line.value, bold, labels);
        pages.y += lineHeight;
    }
    pages.y += 6;
    painter.setPen(QPen(Qt::darkGray, 1));
    painter.drawLine(QPointF(0, pages.y), QPointF(pages.width(), pages.y));
    pages.y += 12;

    const MapPage& page = section.page;
    const int fold = page.foldRow >= 0 ? page.foldRow : int(page.rows.size());
    drawGrid(r, page, 0, fold, pages, body, bold);
    pages.y += 12;
    const double legend = legendSize(QFontMetricsF(body, painter.device()), pages.width()).height();
    pages.need(legend + lineHeight * 2);
    paintLegend(painter, QRectF(0, pages.y, pages.width(), legend), body, Qt::black);
    pages.y += legend + 6;
    pages.y += pages.paragraph(section.line, bold, Qt::black) + 18;

    const double chart = pages.height(body) * 9;
    pages.need(chart + lineHeight * 1.5);
    pages.y += pages.text(QStringLiteral("Známé příklady po týdnech"), bold) + 4;
    paintWeekChart(painter, QRectF(0, pages.y, pages.width(), chart), section.weeks, body, Qt::black);
    pages.y += chart + 18;

    // On paper nothing folds: the rest follows under its title.
    if (page.foldRow >= 0) {
        pages.need(pages.height(bold) * 4);
        pages.y += pages.paragraph(page.rows[page.foldRow].title, bold, Qt::black) + 6;
        drawGrid(r, page, page.foldRow + 1, int(page.rows.size()), pages, body, bold);
    }
}

} // namespace

QString knowledgeMapTitle(const QString& pupil) {
    const QString what = QStringLiteral("Mapa znalostí");
    return pupil.isEmpty() ? what : what + QStringLiteral(" – ") + pupil;
}

void writeKnowledgeMapPdf(const KnowledgeMapReport& report, const QString& path) {
    const A4Layout layout{.runningHead =
                              runningHead(knowledgeMapTitle(report.pupil),
                                          {{QStringLiteral("Datum tisku:"), czechDate(report.printed)}})};
    writeA4Pdf(path, knowledgeMapTitle(report.pupil), layout, [&](A4Pages& pages) {
        for (qsizetype i = 0; i < report.sections.size(); ++i) {
            if (i > 0)
                pages.newPage();
            drawSection(report, report.sections[i], pages);
        }
    });
}

} // namespace numio
