#include "reports/knowledge_map_window.h"

#include "core/generator.h"
#include "core/knowledge_reading.h"
#include "core/settings.h"
#include "journal/journal_folder.h"
#include "platform/guard.h"
#include "platform/logging.h"
#include "platform/text_files.h"
#include "reports/class_overview_model.h"
#include "reports/knowledge_map_pdf.h"
#include "reports/knowledge_map_view.h"
#include "reports/parent_report.h"
#include "reports/saving.h"
#include "reports/window_fit.h"
#include "reports/worksheet_dialog.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include <cmath>

namespace numio {

namespace {

const QString kSection = QStringLiteral("KnowledgeMap");
const QString kFolderKey = QStringLiteral("Folder");
const QString kSaved = QStringLiteral("Uloženo do souboru %1.");
// Sums and differences show this many rows and scroll; on a small screen any map shows no fewer
// than kLeastRowsShown.
constexpr int kRowsShown = 12;
constexpr int kLeastRowsShown = 4;

// A line wrapped at its width, as high as its lines; a height for width would make the scrolling
// body as tall as it would like to be, and the map could not give up rows for the rest.
class WrappedLine : public QLabel {
  public:
    using QLabel::QLabel;
    bool hasHeightForWidth() const override { return false; }

  protected:
    void resizeEvent(QResizeEvent* event) override {
        setMinimumHeight(heightForWidth(width()));
        QLabel::resizeEvent(event);
    }
};

// The map as large as it asks to be, set by the window: a Qt table would ask for a fixed size.
class MapTable : public QTableView {
  public:
    using QTableView::QTableView;
    QSize preferred;
    QSize sizeHint() const override { return preferred.isValid() ? preferred : QTableView::sizeHint(); }
};

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
        if (operationEnabled(settings, op) && operationAdmitsProblem(settings, op))
            return op;
    for (const int op : kMapOperations)
        if (operationEnabled(settings, op))
            return op;
    return kMapOperations[0];
}

KnowledgeMapWindow::KnowledgeMapWindow(const KnowledgeMapInput& input, SettingsStore& store, Dialogs& dialogs,
                                       QWidget* owner)
    : QDialog(owner), input_(input), store_(store), dialogs_(dialogs),
      model_(new KnowledgeMapModel(
          input_.knowledge, input_.knownWithinMs,
          (input_.now.isValid() ? input_.now : QDateTime::currentDateTime()).toSecsSinceEpoch(), this)),
      cbOperation_(new QComboBox(this)), map_(new MapTable(this)), lblKnown_(new WrappedLine(this)),
      chart_(new WeekChart(this)), lblStatus_(new QLabel(this)),
      pbPdf_(newButton(QStringLiteral("&Uložit PDF…"), QStringLiteral("pbPdf"), this)),
      pbReport_(newButton(QStringLiteral("Zpráva pro &rodiče…"), QStringLiteral("pbZprava"), this)),
      pbWorksheet_(newButton(QStringLiteral("Pracovní &list…"), QStringLiteral("pbPracovniList"), this)),
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
    map_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    for (QHeaderView* header : {map_->horizontalHeader(), map_->verticalHeader()}) {
        header->setSectionResizeMode(QHeaderView::Fixed);
        header->setHighlightSections(false);
        header->setMinimumSectionSize(1);
        header->setDefaultAlignment(Qt::AlignCenter);
    }
    // The ten columns share the width: narrower tiles on a small screen, never a column out of view.
    map_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    map_->installEventFilter(this);
    layout->addWidget(map_, 1);
    layout->addWidget(new MapLegend(this));

    lblKnown_->setObjectName(QStringLiteral("lblZna"));
    lblKnown_->setWordWrap(true);
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
    buttons->addWidget(pbWorksheet_);
    buttons->addWidget(pbPdf_);
    buttons->addWidget(pbReport_);
    buttons->addWidget(pbClose_);
    layOutScrolling(*this, layout, buttons);

