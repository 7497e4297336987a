#include "protocol/overview_window.h"

#include "core/practice_state.h"

#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QFileInfo>
#include <QFormLayout>
#include <QGraphicsLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QScatterSeries>
#include <QStandardPaths>
#include <QTableWidget>
#include <QVBoxLayout>
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
constexpr int kListedProblems = 200;

const QString kDateFormat = QStringLiteral("d.M.yyyy");

QLocale czech() {
    return QLocale(QLocale::Czech, QLocale::Czechia);
}

QString count(qint64 n) {
    return czech().toString(n);
}

QString decimal(double x) {
    return czech().toString(x, 'f', 1);
}

QString percent(double x) {
    return decimal(x) + QStringLiteral(" %");
}

QColor gradeColour(int grade) {
    static const std::array<QColor, 5> colours{QColor(0x2e, 0x7d, 0x32), QColor(0x7c, 0xb3, 0x42),
                                               QColor(0xf9, 0xa8, 0x25), QColor(0xef, 0x6c, 0x00),
                                               QColor(0xc6, 0x28, 0x28)};
    return colours[static_cast<std::size_t>(std::clamp(grade, 1, 5) - 1)];
}

// "1 řádek", "3 řádky", "7 řádků"
QString lines(int n) {
    if (n == 1)
        return QStringLiteral("1 řádek");
    return count(n) + (n >= 2 && n <= 4 ? QStringLiteral(" řádky") : QStringLiteral(" řádků"));
}

QString notice(const Journal& journal) {
    QStringList parts;
    if (journal.unreadableLines > 0)
        parts << QStringLiteral("Nepodařilo se přečíst %1 protokolu.").arg(lines(journal.unreadableLines));
    if (const int undated = journal.undatedExams(); undated > 0)
        parts << QStringLiteral(
                     "U %1 zkoušení chybí čitelné datum, v grafu jsou zkoušení řazena podle pořadí.")
                     .arg(count(undated));
    return parts.join(u' ');
}

QString period(const Journal& journal) {
    QDateTime first, last;
    for (const Examination& e : journal.exams) {
        if (!e.when.isValid())
            continue;
        if (!first.isValid() || e.when < first)
            first = e.when;
        if (!last.isValid() || e.when > last)
            last = e.when;
    }
    if (!first.isValid())
        return QStringLiteral("—");
    return first.toString(kDateFormat) + QStringLiteral(" – ") + last.toString(kDateFormat);
}

struct Row {
    QString name;
    QString label;
    QString value;
};

QString windowText(double rate, double grade) {
    return QStringLiteral("úspěšnost %1, známka %2").arg(percent(rate), decimal(grade));
}

QVector<Row> totals(const Journal& journal) {
    QVector<Row> rows;
    const std::optional<Score> overall = overallScore(journal);
    rows.push_back({QStringLiteral("lblZkouseni"), QStringLiteral("Zkoušení:"), count(journal.exams.size())});
    rows.push_back({QStringLiteral("lblObdobi"), QStringLiteral("Období:"), period(journal)});
    rows.push_back(
        {QStringLiteral("lblPriklady"), QStringLiteral("Příkladů celkem:"), count(journal.totalProblems)});
    rows.push_back({QStringLiteral("lblSpatne"), QStringLiteral("Špatně:"), count(journal.totalWrong)});
    rows.push_back(
        {QStringLiteral("lblUspesnost"), QStringLiteral("Úspěšnost:"),
         overall ? QString::number(overall->successRate) + QStringLiteral(" %") : QStringLiteral("—")});
    rows.push_back({QStringLiteral("lblZnamka"), QStringLiteral("Známka:"),
                    overall ? QString::number(overall->grade) : QStringLiteral("—")});

    const std::optional<WindowComparison> c = compareLastTen(journal);
    if (!c) {
        rows.push_back({QStringLiteral("lblZmena"), QStringLiteral("Vývoj:"),
                        QStringLiteral("srovnání posledních 10 zkoušení s předchozími až od 11 zkoušení")});
        return rows;
    }
    rows.push_back({QStringLiteral("lblPosledni"), QStringLiteral("Posledních 10 zkoušení:"),
                    windowText(c->lastRate, c->lastGrade)});
    QString previous = windowText(c->previousRate, c->previousGrade);
    if (c->previousCount < 10)
        previous += QStringLiteral(" (jen %1)").arg(c->previousCount);
    rows.push_back({QStringLiteral("lblPredchozi"), QStringLiteral("Předchozích 10 zkoušení:"), previous});
    // Rounded as the means beside it are shown, so the three agree.
    const double change = std::round(c->change() * 10.0) / 10.0;
    QString trend = QStringLiteral("beze změny");
    if (change > 0)
        trend = QStringLiteral("zlepšení o %1 procentního bodu").arg(decimal(change));
    else if (change < 0)
        trend = QStringLiteral("zhoršení o %1 procentního bodu").arg(decimal(-change));
    rows.push_back({QStringLiteral("lblZmena"), QStringLiteral("Vývoj:"), trend});
    return rows;
}

