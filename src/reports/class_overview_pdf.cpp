#include "reports/class_overview_pdf.h"

#include <QPainter>

#include <algorithm>

namespace numio {

namespace {

// The class report's own pieces on the shared pages: small type, names and figures cut short
// rather than running into the next column.
class ClassPages {
  public:
    explicit ClassPages(A4Pages& pages) : pages_(pages) {
        body_ = pages.painter().font();
        body_.setPointSizeF(9);
        bold_ = body_;
        bold_.setBold(true);
        title_ = bold_;
        title_.setPointSizeF(18);
        line_ = pages.height(body_) * 1.4;
    }

    void title(const QString& text) {
        const double h = pages_.height(title_);
        cell(QRectF(0, pages_.y, pages_.width(), h), text, title_);
        pages_.y += h + 6;
    }

    void lines(const QVector<ClassReport::Line>& lines) {
        const double labelWidth = pages_.labelWidth(lines, body_);
        for (const auto& l : lines) {
            cell(QRectF(0, pages_.y, labelWidth, line_), l.label, body_);
            cell(QRectF(labelWidth + 10, pages_.y, pages_.width() - labelWidth - 10, line_), l.value, bold_);
            pages_.y += line_;
        }
        pages_.y += 8;
    }

    // A paragraph that wraps, on the next page when it does not fit on this one.
    void paragraph(const QString& text) {
        pages_.need(pages_.paragraphHeight(text, body_));
        pages_.y += pages_.paragraph(text, body_, Qt::black) + 6;
    }

    // The table over as many pages as it needs, its heads on each.
    void table(const QStringList& heads, const QVector<QStringList>& rows) {
        const double width = pages_.width();
        // Widths by the longest text of each column, the names' column taking what is left.
        QVector<double> widths(heads.size(), 0);
        for (qsizetype c = 0; c < heads.size(); ++c) {
            // A head may wrap at its blanks; a cell keeps to one line.
            for (const QString& word : heads[c].split(u' '))
                widths[c] = std::max(widths[c], pages_.advance(bold_, word));
            for (const QStringList& r : rows)
                widths[c] = std::max(widths[c], pages_.advance(bold_, r.value(c)));
            widths[c] += 16;
        }
        double sum = 0;
        for (double w : widths)
            sum += w;
        // The last column, the longest texts, gives way first; then all of them alike.
        if (sum > width && !widths.isEmpty()) {
            const double others = sum - widths.back();
            widths.back() = std::max(width - others, width * 0.25);
            sum = others + widths.back();
        }
        const double scale = sum > width ? width / sum : 1.0;
        for (double& w : widths)
            w *= scale;
        const auto row = [&](const QStringList& cells, const QFont& font, bool shaded, bool head) {
            const double height = head ? line_ * 2 : line_;
            if (shaded)
                pages_.shade(height);
            double x = 0;
            for (qsizetype c = 0; c < widths.size(); ++c) {
                const QRectF box(x + 4, pages_.y, widths[c] - 8, height);
                if (head)
                    pages_.text(box, cells.value(c), font, Qt::AlignLeft | Qt::TextWordWrap);
                else
                    cell(box, cells.value(c), font);
                x += widths[c];
            }
            pages_.y += height;
        };
        const auto headRow = [&] { row(heads, bold_, true, true); };
        pages_.need(line_ * 3);
        headRow();
        for (qsizetype r = 0; r < rows.size(); ++r) {
            pages_.need(line_, headRow);
            row(rows[r], body_, r % 2 == 1, false);
        }
        pages_.y += 10;
    }

  private:
    void cell(const QRectF& box, const QString& text, const QFont& font) {
        pages_.text(box, text, font, Qt::AlignLeft, Qt::black, true);
    }

    A4Pages& pages_;
    QFont body_, bold_, title_;
    double line_ = 0;
};

void drawReport(const ClassReport& report, A4Pages& a4) {
    ClassPages pages(a4);
    pages.title(QStringLiteral("Přehled třídy"));
    pages.lines(report.header);
    pages.table(report.columns, report.rows);
    for (const QString& note : report.notes)
        pages.paragraph(note);
    for (qsizetype i = 0; i < report.pupils.size(); ++i) {
        a4.newPage();
        pages.title(report.pupils[i].name);
        pages.lines(report.pupils[i].lines);
        if (report.chart)
            report.chart(int(i), a4.painter(), QRectF(0, a4.y, a4.width(), a4.width() * 0.55));
    }
}

} // namespace

void writeClassPdf(const ClassReport& report, const QString& path) {
    writeA4Pdf(path, report.title, false, [&](A4Pages& pages) { drawReport(report, pages); });
}

} // namespace numio
