#include "reports/class_overview_pdf.h"

#include "reports/saving.h"

#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace numio {

namespace {

constexpr double kCellPad = 4; // left and right of a cell's text
constexpr double kRowPad = 2;  // above and below it
constexpr int kWrap = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
// A pupil's chart has the rest of his page, but never less than this.
constexpr double kSmallestChart = 160;
// More would be a smear of points.
constexpr qsizetype kChartedExams = 1000;

const QColor kRateColour(0x78, 0x90, 0x9c);
const QColor kAverageColour(0x15, 0x65, 0xc0);

// The pupil's success in each graded examination and the moving average of the last ten, drawn with
// the painter alone: chart objects belong to the window's thread, and these pages are drawn on any.
void drawRates(QPainter& painter, const QRectF& target, const QVector<Examination>& exams,
               const QFont& font) {
    painter.save();
    painter.setFont(font);
    const QFontMetricsF metrics(font, painter.device());
    const double line = metrics.height();
    // The key above the plot, the rates left of it, the order beneath.
    const QRectF plot = target.adjusted(metrics.horizontalAdvance(QStringLiteral("100 %")) + 8, line * 1.8,
                                        -metrics.horizontalAdvance(QStringLiteral("0000")) / 2, -line * 2.4);
    const auto yOf = [&](double rate) { return plot.bottom() - plot.height() * rate / 100.0; };
    for (int rate = 0; rate <= 100; rate += 20) {
        painter.setPen(QPen(rate == 0 ? Qt::darkGray : QColor(0xdd, 0xdd, 0xdd), 1));
        painter.drawLine(QPointF(plot.left(), yOf(rate)), QPointF(plot.right(), yOf(rate)));
        painter.setPen(Qt::darkGray);
        painter.drawText(QRectF(target.left(), yOf(rate) - line / 2, plot.left() - target.left() - 6, line),
                         Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("%1 %").arg(rate));
    }
    const qsizetype n = exams.size();
    const qsizetype first = std::max<qsizetype>(0, n - kChartedExams);
    if (n == 0) {
        painter.drawText(plot, Qt::AlignCenter, QStringLiteral("Zatím žádné dokončené zkoušení"));
        painter.restore();
        return;
    }
    const auto xOf = [&](qsizetype i) {
        return n - first == 1 ? plot.center().x()
                              : plot.left() + plot.width() * double(i - first) / double(n - 1 - first);
    };
    painter.drawText(QRectF(xOf(first) - 40, plot.bottom() + 2, 80, line), Qt::AlignHCenter,
                     QString::number(first + 1));
    if (n - first > 1)
        painter.drawText(QRectF(xOf(n - 1) - 40, plot.bottom() + 2, 80, line), Qt::AlignHCenter,
                         QString::number(n));
    painter.drawText(QRectF(plot.left(), plot.bottom() + line + 2, plot.width(), line), Qt::AlignHCenter,
                     QStringLiteral("Pořadí zkoušení"));

    const QVector<double> mean = movingAverage(exams, 10);
    QPolygonF rates, average;
    for (qsizetype i = first; i < n; ++i) {
        // Until an examination moves the trend there is none to draw.
        if (!std::isnan(mean[i]))
            average << QPointF(xOf(i), yOf(mean[i]));
        // A repeat or an interrupted examination has no grade of its own to show.
        if (exams[i].graded())
            rates << QPointF(xOf(i), yOf(exams[i].successRate));
    }
    painter.setPen(QPen(kRateColour, 1.2));
    painter.drawPolyline(rates);
    // Round dots: each a point of a wide pen, far less to write than a circle.
    const double dot = rates.size() <= 40 ? 6 : rates.size() <= 200 ? 4 : 2;
    painter.setPen(QPen(kRateColour, dot, Qt::SolidLine, Qt::RoundCap));
    painter.drawPoints(rates);
    painter.setPen(QPen(kAverageColour, 2.5));
    painter.drawPolyline(average);

    // The key.
    double x = plot.left();
    const double keyY = target.top() + line * 0.6;
    for (const auto& [colour, width, text] :
         {std::tuple(kRateColour, 1.2, QStringLiteral("Úspěšnost zkoušení")),
          std::tuple(kAverageColour, 2.5, QStringLiteral("Průměr posledních 10 zkoušení"))}) {
        painter.setPen(QPen(colour, width));
        painter.drawLine(QPointF(x, keyY), QPointF(x + 24, keyY));
        painter.setPen(Qt::black);
        const double textWidth = metrics.horizontalAdvance(text);
        painter.drawText(QRectF(x + 30, keyY - line / 2, textWidth + 2, line),
                         Qt::AlignLeft | Qt::AlignVCenter, text);
        x += 30 + textWidth + 24;
    }
    painter.restore();
}

// A table's columns and how their cells wrap.
struct Columns {
    QVector<double> widths;
    QVector<int> wrap;
};

// The class report's own pieces on the shared pages.
class ClassPages {
  public:
    ClassPages(A4Pages& pages, SaveProgress* progress) : pages_(pages), progress_(progress) {
        body_ = pages.painter().font();
        body_.setPointSizeF(9);
        bold_ = body_;
        bold_.setBold(true);
        heading_ = bold_;
        heading_.setPointSizeF(12);
        title_ = bold_;
        title_.setPointSizeF(18);
        line_ = pages.height(body_);
    }

