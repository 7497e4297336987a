#include "ui/settings_dialog.h"

#include "platform/guard.h"

#include "ui/digit_box.h"

#include "core/generator.h"
#include "core/pupils.h"
#include "core/settings.h"
#include "platform/failure.h"
#include "platform/text_files.h"
#include "ui/fonts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTabWidget>
#include <algorithm>
#include <cstdlib>
#include <limits>

namespace numio {

namespace {

const QString kTitle = QStringLiteral(" Nastavení parametrů zkoušení");

const QString kChooserTitle = QStringLiteral("Volba souboru protokolu");
const QString kChooserFilter = QStringLiteral("Soubory protokolu (*.txt)");

template <class W> W* place(W* widget, const char* name, QRect where) {
    if (name)
        widget->setObjectName(QLatin1String(name));
    widget->setGeometry(where);
    return widget;
}

QLabel* label(QWidget* parent, const QString& text, QRect where, QWidget* buddy = nullptr) {
    auto* l = place(new QLabel(text, parent), nullptr, where);
    l->setBuddy(buddy);
    return l;
}

QComboBox* list(QWidget* parent, const char* name, std::initializer_list<int> entries, QRect where) {
    auto* c = place(new QComboBox(parent), name, where);
    for (int e : entries)
        c->addItem(QString::number(e));
    return c;
}

// A hand-edited store can hold a value no entry has; the nearest entry (the smaller on a tie)
// keeps OK from storing anything the list does not offer.
void selectNearest(QComboBox* c, int value) {
    int best = 0;
    for (int i = 1; i < c->count(); ++i) {
        if (std::abs(c->itemText(i).toInt() - value) < std::abs(c->itemText(best).toInt() - value))
            best = i;
    }
    c->setCurrentIndex(best);
}

// Typing into the set size: digits and Backspace only. Keys that type nothing (Tab, arrows,
// Delete) pass; Enter and the clipboard combinations are swallowed with everything else.
} // namespace

QString protocolChooserFolder(const QString& currentProtocol, const QString& programFolder) {
    if (!currentProtocol.isEmpty()) {
        QString folder = QFileInfo(currentProtocol).absolutePath();
        if (QFileInfo(folder).isDir() && resolvedPath(folder) != resolvedPath(programFolder))
            return folder;
    }
    return documentsOrHomeFolder();
}

SettingsDialog::SettingsDialog(StoredSettings& s, SettingsStore& store, Dialogs& dialogs, QWidget* owner,
                               const QString& pupilName)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                         Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      s_(s), store_(store), pupilName_(pupilName), dialogs_(dialogs) {
    setObjectName(QStringLiteral("dlgSettings"));
    // With pupils in use, whose settings these are.
    setWindowTitle(pupilName.isEmpty() ? kTitle : kTitle + QStringLiteral(" – ") + pupilName);
    setFont(programPixelFont(11));
    setFixedSize(twips(6240), twips(5265));

    SSTab = place(new QTabWidget(this), "SSTab", twipsRect(105, 105, 6000, 4500));
    SSTab->setAccessibleName(QStringLiteral("Nastavení"));
    auto* practice = new QWidget;
    auto* protocol = new QWidget;
    auto* choices = new QWidget;
    SSTab->addTab(practice, QStringLiteral("Nastavení &zkoušení"));
    SSTab->addTab(protocol, QStringLiteral("Nastavení pro&tokolování"));
    SSTab->addTab(choices, QStringLiteral("Příklad&y"));
    buildPracticeTab(practice);
    buildProtocolTab(protocol);
    buildChoicesTab(choices);
    practice->parentWidget()->installEventFilter(this);
    SSTab->setCurrentIndex(0);
    // Ctrl+Tab and Ctrl+Shift+Tab change the tab from every control, lists included, which would
    // otherwise keep the keys for themselves.
    const std::pair<QKeySequence, int> tabKeys[] = {{QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
                                                    {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), 2},
                                                    {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), 2}};
    for (const auto& keys : tabKeys) {
        const int step = keys.second;
        connect(new QShortcut(keys.first, this), &QShortcut::activated, this, guard(dialogs_, [this, step] {
                    SSTab->setCurrentIndex((SSTab->currentIndex() + step) % SSTab->count());
                }));
    }

