#include "reports/overview_window.h"

#include "journal/journal_folder.h"
#include "reports/csv_export.h"
#include "reports/czech_format.h"
#include "reports/saving.h"
#include "reports/window_fit.h"

#include "core/practice_state.h"
#include "core/pupils.h"
#include "core/settings.h"
#include "platform/guard.h"
#include "platform/text_files.h"
#include "pupil/pupil_list.h"
#include "reports/class_overview_model.h"
#include "reports/overview_chart.h"
#include "reports/overview_pdf.h"

#include <QChart>
#include <QChartView>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <utility>

namespace numio {

namespace {

constexpr int kListedProblems = 200;

const QString kSaved = QStringLiteral("Přehled byl uložen do souboru %1.");

const QString kTrendNote =
    QStringLiteral("Průměr v grafu a vývoj v souhrnu počítají příklady, ne zkoušení: každé zkoušení váží "
                   "podle počtu svých příkladů a zkoušení s méně než 6 příklady je neovlivní.");

// "1 řádek", "3 řádky", "7 řádků"
QString lines(int n) {
    if (n == 1)
        return QStringLiteral("1 řádek");
    return czechCount(n) + (n >= 2 && n <= 4 ? QStringLiteral(" řádky") : QStringLiteral(" řádků"));
}

QString notice(const Journal& journal) {
    QStringList parts;
    if (journal.unreadableLines > 0)
        parts << QStringLiteral("Nepodařilo se přečíst %1 protokolu.").arg(lines(journal.unreadableLines));
    if (const int undated = journal.undatedExams(); undated > 0)
        parts
            << QStringLiteral(
                   "U %1 zkoušení chybí čitelné datum, proto jsou v grafu seřazena podle pořadí v protokolu.")
                   .arg(czechCount(undated));
    return parts.join(u' ');
}

QString period(const Journal& journal) {
    return journalsPeriod({&journal});
}

struct Row {
    QString name;
    QString label;
    QString value;
};

QString windowText(double rate, double grade) {
    return QStringLiteral("úspěšnost %1, známka %2").arg(czechPercent(rate), czechDecimal(grade));
}

QVector<Row> totals(const Journal& journal) {
    QVector<Row> rows;
    const std::optional<Score> overall = overallScore(journal);
    // Repeats of missed problems are practice, not examinations: named apart.
    QString exams = czechCount(journal.countedExams());
    if (const int repeats = journal.repeatRuns(); repeats > 0)
        exams += QStringLiteral(" (a opravy chyb: %1)").arg(czechCount(repeats));
    rows.push_back({QStringLiteral("lblZkouseni"), QStringLiteral("Zkoušení:"), exams});
    rows.push_back({QStringLiteral("lblObdobi"), QStringLiteral("Období:"), period(journal)});
    rows.push_back({QStringLiteral("lblPriklady"), QStringLiteral("Příkladů celkem:"),
                    czechCount(journal.totalProblems)});
    rows.push_back({QStringLiteral("lblSpatne"), QStringLiteral("Špatně:"), czechCount(journal.totalWrong)});
    rows.push_back({QStringLiteral("lblUspesnost"), QStringLiteral("Úspěšnost:"),
                    shownRate(overall ? std::optional(overall->successRate) : std::nullopt)});
    rows.push_back({QStringLiteral("lblZnamka"), QStringLiteral("Známka:"),
                    overall ? QString::number(overall->grade) : QStringLiteral("—")});

    const TrendOutcome t = trendOf(journal);
    if (!t.windows) {
        rows.push_back({QStringLiteral("lblZmena"), QStringLiteral("Vývoj:"), t.pending});
        return rows;
    }
    const WindowComparison& c = *t.windows;
    rows.push_back({QStringLiteral("lblPosledni"), QStringLiteral("Posledních 10 zkoušení:"),
                    windowText(c.lastRate, c.lastGrade)});
    QString previous = windowText(c.previousRate, c.previousGrade);
    if (c.previousCount < 10)
        previous += QStringLiteral(" (jen %1 zkoušení)").arg(c.previousCount);
    rows.push_back({QStringLiteral("lblPredchozi"), QStringLiteral("Předchozích 10 zkoušení:"), previous});
    // Rounded as the means beside it are shown, so the three agree.
    const double change = t.change ? std::round(*t.change * 10.0) / 10.0 : 0.0;
    QString trend = QStringLiteral("beze změny");
    if (!t.change)
        trend = t.pending;
    else if (change > 0)
        trend = QStringLiteral("zlepšení o %1 procentního bodu").arg(czechDecimal(change));
    else if (change < 0)
        trend = QStringLiteral("zhoršení o %1 procentního bodu").arg(czechDecimal(-change));
    rows.push_back({QStringLiteral("lblZmena"), QStringLiteral("Vývoj:"), trend});
    return rows;
}

} // namespace

QString moreProblems(qint64 n) {
    if (n == 1)
        return QStringLiteral("… a ještě 1 další příklad.");
    if (n >= 2 && n <= 4)
        return QStringLiteral("… a další %1 různé příklady.").arg(n);
    return QStringLiteral("… a dalších %1 různých příkladů.").arg(czechCount(n));
}

OverviewWindow::OverviewWindow(const Journal& journal, const QString& protocolPath, SettingsStore& store,
                               Dialogs& dialogs, std::optional<StoredSettings> practice, QWidget* owner,
                               const QString& pupilName, std::optional<ParentAnswers> answers)
    : QDialog(owner), journal_(journal), practice_(std::move(practice)), protocolPath_(protocolPath),
      answers_(std::move(answers)), store_(store), dialogs_(dialogs), dfName_(new QLineEdit(this)),
      chartView_(new QChartView(buildOverviewChart(journal), this)),
      summary_(new QGroupBox(QStringLiteral("Souhrn"), this)), missedTable_(new QTableWidget(this)),
      lblStatus_(new QLabel(this)), pbCsv_(new QPushButton(QStringLiteral("Uložit jako &CSV"), this)),
      pbPdf_(new QPushButton(QStringLiteral("&Uložit jako PDF"), this)),
      pbReport_(new QPushButton(QStringLiteral("Zpráva pro &rodiče…"), this)),
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

