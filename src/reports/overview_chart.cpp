#include "reports/overview_chart.h"

#include "journal/journal_folder.h"
#include "reports/czech_format.h"

#include <QCategoryAxis>
#include <QChart>
#include <QFontMetrics>
#include <QGraphicsLayout>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>

#include <algorithm>
#include <array>
#include <cmath>

namespace numio {

namespace {

// More would be a smear of points; the totals still count them all.
constexpr int kChartedExams = 1000;
// Beyond this the grade labels run into each other; the colours still tell the grade.
constexpr int kLabelledPoints = 40;
// More lines on the time axis and their dates run into each other.
constexpr int kTimeIntervals = 10;

QColor gradeColour(int grade) {
    static const std::array<QColor, 5> colours{QColor(0x2e, 0x7d, 0x32), QColor(0x7c, 0xb3, 0x42),
                                               QColor(0xf9, 0xa8, 0x25), QColor(0xef, 0x6c, 0x00),
                                               QColor(0xc6, 0x28, 0x28)};
    return colours[static_cast<std::size_t>(std::clamp(grade, 1, 5) - 1)];
}

QChart* emptyChart() {
    auto* chart = new QChart;
    chart->setBackgroundRoundness(0);
    // The plot gets the room: on a small screen at double scale every pixel counts.
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->legend()->setAlignment(Qt::AlignBottom);
    QFont titleFont = chart->titleFont();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
    titleFont.setBold(true);
    chart->setTitleFont(titleFont);
    return chart;
}

struct Points {
    QList<QPointF> rates, average;
    std::array<QList<QPointF>, 5> byGrade;
};

Points pointsOf(const Journal& journal, qsizetype first, bool byDate) {
    const QVector<double> average = movingAverage(journal.exams, 10);
    Points p;
    for (qsizetype i = first; i < journal.exams.size(); ++i) {
        const Examination& e = journal.exams[i];
        const QPointF point(byDate ? double(e.when.toMSecsSinceEpoch()) : double(i + 1), e.successRate);
        // Until an examination moves the trend there is none to draw.
        if (!std::isnan(average[i]))
            p.average << QPointF(point.x(), average[i]);
        // A repeat or an interrupted examination has no grade of its own to show.
        if (!e.graded())
            continue;
        p.rates << point;
        p.byGrade[static_cast<std::size_t>(std::clamp(e.grade, 1, 5) - 1)] << point;
    }
    return p;
}

void addLines(QChart* chart, const Points& p) {
    auto* rates = new QLineSeries;
    rates->setName(QStringLiteral("Úspěšnost"));
    rates->setPen(QPen(QColor(0x78, 0x90, 0x9c), 1.5));
    rates->replace(p.rates);
    chart->addSeries(rates);

    auto* mean = new QLineSeries;
    mean->setName(QStringLiteral("Průměr posledních 10 zkoušení"));
    mean->setPen(QPen(QColor(0x15, 0x65, 0xc0), 3.0));
    mean->replace(p.average);
    chart->addSeries(mean);
}

// Point labels can show only a coordinate, so each grade has a series whose label is the grade.
void addGrades(QChart* chart, const Points& p) {
    const qsizetype shown = p.rates.size();
    const bool labelled = shown <= kLabelledPoints;
    for (int g = 1; g <= 5; ++g) {
        const QList<QPointF>& points = p.byGrade[static_cast<std::size_t>(g - 1)];
        if (points.isEmpty())
            continue;
        auto* s = new QScatterSeries;
        s->setName(QStringLiteral("Známka %1").arg(g));
        s->setMarkerShape(QScatterSeries::MarkerShapeCircle);
        s->setMarkerSize(labelled ? 10.0 : shown <= 200 ? 7.0 : 4.0);
        s->setColor(gradeColour(g));
        s->setBorderColor(gradeColour(g).darker(130));
        s->setPointLabelsFormat(QString::number(g));
        s->setPointLabelsVisible(labelled);
        s->setPointLabelsClipping(false);
        s->setPointLabelsColor(gradeColour(g).darker(140));
        QFont f = s->pointLabelsFont();
        f.setBold(true);
        s->setPointLabelsFont(f);
        s->replace(points);
        chart->addSeries(s);
    }
}

QValueAxis* rateAxis() {
    auto* y = new QValueAxis;
    // A little above 100, so the points of a perfect examination are whole circles.
    y->setRange(0, 104);
    y->setTickType(QValueAxis::TicksDynamic);
    y->setTickAnchor(0);
    y->setTickInterval(20);
    y->setMinorTickCount(1);
    y->setLabelFormat(QStringLiteral("%d %%"));
    y->setTitleText(QStringLiteral("Úspěšnost"));
    return y;
}

// Lines at midnight, labelled with their dates, so each examination stands within its own day.
QCategoryAxis* timeAxis(const QDateTime& first, const QDateTime& last) {
    const QVector<QDateTime> lines = timeAxisLines(first, last);
    const bool oneYear = lines.front().date().year() == lines.back().date().year();
    auto* axis = new QCategoryAxis;
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    // A category ends at each line; the first, one millisecond wide, carries the first date.
    axis->setStartValue(double(lines.front().toMSecsSinceEpoch() - 1));
    for (const QDateTime& line : lines)
        axis->append(oneYear ? line.toString(QStringLiteral("d.M.")) : czechDate(line.date()),
                     double(line.toMSecsSinceEpoch()));
    axis->setRange(double(lines.front().toMSecsSinceEpoch()), double(lines.back().toMSecsSinceEpoch()));
    axis->setTitleText(QStringLiteral("Datum"));
    return axis;
}

// The last date stands centred on the plot's right edge: room for its half.
void makeRoomForLastLabel(QChart* chart, QCategoryAxis* axis) {
    const int half =
        QFontMetrics(axis->labelsFont()).horizontalAdvance(axis->categoriesLabels().constLast()) / 2;
    QMargins margins = chart->margins();
    margins.setRight(margins.right() + half);
    chart->setMargins(margins);
}

QValueAxis* orderAxis(qsizetype first, qsizetype n) {
    auto* axis = new QValueAxis;
    axis->setRange(double(first) + 0.5, double(n) + 0.5);
    axis->setLabelFormat(QStringLiteral("%d"));
    axis->setTickType(QValueAxis::TicksDynamic);
    // At most ten labels, on steps of 1, 2 or 5 times a power of ten.
    const double span = double(n - first);
    double step = 1;
    for (double base = 1; span / step > 10; base *= 10) {
        for (double m : {1.0, 2.0, 5.0}) {
            step = m * base;
            if (span / step <= 10)
                break;
        }
    }
    axis->setTickAnchor(0);
    axis->setTickInterval(step);
    axis->setTitleText(QStringLiteral("Pořadí zkoušení"));
    return axis;
}

} // namespace

QVector<QDateTime> timeAxisLines(const QDateTime& first, const QDateTime& last) {
    QDate from = first.date();
    const QDate to = last.date();
    qint64 step = 1;
    if (from.daysTo(to) + 1 > kTimeIntervals) {
        from = from.addDays(1 - from.dayOfWeek()); // the Monday of its week
        const qint64 weeks = from.daysTo(to) / 7 + 1;
        step = 7 * ((weeks + kTimeIntervals - 1) / kTimeIntervals);
    }
    QVector<QDateTime> lines;
    for (QDate day = from;; day = day.addDays(step)) {
        lines << QDateTime(day, QTime(0, 0));
        if (day > to)
            return lines;
    }
}

QChart* buildOverviewChart(const Journal& journal) {
    QChart* chart = emptyChart();
    if (journal.exams.isEmpty()) {
        chart->setTitle(QStringLiteral("Zatím žádné dokončené zkoušení"));
        chart->legend()->hide();
        return chart;
    }
    const qsizetype n = journal.exams.size();
    const qsizetype first = std::max<qsizetype>(0, n - kChartedExams);
    chart->setTitle(first == 0 ? QStringLiteral("Úspěšnost jednotlivých zkoušení")
                               : QStringLiteral("Úspěšnost posledních %1 zkoušení z %2")
                                     .arg(czechCount(n - first), czechCount(n)));
    const bool byDate = journal.chronological();
    const Points points = pointsOf(journal, first, byDate);
    addLines(chart, points);
    addGrades(chart, points);

    QValueAxis* y = rateAxis();
    chart->addAxis(y, Qt::AlignLeft);
    QAbstractAxis* x = nullptr;
    if (byDate) {
        QCategoryAxis* time = timeAxis(journal.exams[first].when, journal.exams[n - 1].when);
        makeRoomForLastLabel(chart, time);
        x = time;
    } else {
        x = orderAxis(first, n);
    }
    chart->addAxis(x, Qt::AlignBottom);
    for (QAbstractSeries* s : chart->series()) {
        s->attachAxis(x);
        s->attachAxis(y);
    }
    return chart;
}

} // namespace numio