    pbOK = place(new QPushButton(QStringLiteral("OK"), this), "pbOK", twipsRect(4830, 4680, 1275, 435));
    pbOK->setDefault(true);
    connect(pbOK, &QPushButton::clicked, this, guard(dialogs_, [this] {
                if (!mayClose())
                    return;
                SaveSettings();
                accept();
            }));

    // toggled fires on every real change, whether a click, FillControls or another rule made it.
    connect(cbLimit, &QCheckBox::toggled, this, guard(dialogs_, [this](bool on) {
                if (on)
                    cbLimitSada->setChecked(false);
            }));
    connect(cbLimitSada, &QCheckBox::toggled, this, guard(dialogs_, [this](bool on) {
                if (on)
                    cbLimit->setChecked(false);
            }));
    connect(cbProtokol, &QCheckBox::toggled, this, guard(dialogs_, [this](bool on) {
                protocolRule(on);
                besideRule();
            }));
    connect(cbRememberAnswers, &QCheckBox::toggled, this, guard(dialogs_, [this] { besideRule(); }));
    connect(pbSelectFile, &QPushButton::clicked, this, guard(dialogs_, [this] { selectFile(); }));
    // The chosen rows replace the largest table while they are on.
    connect(cbChosenTables, &QCheckBox::toggled, this, guard(dialogs_, [this](bool on) {
                cmbMaxValueX->setEnabled(!on);
                for (int row = 1; row <= 10; ++row)
                    cbTables[std::size_t(row)]->setEnabled(on);
            }));

    QList<QWidget*> order{cmbMaxValue, cmbMaxValueX, cbPlus,          cbKrat,        cbMinus,      cbDeleno,
                          cbLimit,     cmbLimit,     dfSady,          cbLimitSada,   cmbLimitSada, cbProtokol,
                          dfFile,      pbSelectFile, cbAnswersBeside, cbChosenTables};
    order << QList<QWidget*>(cbTables.begin() + 1, cbTables.end());
    order << cmbCrossingTen << cbSoundOnError << pbOK;
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);

    FillControls();
}