// "12 : 3 = 4" from the repeat-list entry "12,3,4,4".
QString shownProblem(const MissedProblem& m) {
    const QStringList f = m.entry.split(u',');
    if (f.size() != 4)
        return m.problem;
    return QStringLiteral("%1 %2 %3 = %4").arg(f[0], operatorSign(f[3].toInt()), f[1], f[2]);
}

QString shownDate(const QDateTime& t) {
    return t.isValid() ? t.toString(kDateFormat) : QStringLiteral("—");
}

QChart* buildChart(const Journal& journal) {
    auto* chart = new QChart;
    chart->setBackgroundRoundness(0);
    chart->legend()->setAlignment(Qt::AlignBottom);
    QFont titleFont = chart->titleFont();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
    titleFont.setBold(true);
    chart->setTitleFont(titleFont);
    if (journal.exams.isEmpty()) {
        chart->setTitle(QStringLiteral("Zatím žádné dokončené zkoušení"));
        chart->legend()->hide();
        return chart;
    }

    const qsizetype n = journal.exams.size();
    const qsizetype first = std::max<qsizetype>(0, n - kChartedExams);
    chart->setTitle(
        first == 0 ? QStringLiteral("Úspěšnost jednotlivých zkoušení")
                   : QStringLiteral("Úspěšnost posledních %1 zkoušení z %2").arg(count(n - first), count(n)));
    const QVector<double> average = movingAverage(journal.exams, 10);
    const bool byDate = journal.chronological();
    const auto xOf = [&](qsizetype i) {
        return byDate ? double(journal.exams[i].when.toMSecsSinceEpoch()) : double(i + 1);
    };

    QList<QPointF> ratePoints, averagePoints;
    std::array<QList<QPointF>, 5> gradePoints;
    for (qsizetype i = first; i < n; ++i) {
        const Examination& e = journal.exams[i];
        const QPointF point(xOf(i), e.successRate);
        ratePoints << point;
        averagePoints << QPointF(point.x(), average[i]);
        gradePoints[static_cast<std::size_t>(std::clamp(e.grade, 1, 5) - 1)] << point;
    }

    auto* rates = new QLineSeries;
    rates->setName(QStringLiteral("Úspěšnost"));
    rates->setPen(QPen(QColor(0x78, 0x90, 0x9c), 1.5));
    rates->replace(ratePoints);
    chart->addSeries(rates);

    auto* mean = new QLineSeries;
    mean->setName(QStringLiteral("Průměr posledních 10"));
    mean->setPen(QPen(QColor(0x15, 0x65, 0xc0), 3.0));
    mean->replace(averagePoints);
    chart->addSeries(mean);

    const bool labelled = n - first <= kLabelledPoints;
    std::array<QScatterSeries*, 5> grades{};
    for (int g = 1; g <= 5; ++g) {
        const QList<QPointF>& points = gradePoints[static_cast<std::size_t>(g - 1)];
        if (points.isEmpty())
            continue;
        auto* s = new QScatterSeries;
        s->setName(QStringLiteral("Známka %1").arg(g));
        s->setMarkerShape(QScatterSeries::MarkerShapeCircle);
        s->setMarkerSize(labelled ? 10.0 : n - first <= 200 ? 7.0 : 4.0);
        s->setColor(gradeColour(g));
        s->setBorderColor(gradeColour(g).darker(130));
        // Point labels can show only a coordinate, so each grade has a series whose label is the grade.
        s->setPointLabelsFormat(QString::number(g));
        s->setPointLabelsVisible(labelled);
        s->setPointLabelsClipping(false);
        s->setPointLabelsColor(gradeColour(g).darker(140));
        QFont f = s->pointLabelsFont();
        f.setBold(true);
        s->setPointLabelsFont(f);
        s->replace(points);
        chart->addSeries(s);
        grades[static_cast<std::size_t>(g - 1)] = s;
    }

    auto* y = new QValueAxis;
    // A little above 100, so the points of a perfect examination are whole circles.
    y->setRange(0, 104);
    y->setTickType(QValueAxis::TicksDynamic);
    y->setTickAnchor(0);
    y->setTickInterval(20);
    y->setMinorTickCount(1);
    y->setLabelFormat(QStringLiteral("%d %%"));
    y->setTitleText(QStringLiteral("Úspěšnost"));
    chart->addAxis(y, Qt::AlignLeft);

    QAbstractAxis* x = nullptr;
    if (byDate) {
        auto* axis = new QDateTimeAxis;
        QDateTime from = journal.exams[first].when, to = journal.exams[n - 1].when;
        // A margin on both sides, so the first and the last point are not cut in half.
        const qint64 span = std::max<qint64>(from.msecsTo(to), 24LL * 3600 * 1000);
        from = from.addMSecs(-span / 30);
        to = to.addMSecs(span / 30);
        axis->setRange(from, to);
        axis->setFormat(from.daysTo(to) > 2 ? kDateFormat : QStringLiteral("d.M. H:mm"));
        axis->setTickCount(std::clamp<int>(int(from.daysTo(to)) + 1, 2, 7));
        axis->setTitleText(QStringLiteral("Datum"));
        x = axis;
    } else {
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
        x = axis;
    }
    chart->addAxis(x, Qt::AlignBottom);
    for (QAbstractSeries* s : chart->series()) {
        s->attachAxis(x);
        s->attachAxis(y);
    }
    return chart;
}

} // namespace

