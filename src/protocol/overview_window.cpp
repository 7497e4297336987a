#include "protocol/overview_window.h"

#include "core/practice_state.h"
#include "platform/failure.h"
#include "protocol/overview_pdf.h"

#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGraphicsLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QScatterSeries>
#include <QScreen>
#include <QStandardPaths>
#include <QTableWidget>
#include <QUrl>
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
        parts
            << QStringLiteral(
                   "U %1 zkoušení chybí čitelné datum, proto jsou v grafu seřazena podle pořadí v protokolu.")
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

// The pupils' names, one per protocol file: a family may keep a journal for each child.
const QString kAppName = QStringLiteral("Numio2");
const QString kPupilsSection = QStringLiteral("Pupils");

// A settings key takes '/' and '\\' as separators, so the path goes in as hex of its UTF-8.
QString pupilKey(const QString& protocolPath) {
    return QString::fromLatin1(QFileInfo(protocolPath).absoluteFilePath().toUtf8().toHex());
}

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
                        QStringLiteral("Srovnání bude k dispozici od 11. zkoušení.")});
        return rows;
    }
    rows.push_back({QStringLiteral("lblPosledni"), QStringLiteral("Posledních 10 zkoušení:"),
                    windowText(c->lastRate, c->lastGrade)});
    QString previous = windowText(c->previousRate, c->previousGrade);
    if (c->previousCount < 10)
        previous += QStringLiteral(" (jen %1 zkoušení)").arg(c->previousCount);
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

// "8 · 7 = 56", "56 : 8 = 7" as a school writes them, from the repeat-list entry "56,8,7,4". The main
// window keeps its own "*" for the pupil's problem.
QString shownProblem(const MissedProblem& m) {
    const QStringList f = m.entry.split(u',');
    if (f.size() != 4)
        return m.problem;
    const int op = f[3].toInt();
    const QString sign = op == 3 ? QStringLiteral("·") : operatorSign(op);
    return QStringLiteral("%1 %2 %3 = %4").arg(f[0], sign, f[1], f[2]);
}

QString shownDate(const QDateTime& t) {
    return t.isValid() ? t.toString(kDateFormat) : QStringLiteral("—");
}

