#include "reports/class_map_window.h"

#include "core/generator.h"
#include "platform/guard.h"
#include "platform/text_files.h"
#include "reports/czech_format.h"
#include "reports/knowledge_map_view.h"
#include "reports/saving.h"
#include "reports/window_fit.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <QtConcurrent/QtConcurrentMap>
#include <cmath>

namespace numio {

namespace {

// "Násobení", "Sčítání do 20"
QString pageTitle(const MapPage& page) {
    QString name = operationName(page.op);
    if (!name.isEmpty())
        name[0] = name[0].toUpper();
    return page.grid() ? name : name + QStringLiteral(" do %1").arg(page.largest);
}

QPushButton* newButton(const QString& text, const QString& name, const QString& accessible, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAccessibleName(accessible);
    b->setAutoDefault(false);
    return b;
}

QListWidget* newList(const QString& name, const QString& accessible, QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setAccessibleName(accessible);
    // A line names a whole class: wrapped rather than scrolled sideways.
    list->setWordWrap(true);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return list;
}

} // namespace

void ClassMapModel::show(const MapPage& page, const ClassMapCounts& counts) {
    beginResetModel();
    page_ = page;
    counts_ = counts;
    endResetModel();
}

int ClassMapModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(page_.rows.size());
}

int ClassMapModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kMapColumns;
}

QVariant ClassMapModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= page_.rows.size())
        return {};
    const MapRow& row = page_.rows[index.row()];
    if (!row.title.isEmpty()) {
        if (index.column() != 0 && role != Qt::AccessibleTextRole)
            return {};
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
            return row.title;
        return role == KnowledgeMapModel::TitleRole ? QVariant(true) : QVariant();
    }
    const Fact* fact = page_.factAt(index.row(), index.column());
    if (!fact)
        return role == Qt::AccessibleTextRole ? QVariant(QStringLiteral("prázdné políčko")) : QVariant();
    const ClassFact counts = counts_.facts.value(*fact);
    switch (role) {
    case Qt::DisplayRole: {
        const QString text = classCellText(counts, counts_.pupils);
        // Sums have no row and column to name them.
        return page_.grid() ? text : shownFact(*fact) + QStringLiteral("  ") + text;
    }
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole:
        return classFactDescription(*fact, counts, counts_.pupils);
    case KnowledgeMapModel::StateRole:
        return int(classCellLook(counts, counts_.pupils));
    default:
        return {};
    }
}

QVariant ClassMapModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || !page_.grid())
        return {};
    if (orientation == Qt::Horizontal)
        return section + 1;
    return section < page_.rows.size() ? QVariant(page_.rows[section].table) : QVariant();
}

Qt::ItemFlags ClassMapModel::flags(const QModelIndex& index) const {
    if (!index.isValid() || index.row() >= page_.rows.size())
        return Qt::NoItemFlags;
    if (page_.factAt(index.row(), index.column()))
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return page_.rows[index.row()].title.isEmpty() || index.column() != 0 ? Qt::NoItemFlags
                                                                          : Qt::ItemIsEnabled;
}