    connect(cbOperation_, &QComboBox::currentIndexChanged, this,
            guard(dialogs_, [this](int) { showOperation(operation()); }));
    connect(map_, &QTableView::clicked, this, guard(dialogs_, [this](const QModelIndex& index) {
                if (index.row() == model_->page().foldRow)
                    setFolded(!model_->folded());
            }));
    connect(pbPdf_, &QPushButton::clicked, this, guard(dialogs_, [this] { savePdf(); }));
    connect(pbReport_, &QPushButton::clicked, this, guard(dialogs_, [this] { saveParentReport(); }));
    connect(pbWorksheet_, &QPushButton::clicked, this, guard(dialogs_, [this] { makeWorksheet(); }));
    connect(pbClose_, &QPushButton::clicked, this, guard(dialogs_, [this] { reject(); }));

    const int first = firstMapOperation(input_.settings);
    {
        const QSignalBlocker quiet(cbOperation_);
        cbOperation_->setCurrentIndex(cbOperation_->findData(first));
    }
    showOperation(first);
    // On a short screen the weeks' columns grow shorter before the map gives up its rows.
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen && sizeHint().height() > screen->availableGeometry().height() - 48)
        chart_->setMaximumHeight(chart_->minimumSizeHint().height());
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
    pbReport_->setEnabled(false);
    pbWorksheet_->setEnabled(false);
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
    pbReport_->setEnabled(true);
    pbWorksheet_->setEnabled(true);
    showOperation(operation());
    showStatus(lblStatus_, ignoredText(input_.ignored));
    emit loaded();
}

KnowledgeMapWindow::~KnowledgeMapWindow() = default;

int KnowledgeMapWindow::operation() const {
    return cbOperation_->currentData().toInt();
}