void SettingsDialog::buildPracticeTab(QWidget* tab) {
    // Places on a tab count from the tab panel's corner, not from the page below the tab row.
    auto* canvas = new QWidget(tab);
    canvas->resize(SSTab->size());
    tabCanvases_ << canvas;
    tab->installEventFilter(this);

    cmbMaxValue =
        list(canvas, "cmbMaxValue", {10, 12, 14, 16, 18, 20, 25, 30, 35, 40, 45, 50, 60, 70, 80, 90, 100},
             twipsRect(2520, 525, 750, 315));
    cmbMaxValue->setToolTip(QStringLiteral("Definice maximální možné hodnoty elementu příkladu"));
    label(canvas, QStringLiteral("&Maximální hodnota výpočtu"), twipsRect(240, 630, 2115, 225), cmbMaxValue);
    label(canvas, QStringLiteral("(pro režim sčítání a odčítání)"), twipsRect(3360, 600, 2175, 255));

    cmbMaxValueX =
        list(canvas, "cmbMaxValueX", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, twipsRect(2520, 960, 735, 315));
    label(canvas, QStringLiteral("Maximální povolená náso&bilka "), twipsRect(240, 1080, 2295, 255),
          cmbMaxValueX);
    label(canvas, QStringLiteral("(pro režim násobení a dělení)"), twipsRect(3360, 1080, 2175, 255));

    Frame1 = place(new QGroupBox(QStringLiteral("Zkoušené režimy"), canvas), "Frame1",
                   twipsRect(210, 1560, 5685, 750));
    cbPlus =
        place(new QCheckBox(QStringLiteral("&Sčítání"), Frame1), "cbPlus", twipsRect(210, 315, 1065, 225));
    cbKrat =
        place(new QCheckBox(QStringLiteral("&Násobení"), Frame1), "cbKrat", twipsRect(1575, 315, 1065, 225));
    cbMinus =
        place(new QCheckBox(QStringLiteral("&Odčítání"), Frame1), "cbMinus", twipsRect(2940, 315, 960, 225));
    cbDeleno =
        place(new QCheckBox(QStringLiteral("&Dělení"), Frame1), "cbDeleno", twipsRect(4410, 315, 960, 225));

    Frame2 = place(new QGroupBox(QStringLiteral("Časový limit"), canvas), "Frame2",
                   twipsRect(210, 2400, 5685, 750));
    cbLimit = place(new QCheckBox(QStringLiteral("&Limitovat odpovědi"), Frame2), "cbLimit",
                    twipsRect(210, 315, 1905, 225));
    cbLimit->setToolTip(QStringLiteral("Omezení času pro řešení příkladů časovým limitem"));
    auto* limitLabel = label(Frame2, QStringLiteral("Limit p&ro odpovědi"), twipsRect(2310, 315, 1380, 225));
    cmbLimit =
        list(Frame2, "cmbLimit", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20},
             twipsRect(3780, 210, 600, 315));
    cmbLimit->setToolTip(QStringLiteral("Limit pro odpověď (sec.)"));
    limitLabel->setBuddy(cmbLimit);
    label(Frame2, QStringLiteral("s."), twipsRect(4515, 315, 330, 225));

    Frame3 = place(new QGroupBox(QStringLiteral("Sady"), canvas), "Frame3", twipsRect(210, 3240, 5685, 1065));
    auto* sizeLabel =
        label(Frame3, QStringLiteral("&Velikost zkoušené sady :"), twipsRect(210, 315, 2010, 225));
    // Digits only, however they arrive; an empty box becomes 0 when the focus leaves it.
    dfSady = place(new DigitBox(3, Frame3), "dfSady", twipsRect(2250, 300, 435, 285));
    dfSady->setToolTip(QStringLiteral("Počet příkladů, který bude zkoušen v rámci jedné sady."));
    dfSady->installEventFilter(this);
    sizeLabel->setBuddy(dfSady);
    label(Frame3, QStringLiteral("příkladů."), twipsRect(2775, 300, 690, 240));
    cbLimitSada = place(new QCheckBox(QStringLiteral("Časový limit na s&adu příkladů"), Frame3),
                        "cbLimitSada", twipsRect(210, 735, 2955, 225));
    cmbLimitSada = list(Frame3, "cmbLimitSada", {1, 5, 10, 15, 20, 25, 30, 40, 50, 60, 80},
                        twipsRect(2730, 630, 645, 315));
    // On Linux a combo box's own name is its current entry ("60"); screen readers take what it is
    // from the label it is the buddy of, so the unit label beside it carries the whole meaning.
    const QString limitName = QStringLiteral("Časový limit na sadu příkladů (min.)");
    cmbLimitSada->setAccessibleName(limitName);
    label(Frame3, QStringLiteral("min."), twipsRect(3465, 735, 435, 225), cmbLimitSada)
        ->setAccessibleName(limitName);
}

void SettingsDialog::buildProtocolTab(QWidget* tab) {
    auto* canvas = new QWidget(tab);
    canvas->resize(SSTab->size());
    tabCanvases_ << canvas;
    tab->installEventFilter(this);

    cbProtokol = place(new QCheckBox(QStringLiteral("&Protokolování do souboru"), canvas), "cbProtokol",
                       twipsRect(210, 735, 2325, 225));
    auto* fileLabel = label(canvas, QStringLiteral("Soubor proto&kolu"), twipsRect(210, 1155, 1275, 225));
    dfFile = place(new QLineEdit(canvas), "dfFile", twipsRect(1575, 1125, 4275, 330));
    dfFile->setReadOnly(true);
    dfFile->setMaxLength(std::numeric_limits<int>::max()); // a path of any length survives OK
    fileLabel->setBuddy(dfFile);
    pbSelectFile = place(new QPushButton(QStringLiteral("Zvol so&ubor"), canvas), "pbSelectFile",
                         twipsRect(4500, 1500, 1365, 270));
    cbAnswersBeside = place(new QCheckBox(QStringLiteral("Odpovědi ukládat &vedle protokolu"), canvas),
                            "cbAnswersBeside", twipsRect(210, 2040, 5600, 225));
    cbAnswersBeside->setAccessibleName(QStringLiteral("Odpovědi ukládat vedle protokolu"));
    cbAnswersBeside->setToolTip(
        QStringLiteral("Zapamatované odpovědi se ukládají do souboru vedle protokolu (k „jan.txt“ patří "
                       "„jan.odpovedi.sqlite“), ne do tohoto počítače. Třída, která procvičuje na více "
                       "počítačích, má pak protokoly i odpovědi ve sdílené složce a Přehled třídy i Mapa "
                       "třídy je najdou."));
}