    void title(const QString& text, const QFont& font, double after) {
        const double h = pages_.wrappedHeight(text, font, pages_.width());
        pages_.need(h);
        pages_.text(QRectF(0, pages_.y, pages_.width(), h), text, font, kWrap);
        pages_.y += h + after;
    }
    void title(const QString& text) { title(text, title_, 6); }

    // A section's heading, kept on the page of what follows it.
    void heading(const QString& text) {
        pages_.need(pages_.wrappedHeight(text, heading_, pages_.width()) + line_ * 3);
        title(text, heading_, 4);
    }

    // Labels and their values; a long value wraps in its column.
    void lines(const QVector<ClassReport::Line>& lines) {
        const double labelWidth = pages_.labelWidth(lines, body_) + 10;
        const double valueWidth = pages_.width() - labelWidth;
        const double spacing = line_ * 0.4;
        for (const auto& l : lines) {
            const double h = std::max(line_, pages_.wrappedHeight(l.value, bold_, valueWidth)) + spacing;
            pages_.need(h);
            pages_.text(QRectF(0, pages_.y, labelWidth, h), l.label, body_, Qt::AlignLeft | Qt::AlignTop);
            pages_.text(QRectF(labelWidth, pages_.y, valueWidth, h), l.value, bold_, kWrap);
            pages_.y += h;
        }
        pages_.y += 8;
    }

    void paragraph(const QString& text) {
        const double h = pages_.paragraphHeight(text, body_);
        pages_.need(h);
        pages_.y += pages_.paragraph(text, body_, Qt::black) + 4;
    }

    // The table over as many pages as it needs, its heads on each. `counted`: each row is a step of
    // the progress.
    void table(const QStringList& heads, const QVector<QStringList>& rows, bool counted) {
        const Columns columns = measure(heads, rows);
        const auto height = [&](const QStringList& cells, const QFont& font) {
            double most = line_;
            for (qsizetype c = 0; c < columns.widths.size(); ++c) {
                const double inner = columns.widths[c] - 2 * kCellPad;
                // A text that fits on one line needs no wrapping measured.
                if (pages_.advance(font, cells.value(c)) > inner)
                    most = std::max(most, pages_.wrappedHeight(cells.value(c), font, inner, columns.wrap[c]));
            }
            return most + 2 * kRowPad;
        };
        const auto row = [&](const QStringList& cells, const QFont& font, double h, bool shaded) {
            if (shaded)
                pages_.shade(h);
            double x = 0;
            for (qsizetype c = 0; c < columns.widths.size(); ++c) {
                pages_.text(QRectF(x + kCellPad, pages_.y + kRowPad, columns.widths[c] - 2 * kCellPad,
                                   h - 2 * kRowPad),
                            cells.value(c), font, int(Qt::AlignLeft | Qt::AlignTop) | columns.wrap[c]);
                x += columns.widths[c];
            }
            pages_.y += h;
        };
        const double headHeight = height(heads, bold_);
        const auto headRow = [&] { row(heads, bold_, headHeight, true); };
        pages_.need(headHeight + line_ * 2);
        headRow();
        for (qsizetype r = 0; r < rows.size(); ++r) {
            const double h = height(rows[r], body_);
            pages_.need(h, headRow);
            row(rows[r], body_, h, r % 2 == 1);
            if (counted)
                step();
        }
        pages_.y += 12;
    }