void KnowledgeMapWindow::showOperation(int op) {
    MapPage page = mapPage(op, input_.settings);
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
    setFolded(!unfolded_.contains(op));
    map_->setAccessibleName(QStringLiteral("Mapa znalostí – ") + operationName(op));
    // Said as the map takes the focus, before the first tile.
    map_->setAccessibleDescription(line);
    lblKnown_->setText(line);
    const int width = isVisible() ? lblKnown_->width() : static_cast<MapTable*>(map_)->preferred.width();
    lblKnown_->setMinimumHeight(lblKnown_->heightForWidth(std::max(width, 1)));
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

void KnowledgeMapWindow::setFolded(bool folded) {
    const int op = operation();
    unfolded_.removeAll(op);
    if (!folded)
        unfolded_.push_back(op);
    model_->setFolded(folded);
    const MapPage& page = model_->page();
    // Every row, so that none stays hidden from the page before.
    for (int r = 0; r < page.rows.size(); ++r)
        map_->setRowHidden(r, folded && page.foldRow >= 0 && r > page.foldRow);
    fitMap();
    // Unfolded, the map takes what room the screen has.
    if (isVisible()) {
        // The body's scroll area does not pass a new size on by itself.
        findChild<QScrollArea*>()->updateGeometry();
        fitToScreen(*this, parentWidget(), size().expandedTo(sizeHint()), minimumSize());
    }
}

bool KnowledgeMapWindow::eventFilter(QObject* watched, QEvent* event) {
    // Space or Enter on the fold's row folds or unfolds it, as on a button.
    if (watched == map_ && event->type() == QEvent::KeyPress &&
        map_->currentIndex().row() == model_->page().foldRow && model_->page().foldRow >= 0) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
            guarded(dialogs_, [this] { setFolded(!model_->folded()); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// Tiles as wide as the page's widest problem and its mark, the whole grid in view and sums
// scrolling; on a small screen narrower tiles and fewer rows, the map scrolling, column 10 in view.
void KnowledgeMapWindow::fitMap() {
    const QFontMetricsF m(map_->font());
    const MapPage& page = model_->page();
    const int width = int(std::ceil(cellWidth(page, m)));
    const int least = int(std::ceil(cellWidth(page, m, true)));
    const int height = int(std::ceil(m.height() * 1.9));
    map_->horizontalHeader()->setMinimumSectionSize(least);
    map_->horizontalHeader()->setDefaultSectionSize(width);
    map_->verticalHeader()->setDefaultSectionSize(height);
    int visible = 0;
    for (int r = 0; r < model_->rowCount(); ++r)
        visible += map_->isRowHidden(r) ? 0 : 1;
    const int rows = std::min(visible, page.grid() ? kMapColumns + 1 : kRowsShown);
    const int frame = 2 * map_->frameWidth();
    const int bar = map_->verticalScrollBar()->sizeHint().width();
    const int side = page.grid() ? map_->verticalHeader()->sizeHint().width() : 0;
    const int top = page.grid() ? map_->horizontalHeader()->sizeHint().height() : 0;
    static_cast<MapTable*>(map_)->preferred =
        QSize(frame + side + bar + kMapColumns * width, frame + top + rows * height + 2);
    map_->setMinimumSize(frame + side + bar + kMapColumns * least,
                         frame + top + std::min(rows, kLeastRowsShown) * height);
    map_->updateGeometry();
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
    // Every operation the settings switch on, and the one shown.
    KnowledgeMapReport report{input_.pupil,     input_.now.date(),    input_.now.toSecsSinceEpoch(),
                              input_.knowledge, input_.knownWithinMs, {}};
    for (const int op : kMapOperations) {
        if (op != operation() && !operationEnabled(input_.settings, op))
            continue;
        KnowledgeMapSection section{operationTitle(op), mapPage(op, input_.settings), {}, {}};
        if (!section.page.grid())
            section.operation += QStringLiteral(" do %1").arg(section.page.largest);
        section.weeks = knownByWeek(section.page, input_.knowledge, input_.knownWithinMs, input_.now);
        section.line = knownLine(section.page, section.weeks);
        report.sections.push_back(std::move(section));
    }
    saveDocument(
        lblStatus_, path, kSaved, [&] { writeKnowledgeMapPdf(report, path); }, QStringLiteral("Mapu"));
    // The next map is proposed where this one went; a folder that cannot be kept is told, and the
    // saved map stands.
    guarded(dialogs_, [&] { store_.write(kAppName, kSection, kFolderKey, QFileInfo(path).absolutePath()); });
    offerToOpen(dialogs_, path, QStringLiteral("Mapa znalostí byla uložena do souboru %1."),
                QStringLiteral("Mapa uložena"));
}

// This week's page for the parents: how he practised by his journal, what he knows by the map.
void KnowledgeMapWindow::saveParentReport() {
    const QString proposed =
        QDir(mapFolder(store_))
            .filePath(input_.pupil.isEmpty()
                          ? QStringLiteral("Zpráva pro rodiče.pdf")
                          : QStringLiteral("Zpráva pro rodiče – %1.pdf").arg(input_.pupil));
    const QString path =
        chooseNewFile(dialogs_, QStringLiteral("Uložit zprávu pro rodiče jako PDF"),
                      QStringLiteral("Dokumenty PDF (*.pdf)"), proposed, QStringLiteral(".pdf"));
    if (path.isEmpty())
        return;
    const Period week = periodAround(PeriodChoice::Week, input_.now.date());
    ParentReportPupil pupil{input_.pupil, {}, {}, input_.knowledge, {}, input_.knownWithinMs};
    if (input_.journalPath.isEmpty() || !input_.files)
        pupil.noJournal = QStringLiteral("Protokol výsledků se nevede, proto nelze říci, jak procvičoval.");
    else {
        try {
            pupil.journal = readJournal(*input_.files, input_.journalPath);
        } catch (const Failure& f) {
            qCDebug(lcReports()) << "a parents' page without the journal:" << f.messageText();
            pupil.noJournal =
                QStringLiteral("Protokol výsledků nelze přečíst, proto nelze říci, jak procvičoval.");
        }
    }
    const ParentReport report{weekText(week), week, input_.settings, input_.now, {pupil}};
    saveDocument(
        lblStatus_, path, kSaved, [&] { writeParentReportPdf(report, path); }, QStringLiteral("Zprávu"));
    offerToOpen(dialogs_, path, QStringLiteral("Zpráva pro rodiče byla uložena do souboru %1."),
                QStringLiteral("Zpráva uložena"));
}

// From the answers the map has read: nothing is read again.
void KnowledgeMapWindow::makeWorksheet() {
    KnowledgeMapInput input = input_;
    input.storePath.clear();
    runWorksheet(input, store_, dialogs_, this);
}

} // namespace numio
