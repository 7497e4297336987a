#include "reports/worksheet_dialog.h"

#include "core/generator.h"
#include "core/knowledge_reading.h"
#include "core/settings.h"
#include "journal/journal_folder.h"
#include "platform/guard.h"
#include "platform/text_files.h"
#include "reports/saving.h"
#include "reports/worksheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace numio {

namespace {

const QString kSection = QStringLiteral("Worksheet");
const QString kFolderKey = QStringLiteral("Folder");

} // namespace

WorksheetDialog::WorksheetDialog(const StoredSettings& settings, const QString& title, Dialogs& dialogs,
                                 std::function<bool(const WorksheetChoice&)> save, QWidget* owner)
    : QDialog(owner), settings_(settings), dialogs_(dialogs), save_(std::move(save)),
      cbCount_(new QComboBox(this)),
      chKey_(new QCheckBox(QStringLiteral("Přidat ř&ešení na samostatnou stranu"), this)),
      lblStatus_(new QLabel(this)), buttons_(new QDialogButtonBox(this)) {
    setObjectName(QStringLiteral("frmPracovniList"));
    setWindowTitle(QStringLiteral("Pracovní list"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setWindowModality(Qt::WindowModal);
    auto* form = new QFormLayout;
    cbCount_->setObjectName(QStringLiteral("cbPocet"));
    cbCount_->setAccessibleName(QStringLiteral("Počet příkladů"));
    for (const int n : kWorksheetSizes)
        cbCount_->addItem(QString::number(n), n);
    cbCount_->setCurrentIndex(cbCount_->findData(WorksheetChoice{}.count));
    form->addRow(QStringLiteral("&Počet příkladů:"), cbCount_);
    static const char* const kNames[] = {"chPlus", "chMinus", "chKrat", "chDeleno"};
    static const char* const kTexts[] = {"&Sčítání", "&Odčítání", "&Násobení", "&Dělení"};
    auto* operations = new QVBoxLayout;
    for (int op = 1; op <= 4; ++op) {
        QCheckBox* box = nullptr;
        if (operationEnabled(settings_, op)) {
            box = new QCheckBox(QString::fromUtf8(kTexts[op - 1]), this);
            box->setObjectName(QString::fromLatin1(kNames[op - 1]));
            box->setChecked(operationAdmitsProblem(settings_, op));
            operations->addWidget(box);
            connect(box, &QCheckBox::toggled, this, guard(dialogs_, [this] { update(); }));
        }
        operations_.push_back(box);
    }
    form->addRow(QStringLiteral("Početní operace:"), operations);
    chKey_->setObjectName(QStringLiteral("chReseni"));
    chKey_->setChecked(true);
    form->addRow(chKey_);
    if (!title.isEmpty()) {
        leTitle_ = new QLineEdit(title, this);
        leTitle_->setObjectName(QStringLiteral("leNadpis"));
        leTitle_->setAccessibleName(QStringLiteral("Nadpis"));
        // Room for a name and a date whole, and a few words more.
        leTitle_->setMinimumWidth(std::max(leTitle_->fontMetrics().horizontalAdvance(title),
                                           leTitle_->fontMetrics().averageCharWidth() * 36) +
                                  16);
        form->addRow(QStringLiteral("Nadpis &listu:"), leTitle_);
    }
    lblStatus_->setObjectName(QStringLiteral("lblStav"));
    lblStatus_->setAccessibleName(QStringLiteral("Stav"));
    lblStatus_->setWordWrap(true);
    buttons_->addButton(QStringLiteral("&Uložit PDF…"), QDialogButtonBox::AcceptRole)
        ->setObjectName(QStringLiteral("pbOK"));
    buttons_->addButton(QStringLiteral("Zrušit"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("pbCancel"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(lblStatus_);
    layout->addWidget(buttons_);
    connect(buttons_, &QDialogButtonBox::accepted, this, guard(dialogs_, [this] {
                if (save_(choice()))
                    accept();
            }));
    connect(buttons_, &QDialogButtonBox::rejected, this, guard(dialogs_, [this] { reject(); }));
    update();
}

QCheckBox* WorksheetDialog::operationBox(int op) const {
    return op >= 1 && op <= 4 ? operations_[op - 1] : nullptr;
}

WorksheetChoice WorksheetDialog::choice() const {
    WorksheetChoice c;
    c.count = cbCount_->currentData().toInt();
    for (int op = 1; op <= 4; ++op)
        if (operations_[op - 1] && operations_[op - 1]->isChecked())
            c.operations << op;
    c.key = chKey_->isChecked();
    if (leTitle_)
        c.title = leTitle_->text().simplified();
    return c;
}

void WorksheetDialog::setReading(bool reading) {
    reading_ = reading;
    update();
}

// OK only when the operations chosen can ask something; otherwise the setting to change is named.
void WorksheetDialog::update() {
    const StoredSettings rules = withOperations(settings_, choice().operations);
    const bool possible = anyOperationAdmitsProblem(rules);
    QString text;
    if (reading_)
        text = QStringLiteral("Načítám zapamatované odpovědi…");
    else if (!anyOperationAdmitsProblem(settings_))
        text = QStringLiteral("S tímto nastavením nelze vybrat žádný příklad. Změňte v nastavení (F2): ") +
               settingToChange(settings_) + u'.';
    else if (!possible)
        text = QStringLiteral("Vyberte aspoň jednu početní operaci.");
    showStatus(lblStatus_, text);
    const QList<QAbstractButton*> buttons = buttons_->buttons();
    buttons.front()->setEnabled(possible && !reading_);
}

QString worksheetFileName(const QString& pupil) {
    QString name = pupil;
    // A name is a file's name, never a path.
    name.replace(u'/', u'-').replace(u'\\', u'-');
    return name.isEmpty() ? QStringLiteral("Pracovní list.pdf")
                          : QStringLiteral("Pracovní list – %1.pdf").arg(name);
}

QString worksheetFolder(SettingsStore& store) {
    const QString folder = store.read(kAppName, kSection, kFolderKey, QString());
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : documentsOrHomeFolder();
}

void rememberWorksheetFolder(SettingsStore& store, Dialogs& dialogs, const QString& path) {
    // A folder that cannot be kept is told; the saved sheet stands.
    guarded(dialogs, [&] { store.write(kAppName, kSection, kFolderKey, QFileInfo(path).absolutePath()); });
}

void runWorksheet(const KnowledgeMapInput& input, SettingsStore& store, Dialogs& dialogs, QWidget* owner) {
    const QDateTime now = input.now.isValid() ? input.now : QDateTime::currentDateTime();
    const QString date = czechDate(now.date());
    Knowledge knowledge = input.knowledge;
    WorksheetDialog* shown = nullptr;
    const auto save = [&](const WorksheetChoice& choice) {
        const QString path = chooseNewFile(
            dialogs, QStringLiteral("Uložit pracovní list jako PDF"), QStringLiteral("Dokumenty PDF (*.pdf)"),
            QDir(worksheetFolder(store)).filePath(worksheetFileName(input.pupil)), QStringLiteral(".pdf"));
        if (path.isEmpty())
            return false;
        Worksheet sheet{choice.title.isEmpty() ? worksheetTitle(input.pupil, date) : choice.title,
                        input.pupil,
                        date,
                        {},
                        false};
        SystemRandomSource random;
        sheet.problems =
            drawWorksheet(withOperations(input.settings, choice.operations), knowledge, input.knownWithinMs,
                          now.toSecsSinceEpoch(), choice.count, random, &sheet.ordinary);
        saveDocument(
            shown->lblStatus(), path, QStringLiteral("Uloženo do souboru %1."),
            [&] { writeWorksheetPdf({sheet}, choice.key, path); }, QStringLiteral("Pracovní list"));
        rememberWorksheetFolder(store, dialogs, path);
        offerToOpen(dialogs, path, QStringLiteral("Pracovní list byl uložen do souboru %1."),
                    QStringLiteral("Pracovní list uložen"));
        return true;
    };
    WorksheetDialog dialog(input.settings, worksheetTitle(input.pupil, date), dialogs, save, owner);
    shown = &dialog;
    if (!input.storePath.isEmpty() && input.stores) {
        dialog.setReading(true);
        readAside(
            &dialog,
            [stores = input.stores, path = input.storePath, query = KnowledgeQuery{input.knownWithinMs, {}}](
                const std::atomic<bool>& stop) { return stores->read(path, query, &stop); },
            guard(dialogs, [&](const ReadOutcome& outcome) {
                try {
                    knowledge = outcome.get().facts;
                } catch (const Failure&) {
                    // Told as the dialog goes: nothing could be drawn from his answers.
                    dialog.reject();
                    throw;
                }
                dialog.setReading(false);
            }));
    }
    dialog.exec();
}

} // namespace numio
