#include "reports/class_overview_window.h"

#include "core/settings.h"

#include "core/facts.h"
#include "core/int16.h"
#include "core/practice_state.h"
#include "core/pupils.h"
#include "platform/failure.h"
#include "platform/guard.h"
#include "reports/class_overview_pdf.h"
#include "reports/csv_export.h"
#include "reports/czech_format.h"
#include "reports/overview_pdf.h"
#include "reports/overview_window.h"
#include "reports/saving.h"
#include "reports/window_fit.h"

#include <QAction>
#include <QCheckBox>
#include <QCollator>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
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
#include <QSignalBlocker>
#include <QSplitter>
#include <QTableWidget>
#include <QThreadPool>
#include <QVBoxLayout>

#include <QtConcurrent/QtConcurrentMap>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <cmath>

namespace numio {

namespace {

const QString kSection = QStringLiteral("ClassOverview");
const QString kFolderKey = QStringLiteral("Folder");
const QString kSaved = QStringLiteral("Uloženo do souboru %1.");
constexpr int kClassMissed = 20;
constexpr int kRowRole = Qt::UserRole + 1; // the row's index in the window's rows

enum Column { Name, Exams, Problems, Rate, Grade, Trend, Last, Known, Missed, ColumnCount };

Q_GLOBAL_STATIC(QThreadPool, readingPool)

// Names as a Czech class list orders them: "Šimon" after "Sára", "Chrudoš" after "Hana".
const QCollator& czechCollator() {
    static const QCollator collator{QLocale(QLocale::Czech, QLocale::Czechia)};
    return collator;
}

// "Tomáš Novák" -> "Novák Tomáš": the last word first, for ordering by surname.
QString surnameFirst(const QString& name) {
    QStringList words = name.simplified().split(u' ');
    if (words.size() > 1)
        words.prepend(words.takeLast());
    return words.join(u' ');
}

QString trendText(const std::optional<double>& trend) {
    if (!trend)
        return QStringLiteral("—");
    const double change = std::round(*trend * 10.0) / 10.0;
    if (change == 0)
        return QStringLiteral("beze změny");
    return (change > 0 ? QStringLiteral("+") : QStringLiteral("−")) + czechDecimal(std::abs(change)) +
           QStringLiteral(" p. b.");
}

QStringList rowTexts(const QString& name, const PupilSummary& s, const std::optional<int>& known) {
    return {name,
            czechCount(s.exams),
            czechCount(s.problems),
            shownRate(s.successRate),
            s.grade ? QString::number(*s.grade) : QStringLiteral("—"),
            trendText(s.trend),
            shownDate(s.last),
            known ? QString::number(*known) : QString(),
            s.missed.isEmpty() ? QStringLiteral("—") : s.missed.join(QStringLiteral(", "))};
}

// A column's figure to order by; nothing where the table shows "—".
std::optional<double> figure(const PupilSummary& s, ClassOrder order) {
    switch (order) {
    case ClassOrder::Exams:
        return s.exams;
    case ClassOrder::Problems:
        return double(s.problems);
    case ClassOrder::Rate:
        return s.successRate ? std::optional<double>(*s.successRate) : std::nullopt;
    case ClassOrder::Grade:
        return s.grade ? std::optional<double>(*s.grade) : std::nullopt;
    case ClassOrder::Trend:
        return s.trend;
    case ClassOrder::Last:
        return s.last.isValid() ? std::optional<double>(double(s.last.toMSecsSinceEpoch())) : std::nullopt;
    case ClassOrder::Surname:
    case ClassOrder::FirstName:
    case ClassOrder::Known: // not the journal's: the row's
        break;
    }
    return std::nullopt;
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

const char* const kPeriods[] = {"celá historie", "tento týden", "tento měsíc", "toto pololetí", "od – do…"};

QString days(const Period& p) {
    return czechDate(p.from) + QStringLiteral(" – ") + czechDate(p.to);
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

QDateEdit* newDateEdit(QWidget* parent, const QString& name, const QString& spoken) {
    auto* edit = new QDateEdit(parent);
    edit->setObjectName(name);
    edit->setAccessibleName(spoken);
    edit->setLocale(QLocale(QLocale::Czech, QLocale::Czechia));
    edit->setDisplayFormat(QStringLiteral("d.M.yyyy"));
    edit->setCalendarPopup(true);
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

// A pupil's "known within" in milliseconds, as his settings give it; a bad value takes the default,
// as it does when his settings are loaded.
int knownWithinMs(SettingsStore& store, const QString& pupilId) {
    const QString text = store.read(pupilSettingsApp(pupilId), QStringLiteral("Procvicovani"),
                                    QStringLiteral("UmiDoSekund"), QString());
    int seconds = kKnownWithinSecondsDefault;
    try {
        if (const Integer v = wholeTextToInteger(text); v >= 1 && v <= kKnownWithinSecondsMax)
            seconds = v;
    } catch (const Failure&) {
    }
    return seconds * 1000;
}

// A folder that cannot be remembered is still read: the failure is told and the work goes on.
void rememberFolder(SettingsStore& store, Dialogs& dialogs, const QString& folder) {
    guarded(dialogs, [&] { store.write(kAppName, kSection, kFolderKey, folder); });
}

} // namespace

// What the tasks of one reading share with the window, and keep when it has gone.
struct ClassOverviewWindow::ReadingState {
    std::atomic<bool> stop{false};
};

QThreadPool& journalReadingPool() {
    return *readingPool();
}

Period periodAround(PeriodChoice choice, QDate today) {
    switch (choice) {
    case PeriodChoice::Week: {
        const QDate monday = today.addDays(1 - today.dayOfWeek());
        return {monday, monday.addDays(6)};
    }
    case PeriodChoice::Month:
        return {QDate(today.year(), today.month(), 1),
                QDate(today.year(), today.month(), today.daysInMonth())};
    case PeriodChoice::HalfYear:
        if (today.month() >= 2 && today.month() <= 8)
            return {QDate(today.year(), 2, 1), QDate(today.year(), 8, 31)};
        else {
            const int autumn = today.month() >= 9 ? today.year() : today.year() - 1;
            return {QDate(autumn, 9, 1), QDate(autumn + 1, 1, 31)};
        }
    case PeriodChoice::Whole:
    case PeriodChoice::Range:
        break;
    }
    return {};
}

QString classFolder(SettingsStore& store) {
    QString folder = store.read(kAppName, kSection, kFolderKey, QString());
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        return folder;
    // Where the journals of this computer's pupils go, once there is one.
    const QString pupils = QFileInfo(proposedPupilJournal(QStringLiteral("x"))).absolutePath();
    return QFileInfo(pupils).isDir() ? pupils : documentsOrHomeFolder();
}

ClassOverviewWindow::ClassOverviewWindow(SettingsStore& store, Dialogs& dialogs, TextFiles& files,
                                         const Clock& clock, FolderChooser folderChooser, PupilNamer namer,
                                         QWidget* owner, const QString& dataFolder, AnswerStores* stores)
    : QDialog(owner), store_(store), dialogs_(dialogs), files_(files), clock_(clock), stores_(stores),
      chooseFolder_(std::move(folderChooser)), namer_(std::move(namer)), lblFolder_(new QLabel(this)),
      cbPeriod_(new QComboBox(this)),
      deFrom_(newDateEdit(this, QStringLiteral("deOd"), QStringLiteral("Období od"))),
      deTo_(newDateEdit(this, QStringLiteral("deDo"), QStringLiteral("Období do"))),
      cbOrder_(new QComboBox(this)), chDescending_(new QCheckBox(QStringLiteral("Sest&upně"), this)),
      table_(newTable(this, QStringLiteral("twTrida"), QStringLiteral("Žáci"),
                      {QStringLiteral("Žák"), QStringLiteral("Zkoušení"), QStringLiteral("Příkladů"),
                       QStringLiteral("Úspěšnost"), QStringLiteral("Známka"), QStringLiteral("Vývoj"),
                       QStringLiteral("Poslední zkoušení"), QStringLiteral("Zná násobilku"),
                       QStringLiteral("Nejčastější chyby")})),
      missedTable_(
          newTable(this, QStringLiteral("twChybyTridy"), QStringLiteral("Nejčastější chyby třídy"),
                   {QStringLiteral("Příklad"), QStringLiteral("Počet chyb"), QStringLiteral("Žáků")})),
      lblUnread_(new QLabel(QStringLiteral("Soubory, které nelze př&ečíst:"), this)),
      unreadList_(new QListWidget(this)), progress_(new QProgressBar(this)), lblStav_(new QLabel(this)),
      pbFolder_(new QPushButton(QStringLiteral("Jiná &složka…"), this)),
      pbCancel_(new QPushButton(QStringLiteral("&Zrušit čtení"), this)),
      pbCsv_(new QPushButton(QStringLiteral("Uložit jako CS&V"), this)),
      csvTable_(new QAction(QStringLiteral("&Tabulka třídy…"), this)),
      csvExams_(new QAction(QStringLiteral("&Všechna zkoušení…"), this)),
      pbPdf_(new QPushButton(QStringLiteral("Uložit jako &PDF"), this)),
      pbClose_(new QPushButton(QStringLiteral("Zavří&t"), this)) {
    setObjectName(QStringLiteral("frmTrida"));
    setWindowTitle(QStringLiteral("Přehled třídy"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    if (!namer_)
        namer_ = fileBaseName;
    const PupilList pupilList(store_);
    for (const Pupil& p : pupilList.pupils()) {
        const QString journal = pupilList.journalOf(p.id);
        if (stores_ && !journal.isEmpty())
            answerSources_.insert(resolvedPath(journal),
                                  {answerStorePath(dataFolder, p.id), knownWithinMs(store_, p.id)});
    }
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
    layout->addWidget(pupilsLabel);
    // Every column as wide as its texts, the last one taking what is left; a narrow window scrolls.
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setStretchLastSection(true);
    // The window orders the rows itself, so that what is missing stays last either way.
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(Name, Qt::AscendingOrder);
    table_->setWordWrap(false);
    table_->horizontalHeaderItem(Trend)->setToolTip(
        QStringLiteral("Změna úspěšnosti posledních 10 zkoušení proti 10 předchozím v procentních bodech; "
                       "zkoušení s méně než 6 příklady se nepočítají."));
    table_->horizontalHeaderItem(Known)->setToolTip(
        QStringLiteral("Kolik ze 100 příkladů malé násobilky (1 · 1 až 10 · 10) žák umí podle svých odpovědí "
                       "na tomto počítači, bez ohledu na období; jen u žáků ze seznamu tohoto počítače."));
    table_->installEventFilter(this);
    layout->addWidget(table_, 3);

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
    lblStav_->setObjectName(QStringLiteral("lblStav"));
    lblStav_->setAccessibleName(QStringLiteral("Stav"));
    lblStav_->setWordWrap(true);
    lblStav_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
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
    pbClose_->setObjectName(QStringLiteral("pbClose"));
    // Enter in the table opens a pupil; it must not fall through to a default button.
    for (QPushButton* b : {pbFolder_, pbCancel_, pbCsv_, pbPdf_, pbClose_})
        b->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(progress_);
    buttons->addWidget(pbCancel_);
    buttons->addWidget(lblStav_, 1);
    buttons->addWidget(pbCsv_);
    buttons->addWidget(pbPdf_);
    buttons->addWidget(pbClose_);
    layOutScrolling(*this, layout, buttons);

    QWidget* order[] = {pbFolder_,    cbPeriod_,   deFrom_,   deTo_,  cbOrder_, chDescending_, table_,
                        missedTable_, unreadList_, pbCancel_, pbCsv_, pbPdf_,   pbClose_};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    fitToScreen(*this, owner, {1100, 720}, {760, 480});

    connect(table_, &QTableWidget::cellDoubleClicked, this,
            guard(dialogs_, [this](int row, int) { openPupil(row); }));
    connect(header, &QHeaderView::sortIndicatorChanged, this,
            guard(dialogs_, [this](int column, Qt::SortOrder order) { headerClicked(column, order); }));
    connect(cbOrder_, &QComboBox::currentIndexChanged, this,
            guard(dialogs_, [this](int i) { setOrder(kOrders[std::max(i, 0)].order, descending_); }));
    connect(chDescending_, &QCheckBox::toggled, this,
            guard(dialogs_, [this](bool on) { setOrder(order_, on); }));
    connect(cbPeriod_, &QComboBox::currentIndexChanged, this, guard(dialogs_, [this] { refilter(); }));
    for (QDateEdit* edit : {deFrom_, deTo_})
        connect(edit, &QDateEdit::dateChanged, this, guard(dialogs_, [this] { refilter(); }));
    connect(pbFolder_, &QPushButton::clicked, this, guard(dialogs_, [this] { chooseFolder(); }));
    connect(pbCancel_, &QPushButton::clicked, this, guard(dialogs_, [this] {
                if (state_)
                    state_->stop.store(true);
                for (QFutureWatcherBase* w :
                     {static_cast<QFutureWatcherBase*>(listing_), static_cast<QFutureWatcherBase*>(watcher_)})
                    if (w)
                        w->cancel();
            }));
    connect(csvTable_, &QAction::triggered, this, guard(dialogs_, [this] { saveCsv(CsvKind::Table); }));
    connect(csvExams_, &QAction::triggered, this, guard(dialogs_, [this] { saveCsv(CsvKind::Exams); }));
    connect(pbPdf_, &QPushButton::clicked, this, guard(dialogs_, [this] { savePdf(); }));
    connect(pbClose_, &QPushButton::clicked, this, guard(dialogs_, [this] { reject(); }));
    refilter();
}

// The period and the order, above the table.
QLayout* ClassOverviewWindow::buildChoices() {
    auto* row = new QHBoxLayout;
    auto* periodLabel = new QLabel(QStringLiteral("&Období:"), this);
    periodLabel->setBuddy(cbPeriod_);
    cbPeriod_->setObjectName(QStringLiteral("cbObdobi"));
    cbPeriod_->setAccessibleName(QStringLiteral("Období"));
    for (const char* text : kPeriods)
        cbPeriod_->addItem(QString::fromUtf8(text));
    // A range starts as this half-year up to today.
    const QDate today = clock_.now().date();
    deFrom_->setDate(periodAround(PeriodChoice::HalfYear, today).from);
    deTo_->setDate(today);
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
    return row;
}

ClassOverviewWindow::~ClassOverviewWindow() {
    stopReading();
    delete saving_;
}

void ClassOverviewWindow::done(int result) {
    // The tasks stop by themselves; what they still find is dropped. So does a save: nothing of the
    // document is written.
    stopReading();
    busy_ = false;
    delete saving_;
    QDialog::done(result);
}

void ClassOverviewWindow::stopReading() {
    if (state_)
        state_->stop.store(true);
    for (QFutureWatcherBase* w :
         {static_cast<QFutureWatcherBase*>(listing_), static_cast<QFutureWatcherBase*>(watcher_)}) {
        if (!w)
            continue;
        w->disconnect(this);
        w->cancel();
        w->deleteLater();
    }
    listing_ = nullptr;
    watcher_ = nullptr;
}

void ClassOverviewWindow::readFolder(const QString& folder) {
    stopReading();
    state_ = std::make_shared<ReadingState>();
    busy_ = true;
    folder_ = folder;
    entries_.clear();
    listingProblem_.clear();
    pupils_.clear();
    known_.clear();
    lblFolder_->setText(QStringLiteral("Složka: %1").arg(QDir::toNativeSeparators(folder)));
    lblFolder_->setAccessibleName(lblFolder_->text());
    showStatus(lblStav_, QStringLiteral("Čtu protokoly…"));
    progress_->setRange(0, 0);
    // A folder on a sleeping network drive can take long to list: that too is done aside.
    listing_ = new QFutureWatcher<Listing>(this);
    connect(listing_, &QFutureWatcherBase::finished, this, guard(dialogs_, [this] {
                if (state_->stop.load() || listing_->future().resultCount() == 0)
                    finishReading();
                else
                    startReading(listing_->result());
            }));
    TextFiles* files = &files_;
    listing_->setFuture(QtConcurrent::run(&journalReadingPool(), [files, folder, state = state_] {
        Listing listing;
        if (state->stop.load())
            return listing;
        try {
            listing.entries = journalFiles(folder, *files);
        } catch (const Failure& f) {
            listing.problem = folderProblem(f);
        }
        return listing;
    }));
    refilter();
}

void ClassOverviewWindow::startReading(const Listing& listing) {
    entries_ = listing.entries;
    listingProblem_ = listing.problem;
    progress_->setRange(0, int(entries_.size()));
    progress_->setValue(0);
    watcher_ = new QFutureWatcher<ReadPupil>(this);
    connect(watcher_, &QFutureWatcherBase::progressRangeChanged, this,
            guard(dialogs_, [this](int from, int to) { progress_->setRange(from, to); }));
    connect(watcher_, &QFutureWatcherBase::progressValueChanged, this,
            guard(dialogs_, [this](int value) { progress_->setValue(value); }));
    connect(watcher_, &QFutureWatcherBase::finished, this, guard(dialogs_, [this] { finishReading(); }));
    TextFiles* files = &files_;
    watcher_->setFuture(QtConcurrent::mapped(
        &journalReadingPool(), entries_,
        [files, stores = stores_, state = state_, sources = answerSources_](const FileEntry& entry) {
            ReadPupil read{readPupilJournal(entry, *files, &state->stop), {}};
            const auto source = sources.constFind(resolvedPath(entry.path));
            if (source == sources.constEnd() || state->stop.load() || !QFileInfo::exists(source->store))
                return read;
            try {
                read.known.count = knownTimesTables(stores->read(source->store, {}, &state->stop).facts,
                                                    source->knownWithinMs);
            } catch (const Failure& f) {
                read.known.problem = f.detail().isEmpty() ? f.messageText() : f.detail();
            }
            return read;
        }));
}

void ClassOverviewWindow::finishReading() {
    const bool cancelled = state_->stop.load();
    pupils_.clear();
    known_.clear();
    if (watcher_) {
        const QFuture<ReadPupil> future = watcher_->future();
        for (int i = 0; i < entries_.size(); ++i) {
            if (!future.isResultReadyAt(i))
                continue;
            ReadPupil read = future.resultAt(i);
            PupilJournal& p = read.pupil;
            // A file the cancel stopped halfway is not read, rather than unreadable.
            if (p.problem == kReadingStopped)
                continue;
            // Names come from the settings store, which is read on this thread only; the journal's own
            // name comes first.
            if (p.journal.pupil.isEmpty())
                p.name = namer_(p.path);
            pupils_.push_back(std::move(p));
            known_.push_back(std::move(read.known));
        }
    }
    stopReading();
    busy_ = false;
    refilter();
    const auto unreadable =
        std::count_if(pupils_.begin(), pupils_.end(), [](const PupilJournal& p) { return !p.readable(); });
    if (cancelled)
        showStatus(
            lblStav_,
            QStringLiteral("Čtení bylo zrušeno; přečteno %1 z %2.").arg(pupils_.size()).arg(entries_.size()));
    else if (!listingProblem_.isEmpty())
        showStatus(lblStav_, listingProblem_);
    else if (entries_.isEmpty())
        showStatus(lblStav_, QStringLiteral("Ve složce nejsou žádné protokoly (*.txt)."));
    else
        showStatus(lblStav_, QStringLiteral("Žáků: %1, souborů, které nelze přečíst: %2.")
                                 .arg(table_->rowCount())
                                 .arg(unreadable));
    table_->setFocus();
    emit loaded();
}

Period ClassOverviewWindow::period() const {
    const auto choice = PeriodChoice(cbPeriod_->currentIndex());
    if (choice != PeriodChoice::Range)
        return periodAround(choice, clock_.now().date());
    const QDate from = deFrom_->date(), to = deTo_->date();
    return {std::min(from, to), std::max(from, to)};
}

QString ClassOverviewWindow::periodText() const {
    const Period p = period();
    switch (PeriodChoice(cbPeriod_->currentIndex())) {
    case PeriodChoice::Whole: {
        QVector<const Journal*> journals;
        for (const Row& r : rows_)
            journals.push_back(&r.shown.journal);
        const QString dated = journalsPeriod(journals);
        return dated == u"—" ? cbPeriod_->currentText()
                             : QStringLiteral("%1 (%2)").arg(cbPeriod_->currentText(), dated);
    }
    case PeriodChoice::Range:
        return days(p);
    default:
        return QStringLiteral("%1 (%2)").arg(cbPeriod_->currentText(), days(p));
    }
}

// The rows again from the journals already read: a period is chosen without reading the files again.
void ClassOverviewWindow::refilter() {
    const Period p = period();
    rows_.clear();
    for (qsizetype i = 0; i < pupils_.size(); ++i) {
        if (!pupils_[i].readable())
            continue;
        Row r{int(i), pupils_[i], {}, known_.value(i)};
        r.shown.journal = within(pupils_[i].journal, p);
        r.summary = summarise(r.shown.journal);
        rows_.push_back(std::move(r));
    }
    sortRows();
    fill();
}

void ClassOverviewWindow::sortRows() {
    const QCollator& collator = czechCollator();
    const auto byName = [&](const Row& a, const Row& b, bool surname) {
        return surname ? collator.compare(surnameFirst(a.shown.name), surnameFirst(b.shown.name))
                       : collator.compare(a.shown.name, b.shown.name);
    };
    std::stable_sort(rows_.begin(), rows_.end(), [&](const Row& a, const Row& b) {
        int c = 0;
        if (order_ == ClassOrder::Surname || order_ == ClassOrder::FirstName) {
            c = byName(a, b, order_ == ClassOrder::Surname);
        } else {
            const auto figureOf = [this](const Row& r) {
                return order_ == ClassOrder::Known ? std::optional<double>(r.known.count)
                                                   : figure(r.summary, order_);
            };
            const std::optional<double> x = figureOf(a), y = figureOf(b);
            // What is missing stays last in either direction.
            if (x.has_value() != y.has_value())
                return x.has_value();
            c = x < y ? -1 : (y < x ? 1 : 0);
        }
        if (descending_)
            c = -c;
        if (c == 0)
            c = byName(a, b, true);
        return c != 0 ? c < 0 : a.shown.path < b.shown.path;
    });
}

void ClassOverviewWindow::setOrder(ClassOrder order, bool descending) {
    order_ = order;
    descending_ = descending;
    {
        const QSignalBlocker blockOrder(cbOrder_), blockDirection(chDescending_),
            blockHeader(table_->horizontalHeader());
        cbOrder_->setCurrentIndex(int(&choiceOf(order) - std::begin(kOrders)));
        chDescending_->setChecked(descending);
        table_->horizontalHeader()->setSortIndicator(choiceOf(order).column,
                                                     descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    }
    sortRows();
    fillTable();
}

// A click on a header orders by its column; again, the other way. The name keeps its way of
// ordering; the most-missed problems do not order.
void ClassOverviewWindow::headerClicked(int column, Qt::SortOrder order) {
    ClassOrder chosen = order_;
    if (column != choiceOf(order_).column) {
        const auto found = std::find_if(std::begin(kOrders), std::end(kOrders),
                                        [column](const OrderChoice& c) { return c.column == column; });
        if (found != std::end(kOrders))
            chosen = found->order;
    }
    setOrder(chosen, column == Missed ? descending_ : order == Qt::DescendingOrder);
}

void ClassOverviewWindow::fill() {
    progress_->setVisible(reading());
    pbCancel_->setVisible(reading());
    enableCommands();
    fillTable();

    QStringList unread;
    for (const PupilJournal& p : pupils_) {
        if (!p.readable())
            unread << QStringLiteral("%1: %2").arg(QFileInfo(p.path).fileName(), p.problem);
        else if (p.changing)
            unread << QStringLiteral("%1: Soubor se během čtení stále měnil; údaje nemusí být úplné.")
                          .arg(QFileInfo(p.path).fileName());
    }
    QVector<PupilJournal> shown;
    for (const Row& r : rows_)
        shown.push_back(r.shown);
    const QVector<ClassMissed> missed = classMissed(shown, kClassMissed);
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
    const bool documents = !busy && !rows_.isEmpty();
    pbCsv_->setEnabled(documents);
    csvTable_->setEnabled(documents);
    csvExams_->setEnabled(documents);
    pbPdf_->setEnabled(documents);
}

// The rows in their order; the pupil in hand stays in hand.
void ClassOverviewWindow::fillTable() {
    const QTableWidgetItem* current = table_->item(std::max(table_->currentRow(), 0), Name);
    const QString currentPath = current ? rows_.value(current->data(kRowRole).toInt()).shown.path : QString();
    table_->setRowCount(0);
    table_->setRowCount(int(rows_.size()));
    int currentRow = 0;
    for (int r = 0; r < rows_.size(); ++r) {
        const QStringList texts = rowTexts(rows_[r].shown.name, rows_[r].summary, rows_[r].known.count);
        for (int c = 0; c < ColumnCount; ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            if (c != Name && c != Missed)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(r, c, item);
        }
        table_->item(r, Name)->setData(kRowRole, r);
        table_->item(r, Known)->setToolTip(rows_[r].known.problem);
        if (rows_[r].shown.path == currentPath)
            currentRow = r;
    }
    if (!rows_.isEmpty())
        table_->setCurrentCell(currentRow, 0);
    // What a screen reader says of the table besides its name.
    table_->setAccessibleDescription(
        QStringLiteral("Období: %1. Seřazeno podle: %2, %3.")
            .arg(periodText(), cbOrder_->currentText(),
                 descending_ ? QStringLiteral("sestupně") : QStringLiteral("vzestupně")));
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
    const Row& r = rows_.at(item->data(kRowRole).toInt());
    const QString path = r.shown.path;
    const int pupil = r.pupil;
    // No practice from here: practice belongs to the pupil at their own computer. The figures are
    // those of the row: the same period, under the same name.
    OverviewWindow overview(r.shown.journal, path, store_, dialogs_, std::nullopt, this, r.shown.name);
    overview.exec();
    // The overview may have given a journal without a name of its own one.
    if (!pupils_[pupil].journal.pupil.isEmpty())
        return;
    const QString name = namer_(path);
    if (name != pupils_[pupil].name) {
        pupils_[pupil].name = name;
        refilter();
    }
}

void ClassOverviewWindow::chooseFolder() {
    if (!chooseFolder_)
        return;
    const QString folder = chooseFolder_(folder_.isEmpty() ? classFolder(store_) : folder_);
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
    for (const Row& r : rows_) {
        summaries.push_back({r.shown.name, r.summary, r.known.count});
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
    const QString folderName = QFileInfo(folder_).fileName();
    const QString period = periodText();
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
        const PupilJournal& p = rows_.at(r).shown;
        QVector<ClassReport::Line> lines;
        for (int c = 1; c < ColumnCount; ++c)
            lines.push_back({report.columns[c] + u':', cells[c]});
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

// Saves in the background: the window is saving until the writer has ended, then the status line
// tells what came of it and a saved document goes on to `thenSaved`.
void ClassOverviewWindow::saveAside(const QString& path, std::function<void(SaveProgress&)> write,
                                    std::function<void()> thenSaved) {
    // The button that started it, where focus goes back once it is enabled again.
    const QPointer<QWidget> focused = focusWidget();
    saving_ =
        saveInBackground(dialogs_, this, lblStav_, path, std::move(write),
                         [this, path, focused, thenSaved = std::move(thenSaved)](const WorkOutcome& outcome) {
                             saving_ = nullptr;
                             enableCommands();
                             if (focused && focused->isEnabled())
                                 focused->setFocus();
                             guarded(dialogs_, [&] {
                                 if (tellSaved(lblStav_, path, kSaved, outcome) && thenSaved)
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
    ClassOverviewWindow window(store, dialogs, files, clock, choose, storedNames(store), owner, dataFolder,
                               &stores);
    window.readFolder(folder);
    window.exec();
}

} // namespace numio
