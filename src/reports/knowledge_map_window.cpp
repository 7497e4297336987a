#include "reports/knowledge_map_window.h"

#include "core/generator.h"
#include "core/knowledge_reading.h"
#include "core/settings.h"
#include "journal/journal_folder.h"
#include "platform/guard.h"
#include "platform/text_files.h"
#include "reports/knowledge_map_pdf.h"
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
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include <cmath>

namespace numio {

namespace {

const QString kSection = QStringLiteral("KnowledgeMap");
const QString kFolderKey = QStringLiteral("Folder");
const QString kSaved = QStringLiteral("Uloženo do souboru %1.");
// Sums and differences show this many rows and scroll.
constexpr int kRowsShown = 12;

// "Násobení", "Sčítání"
QString operationTitle(int op) {
    QString name = operationName(op);
    if (!name.isEmpty())
        name[0] = name[0].toUpper();
    return name;
}

// Where the last map's PDF went, while that folder is there.
QString mapFolder(SettingsStore& store) {
    const QString folder = store.read(kAppName, kSection, kFolderKey, QString());
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : documentsOrHomeFolder();
}

QPushButton* newButton(const QString& text, const QString& name, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    // Enter in the map must not save or close.
    b->setAutoDefault(false);
    return b;
}

} // namespace

int firstMapOperation(const StoredSettings& settings) {
    for (const int op : kMapOperations)
        if (operationEnabled(settings, op))
            return op;
    return kMapOperations[0];
}

KnowledgeMapWindow::KnowledgeMapWindow(const KnowledgeMapInput& input, SettingsStore& store, Dialogs& dialogs,
                                       QWidget* owner)
    : QDialog(owner), input_(input), store_(store), dialogs_(dialogs),
      model_(new KnowledgeMapModel(input_.knowledge, input_.knownWithinMs, this)),
      cbOperation_(new QComboBox(this)), map_(new QTableView(this)), lblKnown_(new QLabel(this)),
      chart_(new WeekChart(this)), lblStatus_(new QLabel(this)),
      pbPdf_(newButton(QStringLiteral("&Uložit PDF…"), QStringLiteral("pbPdf"), this)),
      pbClose_(newButton(QStringLiteral("Zavří&t"), QStringLiteral("pbClose"), this)) {
    setObjectName(QStringLiteral("frmMapa"));
    setWindowTitle(knowledgeMapTitle(input_.pupil));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    if (!input_.now.isValid())
        input_.now = QDateTime::currentDateTime();
    auto* layout = new QVBoxLayout;

    auto* top = new QHBoxLayout;
    auto* operationLabel = new QLabel(QStringLiteral("&Početní operace:"), this);
    operationLabel->setBuddy(cbOperation_);
    cbOperation_->setObjectName(QStringLiteral("cbOperace"));
    for (const int op : kMapOperations)
        cbOperation_->addItem(operationTitle(op), op);
    top->addWidget(operationLabel);
    top->addWidget(cbOperation_);
    top->addStretch(1);
    layout->addLayout(top);

    map_->setObjectName(QStringLiteral("tvMapa"));
    map_->setModel(model_);
    map_->setItemDelegate(new KnowledgeMapDelegate(map_));
    map_->setShowGrid(false);
    // One Tab stop: the arrows move inside.
    map_->setTabKeyNavigation(false);
    map_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    map_->setSelectionMode(QAbstractItemView::SingleSelection);
    map_->setWordWrap(false);
    map_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (QHeaderView* header : {map_->horizontalHeader(), map_->verticalHeader()}) {
        header->setSectionResizeMode(QHeaderView::Fixed);
        header->setHighlightSections(false);
        header->setMinimumSectionSize(1);
        header->setDefaultAlignment(Qt::AlignCenter);
    }
    layout->addWidget(map_, 1);
    layout->addWidget(new MapLegend(this));

    lblKnown_->setObjectName(QStringLiteral("lblZna"));
    QFont bold = lblKnown_->font();
    bold.setBold(true);
    lblKnown_->setFont(bold);
    layout->addWidget(lblKnown_);
    layout->addSpacing(fontMetrics().height() / 2);
    layout->addWidget(new QLabel(QStringLiteral("Známé příklady po týdnech:"), this));
    layout->addWidget(chart_);

    lblStatus_->setObjectName(QStringLiteral("lblStav"));
    lblStatus_->setAccessibleName(QStringLiteral("Stav"));
    lblStatus_->setWordWrap(true);
    lblStatus_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblStatus_, 1);
    buttons->addWidget(pbPdf_);
    buttons->addWidget(pbClose_);
    layOutScrolling(*this, layout, buttons);

    connect(cbOperation_, &QComboBox::currentIndexChanged, this,
            guard(dialogs_, [this](int) { showOperation(operation()); }));
    connect(pbPdf_, &QPushButton::clicked, this, guard(dialogs_, [this] { savePdf(); }));
    connect(pbClose_, &QPushButton::clicked, this, guard(dialogs_, [this] { reject(); }));

    const int first = firstMapOperation(input_.settings);
    {
        const QSignalBlocker quiet(cbOperation_);
        cbOperation_->setCurrentIndex(cbOperation_->findData(first));
    }
    showOperation(first);
    fitToScreen(*this, parentWidget(), sizeHint(), sizeHint());
    map_->setFocus();
    if (!input_.storePath.isEmpty())
        startReading();
    else
        showStatus(lblStatus_, ignoredText(input_.ignored));
}