ClassMapWindow::ClassMapWindow(ClassMapInput input, Dialogs& dialogs, QWidget* owner)
    : QDialog(owner), input_(std::move(input)), dialogs_(dialogs),
      stop_(std::make_shared<std::atomic<bool>>(false)), watcher_(new QFutureWatcher<Read>(this)),
      model_(new ClassMapModel(this)), cbOperation_(new QComboBox(this)), map_(new QTableView(this)),
      lblWeek_(new QLabel(this)),
      weakest_(newList(QStringLiteral("lwNejslabsi"), QStringLiteral("Nejslabší příklady třídy"), this)),
      lblUnread_(new QLabel(QStringLiteral("Odpovědi, které nelze př&ečíst:"), this)),
      unreadList_(
          newList(QStringLiteral("lwNeprectene"), QStringLiteral("Odpovědi, které nelze přečíst"), this)),
      progress_(new QProgressBar(this)), lblStatus_(new QLabel(this)),
      pbCancel_(newButton(QStringLiteral("&Zrušit čtení"), QStringLiteral("pbZrusit"),
                          QStringLiteral("Zrušit čtení"), this)),
      pbPdf_(newButton(QStringLiteral("&Uložit PDF…"), QStringLiteral("pbPdf"), QStringLiteral("Uložit PDF"),
                       this)),
      pbClose_(
          newButton(QStringLiteral("Zavří&t"), QStringLiteral("pbClose"), QStringLiteral("Zavřít"), this)) {
    setObjectName(QStringLiteral("frmMapaTridy"));
    setWindowTitle(classMapTitle(input_.className));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout;

    auto* top = new QHBoxLayout;
    auto* operationLabel = new QLabel(QStringLiteral("&Početní operace:"), this);
    operationLabel->setBuddy(cbOperation_);
    cbOperation_->setObjectName(QStringLiteral("cbOperace"));
    cbOperation_->setAccessibleName(QStringLiteral("Početní operace"));
    for (const MapPage& page : pages())
        cbOperation_->addItem(pageTitle(page), page.op);
    top->addWidget(operationLabel);
    top->addWidget(cbOperation_);
    top->addStretch(1);
    layout->addLayout(top);

    map_->setObjectName(QStringLiteral("tvMapaTridy"));
    map_->setModel(model_);
    map_->setItemDelegate(new KnowledgeMapDelegate(map_));
    map_->setShowGrid(false);
    // One Tab stop: the arrows move inside, as on the pupil's map.
    map_->setTabKeyNavigation(false);
    map_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    map_->setSelectionMode(QAbstractItemView::SingleSelection);
    map_->setWordWrap(false);
    map_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    map_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    map_->verticalHeader()->setDefaultSectionSize(int(std::ceil(QFontMetricsF(map_->font()).height() * 1.9)));
    map_->setMinimumHeight(map_->verticalHeader()->defaultSectionSize() * 6);
    layout->addWidget(map_, 3);
    auto* legend = new QLabel(classMapLegend(), this);
    legend->setWordWrap(true);
    layout->addWidget(legend);

    lblWeek_->setObjectName(QStringLiteral("lblTyden"));
    lblWeek_->setAccessibleName(QStringLiteral("Změna za týden"));
    lblWeek_->setWordWrap(true);
    QFont bold = lblWeek_->font();
    bold.setBold(true);
    lblWeek_->setFont(bold);
    layout->addWidget(lblWeek_);
    auto* lower = new QVBoxLayout; // the unread stores, when there are any, under the weakest facts
    auto* weakestColumn = new QVBoxLayout;
    auto* weakestLabel = new QLabel(QStringLiteral("&Nejslabší příklady třídy:"), this);
    weakestLabel->setBuddy(weakest_);
    weakestColumn->addWidget(weakestLabel);
    weakestColumn->addWidget(weakest_);
    lower->addLayout(weakestColumn, 1);
    auto* unreadColumn = new QVBoxLayout;
    lblUnread_->setBuddy(unreadList_);
    unreadColumn->addWidget(lblUnread_);
    unreadColumn->addWidget(unreadList_);
    lower->addLayout(unreadColumn, 1);
    layout->addLayout(lower, 2);

    progress_->setObjectName(QStringLiteral("pbCteni"));
    progress_->setAccessibleName(QStringLiteral("Průběh čtení"));
    lblStatus_->setObjectName(QStringLiteral("lblStav"));
    lblStatus_->setAccessibleName(QStringLiteral("Stav"));
    lblStatus_->setWordWrap(true);
    lblStatus_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(progress_);
    buttons->addWidget(pbCancel_);
    buttons->addWidget(lblStatus_, 1);
    buttons->addWidget(pbPdf_);
    buttons->addWidget(pbClose_);
    layOutScrolling(*this, layout, buttons);
    fitToScreen(*this, owner, {900, 720}, {560, 420});

    connect(cbOperation_, &QComboBox::currentIndexChanged, this,
            guard(dialogs_, [this](int) { showOperation(); }));
    connect(pbCancel_, &QPushButton::clicked, this, guard(dialogs_, [this] {
                stop_->store(true);
                if (watcher_)
                    watcher_->cancel();
            }));
    connect(pbPdf_, &QPushButton::clicked, this, guard(dialogs_, [this] { savePdf(); }));
    connect(pbClose_, &QPushButton::clicked, this, guard(dialogs_, [this] { reject(); }));
    connect(watcher_, &QFutureWatcherBase::progressValueChanged, this,
            guard(dialogs_, [this](int done) { progress_->setValue(done); }));
    connect(watcher_, &QFutureWatcherBase::finished, this, guard(dialogs_, [this] { finishReading(); }));

    // Each pupil's store read aside, never written; one that cannot be read leaves him out.
    pbPdf_->setEnabled(false);
    progress_->setRange(0, int(input_.pupils.size()));
    showStatus(lblStatus_, QStringLiteral("Načítám odpovědi žáků…"));
    showOperation();
    watcher_->setFuture(QtConcurrent::mapped(
        &journalReadingPool(), input_.pupils,
        [stores = input_.stores, end = input_.end, stop = stop_](const ClassMapSource& source) {
            Read read{{source.name, {}, source.answers.knownWithinMs}, {}};
            try {
                read.pupil.knowledge =
                    stores
                        ->read(source.answers.store, classMapQuery(end, source.answers.knownWithinMs),
                               stop.get())
                        .facts;
            } catch (const Failure& f) {
                read.problem = f.detail().isEmpty() ? f.messageText() : f.detail();
            }
            return read;
        }));
}