void SettingsDialog::buildChoicesTab(QWidget* tab) {
    auto* canvas = new QWidget(tab);
    canvas->resize(SSTab->size());
    tabCanvases_ << canvas;
    tab->installEventFilter(this);

    auto* tables = place(new QGroupBox(QStringLiteral("Násobení a dělení"), canvas), "frmTables",
                         twipsRect(210, 525, 5685, 1200));
    cbChosenTables = place(new QCheckBox(QStringLiteral("&Jen vybrané násobilky"), tables), "cbChosenTables",
                           twipsRect(210, 315, 3000, 225));
    cbChosenTables->setToolTip(
        QStringLiteral("Násobí se zaškrtnutými čísly z obou stran (7*8 i 8*7) a dělí se obráceně "
                       "(56:7 i 56:8); druhé číslo je od 1 do 10. Maximální povolená násobilka pak "
                       "neplatí."));
    for (int row = 1; row <= 10; ++row) {
        const QString text = row < 10 ? QStringLiteral("&%1").arg(row) : QStringLiteral("1&0");
        auto* box =
            place(new QCheckBox(text, tables), nullptr, twipsRect(180 + (row - 1) * 520, 720, 500, 225));
        box->setObjectName(QStringLiteral("cbTable%1").arg(row));
        box->setAccessibleName(QStringLiteral("Násobilka %1").arg(row));
        box->setEnabled(false);
        cbTables[std::size_t(row)] = box;
    }

    auto* crossing = place(new QGroupBox(QStringLiteral("Sčítání a odčítání"), canvas), "frmCrossingTen",
                           twipsRect(210, 1845, 5685, 750));
    cmbCrossingTen = place(new QComboBox(crossing), "cmbCrossingTen", twipsRect(2100, 270, 2400, 315));
    cmbCrossingTen->addItems(
        {QStringLiteral("libovolně"), QStringLiteral("jen bez přechodu"), QStringLiteral("jen s přechodem")});
    cmbCrossingTen->setToolTip(
        QStringLiteral("Přechod přes desítku: jednotky součtu dají víc než deset (8+5, 27+5), nebo "
                       "odčítání s výpůjčkou od čísla, které není celou desítkou (13-5, 42-7). 7+3, 13-3 "
                       "ani 10-3 desítku nepřecházejí. „Jen s přechodem“ potřebuje maximální hodnotu "
                       "výpočtu aspoň 11."));
    label(crossing, QStringLiteral("Přec&hod přes desítku"), twipsRect(210, 345, 1800, 225), cmbCrossingTen);

    auto* sound =
        place(new QGroupBox(QStringLiteral("Zvuk"), canvas), "frmSound", twipsRect(210, 2715, 5685, 750));
    cbSoundOnError = place(new QCheckBox(QStringLiteral("Zvuk při &chybě"), sound), "cbSoundOnError",
                           twipsRect(210, 315, 3000, 225));

    auto* memory = place(new QGroupBox(QStringLiteral("Co žák umí"), canvas), "frmAnswers",
                         twipsRect(210, 3555, 5685, 780));
    cbRememberAnswers = place(new QCheckBox(QStringLiteral("&Pamatovat si každou odpověď"), memory),
                              "cbRememberAnswers", twipsRect(210, 330, 2790, 225));
    cbRememberAnswers->setToolTip(
        QStringLiteral("Každá odpověď se uloží i s časem do paměti odpovědí v tomto počítači; z ní "
                       "vzniká Mapa znalostí a procvičování toho, co žák ještě neumí. Protokol se "
                       "píše stejně jako dosud."));
    spnKnownWithin = place(new QSpinBox(memory), "spnKnownWithin", twipsRect(4800, 285, 780, 315));
    spnKnownWithin->setRange(1, kKnownWithinSecondsMax);
    spnKnownWithin->setSuffix(QStringLiteral(" s"));
    spnKnownWithin->setAccessibleName(QStringLiteral("Umí, když odpoví do (sekund)"));
    spnKnownWithin->setToolTip(QStringLiteral("Příklad žák umí, když na něj naposledy třikrát za sebou "
                                              "odpověděl správně a pokaždé do této doby a z posledních "
                                              "osmi pokusů spletl nejvýš jeden."));
    label(memory, QStringLiteral("Umí, když odpoví &do"), twipsRect(3045, 330, 1725, 225), spnKnownWithin);
}