    auto* layout = new QVBoxLayout;
    layout->addLayout(buildPupilRow(pupilName, journal.pupil));
    layout->addWidget(buildNotice());
    layout->addWidget(buildChartView(), 3);
    layout->addWidget(buildTrendNote());
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(buildSummary(), 1);
    bottom->addWidget(buildMissedBox(), 1);
    layout->addLayout(bottom, 1);
    layOutScrolling(*this, layout, buildButtons());

    setTabOrder(dfName_, summary_);
    setTabOrder(summary_, missedTable_);
    setTabOrder(missedTable_, pbPractise_);
    setTabOrder(pbPractise_, pbCsv_);
    setTabOrder(pbCsv_, pbPdf_);
    setTabOrder(pbPdf_, pbReport_);
    setTabOrder(pbReport_, pbClose_);
    fitToScreen(*this, owner, {1000, 740}, {760, 500});

    connect(pbPractise_, &QPushButton::clicked, this, guard(dialogs_, [this] { practise(); }));
    connect(pbCsv_, &QPushButton::clicked, this, guard(dialogs_, [this] { saveCsv(); }));
    connect(pbPdf_, &QPushButton::clicked, this, guard(dialogs_, [this] { savePdf(); }));
    connect(pbReport_, &QPushButton::clicked, this, guard(dialogs_, [this] { saveParentReport(); }));
    connect(pbClose_, &QPushButton::clicked, this, guard(dialogs_, [this] { reject(); }));
}

