#include "reports/class_overview_window.h"

#include "core/facts.h"
#include "core/pupils.h"
#include "core/settings.h"
#include "platform/failure.h"
#include "platform/guard.h"
#include "platform/logging.h"
#include "platform/text_files.h"
#include "pupil/pupil_list.h"
#include "reports/class_map_window.h"
#include "reports/class_overview_pdf.h"
#include "reports/csv_export.h"
#include "reports/czech_format.h"
#include "reports/date_field.h"
#include "reports/overview_pdf.h"
#include "reports/overview_window.h"
#include "reports/parent_report.h"
#include "reports/saving.h"
#include "reports/window_fit.h"
#include "reports/worksheet.h"
#include "reports/worksheet_dialog.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace numio {

namespace {

const QString kSaved = QStringLiteral("Uloženo do souboru %1.");
constexpr int kRowRole = Qt::UserRole + 1;  // the row's index in the model's rows
constexpr int kPathRole = Qt::UserRole + 2; // its journal, which outlives a new order

enum Column { Name, Exams, Problems, Rate, Grade, Trend, Last, Known, Missed, ColumnCount };

QString trendText(const std::optional<double>& trend) {
    if (!trend)
        return QStringLiteral("—");
    const double change = std::round(*trend * 10.0) / 10.0;
    if (change == 0)
        return QStringLiteral("beze změny");
    return (change > 0 ? QStringLiteral("+") : QStringLiteral("−")) + czechDecimal(std::abs(change)) +
           QStringLiteral(" p. b.");
}

QStringList rowTexts(const QString& name, const PupilSummary& s, const KnownFacts& known) {
    return {name,
            czechCount(s.exams),
            czechCount(s.problems),
            shownRate(s.successRate),
            s.grade ? QString::number(*s.grade) : QStringLiteral("—"),
            trendText(s.trend),
            shownDate(s.last),
            known.text(),
            s.missed.isEmpty() ? QStringLiteral("—") : s.missed.join(QStringLiteral(", "))};
}

struct OrderChoice {
    ClassOrder order;
    Column column;
    const char* text;
};
// The order box's lines, each with the column whose header shows it.
const OrderChoice kOrders[] = {
    {ClassOrder::Surname, Name, "Žák (podle příjmení)"},
    {ClassOrder::FirstName, Name, "Žák (podle křestního jména)"},
    {ClassOrder::Exams, Exams, "Zkoušení"},
    {ClassOrder::Problems, Problems, "Příkladů"},
    {ClassOrder::Rate, Rate, "Úspěšnost"},
    {ClassOrder::Grade, Grade, "Známka"},
    {ClassOrder::Trend, Trend, "Vývoj"},
    {ClassOrder::Last, Last, "Poslední zkoušení"},
    {ClassOrder::Known, Known, "Zná násobilku"},
};

const OrderChoice& choiceOf(ClassOrder order) {
    return *std::find_if(std::begin(kOrders), std::end(kOrders),
                         [order](const OrderChoice& c) { return c.order == order; });
}

QTableWidget* newTable(QWidget* parent, const QString& name, const QString& spoken,
                       const QStringList& heads) {
    auto* t = new QTableWidget(parent);
    t->setObjectName(name);
    t->setAccessibleName(spoken);
    // One Tab stop: arrows move inside, Tab goes on.
    t->setTabKeyNavigation(false);
    t->setColumnCount(int(heads.size()));
    t->setHorizontalHeaderLabels(heads);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->verticalHeader()->hide();
    t->horizontalHeader()->setHighlightSections(false);
    return t;
}

DateField* newDateEdit(Dialogs& dialogs, QWidget* parent, const QString& name, const QString& spoken) {
    auto* edit = new DateField(dialogs, parent);
    edit->setObjectName(name);
    edit->setAccessibleName(spoken);
    edit->setLocale(QLocale(QLocale::Czech, QLocale::Czechia));
    // Room for the longest day, 30.12.2026, and the calendar's button.
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00.00.00000")) + 40);
    return edit;
}

// For a journal that names no pupil: the pupil's name when the journal is a pupil's of this
// computer, else the name given to it in the results overview, else the file's name.
PupilNamer storedNames(SettingsStore& store) {
    const QHash<QString, QString> pupils = PupilList(store).namesByJournal();
    return [&store, pupils](const QString& path) {
        const QString absolute = QFileInfo(path).absoluteFilePath();
        if (const auto pupil = pupils.constFind(absolute); pupil != pupils.constEnd())
            return *pupil;
        const QString name = storedPupilName(store, path).simplified();
        return name.isEmpty() ? fileBaseName(path) : name;
    };
}

// A folder that cannot be remembered is still read: the failure is told and the work goes on.
void rememberFolder(SettingsStore& store, Dialogs& dialogs, const QString& folder) {
    guarded(dialogs, [&] { rememberClassFolder(store, folder); });
}

} // namespace