ClassMapWindow::~ClassMapWindow() {
    // The reading stops at its next store; nothing waits for it.
    stop_->store(true);
    if (watcher_) {
        watcher_->disconnect(this);
        watcher_->cancel();
    }
}

QList<MapPage> ClassMapWindow::pages() const {
    QList<MapPage> pages;
    for (const int op : kMapOperations)
        pages.push_back(mapPage(op, input_.settings));
    return pages;
}

void ClassMapWindow::finishReading() {
    const QFuture<Read> future = watcher_->future();
    const bool cancelled = stop_->load();
    QList<ClassMapPupil> pupils;
    for (int i = 0; i < input_.pupils.size(); ++i) {
        if (!future.isResultReadyAt(i))
            continue;
        Read read = future.resultAt(i);
        if (!read.problem.isEmpty())
            unread_ << QStringLiteral("%1 (%2): %3")
                           .arg(read.pupil.name, QFileInfo(input_.pupils[i].answers.store).fileName(),
                                read.problem);
        else if (!cancelled || !read.pupil.knowledge.isEmpty())
            pupils.push_back(std::move(read.pupil));
    }
    watcher_->deleteLater();
    watcher_ = nullptr;
    counts_ = countClass(pupils, pages(), input_.end, input_.now);
    progress_->hide();
    pbCancel_->hide();
    pbPdf_->setEnabled(true);
    unreadList_->addItems(unread_);
    lblUnread_->setVisible(!unread_.isEmpty());
    unreadList_->setVisible(!unread_.isEmpty());
    for (const Fact& f : counts_.weakest)
        weakest_->addItem(classFactDescription(f, counts_.facts.value(f), counts_.pupils));
    lblWeek_->setText(weekChangeText(counts_));
    showStatus(lblStatus_, cancelled ? QStringLiteral("Čtení bylo zrušeno; mapa ukazuje %1 z %2 žáků.")
                                           .arg(pupils.size())
                                           .arg(input_.pupils.size())
                                     : QStringLiteral("Žáků s odpověďmi: %1.").arg(pupils.size()));
    showOperation();
    emit loaded();
}

void ClassMapWindow::showOperation() {
    const MapPage page = mapPage(cbOperation_->currentData().toInt(), input_.settings);
    model_->show(page, counts_);
    map_->clearSpans();
    for (int r = 0; r < page.rows.size(); ++r)
        if (!page.rows[r].title.isEmpty())
            map_->setSpan(r, 0, 1, kMapColumns);
    map_->horizontalHeader()->setVisible(page.grid());
    map_->verticalHeader()->setVisible(page.grid());
    map_->setAccessibleName(classMapTitle(input_.className) + QStringLiteral(" – ") + operationName(page.op));
    for (int r = 0; r < page.rows.size(); ++r) {
        if (page.factAt(r, 0)) {
            map_->setCurrentIndex(model_->index(r, 0));
            break;
        }
    }
}

void ClassMapWindow::savePdf() {
    const QString proposed = QDir(documentsOrHomeFolder()).filePath(classMapTitle(input_.className) + ".pdf");
    const QString path =
        chooseNewFile(dialogs_, QStringLiteral("Uložit mapu třídy jako PDF"),
                      QStringLiteral("Dokumenty PDF (*.pdf)"), proposed, QStringLiteral(".pdf"));
    if (path.isEmpty())
        return;
    ClassMapReport report{input_.className, input_.end, counts_, {}, unread_};
    // The pages the class has tried; the times tables at least.
    for (const MapPage& page : pages())
        if (page.op == 3 || std::any_of(page.facts.begin(), page.facts.end(),
                                        [&](const Fact& f) { return counts_.facts.contains(f); }))
            report.pages.push_back({pageTitle(page), page});
    saveDocument(
        lblStatus_, path, QStringLiteral("Uloženo do souboru %1."), [&] { writeClassMapPdf(report, path); },
        QStringLiteral("Mapu třídy"));
    offerToOpen(dialogs_, path, QStringLiteral("Mapa třídy byla uložena do souboru %1."),
                QStringLiteral("Mapa uložena"));
}

} // namespace numio
