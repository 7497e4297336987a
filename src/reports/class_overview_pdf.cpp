#include "reports/class_overview_pdf.h"

#include "platform/failure.h"
#include "reports/overview_pdf.h"

#include <QPainter>
#include <QPdfWriter>

#include <algorithm>

namespace numio {

namespace {

class Pages {
  public:
    Pages(QPdfWriter& writer, QPainter& painter) : writer_(writer), painter_(painter) {
        body_ = painter.font();
        body_.setPointSizeF(9);
        bold_ = body_;
        bold_.setBold(true);
        title_ = bold_;
        title_.setPointSizeF(18);
        line_ = QFontMetricsF(body_, &writer).height() * 1.4;
    }

    double width() const { return writer_.width(); }
    double line() const { return line_; }
    double y = 0;

    // False when a new page was needed and could not be started.
    bool need(double height) {
        if (y + height <= writer_.height())
            return true;
        return newPage();
    }
    bool newPage() {
        y = 0;
        return writer_.newPage();
    }

    void title(const QString& text) {
        draw(QRectF(0, y, width(), QFontMetricsF(title_, &writer_).height()), text, title_);
        y += QFontMetricsF(title_, &writer_).height() + 6;
    }

    void lines(const QVector<ClassReport::Line>& lines) {
        double labelWidth = 0;
        for (const auto& l : lines)
            labelWidth = std::max(labelWidth, QFontMetricsF(body_, &writer_).horizontalAdvance(l.label));
        for (const auto& l : lines) {
            draw(QRectF(0, y, labelWidth, line_), l.label, body_);
            draw(QRectF(labelWidth + 10, y, width() - labelWidth - 10, line_), l.value, bold_);
            y += line_;
        }
        y += 8;
    }

    // A paragraph that wraps; false when a page could not be started.
    bool paragraph(const QString& text) {
        painter_.setFont(body_);
        const QRectF box = painter_.boundingRect(QRectF(0, 0, width(), 10000), Qt::TextWordWrap, text);
        if (!need(box.height()))
            return false;
        painter_.setPen(Qt::black);
        painter_.drawText(QRectF(0, y, width(), box.height()), Qt::TextWordWrap, text);
        y += box.height() + 6;
        return true;
    }

    // The table over as many pages as it needs, its heads on each.
    bool table(const QStringList& heads, const QVector<QStringList>& rows) {
        // Widths by the longest text of each column, the names' column taking what is left.
        QVector<double> widths(heads.size(), 0);
        const QFontMetricsF metrics(bold_, &writer_);
        for (qsizetype c = 0; c < heads.size(); ++c) {
            // A head may wrap at its blanks; a cell keeps to one line.
            for (const QString& word : heads[c].split(u' '))
                widths[c] = std::max(widths[c], metrics.horizontalAdvance(word));
            for (const QStringList& r : rows)
                widths[c] = std::max(widths[c], metrics.horizontalAdvance(r.value(c)));
            widths[c] += 16;
        }
        double sum = 0;
        for (double w : widths)
            sum += w;
        // The last column, the longest texts, gives way first; then all of them alike.
        if (sum > width() && !widths.isEmpty()) {
            const double others = sum - widths.back();
            widths.back() = std::max(width() - others, width() * 0.25);
            sum = others + widths.back();
        }
        const double scale = sum > width() ? width() / sum : 1.0;
        for (double& w : widths)
            w *= scale;
        const auto row = [&](const QStringList& cells, const QFont& font, bool shaded, bool head) {
            const double height = head ? line_ * 2 : line_;
            if (shaded)
                painter_.fillRect(QRectF(0, y, width(), height), QColor(0xee, 0xee, 0xee));
            double x = 0;
            for (qsizetype c = 0; c < widths.size(); ++c) {
                const QRectF box(x + 4, y, widths[c] - 8, height);
                if (head) {
                    painter_.setFont(font);
                    painter_.drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
                                      cells.value(c));
                } else {
                    draw(box, cells.value(c), font);
                }
                x += widths[c];
            }
            y += height;
        };
        if (!need(line_ * 3))
            return false;
        row(heads, bold_, true, true);
        for (qsizetype r = 0; r < rows.size(); ++r) {
            if (y + line_ > writer_.height()) {
                if (!newPage())
                    return false;
                row(heads, bold_, true, true);
            }
            row(rows[r], body_, r % 2 == 1, false);
        }
        y += 10;
        return true;
    }

  private:
    void draw(const QRectF& box, const QString& text, const QFont& font) {
        painter_.setFont(font);
        painter_.setPen(Qt::black);
        painter_.drawText(box, Qt::AlignLeft | Qt::AlignVCenter,
                          QFontMetricsF(font, &writer_).elidedText(text, Qt::ElideRight, box.width()));
    }

    QPdfWriter& writer_;
    QPainter& painter_;
    QFont body_, bold_, title_;
    double line_ = 0;
};

bool drawReport(const ClassReport& report, QPdfWriter& writer, QPainter& painter) {
    Pages pages(writer, painter);
    pages.title(QStringLiteral("Přehled třídy"));
    pages.lines(report.header);
    if (!pages.table(report.columns, report.rows))
        return false;
    for (const QString& note : report.notes)
        if (!pages.paragraph(note))
            return false;
    for (qsizetype i = 0; i < report.pupils.size(); ++i) {
        if (!pages.newPage())
            return false;
        pages.title(report.pupils[i].name);
        pages.lines(report.pupils[i].lines);
        if (report.chart)
            report.chart(int(i), painter, QRectF(0, pages.y, pages.width(), pages.width() * 0.55));
    }
    return true;
}

} // namespace

int writeClassPdf(const ClassReport& report, const QString& path) {
    return writeA4Pdf(path, report.title, [&](QPdfWriter& writer, QPainter& painter) {
        return drawReport(report, writer, painter);
    });
}

} // namespace numio