OverviewWindow::OverviewWindow(const Journal& journal, Dialogs& dialogs, bool canPractise, QWidget* owner)
    : QDialog(owner), journal_(journal), dialogs_(dialogs),
      chartView_(new QChartView(buildChart(journal), this)), missedTable_(new QTableWidget(this)),
      pbPdf_(new QPushButton(QStringLiteral("Uložit jako PDF"), this)),
      pbPractise_(new QPushButton(QStringLiteral("Procvičit nejčastější chyby"), this)),
      pbClose_(new QPushButton(QStringLiteral("Zavřít"), this)) {
    setObjectName(QStringLiteral("frmPrehled"));
    setWindowTitle(QStringLiteral("Přehled výsledků"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    resize(980, 720);

    auto* layout = new QVBoxLayout(this);

    auto* warning = new QLabel(notice(journal), this);
    warning->setObjectName(QStringLiteral("lblUpozorneni"));
    warning->setWordWrap(true);
    warning->setStyleSheet(QStringLiteral("color: #b71c1c;"));
    warning->setVisible(!warning->text().isEmpty());
    layout->addWidget(warning);

    chartView_->setObjectName(QStringLiteral("chvUspesnost"));
    chartView_->setRenderHint(QPainter::Antialiasing);
    chartView_->setMinimumSize(560, 300);
    layout->addWidget(chartView_, 3);

    auto* bottom = new QHBoxLayout;
    auto* summary = new QGroupBox(QStringLiteral("Souhrn"), this);
    auto* form = new QFormLayout(summary);
    for (const Row& row : totals(journal)) {
        auto* value = new QLabel(row.value, summary);
        value->setObjectName(row.name);
        value->setWordWrap(true);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(row.label, value);
    }
    bottom->addWidget(summary, 1);

    auto* missedBox = new QGroupBox(QStringLiteral("Nejčastější chyby"), this);
    auto* missedLayout = new QVBoxLayout(missedBox);
    const int listed = static_cast<int>(std::min<qsizetype>(journal.missed.size(), kListedProblems));
    missedTable_->setObjectName(QStringLiteral("twChyby"));
    missedTable_->setColumnCount(3);
    missedTable_->setRowCount(listed);
    missedTable_->setHorizontalHeaderLabels(
        {QStringLiteral("Příklad"), QStringLiteral("Chyb"), QStringLiteral("Naposledy")});
    missedTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    missedTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
    missedTable_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    missedTable_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    missedTable_->horizontalHeader()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    missedTable_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    for (int r = 0; r < listed; ++r) {
        const MissedProblem& m = journal.missed[r];
        auto* times = new QTableWidgetItem(count(m.count));
        times->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        missedTable_->setItem(r, 0, new QTableWidgetItem(shownProblem(m)));
        missedTable_->setItem(r, 1, times);
        missedTable_->setItem(r, 2, new QTableWidgetItem(shownDate(m.last)));
    }
    missedLayout->addWidget(missedTable_);
    if (journal.missed.size() > listed) {
        auto* more = new QLabel(QStringLiteral("Uvedeno %1 nejčastějších z %2 různých příkladů.")
                                    .arg(count(listed), count(journal.missed.size())),
                                missedBox);
        more->setObjectName(QStringLiteral("lblDalsiChyby"));
        missedLayout->addWidget(more);
    }
    bottom->addWidget(missedBox, 1);
    layout->addLayout(bottom, 2);

    auto* buttons = new QHBoxLayout;
    pbPractise_->setObjectName(QStringLiteral("pbProcvicit"));
    pbPractise_->setEnabled(canPractise && !journal.missed.isEmpty());
    if (!canPractise)
        pbPractise_->setToolTip(QStringLiteral("Během zkoušení nelze procvičovat."));
    pbPdf_->setObjectName(QStringLiteral("pbPdf"));
    pbClose_->setObjectName(QStringLiteral("pbClose"));
    pbClose_->setDefault(true);
    buttons->addWidget(pbPractise_);
    buttons->addStretch(1);
    buttons->addWidget(pbPdf_);
    buttons->addWidget(pbClose_);
    layout->addLayout(buttons);

    connect(pbPractise_, &QPushButton::clicked, this, &OverviewWindow::practise);
    connect(pbPdf_, &QPushButton::clicked, this, &OverviewWindow::savePdf);
    connect(pbClose_, &QPushButton::clicked, this, &QDialog::reject);
}

void OverviewWindow::practise() {
    if (!pbPractise_->isEnabled())
        return;
    const QStringList entries = practiceEntries(journal_, PracticeState::kRepeatCapacity);
    if (entries.isEmpty())
        return;
    emit practiseRequested(entries);
    accept();
}

void OverviewWindow::savePdf() {
    QString path = dialogs_.chooseFile(QStringLiteral("Uložit přehled jako PDF"),
                                       QStringLiteral("Dokumenty PDF (*.pdf)"),
                                       QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    // The chooser is the protocol's, which never asks before overwriting: a PDF is replaced whole.
    if (QFileInfo::exists(path) &&
        dialogs_.message(QStringLiteral("Soubor %1 již existuje.\r\nPřeješ si ho přepsat ?").arg(path),
                         QStringLiteral("Upozornění"), Dialogs::Buttons::YesNo, Dialogs::Icon::Question,
                         Dialogs::Answer::No) != Dialogs::Answer::Yes)
        return;
    if (!saveOverviewPdf(journal_, chartView_, path))
        dialogs_.message(QStringLiteral("Přehled se nepodařilo uložit do souboru %1.").arg(path),
                         QStringLiteral("Chybové hlášení"), Dialogs::Buttons::Ok, Dialogs::Icon::Critical,
                         Dialogs::Answer::Ok);
}

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

} // namespace

bool saveOverviewPdf(const Journal& journal, QChartView* chartView, const QString& path) {
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    // Screen resolution keeps the chart's fonts and lines in the proportions they have on screen.
    writer.setResolution(96);
    writer.setTitle(QStringLiteral("Přehled výsledků"));
    writer.setCreator(QStringLiteral("Numio"));
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    painter.setRenderHint(QPainter::Antialiasing);

    QFont body = painter.font();
    body.setPointSizeF(10);
    QFont bold = body;
    bold.setBold(true);
    QFont heading = bold;
    heading.setPointSizeF(13);
    QFont title = bold;
    title.setPointSizeF(20);

    PdfPages pages(writer, painter);
    pages.y += pages.text(QStringLiteral("Přehled výsledků"), title);
    pages.y += pages.text(QStringLiteral("Vytvořeno %1").arg(QDate::currentDate().toString(kDateFormat)),
                          body, 0, Qt::darkGray);
    pages.y += 12;

    const double lineHeight = QFontMetricsF(body, &writer).height() * 1.35;
    double labelWidth = 0;
    const QVector<Row> rows = totals(journal);
    for (const Row& row : rows)
        labelWidth = std::max(labelWidth, QFontMetricsF(bold, &writer).horizontalAdvance(row.label));
    for (const Row& row : rows) {
        pages.text(row.label, bold);
        pages.text(row.value, body, labelWidth + 12);
        pages.y += lineHeight;
    }
    if (const QString n = notice(journal); !n.isEmpty()) {
        painter.setFont(body);
        painter.setPen(QColor(0xb7, 0x1c, 0x1c));
        const QRectF box = painter.boundingRect(QRectF(0, pages.y, pages.width(), 1000), Qt::TextWordWrap, n);
        painter.drawText(box, Qt::TextWordWrap, n);
        pages.y += box.height();
    }
    pages.y += 12;

    if (chartView) {
        const QRectF target(0, pages.y, pages.width(), pages.width() * 0.58);
        renderChart(chartView, painter, target);
        pages.y += target.height() + 18;
    }

    const double rowHeight = QFontMetricsF(body, &writer).height() * 1.5;
    if (!pages.need(lineHeight * 2 + rowHeight * 3))
        return false;
    pages.y += pages.text(QStringLiteral("Nejčastější chyby"), heading) + 6;
    if (journal.missed.isEmpty()) {
        pages.text(QStringLiteral("Žádná chyba v protokolu."), body);
    } else {
        const double w = pages.width();
        const double rank = QFontMetricsF(bold, &writer).horizontalAdvance(QStringLiteral("Pořadí")) + 24;
        const std::array<double, 4> columns{0, rank, w * 0.55, w * 0.70};
        const auto drawRow = [&](const QStringList& cells, const QFont& font, bool shaded) {
            if (shaded)
                painter.fillRect(QRectF(0, pages.y, w, rowHeight), QColor(0xee, 0xee, 0xee));
            painter.setFont(font);
            painter.setPen(Qt::black);
            for (std::size_t c = 0; c < columns.size(); ++c) {
                const double right = c + 1 < columns.size() ? columns[c + 1] : w;
                const Qt::Alignment align = (c == 0 || c == 2) ? Qt::AlignRight : Qt::AlignLeft;
                painter.drawText(QRectF(columns[c] + 6, pages.y, right - columns[c] - 12, rowHeight),
                                 align | Qt::AlignVCenter, cells[qsizetype(c)]);
            }
            pages.y += rowHeight;
        };
        const QStringList header{QStringLiteral("Pořadí"), QStringLiteral("Příklad"), QStringLiteral("Chyb"),
                                 QStringLiteral("Naposledy")};
        drawRow(header, bold, true);
        const qsizetype listed = std::min<qsizetype>(journal.missed.size(), kListedProblems);
        for (qsizetype r = 0; r < listed; ++r) {
            const int page = pages.page();
            if (!pages.need(rowHeight))
                return false;
            if (pages.page() != page)
                drawRow(header, bold, true);
            const MissedProblem& m = journal.missed[r];
            drawRow({QString::number(r + 1) + u'.', shownProblem(m), count(m.count), shownDate(m.last)}, body,
                    r % 2 == 1);
        }
        if (journal.missed.size() > listed && pages.need(rowHeight)) {
            pages.text(
                QStringLiteral("… a dalších %1 různých příkladů.").arg(count(journal.missed.size() - listed)),
                body);
        }
    }
    return painter.end();
}

} // namespace numio