// The page below the tab row only gets its place once the tab panel is laid out (and again on
// any change of style), so the canvases follow it rather than assuming a tab-row height.
void SettingsDialog::alignTabCanvases() {
    for (QWidget* canvas : tabCanvases_)
        canvas->move(-canvas->parentWidget()->mapTo(SSTab, QPoint(0, 0)));
}

bool SettingsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == dfSady) {
        if (event->type() == QEvent::FocusOut && dfSady->text().isEmpty())
            dfSady->setText(QStringLiteral("0"));
    } else if (event->type() == QEvent::Move || event->type() == QEvent::Resize) {
        alignTabCanvases();
    }
    return QDialog::eventFilter(watched, event);
}

void SettingsDialog::FillControls() {
    selectNearest(cmbMaxValue, s_.nMaxValue);
    selectNearest(cmbMaxValueX, s_.nMaxValueX);
    cbPlus->setChecked(s_.bPlus);
    cbMinus->setChecked(s_.bMinus);
    cbKrat->setChecked(s_.bKrat);
    cbDeleno->setChecked(s_.bDeleno);
    // In this order: with both limits stored, the set limit wins.
    cbLimit->setChecked(s_.bLimit);
    cbLimitSada->setChecked(s_.bLimitSady);
    selectNearest(cmbLimit, s_.nLimit);
    selectNearest(cmbLimitSada, s_.nLimitSady);
    dfSady->setText(QString::number(std::clamp(int(s_.nSada), 0, 999)));
    dfFile->setText(s_.ProtokolFile);
    cbProtokol->setChecked(s_.bProtokol);
    cbChosenTables->setChecked(s_.chosenTablesOnly);
    for (int row = 1; row <= 10; ++row)
        cbTables[std::size_t(row)]->setChecked(s_.chosenTables.contains(row));
    cmbCrossingTen->setCurrentIndex(int(s_.crossingTen));
    cbSoundOnError->setChecked(s_.soundOnError);
    cbRememberAnswers->setChecked(s_.rememberAnswers);
    spnKnownWithin->setValue(s_.knownWithinSeconds);
    cbAnswersBeside->setChecked(s_.answersBeside);
    besideRule();
    // From the box, not the record: a chooser cancelled just now has unchecked it again.
    pbSelectFile->setEnabled(cbProtokol->isChecked());
}

void SettingsDialog::ReadCheckBoxes() {
    s_.bPlus = cbPlus->isChecked();
    s_.bMinus = cbMinus->isChecked();
    s_.bKrat = cbKrat->isChecked();
    s_.bDeleno = cbDeleno->isChecked();
    s_.bLimit = cbLimit->isChecked();
    s_.bLimitSady = cbLimitSada->isChecked();
    s_.bProtokol = cbProtokol->isChecked();
}

void SettingsDialog::SaveSettings() {
    s_.nMaxValue = textToInteger(cmbMaxValue->currentText());
    s_.nMaxValueX = textToInteger(cmbMaxValueX->currentText());
    ReadCheckBoxes();
    s_.nLimit = textToInteger(cmbLimit->currentText());
    s_.nLimitSady = textToInteger(cmbLimitSada->currentText());
    // OK reached without the focus leaving the box (a mnemonic, say) still stores an empty box as 0.
    if (dfSady->text().isEmpty())
        dfSady->setText(QStringLiteral("0"));
    s_.nSada = textToInteger(dfSady->text());
    s_.ProtokolFile = dfFile->text();
    readChoices(s_);
    // The values stay in force for this run even when they cannot be stored.
    guarded(dialogs_, [this] { numio::SaveSettings(s_, store_); });
}

void SettingsDialog::readChoices(StoredSettings& into) const {
    into.chosenTablesOnly = cbChosenTables->isChecked();
    into.chosenTables = ChosenRows();
    for (int row = 1; row <= 10; ++row)
        into.chosenTables.set(row, cbTables[std::size_t(row)]->isChecked());
    into.crossingTen = CrossingTen(cmbCrossingTen->currentIndex());
    into.soundOnError = cbSoundOnError->isChecked();
    into.rememberAnswers = cbRememberAnswers->isChecked();
    into.answersBeside = cbAnswersBeside->isChecked();
    into.knownWithinSeconds = Integer(spnKnownWithin->value());
}