QChart* buildChart(const Journal& journal) {
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
    mean->setName(QStringLiteral("Průměr posledních 10 zkoušení"));
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

OverviewWindow::OverviewWindow(const Journal& journal, const QString& protocolPath, SettingsStore& store,
                               Dialogs& dialogs, std::optional<PracticeRules> practice, QWidget* owner)
    : QDialog(owner), journal_(journal), practice_(practice), protocolPath_(protocolPath), store_(store),
      dialogs_(dialogs), dfJmeno_(new QLineEdit(this)), chartView_(new QChartView(buildChart(journal), this)),
      summary_(new QGroupBox(QStringLiteral("Souhrn"), this)), missedTable_(new QTableWidget(this)),
      lblStav_(new QLabel(this)), pbPdf_(new QPushButton(QStringLiteral("&Uložit jako PDF"), this)),
      pbPractise_(new QPushButton(QStringLiteral("&Procvičit nejčastější chyby"), this)),
      pbClose_(new QPushButton(QStringLiteral("&Zavřít"), this)) {
    setObjectName(QStringLiteral("frmPrehled"));
    setWindowTitle(QStringLiteral("Přehled výsledků"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    // Both boxes framed alike; the summary's frame shows when it has the focus.
    setStyleSheet(QStringLiteral("QGroupBox { border: 2px solid palette(midlight); border-radius: 3px;"
                                 " margin-top: 1.2em; padding-top: 0.2em; }"
                                 "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; }"
                                 "QGroupBox:focus { border-color: palette(highlight); }"));
    auto* layout = new QVBoxLayout(this);

    auto* pupil = new QHBoxLayout;
    auto* pupilLabel = new QLabel(QStringLiteral("&Jméno žáka:"), this);
    pupilLabel->setBuddy(dfJmeno_);
    dfJmeno_->setObjectName(QStringLiteral("dfJmeno"));
    dfJmeno_->setAccessibleName(QStringLiteral("Jméno žáka"));
    dfJmeno_->setMaxLength(80);
    dfJmeno_->setMinimumWidth(240);
    storedName_ = store_.read(kAppName, kPupilsSection, pupilKey(protocolPath_), QString());
    dfJmeno_->setText(storedName_);
    auto* file = new QLabel(QStringLiteral("Protokol: %1").arg(QFileInfo(protocolPath_).fileName()), this);
    file->setObjectName(QStringLiteral("lblSoubor"));
    file->setToolTip(QDir::toNativeSeparators(protocolPath_));
    pupil->addWidget(pupilLabel);
    pupil->addWidget(dfJmeno_);
    pupil->addSpacing(24);
    pupil->addWidget(file, 1);
    layout->addLayout(pupil);

    auto* warning = new QLabel(notice(journal), this);
    warning->setObjectName(QStringLiteral("lblUpozorneni"));
    warning->setAccessibleName(warning->text().isEmpty() ? QStringLiteral("Upozornění") : warning->text());
    warning->setWordWrap(true);
    warning->setStyleSheet(QStringLiteral("color: #b71c1c;"));
    warning->setVisible(!warning->text().isEmpty());
    layout->addWidget(warning);

    chartView_->setObjectName(QStringLiteral("chvUspesnost"));
    chartView_->setAccessibleName(QStringLiteral("Graf úspěšnosti"));
    chartView_->setAccessibleDescription(chartView_->chart()->title());
    chartView_->setRenderHint(QPainter::Antialiasing);
    // Nothing to do in it with keys; Tab passes it by.
    chartView_->setFocusPolicy(Qt::NoFocus);
    chartView_->viewport()->setFocusPolicy(Qt::NoFocus);
    chartView_->setMinimumSize(400, 150);
    layout->addWidget(chartView_, 3);

    auto* bottom = new QHBoxLayout;
    summary_->setObjectName(QStringLiteral("gbSouhrn"));
    // One Tab stop that a screen reader reads whole, rather than a stop for every line.
    summary_->setFocusPolicy(Qt::TabFocus);
    auto* form = new QFormLayout(summary_);
    form->setVerticalSpacing(3);
    QStringList spoken;
    for (const Row& row : totals(journal)) {
        auto* value = new QLabel(row.value, summary_);
        value->setObjectName(row.name);
        value->setWordWrap(true);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        const QString line = row.label + u' ' + row.value;
        value->setAccessibleName(line);
        spoken << line;
        form->addRow(row.label, value);
    }
    summary_->setAccessibleName(QStringLiteral("Souhrn"));
    summary_->setAccessibleDescription(spoken.join(QStringLiteral("; ")));
    bottom->addWidget(summary_, 1);

    auto* missedBox = new QGroupBox(QStringLiteral("Nejčastější chyby"), this);
    auto* missedLayout = new QVBoxLayout(missedBox);
    const int listed = static_cast<int>(std::min<qsizetype>(journal.missed.size(), kListedProblems));
    missedTable_->setObjectName(QStringLiteral("twChyby"));
    missedTable_->setAccessibleName(QStringLiteral("Nejčastější chyby"));
    // One Tab stop: arrows move inside, Tab goes on to the buttons.
    missedTable_->setTabKeyNavigation(false);
    missedTable_->setColumnCount(3);
    missedTable_->setRowCount(listed);
    missedTable_->setHorizontalHeaderLabels(
        {QStringLiteral("Příklad"), QStringLiteral("Počet chyb"), QStringLiteral("Naposledy")});
    missedTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    missedTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
    missedTable_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    missedTable_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    missedTable_->horizontalHeader()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    missedTable_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    missedTable_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    // Its height follows the summary beside it; the rest goes to the chart.
    missedTable_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    missedTable_->setMinimumHeight(100);
    for (int r = 0; r < listed; ++r) {
        const MissedProblem& m = journal.missed[r];
        auto* times = new QTableWidgetItem(count(m.count));
        times->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        missedTable_->setItem(r, 0, new QTableWidgetItem(shownProblem(m)));
        missedTable_->setItem(r, 1, times);
        missedTable_->setItem(r, 2, new QTableWidgetItem(shownDate(m.last)));
    }
    if (listed > 0)
        missedTable_->setCurrentCell(0, 0, QItemSelectionModel::NoUpdate);
    missedLayout->addWidget(missedTable_);
    if (journal.missed.size() > listed) {
        auto* more = new QLabel(QStringLiteral("Zobrazeno %1 nejčastějších z %2 různých příkladů.")
                                    .arg(count(listed), count(journal.missed.size())),
                                missedBox);
        more->setObjectName(QStringLiteral("lblDalsiChyby"));
        more->setAccessibleName(more->text());
        missedLayout->addWidget(more);
    }
    bottom->addWidget(missedBox, 1);
    layout->addLayout(bottom, 1);

    auto* buttons = new QHBoxLayout;
    pbPractise_->setObjectName(QStringLiteral("pbProcvicit"));
    pbPractise_->setEnabled(practice_ && !practiceEntries(journal, 1, *practice_).isEmpty());
    if (!practice_)
        pbPractise_->setToolTip(QStringLiteral("Během zkoušení nelze procvičovat."));
    lblStav_->setObjectName(QStringLiteral("lblStav"));
    lblStav_->setAccessibleName(QStringLiteral("Stav"));
    lblStav_->setWordWrap(true);
    lblStav_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long path wraps instead of widening the window.
    lblStav_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    pbPdf_->setObjectName(QStringLiteral("pbPdf"));
    pbClose_->setObjectName(QStringLiteral("pbClose"));
    pbClose_->setDefault(true);
    buttons->addWidget(pbPractise_);
    buttons->addWidget(lblStav_, 1);
    buttons->addWidget(pbPdf_);
    buttons->addWidget(pbClose_);
    layout->addLayout(buttons);

    setTabOrder(dfJmeno_, summary_);
    setTabOrder(summary_, missedTable_);
    setTabOrder(missedTable_, pbPractise_);
    setTabOrder(pbPractise_, pbPdf_);
    setTabOrder(pbPdf_, pbClose_);

    // Fits a small laptop's screen at any scale; the chart takes what is left.
    setMinimumSize(760, 500);
    QSize size(1000, 740);
    if (const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() * 0.95);
    resize(size.expandedTo(minimumSize()));

    connect(pbPractise_, &QPushButton::clicked, this, &OverviewWindow::practise);
    connect(pbPdf_, &QPushButton::clicked, this, &OverviewWindow::savePdf);
    connect(pbClose_, &QPushButton::clicked, this, &QDialog::reject);
}

void OverviewWindow::done(int result) {
    keepPupilName();
    QDialog::done(result);
}

void OverviewWindow::keepPupilName() {
    const QString name = dfJmeno_->text().simplified();
    if (name == storedName_)
        return;
    store_.write(kAppName, kPupilsSection, pupilKey(protocolPath_), name);
    storedName_ = name;
}

// The label's name is what a screen reader says, so it carries the text; setting it announces it.
void OverviewWindow::showStatus(const QString& text) {
    lblStav_->setText(text);
    lblStav_->setAccessibleName(text);
}

void OverviewWindow::practise() {
    if (!pbPractise_->isEnabled())
        return;
    const QStringList entries = practiceEntries(journal_, PracticeState::kRepeatCapacity, *practice_);
    if (entries.isEmpty())
        return;
    emit practiseRequested(entries);
    accept();
}

namespace {

QString proposedPdfPath() {
    return QDir(documentsOrHomeFolder())
        .filePath(QStringLiteral("prehled-vysledku-%1.pdf").arg(QDate::currentDate().toString(kDateFormat)));
}

OverviewReport reportOf(const Journal& journal, const QString& pupil, const QString& protocolPath) {
    OverviewReport report;
    const QString fileName = QFileInfo(protocolPath).fileName();
    const QString printed = QDate::currentDate().toString(kDateFormat);
    if (!pupil.isEmpty())
        report.header.push_back({QStringLiteral("Jméno žáka:"), pupil});
    report.header.push_back({QStringLiteral("Protokol:"), fileName});
    report.header.push_back({QStringLiteral("Období:"), period(journal)});
    report.header.push_back({QStringLiteral("Datum tisku:"), printed});
    QStringList title{QStringLiteral("Přehled výsledků")};
    if (!pupil.isEmpty())
        title << pupil;
    title << fileName << period(journal) << QStringLiteral("vytištěno %1").arg(printed);
    report.title = title.join(QStringLiteral(", "));

    // The period stands in the header already.
    for (const Row& row : totals(journal))
        if (row.name != u"lblObdobi")
            report.totals.push_back({row.label, row.value});
    report.notice = notice(journal);
    report.columns = {QStringLiteral("Pořadí"), QStringLiteral("Příklad"), QStringLiteral("Počet chyb"),
                      QStringLiteral("Naposledy")};
    const qsizetype listed = std::min<qsizetype>(journal.missed.size(), kListedProblems);
    for (qsizetype r = 0; r < listed; ++r) {
        const MissedProblem& m = journal.missed[r];
        report.missed.push_back(
            {QString::number(r + 1) + u'.', shownProblem(m), count(m.count), shownDate(m.last)});
    }
    if (journal.missed.size() > listed)
        report.moreMissed =
            QStringLiteral("… a dalších %1 různých příkladů.").arg(count(journal.missed.size() - listed));
    return report;
}

} // namespace

void OverviewWindow::savePdf() {
    QString path = dialogs_.chooseFile(QStringLiteral("Uložit přehled jako PDF"),
                                       QStringLiteral("Dokumenty PDF (*.pdf)"), proposedPdfPath());
    if (path.isEmpty())
        return;
    path = withSuffix(path, QStringLiteral(".pdf"));
    const QString shown = QDir::toNativeSeparators(path);
    // The chooser never asks before overwriting (the protocol's is appended to): ask here.
    if (QFileInfo::exists(path) &&
        dialogs_.message(QStringLiteral("Soubor %1 již existuje. Chcete ho přepsat?").arg(shown),
                         QStringLiteral("Upozornění"), Dialogs::Buttons::YesNo, Dialogs::Icon::Question,
                         Dialogs::Answer::No) != Dialogs::Answer::Yes)
        return;
    keepPupilName();
    if (const int code = writeOverviewPdf(reportOf(journal_, storedName_, protocolPath_), chartView_, path)) {
        showStatus(QStringLiteral("Přehled se nepodařilo uložit."));
        dialogs_.message(Failure(code).messageText() +
                             QStringLiteral("\nPřehled se nepodařilo uložit do souboru %1.").arg(shown),
                         kFailureTitle, Dialogs::Buttons::Ok, Dialogs::Icon::Critical, Dialogs::Answer::Ok);
        return;
    }
    showStatus(QStringLiteral("Přehled byl uložen do souboru %1.").arg(shown));
    if (dialogs_.message(
            QStringLiteral("Přehled byl uložen do souboru %1.\nChcete ho nyní otevřít?").arg(shown),
            QStringLiteral("Přehled uložen"), Dialogs::Buttons::YesNo, Dialogs::Icon::Question,
            Dialogs::Answer::Yes) == Dialogs::Answer::Yes)
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace numio