// The pupil's name, remembered for this journal, and the journal's file.
QLayout* OverviewWindow::buildPupilRow(const QString& pupilName, const QString& journalName) {
    auto* row = new QHBoxLayout;
    auto* pupilLabel = new QLabel(QStringLiteral("&Jméno žáka:"), this);
    pupilLabel->setBuddy(dfName_);
    dfName_->setObjectName(QStringLiteral("dfJmeno"));
    dfName_->setAccessibleName(QStringLiteral("Jméno žáka"));
    dfName_->setMaxLength(80);
    dfName_->setMinimumWidth(240);
    // A pupil's own journal goes under the pupil's name. A name only shown is not stored: the store
    // takes what the user typed.
    QString shown = pupilName.simplified();
    if (shown.isEmpty())
        shown = PupilList(store_).namesByJournal().value(QFileInfo(protocolPath_).absoluteFilePath());
    if (shown.isEmpty())
        shown = storedPupilName(store_, protocolPath_);
    // Else the name the journal itself gives, as the class overview shows it.
    if (shown.isEmpty())
        shown = journalName.simplified();
    storedName_ = shown;
    dfName_->setText(shown);
    auto* file =
        new QLabel(QStringLiteral("Protokol: %1").arg(shortened(QFileInfo(protocolPath_).fileName())), this);
    file->setObjectName(QStringLiteral("lblSoubor"));
    file->setToolTip(QDir::toNativeSeparators(protocolPath_));
    row->addWidget(pupilLabel);
    row->addWidget(dfName_);
    row->addSpacing(24);
    row->addWidget(file, 1);
    return row;
}

// What could not be read, in red; hidden when all could.
QWidget* OverviewWindow::buildNotice() {
    auto* warning = new QLabel(notice(journal_), this);
    warning->setObjectName(QStringLiteral("lblUpozorneni"));
    warning->setAccessibleName(warning->text().isEmpty() ? QStringLiteral("Upozornění") : warning->text());
    warning->setWordWrap(true);
    warning->setStyleSheet(QStringLiteral("color: #b71c1c;"));
    warning->setVisible(!warning->text().isEmpty());
    return warning;
}

QWidget* OverviewWindow::buildChartView() {
    chartView_->setObjectName(QStringLiteral("chvUspesnost"));
    chartView_->setAccessibleName(QStringLiteral("Graf úspěšnosti"));
    chartView_->setAccessibleDescription(chartView_->chart()->title());
    chartView_->setRenderHint(QPainter::Antialiasing);
    // Nothing to do in it with keys; Tab passes it by.
    chartView_->setFocusPolicy(Qt::NoFocus);
    chartView_->viewport()->setFocusPolicy(Qt::NoFocus);
    // Below this the axes shorten their texts to "…": on a small or magnified screen the body scrolls.
    chartView_->setMinimumSize(400, 280);
    if (!journal_.isEmpty())
        return chartView_;
    // Nothing to chart yet: the empty state says so where the chart will be; the chart stays for
    // the PDF.
    chartView_->hide();
    auto* empty =
        new QLabel(QStringLiteral("<b>%1</b><br>Výsledky se tu ukážou po prvním dokončeném zkoušení.")
                       .arg(chartView_->chart()->title()),
                   this);
    empty->setObjectName(QStringLiteral("lblPrazdny"));
    empty->setAccessibleName(chartView_->chart()->title());
    empty->setAlignment(Qt::AlignCenter);
    empty->setWordWrap(true);
    QFont font = empty->font();
    font.setPointSizeF(font.pointSizeF() * 1.3);
    empty->setFont(font);
    empty->setMinimumSize(400, 150);
    return empty;
}

// How the trend is reckoned, so that a short try or a repeat run is not read as a fall.
QWidget* OverviewWindow::buildTrendNote() {
    auto* note = new QLabel(kTrendNote, this);
    note->setObjectName(QStringLiteral("lblVypocet"));
    note->setAccessibleName(note->text());
    note->setWordWrap(true);
    note->setVisible(!journal_.isEmpty());
    return note;
}