// A long history is read aside: the map opens at once and says so until it has come. Closing the
// map stops the reading and waits for nothing.
void KnowledgeMapWindow::startReading() {
    loading_ = true;
    pbPdf_->setEnabled(false);
    showOperation(operation());
    showStatus(lblStatus_, QStringLiteral("Načítám zapamatované odpovědi…"));
    readAside(
        this,
        [stores = input_.stores, path = input_.storePath, query = mapQuery(input_.now, input_.knownWithinMs)](
            const std::atomic<bool>& stop) { return stores->read(path, query, &stop); },
        guard(dialogs_, [this](const ReadOutcome& outcome) { showRead(outcome); }));
}

void KnowledgeMapWindow::showRead(const ReadOutcome& outcome) {
    loading_ = false;
    try {
        const KnowledgeRead& read = outcome.get();
        input_.knowledge = read.facts;
        input_.ignored = read.ignored;
    } catch (const Failure&) {
        // Told as the map goes: there is nothing to show.
        reject();
        throw;
    }
    model_->setKnowledge(input_.knowledge);
    pbPdf_->setEnabled(true);
    showOperation(operation());
    showStatus(lblStatus_, ignoredText(input_.ignored));
    emit loaded();
}

KnowledgeMapWindow::~KnowledgeMapWindow() = default;

int KnowledgeMapWindow::operation() const {
    return cbOperation_->currentData().toInt();
}

void KnowledgeMapWindow::showOperation(int op) {
    MapPage page = mapPage(op, input_.settings.nMaxValue);
    weeks_ = knownByWeek(page, input_.knowledge, input_.knownWithinMs, input_.now);
    const QString line = loading_ ? QStringLiteral("Načítám…") : knownLine(page, weeks_);
    model_->setPage(std::move(page));
    const MapPage& shown = model_->page();
    map_->clearSpans();
    for (int r = 0; r < shown.rows.size(); ++r)
        if (!shown.rows[r].title.isEmpty())
            map_->setSpan(r, 0, 1, kMapColumns);
    map_->horizontalHeader()->setVisible(shown.grid());
    map_->verticalHeader()->setVisible(shown.grid());
    fitMap();
    map_->setAccessibleName(QStringLiteral("Mapa znalostí – ") + operationName(op));
    // Said as the map takes the focus, before the first tile.
    map_->setAccessibleDescription(line);
    lblKnown_->setText(line);
    lblKnown_->setToolTip(ignoredText(input_.ignored));
    chart_->setWeeks(weeks_, QStringLiteral("Známé příklady po týdnech"));
    // A larger page widens an open window as far as the screen lets it; beyond that the body scrolls.
    if (isVisible())
        fitToScreen(*this, parentWidget(), size().expandedTo(sizeHint()), minimumSize());
    for (int r = 0; r < shown.rows.size(); ++r) {
        if (shown.factAt(r, 0)) {
            map_->setCurrentIndex(model_->index(r, 0));
            break;
        }
    }
}

// Tiles as wide as the page's widest problem and its mark; the whole grid in view, sums scrolling.
void KnowledgeMapWindow::fitMap() {
    const QFontMetricsF m(map_->font());
    const int width = int(std::ceil(cellWidth(model_->page(), m)));
    const int height = int(std::ceil(m.height() * 1.9));
    map_->horizontalHeader()->setDefaultSectionSize(width);
    map_->verticalHeader()->setDefaultSectionSize(height);
    const bool grid = model_->page().grid();
    const int rows = std::min(model_->rowCount(), grid ? kMapColumns : kRowsShown);
    const int frame = 2 * map_->frameWidth();
    const int side =
        grid ? map_->verticalHeader()->sizeHint().width() : map_->verticalScrollBar()->sizeHint().width();
    const int top = grid ? map_->horizontalHeader()->sizeHint().height() : 0;
    map_->setMinimumSize(frame + side + kMapColumns * width, frame + top + rows * height);
}

void KnowledgeMapWindow::savePdf() {
    QString name = fileNamePart(input_.pupil);
    if (!name.isEmpty())
        name += u'-';
    const QString proposed =
        QDir(mapFolder(store_))
            .filePath(QStringLiteral("mapa-znalosti-%1%2.pdf").arg(name, czechDate(input_.now.date())));
    const QString path =
        chooseNewFile(dialogs_, QStringLiteral("Uložit mapu znalostí jako PDF"),
                      QStringLiteral("Dokumenty PDF (*.pdf)"), proposed, QStringLiteral(".pdf"));
    if (path.isEmpty())
        return;
    const MapPage& page = model_->page();
    QString operation = cbOperation_->currentText();
    if (!page.grid())
        operation += QStringLiteral(" do %1").arg(page.largest);
    const KnowledgeMapReport report{input_.pupil,     input_.now.date(),    operation,         page,
                                    input_.knowledge, input_.knownWithinMs, lblKnown_->text(), weeks_};
    saveDocument(
        lblStatus_, path, kSaved, [&] { writeKnowledgeMapPdf(report, path); }, QStringLiteral("Mapu"));
    // The next map is proposed where this one went; a folder that cannot be kept is told, and the
    // saved map stands.
    guarded(dialogs_, [&] { store_.write(kAppName, kSection, kFolderKey, QFileInfo(path).absolutePath()); });
    offerToOpen(dialogs_, path, QStringLiteral("Mapa znalostí byla uložena do souboru %1."),
                QStringLiteral("Mapa uložena"));
}

} // namespace numio