ClassOverviewWindow::ClassOverviewWindow(SettingsStore& store, Dialogs& dialogs, TextFiles& files,
                                         AnswerStores& stores, const Clock& clock,
                                         FolderChooser folderChooser, PupilNamer namer, QWidget* owner,
                                         const QString& dataFolder)
    : QDialog(owner), store_(store), dialogs_(dialogs), clock_(clock), stores_(stores),
      chooseFolder_(std::move(folderChooser)),
      model_(store, files, stores, dialogs, clock, std::move(namer), dataFolder),
      lblFolder_(new QLabel(this)), cbPeriod_(new QComboBox(this)),
      deFrom_(newDateEdit(dialogs, this, QStringLiteral("deOd"), QStringLiteral("Období od"))),
      deTo_(newDateEdit(dialogs, this, QStringLiteral("deDo"), QStringLiteral("Období do"))),
      lblPeriod_(new QLabel(this)), lblDateNote_(new QLabel(this)), cbOrder_(new QComboBox(this)),
      chDescending_(new QCheckBox(QStringLiteral("Sest&upně"), this)),
      table_(newTable(this, QStringLiteral("twTrida"), QStringLiteral("Žáci"),
                      {QStringLiteral("Žák"), QStringLiteral("Zkoušení"), QStringLiteral("Příkladů"),
                       QStringLiteral("Úspěšnost"), QStringLiteral("Známka"), QStringLiteral("Vývoj"),
                       QStringLiteral("Poslední zkoušení"), QStringLiteral("Zná násobilku"),
                       QStringLiteral("Nejčastější chyby")})),
      missedTable_(
          newTable(this, QStringLiteral("twChybyTridy"), QStringLiteral("Nejčastější chyby třídy"),
                   {QStringLiteral("Příklad"), QStringLiteral("Počet chyb"), QStringLiteral("Žáků")})),
      lblKnownNote_(new QLabel(this)),
      lblUnread_(new QLabel(QStringLiteral("Soubory, které nelze př&ečíst:"), this)),
      unreadList_(new QListWidget(this)), progress_(new QProgressBar(this)), lblStatus_(new QLabel(this)),
      pbFolder_(new QPushButton(QStringLiteral("Jiná &složka…"), this)),
      pbCancel_(new QPushButton(QStringLiteral("&Zrušit čtení"), this)),
      pbCsv_(new QPushButton(QStringLiteral("Uložit jako CS&V"), this)),
      csvTable_(new QAction(QStringLiteral("&Tabulka třídy…"), this)),
      csvExams_(new QAction(QStringLiteral("&Všechna zkoušení…"), this)),
      pbPdf_(new QPushButton(QStringLiteral("Uložit jako &PDF"), this)),
      pbClassMap_(new QPushButton(QStringLiteral("&Mapa třídy"), this)),
      pbReports_(new QPushButton(QStringLiteral("Zprávy pro &rodiče…"), this)),
      pbWorksheets_(new QPushButton(QStringLiteral("Pracovní l&isty…"), this)),
      pbClose_(new QPushButton(QStringLiteral("Zavří&t"), this)) {
    setObjectName(QStringLiteral("frmTrida"));
    setWindowTitle(QStringLiteral("Přehled třídy"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    auto* layout = new QVBoxLayout;

    lblFolder_->setObjectName(QStringLiteral("lblSlozka"));
    lblFolder_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* top = new QHBoxLayout;
    top->addWidget(lblFolder_, 1);
    top->addWidget(pbFolder_);
    layout->addLayout(top);
    layout->addLayout(buildChoices());

    auto* pupilsLabel = new QLabel(QStringLiteral("Ž&áci (Enter nebo dvojklik otevře přehled žáka):"), this);
    pupilsLabel->setBuddy(table_);
    // The period in words on the table's own line: a line more would scroll a magnified window.
    auto* tableHead = new QHBoxLayout;
    tableHead->addWidget(pupilsLabel);
    tableHead->addWidget(lblPeriod_, 1);
    layout->addLayout(tableHead);
    // Every column as wide as its texts, the last one taking what is left; a narrow window scrolls.
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setStretchLastSection(true);
    // The window orders the rows itself, so that what is missing stays last either way.
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(Name, Qt::AscendingOrder);
    table_->setWordWrap(false);
    // Several rows chosen make the parents' pages of those pupils alone.
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->horizontalHeaderItem(Trend)->setToolTip(
        QStringLiteral("Změna úspěšnosti posledních 10 zkoušení proti 10 předchozím v procentních bodech; "
                       "zkoušení s méně než 6 příklady se nepočítají. Změna se ukáže, až budou na obou "
                       "stranách aspoň 3 zkoušení."));
    table_->horizontalHeaderItem(Known)->setToolTip(
        QStringLiteral("Kolik ze 100 příkladů malé násobilky (1 · 1 až 10 · 10) žák umí podle své paměti "
                       "odpovědí (uložené vedle protokolu, nebo žáka ze seznamu tohoto počítače), bez ohledu "
                       "na období."));
    table_->installEventFilter(this);
    layout->addWidget(table_, 3);
    lblKnownNote_->setObjectName(QStringLiteral("lblZnaNasobilku"));
    lblKnownNote_->setText(
        QStringLiteral("„Zná násobilku“: kolik ze 100 příkladů malé násobilky žák umí podle paměti odpovědí "
                       "(vedle protokolu nebo na tomto počítači). „málo odpovědí“: žádný příklad ještě nebyl "
                       "zkoušen aspoň %1krát; „—“: odpovědi nejsou k dispozici, důvod ukáže bublina buňky.")
            .arg(kKnownRun));
    lblKnownNote_->setAccessibleName(lblKnownNote_->text());
    lblKnownNote_->setWordWrap(true);
    layout->addWidget(lblKnownNote_);

    auto* lower = new QHBoxLayout;
    auto* missedColumn = new QVBoxLayout;
    auto* missedLabel = new QLabel(QStringLiteral("Nejčastější &chyby třídy:"), this);
    missedLabel->setBuddy(missedTable_);
    missedTable_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    missedTable_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    missedColumn->addWidget(missedLabel);
    missedColumn->addWidget(missedTable_);
    lower->addLayout(missedColumn, 1);
    auto* unreadColumn = new QVBoxLayout;
    lblUnread_->setBuddy(unreadList_);
    unreadList_->setObjectName(QStringLiteral("lwNeprectene"));
    unreadList_->setAccessibleName(QStringLiteral("Soubory, které nelze přečíst"));
    unreadColumn->addWidget(lblUnread_);
    unreadColumn->addWidget(unreadList_);
    lower->addLayout(unreadColumn, 1);
    layout->addLayout(lower, 2);

    progress_->setObjectName(QStringLiteral("pbCteni"));
    progress_->setAccessibleName(QStringLiteral("Průběh čtení"));
    progress_->setMinimumWidth(160);
    lblStatus_->setObjectName(QStringLiteral("lblStav"));
    lblStatus_->setAccessibleName(QStringLiteral("Stav"));
    lblStatus_->setWordWrap(true);
    lblStatus_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    pbFolder_->setObjectName(QStringLiteral("pbSlozka"));
    pbCancel_->setObjectName(QStringLiteral("pbZrusit"));
    pbCsv_->setObjectName(QStringLiteral("pbCsv"));
    pbCsv_->setAccessibleDescription(QStringLiteral("Nabídne tabulku třídy nebo všechna zkoušení žáků"));
    csvTable_->setObjectName(QStringLiteral("actCsvTabulka"));
    csvExams_->setObjectName(QStringLiteral("actCsvZkouseni"));
    auto* csvMenu = new QMenu(pbCsv_);
    csvMenu->setAccessibleName(QStringLiteral("Uložit jako CSV"));
    csvMenu->addAction(csvTable_);
    csvMenu->addAction(csvExams_);
    pbCsv_->setMenu(csvMenu);
    pbPdf_->setObjectName(QStringLiteral("pbPdf"));
    pbClassMap_->setObjectName(QStringLiteral("pbMapaTridy"));
    pbClassMap_->setAccessibleName(QStringLiteral("Mapa třídy"));
    pbClassMap_->setAccessibleDescription(
        QStringLiteral("Ukáže, kolik žáků s odpověďmi umí který příklad a kdo ho ještě neumí"));
    pbReports_->setObjectName(QStringLiteral("pbZpravy"));
    pbReports_->setAccessibleName(QStringLiteral("Zprávy pro rodiče"));
    pbReports_->setAccessibleDescription(
        QStringLiteral("Uloží PDF se stránkou pro rodiče každého žáka tabulky, nebo jen vybraných řádků"));
    pbWorksheets_->setObjectName(QStringLiteral("pbListy"));
    pbWorksheets_->setAccessibleName(QStringLiteral("Pracovní listy"));
    pbWorksheets_->setAccessibleDescription(QStringLiteral(
        "Uloží do jednoho PDF pracovní list každého žáka z toho, co ještě neumí, a řešení na konci"));
    pbClose_->setObjectName(QStringLiteral("pbClose"));
    // Enter in the table opens a pupil; it must not fall through to a default button.
    for (QPushButton* b :
         {pbFolder_, pbCancel_, pbCsv_, pbPdf_, pbClassMap_, pbReports_, pbWorksheets_, pbClose_})
        b->setAutoDefault(false);
    // The reading's progress and the status on a line of their own: beside the buttons, on a small
    // or magnified screen, the status had room for a word or two.
    auto* state = new QHBoxLayout;
    state->addWidget(progress_);
    state->addWidget(pbCancel_);
    state->addWidget(lblStatus_, 1);
    // What is made for the pupils on a row of its own: beside the saving, a magnified screen cut it.
    auto* forPupils = new QHBoxLayout;
    forPupils->addWidget(pbClassMap_);
    forPupils->addWidget(pbReports_);
    forPupils->addWidget(pbWorksheets_);
    forPupils->addStretch(1);
    auto* commands = new QHBoxLayout;
    commands->addStretch(1);
    commands->addWidget(pbCsv_);
    commands->addWidget(pbPdf_);
    commands->addWidget(pbClose_);
    auto* buttons = new QVBoxLayout;
    buttons->addLayout(state);
    buttons->addLayout(forPupils);
    buttons->addLayout(commands);
    layOutScrolling(*this, layout, buttons);

    QWidget* order[] = {pbFolder_,     cbPeriod_,    deFrom_,     deTo_,     cbOrder_,    chDescending_,
                        table_,        missedTable_, unreadList_, pbCancel_, pbClassMap_, pbReports_,
                        pbWorksheets_, pbCsv_,       pbPdf_,      pbClose_};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    fitToScreen(*this, owner, {1100, 720}, {760, 480});

    connect(table_, &QTableWidget::cellDoubleClicked, this,
            guard(dialogs_, [this](int row, int) { openPupil(row); }));
    connect(header, &QHeaderView::sortIndicatorChanged, this,
            guard(dialogs_, [this](int column, Qt::SortOrder order) { headerClicked(column, order); }));
    connect(cbOrder_, &QComboBox::currentIndexChanged, this,
            guard(dialogs_, [this](int i) { setOrder(kOrders[std::max(i, 0)].order, model_.descending()); }));
    connect(chDescending_, &QCheckBox::toggled, this,
            guard(dialogs_, [this](bool on) { setOrder(model_.order(), on); }));
    connect(cbPeriod_, &QComboBox::currentIndexChanged, this, guard(dialogs_, [this](int i) {
                model_.setPeriod(PeriodChoice(std::max(i, 0)));
                fill();
            }));
    for (DateField* edit : {deFrom_, deTo_}) {
        connect(edit, &DateField::dateChanged, this, guard(dialogs_, [this] {
                    model_.setRange(deFrom_->date(), deTo_->date());
                    // The days between the two either way round, as the words above the table say.
                    showDateNote(deFrom_->date() > deTo_->date()
                                     ? QStringLiteral("Datum „od“ je pozdější než „do“: období se počítá "
                                                      "mezi nimi.")
                                     : QString());
                    fill();
                }));
        connect(edit, &DateField::refused, this, guard(dialogs_, [this](const QString& typed) {
                    showDateNote(QStringLiteral("„%1“ není datum, období zůstává. Napište den, měsíc a "
                                                "rok, např. 30.11.2026.")
                                     .arg(typed.simplified()));
                }));
    }
    connect(pbFolder_, &QPushButton::clicked, this, guard(dialogs_, [this] { chooseFolder(); }));
    connect(pbCancel_, &QPushButton::clicked, this, guard(dialogs_, [this] { model_.cancelReading(); }));
    connect(&model_, &ClassOverviewModel::progressed, this, guard(dialogs_, [this](int done, int total) {
        progress_->setRange(0, total);
        progress_->setValue(done);
    }));
    connect(&model_, &ClassOverviewModel::loaded, this, guard(dialogs_, [this] { finishReading(); }));
    connect(csvTable_, &QAction::triggered, this, guard(dialogs_, [this] { saveCsv(CsvKind::Table); }));
    connect(csvExams_, &QAction::triggered, this, guard(dialogs_, [this] { saveCsv(CsvKind::Exams); }));
    connect(pbPdf_, &QPushButton::clicked, this, guard(dialogs_, [this] { savePdf(); }));
    connect(pbClassMap_, &QPushButton::clicked, this, guard(dialogs_, [this] { openClassMap(); }));
    connect(pbReports_, &QPushButton::clicked, this, guard(dialogs_, [this] { saveParentReports(); }));
    connect(pbWorksheets_, &QPushButton::clicked, this, guard(dialogs_, [this] { saveWorksheets(); }));
    connect(pbClose_, &QPushButton::clicked, this, guard(dialogs_, [this] { reject(); }));
    fill();
}

// The period and the order, above the table.
QLayout* ClassOverviewWindow::buildChoices() {
    auto* row = new QHBoxLayout;
    auto* periodLabel = new QLabel(QStringLiteral("&Období:"), this);
    periodLabel->setBuddy(cbPeriod_);
    cbPeriod_->setObjectName(QStringLiteral("cbObdobi"));
    cbPeriod_->setAccessibleName(QStringLiteral("Období"));
    for (const PeriodChoice choice : {PeriodChoice::Whole, PeriodChoice::Week, PeriodChoice::Month,
                                      PeriodChoice::HalfYear, PeriodChoice::Range})
        cbPeriod_->addItem(periodName(choice));
    deFrom_->setDate(model_.rangeFrom());
    deTo_->setDate(model_.rangeTo());
    auto* fromLabel = new QLabel(QStringLiteral("o&d"), this);
    fromLabel->setBuddy(deFrom_);
    auto* toLabel = new QLabel(QStringLiteral("do"), this);
    toLabel->setBuddy(deTo_);
    for (QWidget* w : std::initializer_list<QWidget*>{fromLabel, deFrom_, toLabel, deTo_}) {
        w->setVisible(false);
        connect(cbPeriod_, &QComboBox::currentIndexChanged, w,
                guard(dialogs_, [w](int i) { w->setVisible(PeriodChoice(i) == PeriodChoice::Range); }));
    }
    auto* orderLabel = new QLabel(QStringLiteral("Řadit pod&le:"), this);
    orderLabel->setBuddy(cbOrder_);
    cbOrder_->setObjectName(QStringLiteral("cbRadit"));
    cbOrder_->setAccessibleName(QStringLiteral("Řadit podle"));
    for (const OrderChoice& c : kOrders)
        cbOrder_->addItem(QString::fromUtf8(c.text));
    chDescending_->setObjectName(QStringLiteral("chSestupne"));
    for (QWidget* w :
         std::initializer_list<QWidget*>{periodLabel, cbPeriod_, fromLabel, deFrom_, toLabel, deTo_})
        row->addWidget(w);
    row->addStretch(1);
    for (QWidget* w : std::initializer_list<QWidget*>{orderLabel, cbOrder_, chDescending_})
        row->addWidget(w);

    lblPeriod_->setObjectName(QStringLiteral("lblObdobi"));
    lblPeriod_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // What is left of the line, whatever the period: its words change with no new layout.
    lblPeriod_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    lblDateNote_->setObjectName(QStringLiteral("lblDatum"));
    lblDateNote_->setWordWrap(true);
    lblDateNote_->setVisible(false);
    connect(cbPeriod_, &QComboBox::currentIndexChanged, lblDateNote_,
            guard(dialogs_, [this] { showDateNote({}); }));
    auto* lines = new QVBoxLayout;
    lines->addLayout(row);
    lines->addWidget(lblDateNote_);
    return lines;
}

// Said beside the fields and, by its name, to a screen reader; nothing hides it.
void ClassOverviewWindow::showDateNote(const QString& note) {
    lblDateNote_->setText(note);
    lblDateNote_->setAccessibleName(note);
    lblDateNote_->setVisible(!note.isEmpty() && cbPeriod_->currentIndex() == int(PeriodChoice::Range));
}

ClassOverviewWindow::~ClassOverviewWindow() {
    model_.stopReading();
    delete saving_;
}

void ClassOverviewWindow::done(int result) {
    // The tasks stop by themselves; what they still find is dropped. So does a save: nothing of the
    // document is written.
    model_.stopReading();
    delete saving_;
    QDialog::done(result);
}

void ClassOverviewWindow::readFolder(const QString& folder) {
    model_.readFolder(folder);
    lblFolder_->setText(QStringLiteral("Složka: %1").arg(QDir::toNativeSeparators(folder)));
    lblFolder_->setAccessibleName(lblFolder_->text());
    showStatus(lblStatus_, QStringLiteral("Čtu protokoly…"));
    progress_->setRange(0, 0);
    fill();
}

// The reading has ended: the rows as read, and what it came to.
void ClassOverviewWindow::finishReading() {
    fill();
    showStatus(lblStatus_, model_.readingText());
    table_->setFocus();
    emit loaded();
}

void ClassOverviewWindow::setOrder(ClassOrder order, bool descending) {
    model_.setOrder(order, descending);
    {
        const QSignalBlocker blockOrder(cbOrder_), blockDirection(chDescending_),
            blockHeader(table_->horizontalHeader());
        cbOrder_->setCurrentIndex(int(&choiceOf(order) - std::begin(kOrders)));
        chDescending_->setChecked(descending);
        table_->horizontalHeader()->setSortIndicator(choiceOf(order).column,
                                                     descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    }
    fillTable();
}

// A click on a header orders by its column; again, the other way. The name keeps its way of
// ordering; the most-missed problems do not order.
void ClassOverviewWindow::headerClicked(int column, Qt::SortOrder order) {
    ClassOrder chosen = model_.order();
    if (column != choiceOf(chosen).column) {
        const auto found = std::find_if(std::begin(kOrders), std::end(kOrders),
                                        [column](const OrderChoice& c) { return c.column == column; });
        if (found != std::end(kOrders))
            chosen = found->order;
    }
    setOrder(chosen, column == Missed ? model_.descending() : order == Qt::DescendingOrder);
}

void ClassOverviewWindow::fill() {
    progress_->setVisible(reading());
    pbCancel_->setVisible(reading());
    enableCommands();
    fillTable();

    const QStringList unread = model_.unread();
    const QVector<ClassMissed> missed = model_.missed();
    missedTable_->setRowCount(int(missed.size()));
    for (int r = 0; r < missed.size(); ++r) {
        missedTable_->setItem(r, 0, new QTableWidgetItem(missed[r].problem));
        for (int c = 1; c <= 2; ++c) {
            auto* item = new QTableWidgetItem(czechCount(c == 1 ? missed[r].count : missed[r].pupils));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            missedTable_->setItem(r, c, item);
        }
    }
    unreadList_->clear();
    unreadList_->addItems(unread);
    lblUnread_->setVisible(!unread.isEmpty());
    unreadList_->setVisible(!unread.isEmpty());
}

// Nothing else is read or saved while a folder is read or a document saved.
void ClassOverviewWindow::enableCommands() {
    const bool busy = reading() || saving();
    pbFolder_->setEnabled(!busy && chooseFolder_);
    const bool documents = !busy && !model_.rows().isEmpty();
    pbCsv_->setEnabled(documents);
    csvTable_->setEnabled(documents);
    csvExams_->setEnabled(documents);
    pbPdf_->setEnabled(documents);
    pbReports_->setEnabled(documents);
    pbWorksheets_->setEnabled(documents);
    pbClassMap_->setEnabled(!busy && std::any_of(model_.rows().begin(), model_.rows().end(),
                                                 [](const ClassRow& r) { return r.answers.has_value(); }));
}

// The rows in their order; the pupil in hand stays in hand.
void ClassOverviewWindow::fillTable() {
    const QVector<ClassRow>& rows = model_.rows();
    const QTableWidgetItem* current = table_->item(std::max(table_->currentRow(), 0), Name);
    // The rows may be in a new order already: the pupil chosen is found again by his journal.
    const QString currentPath = current ? current->data(kPathRole).toString() : QString();
    table_->setRowCount(0);
    table_->setRowCount(int(rows.size()));
    int currentRow = 0;
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList texts = rowTexts(rows[r].shown.name, rows[r].summary, rows[r].known);
        for (int c = 0; c < ColumnCount; ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            if (c != Name && c != Missed)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(r, c, item);
        }
        table_->item(r, Name)->setData(kRowRole, r);
        table_->item(r, Name)->setData(kPathRole, rows[r].shown.path);
        table_->item(r, Known)->setToolTip(rows[r].known.spoken());
        table_->item(r, Known)->setData(Qt::AccessibleTextRole, rows[r].known.spoken());
        table_->item(r, Trend)->setToolTip(rows[r].summary.trendPending);
        if (rows[r].shown.path == currentPath)
            currentRow = r;
    }
    if (!rows.isEmpty())
        table_->setCurrentCell(currentRow, 0);
    lblPeriod_->setText(QStringLiteral("Období: %1").arg(model_.periodText()));
    lblPeriod_->setAccessibleName(lblPeriod_->text());
    lblPeriod_->setToolTip(lblPeriod_->text()); // whole, should a narrow window cut it
    // What a screen reader says of the table besides its name.
    table_->setAccessibleDescription(
        QStringLiteral("Období: %1. Seřazeno podle: %2, %3.")
            .arg(model_.periodText(), cbOrder_->currentText(),
                 model_.descending() ? QStringLiteral("sestupně") : QStringLiteral("vzestupně")));
}

bool ClassOverviewWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == table_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && table_->currentRow() >= 0) {
            guarded(dialogs_, [this] { openPupil(table_->currentRow()); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ClassOverviewWindow::openPupil(int row) {
    const QTableWidgetItem* item = table_->item(row, Name);
    // The pupil's overview saves too: not while the class is saved.
    if (!item || saving())
        return;
    const ClassRow& r = model_.rows().at(item->data(kRowRole).toInt());
    const QString path = r.shown.path;
    const int pupil = r.pupil;
    // No practice from here: practice belongs to the pupil at their own computer. The figures are
    // those of the row: the same period, under the same name.
    std::optional<ParentAnswers> answers;
    if (r.answers)
        answers = ParentAnswers{&stores_, r.answers->store, r.answers->knownWithinMs};
    OverviewWindow overview(r.shown.journal, path, store_, dialogs_, std::nullopt, this, r.shown.name,
                            answers);
    overview.setParentPeriod(model_.pupils().at(pupil).journal, model_.period(), model_.periodText());
    overview.exec();
    // The overview may have given a journal without a name of its own one.
    if (model_.renamePupil(pupil))
        fill();
}

// The class map of the pupils with answers; "this week" ends where the period does.
void ClassOverviewWindow::openClassMap() {
    ClassMapInput input{QFileInfo(model_.folder()).fileName(), {}, {}, clock_.now(), {}, &stores_};
    input.end = classMapEnd(model_.period().to, input.now);
    try {
        LoadSettings(input.settings, store_);
    } catch (const Failure& f) { // a bad value has taken its default; the rest is as set
        qCDebug(lcReports()) << "the class map's pages from settings with a bad value:" << f.messageText();
    }
    // A pupil's store once, though his journal may be in the folder twice (a copy beside it).
    QSet<QString> stores;
    for (const ClassRow& r : model_.rows()) {
        if (r.answers && !stores.contains(resolvedPath(r.answers->store))) {
            stores.insert(resolvedPath(r.answers->store));
            input.pupils.push_back({r.shown.name, *r.answers});
        }
    }
    (new ClassMapWindow(std::move(input), dialogs_, this))->open();
}

// A page for each pupil's parents, of the selected rows when more than one is selected, else of all.
void ClassOverviewWindow::saveParentReports() {
    QList<int> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows(Name))
        rows.push_back(table_->item(index.row(), Name)->data(kRowRole).toInt());
    std::sort(rows.begin(), rows.end());
    if (rows.size() < 2) {
        rows.clear();
        for (int r = 0; r < model_.rows().size(); ++r)
            rows.push_back(r);
    }
    const QString proposed =
        QDir(documentsOrHomeFolder())
            .filePath(
                QStringLiteral("Zprávy pro rodiče – %1.pdf").arg(QFileInfo(model_.folder()).fileName()));
    const QString path =
        chooseNewFile(dialogs_, QStringLiteral("Uložit zprávy pro rodiče jako PDF"),
                      QStringLiteral("Dokumenty PDF (*.pdf)"), proposed, QStringLiteral(".pdf"));
    if (path.isEmpty())
        return;
    ParentReport report{model_.periodText(), model_.period(), {}, clock_.now(), {}};
    try {
        LoadSettings(report.settings, store_);
    } catch (const Failure& f) { // a bad value has taken its default; the rest is as set
        qCDebug(lcReports()) << "the parents' reports from settings with a bad value:" << f.messageText();
    }
    QList<std::optional<AnswerSource>> sources;
    for (const int r : rows) {
        const ClassRow& row = model_.rows().at(r);
        report.pupils.push_back(
            {row.shown.name,
             model_.pupils().at(row.pupil).journal,
             {},
             std::nullopt,
             row.answers ? QString()
                         : QStringLiteral("odpovědi nejsou uložené u protokolu ani na tomto počítači.")});
        sources.push_back(row.answers);
    }
    // The answers are read with the writing, off the window's thread; the report holds copies.
    saveAside(
        path,
        [report, sources, path, stores = &stores_](SaveProgress& progress) mutable {
            progress.setTotal(2 * report.pupils.size());
            for (qsizetype i = 0; i < sources.size(); ++i) {
                if (sources[i])
                    readParentAnswers(report.pupils[i],
                                      {stores, sources[i]->store, sources[i]->knownWithinMs});
                progress.advance();
            }
            writeParentReportPdf(report, path, &progress);
        },
        [this, path] {
            offerToOpen(dialogs_, path, QStringLiteral("Zprávy pro rodiče byly uloženy do souboru %1."),
                        QStringLiteral("Zprávy uloženy"));
        });
}

void ClassOverviewWindow::chooseFolder() {
    if (!chooseFolder_)
        return;
    const QString folder = chooseFolder_(model_.folder().isEmpty() ? classFolder(store_) : model_.folder());
    if (folder.isEmpty())
        return;
    rememberFolder(store_, dialogs_, folder);
    readFolder(folder);
}

QString ClassOverviewWindow::askForFile(const QString& title, const QString& filter, const QString& name,
                                        const QString& suffix) {
    const QString proposed =
        QDir(documentsOrHomeFolder())
            .filePath(QStringLiteral("%1-%2%3").arg(
                name, clock_.now().date().toString(QStringLiteral("yyyy-MM-dd")), suffix));
    return chooseNewFile(dialogs_, title, filter, proposed, suffix);
}

void ClassOverviewWindow::saveCsv(CsvKind kind) {
    const bool table = kind == CsvKind::Table;
    const QString path = askForFile(
        table ? QStringLiteral("Uložit tabulku třídy jako CSV")
              : QStringLiteral("Uložit všechna zkoušení třídy jako CSV"),
        QStringLiteral("Tabulky CSV (*.csv)"),
        table ? QStringLiteral("trida-tabulka") : QStringLiteral("trida-zkouseni"), QStringLiteral(".csv"));
    if (path.isEmpty())
        return;
    // The pupils in the order the table shows them, within the period: copies, which the writer keeps
    // should the window close meanwhile.
    QVector<CsvSummary> summaries;
    QVector<Journal> journals;
    for (const ClassRow& r : model_.rows()) {
        summaries.push_back({r.shown.name, r.summary, r.known.text()});
        journals.push_back(r.shown.journal);
    }
    // In slices, so that a large class shows how far it has come and can be stopped between them.
    saveAside(
        path,
        [table, summaries, journals, path](SaveProgress& progress) {
            constexpr qsizetype kSlice = 100;
            const qsizetype n = summaries.size();
            const auto slice = [&](qsizetype from, qsizetype count) {
                if (table)
                    return classTableCsv(summaries.mid(from, count));
                QVector<CsvPupil> exams;
                for (qsizetype i = from; i < std::min(from + count, n); ++i)
                    exams.push_back({summaries[i].name, &journals[i]});
                return examinationsCsv(exams);
            };
            progress.setTotal(n);
            QByteArray csv = slice(0, 0);
            const qsizetype heads = csv.size();
            for (qsizetype from = 0; from < n; from += kSlice) {
                csv += slice(from, kSlice).sliced(heads);
                progress.advance(std::min(kSlice, n - from));
            }
            writeWholeFile(path, csv);
        },
        nullptr);
}

void ClassOverviewWindow::savePdf() {
    const QString path =
        askForFile(QStringLiteral("Uložit přehled třídy jako PDF"), QStringLiteral("Dokumenty PDF (*.pdf)"),
                   QStringLiteral("prehled-tridy"), QStringLiteral(".pdf"));
    if (path.isEmpty())
        return;
    ClassReport report;
    const QString folderName = QFileInfo(model_.folder()).fileName();
    const QString period = model_.periodText();
    const QString printed = czechDate(QDate::currentDate());
    report.title = QStringLiteral("Přehled třídy, %1, %2").arg(folderName, period);
    report.header = {{QStringLiteral("Třída (složka):"), folderName},
                     {QStringLiteral("Období:"), period},
                     {QStringLiteral("Datum tisku:"), printed}};
    for (int c = 0; c < ColumnCount; ++c)
        report.columns << table_->horizontalHeaderItem(c)->text();
    for (int r = 0; r < table_->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < ColumnCount; ++c)
            cells << table_->item(r, c)->text();
        report.rows << cells;
        const PupilJournal& p = model_.rows().at(r).shown;
        QVector<ClassReport::Line> lines;
        for (int c = 1; c < ColumnCount; ++c)
            lines.push_back({report.columns[c] + u':', cells[c]});
        // The pupil's own page has the room to say why his trend is not there yet.
        if (const QString why = table_->item(r, Trend)->toolTip(); !why.isEmpty())
            lines[Trend - 1].value = why;
        // And to say why there is no figure of what he knows.
        if (const KnownFacts& known = model_.rows().at(r).known; !known.count || known.tooFew)
            lines[Known - 1].value = known.spoken();
        lines.push_back({QStringLiteral("Protokol:"), QFileInfo(p.path).fileName()});
        report.pupils.push_back({p.name, lines, p.journal.exams});
    }
    for (int c = 0; c < missedTable_->columnCount(); ++c)
        report.missedColumns << missedTable_->horizontalHeaderItem(c)->text();
    for (int r = 0; r < missedTable_->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < missedTable_->columnCount(); ++c)
            cells << missedTable_->item(r, c)->text();
        report.missed << cells;
    }
    for (int i = 0; i < unreadList_->count(); ++i)
        report.unread << unreadList_->item(i)->text();
    // Drawn in the background: the report holds copies of all it shows.
    saveAside(
        path, [report, path](SaveProgress& progress) { writeClassPdf(report, path, &progress); },
        [this, path] {
            offerToOpen(dialogs_, path, QStringLiteral("Přehled třídy byl uložen do souboru %1."));
        });
}

// A sheet a pupil in the table's order, each from his own answers, and all the keys at the end. The
// stores are read on the saving thread: a large class shows how far it has come and can be stopped.
void ClassOverviewWindow::saveWorksheets() {
    StoredSettings settings;
    try {
        LoadSettings(settings, store_);
    } catch (const Failure& f) { // a bad value has taken its default; the rest is as set
        qCDebug(lcReports()) << "the worksheets from settings with a bad value:" << f.messageText();
    }
    std::optional<WorksheetChoice> chosen;
    WorksheetDialog dialog(
        settings, {}, dialogs_, [&](const WorksheetChoice& c) { return chosen = c, true; }, this);
    if (dialog.exec() != QDialog::Accepted || !chosen)
        return;
    const QString className = QFileInfo(model_.folder()).fileName();
    const QString path = chooseNewFile(
        dialogs_, QStringLiteral("Uložit pracovní listy jako PDF"), QStringLiteral("Dokumenty PDF (*.pdf)"),
        QDir(documentsOrHomeFolder()).filePath(QStringLiteral("Pracovní listy – %1.pdf").arg(className)),
        QStringLiteral(".pdf"));
    if (path.isEmpty())
        return;
    struct Pupil {
        QString name;
        std::optional<AnswerSource> answers;
    };
    QVector<Pupil> pupils;
    for (const ClassRow& r : model_.rows())
        pupils.push_back({r.shown.name, r.answers});
    const StoredSettings rules = withOperations(settings, chosen->operations);
    const QDateTime now = clock_.now();
    saveAside(
        path,
        [pupils, rules, choice = *chosen, now, stores = &stores_, path](SaveProgress& progress) {
            progress.setTotal(pupils.size());
            const QString date = czechDate(now.date());
            SystemRandomSource random;
            QVector<Worksheet> sheets;
            for (const Pupil& p : pupils) {
                progress.advance(0);
                Worksheet sheet{worksheetTitle(p.name, date), p.name, date, {}, false};
                Knowledge knowledge;
                int within = kKnownWithinSecondsDefault * 1000;
                if (p.answers) {
                    within = p.answers->knownWithinMs;
                    try {
                        knowledge = stores->read(p.answers->store, KnowledgeQuery{within, {}}, nullptr).facts;
                    } catch (const Failure& f) {
                        qCDebug(lcReports()) << "a worksheet without answers:" << f.messageText();
                        sheet.unread = true;
                    }
                }
                sheet.problems = drawWorksheet(rules, knowledge, within, now.toSecsSinceEpoch(), choice.count,
                                               random, &sheet.ordinary);
                sheets.push_back(std::move(sheet));
                progress.advance();
            }
            writeWorksheetPdf(sheets, choice.key, path, &progress); // cancelled while written too
        },
        [this, path] {
            offerToOpen(dialogs_, path, QStringLiteral("Pracovní listy byly uloženy do souboru %1."),
                        QStringLiteral("Pracovní listy uloženy"));
        });
}

// Saves in the background: the window is saving until the writer has ended, then the status line
// tells what came of it and a saved document goes on to `thenSaved`.
void ClassOverviewWindow::saveAside(const QString& path, std::function<void(SaveProgress&)> write,
                                    std::function<void()> thenSaved) {
    // The button that started it, where focus goes back once it is enabled again.
    const QPointer<QWidget> focused = focusWidget();
    saving_ =
        saveInBackground(dialogs_, this, lblStatus_, path, std::move(write),
                         [this, path, focused, thenSaved = std::move(thenSaved)](const WorkOutcome& outcome) {
                             saving_ = nullptr;
                             enableCommands();
                             if (focused && focused->isEnabled())
                                 focused->setFocus();
                             guarded(dialogs_, [&] {
                                 if (tellSaved(lblStatus_, path, kSaved, outcome) && thenSaved)
                                     thenSaved();
                             });
                             emit saveFinished();
                         });
    enableCommands();
}

void runClassOverview(SettingsStore& store, Dialogs& dialogs, TextFiles& files, AnswerStores& stores,
                      const QString& dataFolder, QWidget* owner) {
    FolderChooser choose = [&dialogs](const QString& start) {
        return dialogs.chooseFolder(QStringLiteral("Složka s protokoly žáků"), start);
    };
    const QString folder = choose(classFolder(store));
    if (folder.isEmpty())
        return;
    rememberFolder(store, dialogs, folder);
    // The readings a closed window left go on through these doors, which go when the event loop
    // has ended: the program waits for them then, once it is quitting.
    static const bool waitsAtTheEnd = [&dialogs] {
        finishBeforeQuitting(journalReadingPool(), dialogs);
        return true;
    }();
    Q_UNUSED(waitsAtTheEnd);
    const SystemClock clock;
    ClassOverviewWindow window(store, dialogs, files, stores, clock, choose, storedNames(store), owner,
                               dataFolder);
    window.readFolder(folder);
    window.exec();
}

} // namespace numio