// One Tab stop that a screen reader reads whole, rather than a stop for every line.
QWidget* OverviewWindow::buildSummary() {
    summary_->setObjectName(QStringLiteral("gbSouhrn"));
    summary_->setFocusPolicy(Qt::TabFocus);
    auto* form = new QFormLayout(summary_);
    form->setVerticalSpacing(3);
    QStringList spoken;
    for (const Row& row : totals(journal_)) {
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
    return summary_;
}

QWidget* OverviewWindow::buildMissedBox() {
    auto* box = new QGroupBox(QStringLiteral("Nejčastější chyby"), this);
    auto* layout = new QVBoxLayout(box);
    const int listed = static_cast<int>(std::min<qsizetype>(journal_.missed.size(), kListedProblems));
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
        const MissedProblem& m = journal_.missed[r];
        auto* times = new QTableWidgetItem(czechCount(m.count));
        times->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        missedTable_->setItem(r, 0, new QTableWidgetItem(schoolProblem(m)));
        missedTable_->setItem(r, 1, times);
        missedTable_->setItem(r, 2, new QTableWidgetItem(shownDate(m.last)));
    }
    if (listed > 0)
        missedTable_->setCurrentCell(0, 0, QItemSelectionModel::NoUpdate);
    layout->addWidget(missedTable_);
    if (journal_.missed.size() > listed) {
        auto* more = new QLabel(QStringLiteral("Zobrazeno %1 nejčastějších z %2 různých příkladů.")
                                    .arg(czechCount(listed), czechCount(journal_.missed.size())),
                                box);
        more->setObjectName(QStringLiteral("lblDalsiChyby"));
        more->setAccessibleName(more->text());
        layout->addWidget(more);
    }
    return box;
}

QLayout* OverviewWindow::buildButtons() {
    auto* row = new QHBoxLayout;
    pbPractise_->setObjectName(QStringLiteral("pbProcvicit"));
    pbPractise_->setEnabled(practice_ && !practiceEntries(journal_, 1, *practice_).isEmpty());
    if (!practice_)
        pbPractise_->setToolTip(QStringLiteral("Během zkoušení nelze procvičovat."));
    lblStatus_->setObjectName(QStringLiteral("lblStav"));
    lblStatus_->setAccessibleName(QStringLiteral("Stav"));
    lblStatus_->setWordWrap(true);
    lblStatus_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long path wraps instead of widening the window.
    lblStatus_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    pbPdf_->setObjectName(QStringLiteral("pbPdf"));
    // An empty journal has nothing to print.
    pbPdf_->setEnabled(!journal_.isEmpty() || !journal_.missed.isEmpty());
    pbCsv_->setObjectName(QStringLiteral("pbCsv"));
    pbCsv_->setEnabled(!journal_.isEmpty());
    pbReport_->setObjectName(QStringLiteral("pbZprava"));
    pbReport_->setAccessibleDescription(QStringLiteral("Uloží jednu stránku PDF o tomto týdnu pro rodiče"));
    pbClose_->setObjectName(QStringLiteral("pbClose"));
    pbClose_->setDefault(true);
    row->addWidget(pbPractise_);
    row->addWidget(lblStatus_, 1);
    row->addWidget(pbCsv_);
    row->addWidget(pbPdf_);
    row->addWidget(pbReport_);
    row->addWidget(pbClose_);
    return row;
}

// The window closes even when the name cannot be kept: the failure has been told.
void OverviewWindow::done(int result) {
    guarded(dialogs_, [this] { keepPupilName(); });
    QDialog::done(result);
}

void OverviewWindow::keepPupilName() {
    const QString name = dfName_->text().simplified();
    if (name == storedName_)
        return;
    storePupilName(store_, protocolPath_, name);
    storedName_ = name;
}

void OverviewWindow::practise() {
    if (!pbPractise_->isEnabled())
        return;
    const QStringList entries = practiceEntries(journal_, PracticeState::kRepeatCapacity, *practice_);
    if (entries.isEmpty())
        return;
    chosen_ = entries;
    accept();
}

namespace {

// Named for the pupil, so that a teacher's files for a class do not overwrite one another.
// "prehled-vysledku-jana-novakova-7.12.2026.pdf" (or ".csv") in the documents folder.
QString proposedPath(const QString& pupil, const QString& suffix) {
    QString name = fileNamePart(pupil);
    if (!name.isEmpty())
        name += u'-';
    return QDir(documentsOrHomeFolder())
        .filePath(
            QStringLiteral("prehled-vysledku-%1%2%3").arg(name, czechDate(QDate::currentDate()), suffix));
}

OverviewReport reportOf(const Journal& journal, const QString& pupil, const QString& protocolPath) {
    OverviewReport report;
    const QString fileName = QFileInfo(protocolPath).fileName();
    const QString printed = czechDate(QDate::currentDate());
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
    if (!journal.isEmpty())
        report.chartNote = kTrendNote;
    report.columns = {QStringLiteral("Pořadí"), QStringLiteral("Příklad"), QStringLiteral("Počet chyb"),
                      QStringLiteral("Naposledy")};
    const qsizetype listed = std::min<qsizetype>(journal.missed.size(), kListedProblems);
    for (qsizetype r = 0; r < listed; ++r) {
        const MissedProblem& m = journal.missed[r];
        report.missed.push_back(
            {QString::number(r + 1) + u'.', schoolProblem(m), czechCount(m.count), shownDate(m.last)});
    }
    if (journal.missed.size() > listed)
        report.moreMissed = moreProblems(journal.missed.size() - listed);
    return report;
}

} // namespace