    // A pupil's page: his name, his figures and his chart in what is left of the page.
    void pupil(const ClassReport::Pupil& p) {
        pages_.newPage();
        title(p.name);
        lines(p.lines);
        if (pages_.room() < kSmallestChart)
            pages_.newPage();
        const QRectF target(0, pages_.y, pages_.width(), std::min(pages_.room(), pages_.width() * 0.5));
        if (!pages_.counting())
            drawRates(pages_.painter(), target, p.exams, body_);
        pages_.y += target.height();
        step();
    }

  private:
    // Every column as wide as its longest text. When they do not fit across the page the widest give
    // way first, down to a common width, but none below its longest word, which would be cut; only
    // words wider than the page allows break where they must. What is left over goes to the widest.
    Columns measure(const QStringList& heads, const QVector<QStringList>& rows) const {
        const qsizetype n = heads.size();
        QVector<double> most(n, 0), least(n, 0);
        const auto take = [&](qsizetype c, const QString& text, const QFont& font, bool whole) {
            if (whole)
                most[c] = std::max(most[c], pages_.advance(font, text));
            for (const QStringView word : QStringView(text).tokenize(u' ', Qt::SkipEmptyParts)) {
                const double w = pages_.advance(font, word.toString());
                least[c] = std::max(least[c], w);
                most[c] = std::max(most[c], w);
            }
        };
        for (qsizetype c = 0; c < n; ++c) {
            take(c, heads[c], bold_, false); // a head wraps at its blanks rather than widen its column
            for (const QStringList& r : rows)
                take(c, r.value(c), body_, true);
        }
        for (qsizetype c = 0; c < n; ++c)
            most[c] += 2 * kCellPad + 1, least[c] += 2 * kCellPad + 1; // a pixel spare for rounding
        const double page = pages_.width();
        const auto fitted = [&](double level) {
            double sum = 0;
            for (qsizetype c = 0; c < n; ++c)
                sum += std::max(least[c], std::min(most[c], level));
            return sum;
        };
        double level = n > 0 ? *std::max_element(most.begin(), most.end()) : 0;
        if (fitted(level) > page) {
            double low = 0, high = level;
            for (int i = 0; i < 50; ++i) {
                const double middle = (low + high) / 2;
                (fitted(middle) > page ? high : low) = middle;
            }
            level = low;
        }
        Columns columns{QVector<double>(n), QVector<int>(n, Qt::TextWordWrap)};
        const double sum = fitted(level);
        for (qsizetype c = 0; c < n; ++c) {
            columns.widths[c] = std::max(least[c], std::min(most[c], level));
            if (sum > page) {
                columns.widths[c] *= page / sum;
                columns.wrap[c] = Qt::TextWrapAnywhere;
            }
        }
        if (n > 0 && sum < page)
            *std::max_element(columns.widths.begin(), columns.widths.end()) += page - sum;
        return columns;
    }

    void step() {
        if (progress_)
            progress_->advance();
    }

    A4Pages& pages_;
    SaveProgress* progress_;
    QFont body_, bold_, heading_, title_;
    double line_ = 0;
};

void drawReport(const ClassReport& report, A4Pages& a4, SaveProgress* progress) {
    ClassPages pages(a4, progress);
    pages.title(QStringLiteral("Přehled třídy"));
    pages.lines(report.header);
    pages.table(report.columns, report.rows, true);
    if (!report.missed.isEmpty()) {
        pages.heading(QStringLiteral("Nejčastější chyby třídy"));
        pages.table(report.missedColumns, report.missed, false);
    }
    if (!report.unread.isEmpty()) {
        pages.heading(QStringLiteral("Soubory, které nelze přečíst"));
        for (const QString& file : report.unread)
            pages.paragraph(file);
    }
    for (const ClassReport::Pupil& pupil : report.pupils)
        pages.pupil(pupil);
}

} // namespace

void writeClassPdf(const ClassReport& report, const QString& path, SaveProgress* progress) {
    if (progress)
        progress->setTotal(2 * (report.rows.size() + report.pupils.size()));
    const A4Layout layout{.landscape = true,
                          .numbered = true,
                          .runningHead =
                              runningHead(QStringLiteral("Přehled třídy"), report.header.mid(0, 2))};
    writeA4Pdf(path, report.title, layout, [&](A4Pages& pages) { drawReport(report, pages, progress); });
}

} // namespace numio