bool SettingsDialog::mayClose() {
    if (cbChosenTables->isChecked() &&
        std::none_of(cbTables.begin() + 1, cbTables.end(), [](QCheckBox* row) { return row->isChecked(); })) {
        dialogs_.message(
            QStringLiteral("Zaškrtněte alespoň jednu násobilku, nebo vypněte volbu „Jen vybrané násobilky“."),
            kTitle.trimmed(), Dialogs::Buttons::Ok, Dialogs::Icon::Information, Dialogs::Answer::Ok);
        SSTab->setCurrentIndex(2);
        cbTables[1]->setFocus();
        return false;
    }
    // Crossing ten narrows addition and subtraction; a largest sum that leaves one of them nothing to
    // ask is refused, naming the list to change.
    StoredSettings chosen;
    chosen.nMaxValue = textToInteger(cmbMaxValue->currentText());
    chosen.bPlus = cbPlus->isChecked();
    chosen.bMinus = cbMinus->isChecked();
    chosen.crossingTen = CrossingTen(cmbCrossingTen->currentIndex());
    for (int op = 1; op <= 2 && chosen.crossingTen != CrossingTen::Any; ++op) {
        if (const QString why = nothingToAsk(chosen, op); !why.isEmpty()) {
            dialogs_.message(
                QStringLiteral("Nelze zkoušet %1: %2 (nejmenší takové příklady jsou 9+2 a 11-2).")
                    .arg(operationName(op), why),
                kTitle.trimmed(), Dialogs::Buttons::Ok, Dialogs::Icon::Information, Dialogs::Answer::Ok);
            SSTab->setCurrentIndex(0);
            cmbMaxValue->setFocus();
            return false;
        }
    }
    if (cbProtokol->isChecked() && inSettingsFolder(dfFile->text())) {
        SSTab->setCurrentIndex(1);
        pbSelectFile->setFocus();
        return false;
    }
    return true;
}

bool SettingsDialog::inSettingsFolder(const QString& path) {
    // A pupil's settings file lies in a folder inside the program's: the program's folder covers both.
    const QString settings = store_.programLocation(kAppName);
    if (!insideSettingsFolder(path, settings))
        return false;
    dialogs_.message(
        QStringLiteral("Protokol nelze zapisovat do souboru %1: leží ve složce s nastavením programu "
                       "(%2) a při příštím uložení nastavení by se ztratil. Zvolte jiný soubor.")
            .arg(displayPath(path), displayPath(QFileInfo(settings).path())),
        kTitle.trimmed(), Dialogs::Buttons::Ok, Dialogs::Icon::Information, Dialogs::Answer::Ok);
    return true;
}

void SettingsDialog::protocolRule(bool checked) {
    pbSelectFile->setEnabled(checked);
    if (!checked || !dfFile->text().isEmpty())
        return;
    const QString path = chooseProtocolFile();
    if (path.isEmpty())
        cbProtokol->setChecked(false);
    else
        dfFile->setText(path);
}

// Answers beside the journal need both the answers remembered and a journal.
void SettingsDialog::besideRule() {
    cbAnswersBeside->setEnabled(cbRememberAnswers->isChecked() && cbProtokol->isChecked());
}

void SettingsDialog::selectFile() {
    const QString path = chooseProtocolFile();
    if (path.isEmpty())
        cbProtokol->setChecked(false);
    dfFile->setText(path);
}

QString SettingsDialog::chooseProtocolFile() {
    const QString current = dfFile->text();
    const QString folder = protocolChooserFolder(current, QCoreApplication::applicationDirPath());
    const QString name = !current.isEmpty()     ? QFileInfo(current).fileName()
                         : pupilName_.isEmpty() ? QStringLiteral("protokol.txt")
                                                : QFileInfo(proposedPupilJournal(pupilName_)).fileName();
    const QString chosen =
        withSuffix(dialogs_.chooseFile(kChooserTitle, kChooserFilter, QDir(folder).filePath(name)),
                   QStringLiteral(".txt"));
    // Refused at once, as if cancelled, but the protocol named before stays.
    return !chosen.isEmpty() && inSettingsFolder(chosen) ? current : chosen;
}

} // namespace numio
