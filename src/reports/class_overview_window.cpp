#include "reports/class_overview_window.h"

#include "core/settings.h"

#include "core/pupils.h"
#include "platform/failure.h"
#include "platform/guard.h"
#include "reports/class_overview_pdf.h"
#include "reports/csv_export.h"
#include "reports/czech_format.h"
#include "reports/overview_chart.h"
#include "reports/overview_pdf.h"
#include "reports/overview_window.h"
#include "reports/saving.h"

#include <QChartView>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include <QtConcurrent/QtConcurrentMap>
#include <algorithm>
#include <cmath>

namespace numio {

namespace {

const QString kSection = QStringLiteral("ClassOverview");
const QString kFolderKey = QStringLiteral("Folder");
const QString kSaved = QStringLiteral("Uloženo do souboru %1.");
constexpr int kClassMissed = 20;

enum Column { Name, Exams, Problems, Rate, Grade, Trend, Last, Missed, ColumnCount };

// Sorts by the value under Qt::UserRole: numbers and dates as such, names as Czech sorts them.
// What is missing ("—") sorts below everything.
class SortItem : public QTableWidgetItem {
  public:
    SortItem(const QString& text, const QVariant& key) : QTableWidgetItem(text) {
        setData(Qt::UserRole, key);
    }
    bool operator<(const QTableWidgetItem& other) const override {
        const QVariant a = data(Qt::UserRole), b = other.data(Qt::UserRole);
        if (!a.isValid() || !b.isValid())
            return !a.isValid() && b.isValid();
        if (a.typeId() == QMetaType::QString)
            return QString::localeAwareCompare(a.toString(), b.toString()) < 0;
        return a.toDouble() < b.toDouble();
    }
};

QString trendText(const std::optional<double>& trend) {
    if (!trend)
        return QStringLiteral("—");
    const double change = std::round(*trend * 10.0) / 10.0;
    if (change == 0)
        return QStringLiteral("beze změny");
    return (change > 0 ? QStringLiteral("+") : QStringLiteral("−")) + czechDecimal(std::abs(change)) +
           QStringLiteral(" p. b.");
}

QStringList rowTexts(const PupilJournal& p, const PupilSummary& s) {
    return {p.name,
            czechCount(s.exams),
            czechCount(s.problems),
            shownRate(s.successRate),
            s.grade ? QString::number(*s.grade) : QStringLiteral("—"),
            trendText(s.trend),
            shownDate(s.last),
            s.missed.isEmpty() ? QStringLiteral("—") : s.missed.join(QStringLiteral(", "))};
}

QVariant optionalKey(bool has, double value) {
    return has ? QVariant(value) : QVariant();
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

// The pupil's name when the journal is a pupil's of this computer, else the name given to it in the
// results overview, else the file's name.
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
    guarded(dialogs, [&] { store.write(kAppName, kSection, kFolderKey, folder); });
}

} // namespace

QString classFolder(SettingsStore& store) {
    QString folder = store.read(kAppName, kSection, kFolderKey, QString());
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        return folder;
    // Where the journals of this computer's pupils go, once there is one.
    const QString pupils = QFileInfo(proposedPupilJournal(QStringLiteral("x"))).absolutePath();
    return QFileInfo(pupils).isDir() ? pupils : documentsOrHomeFolder();
}

ClassOverviewWindow::ClassOverviewWindow(SettingsStore& store, Dialogs& dialogs, TextFiles& files,
                                         FolderChooser folderChooser, PupilNamer namer, QWidget* owner)
    : QDialog(owner), store_(store), dialogs_(dialogs), files_(files),
      chooseFolder_(std::move(folderChooser)), namer_(std::move(namer)), lblFolder_(new QLabel(this)),
      table_(newTable(this, QStringLiteral("twTrida"), QStringLiteral("Žáci"),
                      {QStringLiteral("Žák"), QStringLiteral("Zkoušení"), QStringLiteral("Příkladů"),
                       QStringLiteral("Úspěšnost"), QStringLiteral("Známka"), QStringLiteral("Vývoj"),
                       QStringLiteral("Poslední zkoušení"), QStringLiteral("Nejčastější chyby")})),
      missedTable_(
          newTable(this, QStringLiteral("twChybyTridy"), QStringLiteral("Nejčastější chyby třídy"),
                   {QStringLiteral("Příklad"), QStringLiteral("Počet chyb"), QStringLiteral("Žáků")})),
      lblUnread_(new QLabel(QStringLiteral("Soubory, které nelze př&ečíst:"), this)),
      unreadList_(new QListWidget(this)), progress_(new QProgressBar(this)), lblStav_(new QLabel(this)),
      pbFolder_(new QPushButton(QStringLiteral("Jiná &složka…"), this)),
      pbCancel_(new QPushButton(QStringLiteral("&Zrušit čtení"), this)),
      pbCsv_(new QPushButton(QStringLiteral("Uložit jako CS&V"), this)),
      pbPdf_(new QPushButton(QStringLiteral("Uložit jako &PDF"), this)),
      pbClose_(new QPushButton(QStringLiteral("Zavří&t"), this)) {
    setObjectName(QStringLiteral("frmTrida"));
    setWindowTitle(QStringLiteral("Přehled třídy"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    if (!namer_)
        namer_ = fileBaseName;
    auto* layout = new QVBoxLayout(this);

    lblFolder_->setObjectName(QStringLiteral("lblSlozka"));
    lblFolder_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* top = new QHBoxLayout;
    top->addWidget(lblFolder_, 1);
    top->addWidget(pbFolder_);
    layout->addLayout(top);

    auto* pupilsLabel = new QLabel(QStringLiteral("Ž&áci (Enter nebo dvojklik otevře přehled žáka):"), this);
    pupilsLabel->setBuddy(table_);
    layout->addWidget(pupilsLabel);
    // Every column as wide as its texts, the last one taking what is left; a narrow window scrolls.
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setWordWrap(false);
    table_->horizontalHeaderItem(Trend)->setToolTip(
        QStringLiteral("Změna úspěšnosti posledních 10 zkoušení proti 10 předchozím v procentních bodech; "
                       "zkoušení s méně než 6 příklady se nepočítají."));
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
    layout->addLayout(buttons);

    setTabOrder(pbFolder_, table_);
    setTabOrder(table_, missedTable_);
    setTabOrder(missedTable_, unreadList_);
    setTabOrder(unreadList_, pbCancel_);
    setTabOrder(pbCancel_, pbCsv_);
    setTabOrder(pbCsv_, pbPdf_);
    setTabOrder(pbPdf_, pbClose_);

    setMinimumSize(760, 480);
    QSize size(1100, 720);
    if (const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() * 0.95);
    resize(size.expandedTo(minimumSize()));

    connect(&watcher_, &QFutureWatcherBase::progressRangeChanged, this,
            guard(dialogs_, [this](int from, int to) { progress_->setRange(from, to); }));
    connect(&watcher_, &QFutureWatcherBase::progressValueChanged, this,
            guard(dialogs_, [this](int value) { progress_->setValue(value); }));
    connect(&watcher_, &QFutureWatcherBase::finished, this, guard(dialogs_, [this] { finishReading(); }));
    connect(table_, &QTableWidget::cellDoubleClicked, this,
            guard(dialogs_, [this](int row, int) { openPupil(row); }));
    connect(pbFolder_, &QPushButton::clicked, this, guard(dialogs_, [this] { chooseFolder(); }));
    connect(pbCancel_, &QPushButton::clicked, this, guard(dialogs_, [this] { watcher_.cancel(); }));
    connect(pbCsv_, &QPushButton::clicked, this, guard(dialogs_, [this] { saveCsv(); }));
    connect(pbPdf_, &QPushButton::clicked, this, guard(dialogs_, [this] { savePdf(); }));
    connect(pbClose_, &QPushButton::clicked, this, guard(dialogs_, [this] { reject(); }));
    fill();
}

ClassOverviewWindow::~ClassOverviewWindow() {
    watcher_.cancel();
    watcher_.waitForFinished();
}

bool ClassOverviewWindow::reading() const {
    return watcher_.isRunning();
}

void ClassOverviewWindow::done(int result) {
    // Closing while reading stops the reading; the threads finish the file in hand.
    watcher_.cancel();
    watcher_.waitForFinished();
    QDialog::done(result);
}

void ClassOverviewWindow::readFolder(const QString& folder) {
    watcher_.cancel();
    watcher_.waitForFinished();
    folder_ = folder;
    entries_.clear();
    listingProblem_.clear();
    try {
        entries_ = journalFiles(folder, files_);
    } catch (const Failure& f) {
        listingProblem_ = folderProblem(f);
    }
    pupils_.clear();
    lblFolder_->setText(QStringLiteral("Složka: %1").arg(QDir::toNativeSeparators(folder)));
    lblFolder_->setAccessibleName(lblFolder_->text());
    showStatus(lblStav_, QStringLiteral("Čtu protokoly…"));
    progress_->setRange(0, int(entries_.size()));
    progress_->setValue(0);
    TextFiles* files = &files_;
    watcher_.setFuture(QtConcurrent::mapped(
        &pool_, entries_, [files](const FileEntry& entry) { return readPupilJournal(entry, *files); }));
    fill();
}

void ClassOverviewWindow::finishReading() {
    const QFuture<PupilJournal> future = watcher_.future();
    const bool cancelled = future.isCanceled();
    pupils_.clear();
    for (int i = 0; i < entries_.size(); ++i) {
        if (!future.isResultReadyAt(i))
            continue;
        PupilJournal p = future.resultAt(i);
        // Names come from the settings store, which is read on this thread only.
        p.name = namer_(p.path);
        pupils_.push_back(std::move(p));
    }
    fill();
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

void ClassOverviewWindow::fill() {
    const bool busy = reading();
    progress_->setVisible(busy);
    pbCancel_->setVisible(busy);
    pbFolder_->setEnabled(!busy && chooseFolder_);

    table_->setSortingEnabled(false);
    table_->setRowCount(0);
    int rows = 0;
    QStringList unread;
    for (qsizetype i = 0; i < pupils_.size(); ++i) {
        const PupilJournal& p = pupils_[i];
        if (!p.readable()) {
            unread << QStringLiteral("%1: %2").arg(QFileInfo(p.path).fileName(), p.problem);
            continue;
        }
        if (p.changing)
            unread << QStringLiteral("%1: Soubor se během čtení stále měnil; údaje nemusí být úplné.")
                          .arg(QFileInfo(p.path).fileName());
        const PupilSummary s = summarise(p.journal);
        const QStringList texts = rowTexts(p, s);
        const QVariant keys[ColumnCount] = {p.name,
                                            double(s.exams),
                                            double(s.problems),
                                            optionalKey(bool(s.successRate), s.successRate.value_or(0)),
                                            optionalKey(bool(s.grade), s.grade.value_or(0)),
                                            optionalKey(bool(s.trend), s.trend.value_or(0)),
                                            optionalKey(s.last.isValid(), double(s.last.toMSecsSinceEpoch())),
                                            s.missed.value(0)};
        table_->insertRow(rows);
        for (int c = 0; c < ColumnCount; ++c) {
            auto* item = new SortItem(texts[c], keys[c]);
            if (c != Name && c != Missed)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(rows, c, item);
        }
        table_->item(rows, Name)->setData(Qt::UserRole + 1, int(i));
        ++rows;
    }
    table_->setSortingEnabled(true);
    if (rows > 0)
        table_->setCurrentCell(0, 0);

    const QVector<ClassMissed> missed = classMissed(pupils_, kClassMissed);
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
    pbCsv_->setEnabled(!busy && rows > 0);
    pbPdf_->setEnabled(!busy && rows > 0);
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
    if (!item)
        return;
    const PupilJournal& p = pupils_.at(item->data(Qt::UserRole + 1).toInt());
    // No practice from here: practice belongs to the pupil at their own computer.
    OverviewWindow overview(p.journal, p.path, store_, dialogs_, std::nullopt, this);
    overview.exec();
    // The overview may have given the pupil a name.
    const QString name = namer_(p.path);
    if (name != p.name) {
        pupils_[item->data(Qt::UserRole + 1).toInt()].name = name;
        fill();
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
                name, QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")), suffix));
    return chooseNewFile(dialogs_, title, filter, proposed, suffix);
}

void ClassOverviewWindow::saveCsv() {
    const QString path =
        askForFile(QStringLiteral("Uložit přehled třídy jako CSV"), QStringLiteral("Tabulky CSV (*.csv)"),
                   QStringLiteral("trida"), QStringLiteral(".csv"));
    if (path.isEmpty())
        return;
    // The rows in the order the table shows them.
    QVector<CsvPupil> rows;
    for (int r = 0; r < table_->rowCount(); ++r) {
        const PupilJournal& p = pupils_.at(table_->item(r, Name)->data(Qt::UserRole + 1).toInt());
        rows.push_back({p.name, &p.journal});
    }
    // In slices, so that a large class shows how far it has come and can be stopped between them.
    saveInBackground(dialogs_, this, lblStav_, path, kSaved, [&](SaveProgress& progress) {
        constexpr qsizetype kSlice = 100;
        progress.setTotal(rows.size());
        QByteArray csv = examinationsCsv({});
        const qsizetype heads = csv.size();
        for (qsizetype from = 0; from < rows.size(); from += kSlice) {
            csv += examinationsCsv(rows.mid(from, kSlice)).sliced(heads);
            progress.advance(std::min(kSlice, rows.size() - from));
        }
        writeWholeFile(path, csv);
    });
}

void ClassOverviewWindow::savePdf() {
    const QString path =
        askForFile(QStringLiteral("Uložit přehled třídy jako PDF"), QStringLiteral("Dokumenty PDF (*.pdf)"),
                   QStringLiteral("prehled-tridy"), QStringLiteral(".pdf"));
    if (path.isEmpty())
        return;
    ClassReport report;
    const QString folderName = QFileInfo(folder_).fileName();
    const QString period = classPeriod(pupils_);
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
        const PupilJournal& p = pupils_.at(table_->item(r, Name)->data(Qt::UserRole + 1).toInt());
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
    if (saveInBackground(dialogs_, this, lblStav_, path, kSaved,
                         [&](SaveProgress& progress) { writeClassPdf(report, path, &progress); }))
        offerToOpen(dialogs_, path, QStringLiteral("Přehled třídy byl uložen do souboru %1."));
}

void runClassOverview(SettingsStore& store, Dialogs& dialogs, TextFiles& files, QWidget* owner) {
    FolderChooser choose = [&dialogs](const QString& start) {
        return dialogs.chooseFolder(QStringLiteral("Složka s protokoly žáků"), start);
    };
    const QString folder = choose(classFolder(store));
    if (folder.isEmpty())
        return;
    rememberFolder(store, dialogs, folder);
    ClassOverviewWindow window(store, dialogs, files, choose, storedNames(store), owner);
    window.readFolder(folder);
    window.exec();
}

} // namespace numio