// Asks where the overview goes; empty when the user changes their mind.
QString OverviewWindow::chooseTarget(const QString& title, const QString& filter, const QString& suffix) {
    QString path =
        chooseNewFile(dialogs_, title, filter, proposedPath(dfName_->text().simplified(), suffix), suffix);
    if (path.isEmpty())
        return {};
    // The document is what was asked for: a name the store cannot keep is told, and it goes on.
    guarded(dialogs_, [this] { keepPupilName(); });
    return path;
}

void OverviewWindow::saveCsv() {
    const QString path = chooseTarget(QStringLiteral("Uložit přehled jako CSV"),
                                      QStringLiteral("Tabulky CSV (*.csv)"), QStringLiteral(".csv"));
    if (path.isEmpty())
        return;
    const QString pupil = dfName_->text().simplified();
    const QVector<CsvPupil> rows{{pupil.isEmpty() ? fileBaseName(protocolPath_) : pupil, &journal_}};
    saveDocument(lblStatus_, path, kSaved, [&] { writeWholeFile(path, examinationsCsv(rows)); });
}

void OverviewWindow::savePdf() {
    const QString path = chooseTarget(QStringLiteral("Uložit přehled jako PDF"),
                                      QStringLiteral("Dokumenty PDF (*.pdf)"), QStringLiteral(".pdf"));
    if (path.isEmpty())
        return;
    const OverviewReport report = reportOf(journal_, dfName_->text().simplified(), protocolPath_);
    saveDocument(lblStatus_, path, kSaved, [&] { writeOverviewPdf(report, chartView_, path); });
    offerToOpen(dialogs_, path, kSaved);
}

} // namespace numio

namespace numio {

// This week's page for the parents; what he knows only where his answers are known to the window.
void OverviewWindow::saveParentReport() {
    const QString pupil = dfName_->text().simplified();
    const QString proposed =
        QDir(documentsOrHomeFolder())
            .filePath(pupil.isEmpty() ? QStringLiteral("Zpráva pro rodiče.pdf")
                                      : QStringLiteral("Zpráva pro rodiče – %1.pdf").arg(pupil));
    const QString path =
        chooseNewFile(dialogs_, QStringLiteral("Uložit zprávu pro rodiče jako PDF"),
                      QStringLiteral("Dokumenty PDF (*.pdf)"), proposed, QStringLiteral(".pdf"));
    if (path.isEmpty())
        return;
    guarded(dialogs_, [this] { keepPupilName(); });
    const QDateTime now = QDateTime::currentDateTime();
    const Period week = periodAround(PeriodChoice::Week, now.date());
    ParentReport report = parentPeriod_
                              ? ParentReport{parentPeriod_->text,
                                             parentPeriod_->period,
                                             {},
                                             now,
                                             {{pupil, parentPeriod_->whole, {}, {}, {}}}}
                              : ParentReport{weekText(week), week, {}, now, {{pupil, journal_, {}, {}, {}}}};
    try {
        LoadSettings(report.settings, store_);
    } catch (const Failure&) { // a bad value has taken its default; the rest is as set
    }
    if (answers_)
        readParentAnswers(report.pupils.front(), *answers_);
    else
        report.pupils.front().noAnswers = QStringLiteral("odpovědi se na tomto počítači nepamatují.");
    saveDocument(
        lblStatus_, path, kSaved, [&] { writeParentReportPdf(report, path); }, QStringLiteral("Zprávu"));
    offerToOpen(dialogs_, path, QStringLiteral("Zpráva pro rodiče byla uložena do souboru %1."),
                QStringLiteral("Zpráva uložena"));
}

} // namespace numio
