#include "ui/main_window.h"

#include "core/knowledge_reading.h"

#include "core/generator.h"
#include "ui/digit_box.h"
#include "ui/fonts.h"
#include "ui/pictures.h"
#include "ui/status_bar.h"
#include "ui/value_label.h"

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>

namespace numio {

const QString FrmMain::kBanner = QStringLiteral("Numio 1.02 [Prague 2002]");
const QString FrmMain::kAnswerHint = QStringLiteral("Napiš výsledek a potvrď klávesou Enter.");

namespace {

QLabel* label(QWidget* parent, const char* name, const QString& text, QRect place, const QFont& font,
              Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
    auto* l = new QLabel(text, parent);
    if (name)
        l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(place);
    l->setFont(font);
    l->setAlignment(align);
    return l;
}

} // namespace

FrmMain::FrmMain(Doors doors, PupilSession& session, QWidget* parent)
    : QMainWindow(parent), doors_(doors), session_(session),
      exam_({doors.random, doors.clock, doors.dialogs, doors.pacer, doors.Cas, doors.files}, *this) {
    setObjectName(QStringLiteral("frmMain"));
    onEnd = [] { QCoreApplication::exit(0); };
    session_.attach(&exam_);
    exam_.readAside = [this](KnowledgeReader read, std::function<void(const ReadOutcome&)> done) {
        return readAside(this, std::move(read), std::move(done));
    };
    initPictures();
    setWindowIcon(pictureIcon(QStringLiteral("numio.svg")));
    buildMenus();
    buildWindow();
    qApp->installEventFilter(this);
}

FrmMain::~FrmMain() {
    session_.attach(nullptr);
    qApp->removeEventFilter(this);
}

void FrmMain::buildMenus() {
    mnuNumio = menuBar()->addMenu(QStringLiteral("&Numio"));
    mnuNumio->setObjectName(QStringLiteral("mnuNumio"));
    // An item without a handler is the examination's own command.
    auto item = [this](QMenu* menu, const char* name, const QString& caption, const QKeySequence& key,
                       Command command, void (FrmMain::*handler)() = nullptr) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty())
            a->setShortcut(key);
        connect(a, &QAction::triggered, this, [this, command, handler] {
            if (handler)
                exam_.run(command, [this, handler] { (this->*handler)(); });
            else
                exam_.run(command);
        });
        return a;
    };
    mnuPocitej = item(mnuNumio, "mnuPocitej", QStringLiteral("&Počítej"),
                      QKeySequence(Qt::SHIFT | Qt::Key_F5), Command::StartPractice);
    mnuPocitejSady = item(mnuNumio, "mnuPocitejSady", QStringLiteral("Počítej &sadu příkladů"),
                          QKeySequence(Qt::Key_F5), Command::StartSet);
    weakPracticeItem = item(mnuNumio, "mnuCoNeumi", QStringLiteral("Procvičuj, co ještě ne&umí"),
                            QKeySequence(Qt::Key_F8), Command::StartWeakPractice);
    weakSetItem = item(mnuNumio, "mnuCoNeumiSada", QStringLiteral("Sa&da z toho, co ještě neumí"),
                       QKeySequence(Qt::SHIFT | Qt::Key_F8), Command::StartWeakSet);
    if (session_.dataFolder().isEmpty()) // why these stay grey
        for (QAction* weak : {weakPracticeItem, weakSetItem}) {
            const QString why =
                QStringLiteral("Odpovědi se nepamatují: není domovská složka (proměnná HOME), "
                               "kam by se ukládaly. Spusťte Numio s domovskou složkou.");
            weak->setToolTip(why);
            weak->setStatusTip(why);
        }
    mnuNumio->addSeparator()->setObjectName(QStringLiteral("mnunic3"));
    mnuOpakujSpatne = item(mnuNumio, "mnuOpakujSpatne", QStringLiteral("&Opakuj chybné příklady"),
                           QKeySequence(Qt::Key_F6), Command::StartRepeat);
    mnuNumio->addSeparator()->setObjectName(QStringLiteral("mnuNic2"));
    mnuStop = item(mnuNumio, "mnuStop", QStringLiteral("S&top"), QKeySequence(Qt::Key_F12), Command::Stop);
    mnuNumio->addSeparator()->setObjectName(QStringLiteral("mnuNic1"));
    mnuNastaveni = item(mnuNumio, "mnuNastaveni", QStringLiteral("Nast&avení"), QKeySequence(Qt::Key_F2),
                        Command::Settings, &FrmMain::mnuNastaveni_Click);
    // Who practises is a setting of its own kind: changed only while idle, like the settings.
    pupilsItem = item(mnuNumio, "mnuZaci", QStringLiteral("Žá&ci…"), QKeySequence(Qt::Key_F7),
                      Command::Settings, &FrmMain::managePupils);
    mnuNumio->addSeparator()->setObjectName(QStringLiteral("mnunic"));
    mnuNapoveda = item(mnuNumio, "mnuNapoveda", QStringLiteral("&Nápověda"), QKeySequence(Qt::Key_F1),
                       Command::Help, &FrmMain::mnuNapoveda_Click);
    mnuAbout = item(mnuNumio, "mnuAbout", QStringLiteral("O p&rogramu"), {}, Command::About,
                    &FrmMain::mnuAbout_Click);
    mnuKonec = item(mnuNumio, "mnuKonec", QStringLiteral("&Konec"), QKeySequence(Qt::CTRL | Qt::Key_Q),
                    Command::Quit, &FrmMain::mnuKonec_Click);
    connect(mnuNumio, &QMenu::aboutToShow, this, [this] { exam_.guarded([this] { exam_.applyLook(); }); });

    mnuProtokol = menuBar()->addMenu(QStringLiteral("&Protokol"));
    mnuProtokol->setObjectName(QStringLiteral("mnuProtokol"));
    mnuShowProtokol = item(mnuProtokol, "mnuShowProtokol", QStringLiteral("&Zobraz protokol"), {},
                           Command::ShowProtocol, &FrmMain::mnuShowProtokol_Click);
    mnuDelete = item(mnuProtokol, "mnuDelete", QStringLiteral("&Smaž protokol"), {}, Command::DeleteProtocol,
                     &FrmMain::mnuDelete_Click);
    overviewItem = item(mnuProtokol, "mnuPrehled", QStringLiteral("&Přehled výsledků"), {}, Command::Overview,
                        &FrmMain::openResultsOverview);
    classOverviewItem = item(mnuProtokol, "mnuPrehledTridy", QStringLiteral("Přehled &třídy…"), {},
                             Command::ClassOverview, &FrmMain::openClassOverview);
    knowledgeMapItem = item(mnuProtokol, "mnuMapa", QStringLiteral("&Mapa znalostí"), {},
                            Command::KnowledgeMap, &FrmMain::openKnowledgeMap);
    // Paper from the same answers: admitted as the map is, while no examination runs.
    worksheetItem = item(mnuProtokol, "mnuPracovniList", QStringLiteral("Pracovní &list…"), {},
                         Command::KnowledgeMap, &FrmMain::openWorksheet);
    connect(mnuProtokol, &QMenu::aboutToShow, this,
            [this] { exam_.guarded([this] { mnuProtokol_Open(); }); });
}

void FrmMain::buildWindow() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("surface"));
    central->setFixedSize(twips(8025), twips(4125));
    central->setMouseTracking(true);
    central->installEventFilter(this);
    setCentralWidget(central);

    const QFont big = programFont(48, true);
    lbLeft =
        label(central, "lbLeft", {}, twipsRect(735, 210, 3585, 1065), big, Qt::AlignRight | Qt::AlignVCenter);
    markValueLabel(lbLeft, QStringLiteral("Příklad"));
    lb1 = label(central, "lb1", QStringLiteral("="), twipsRect(4410, 210, 795, 1260), big,
                Qt::AlignLeft | Qt::AlignTop);
    lb1->setAccessibleName(QStringLiteral("rovná se"));

    // A plain sunken frame around a frameless box: the style's rounded frame costs more to
    // repaint after every answer than everything else the answer does.
    auto* answerFrame = new QFrame(central);
    answerFrame->setObjectName(QStringLiteral("answerFrame"));
    answerFrame->setGeometry(twipsRect(5250, 210, 1965, 1200));
    answerFrame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    answerFrame->setLineWidth(2);
    answerFrame->setAutoFillBackground(true);
    answerFrame->setBackgroundRole(QPalette::Base);
    dfResult = new DigitBox(3, answerFrame);
    dfResult->setObjectName(QStringLiteral("dfResult"));
    dfResult->setFrame(false);
    dfResult->setGeometry(answerFrame->contentsRect());
    dfResult->setFont(big);
    dfResult->setTextMargins(4, 0, 2, 0);
    dfResult->setAccessibleName(QStringLiteral("Odpověď"));
    dfResult->setAccessibleDescription(kAnswerHint);

    // Quiet, where the problem will stand; a screen reader reads it as the label's name.
    idleHint =
        label(central, "idleHint", {}, twipsRect(105, 420, 7815, 840), programFont(11), Qt::AlignCenter);
    idleHint->setWordWrap(true);
    idleHint->setForegroundRole(QPalette::PlaceholderText);
    idleHint->setAccessibleDescription(QStringLiteral("Jak začít"));

    // A set's progress, under the answer box, above where the time bar shows.
    lblPlace = label(central, "lblPlace", {}, twipsRect(5250, 1425, 1965, 255), programFont(9),
                     Qt::AlignRight | Qt::AlignVCenter);
    markValueLabel(lblPlace, QStringLiteral("Pořadí příkladu v sadě"));

    Progress = new QProgressBar(central);
    Progress->setObjectName(QStringLiteral("Progress"));
    Progress->setGeometry(twipsRect(0, 1680, 7815, 495));
    Progress->setTextVisible(false);
    Progress->setAccessibleName(QStringLiteral("Čas na odpověď"));
    Progress->hide();

    buildResults(central);
    buildReportCard(central);

    sbMain = new StatusBar(this);
    pnlStatus = sbMain->textPanel();
    sbMain->setFixedHeight(twips(480));
    setStatusBar(sbMain);
    connect(sbMain, &StatusBar::hovered, this, [this] { statusBarHovered(); });

    setWindowTitle(QStringLiteral(" Numio"));
    // A fixed window: a title and a close box, nothing to minimise or maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void FrmMain::buildResults(QWidget* central) {
    Frame1 = new QGroupBox(QStringLiteral("Výsledky"), central);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(twipsRect(0, 2310, 8010, 1815));
    const QFont small = programFont(8.25);
    const QFont value = programFont(8.25, true);
    label(Frame1, nullptr, QStringLiteral("Zkoušeno příkladů :"), twipsRect(240, 420, 1935, 255), small);
    dfPrikladu = label(Frame1, "dfPrikladu", {}, twipsRect(2205, 420, 525, 315), value);
    label(Frame1, nullptr, QStringLiteral("z toho správně :"), twipsRect(420, 840, 1695, 255), small);
    dfDobre = label(Frame1, "dfDobre", {}, twipsRect(2205, 840, 540, 330), value);
    label(Frame1, nullptr, QStringLiteral("s toho špatně :"), twipsRect(525, 1260, 1590, 255), small);
    dfSpatne = label(Frame1, "dfSpatne", {}, twipsRect(2205, 1260, 540, 330), value);
    label(Frame1, nullptr, QStringLiteral("Úspěšnost : "), twipsRect(3750, 450, 1215, 315), small);
    dfUspech = label(Frame1, "dfUspech", {}, twipsRect(5025, 450, 615, 315), value);
    dfSpravne = label(Frame1, "dfSpravne", {}, twipsRect(3750, 900, 3255, 660), programFont(26.25, true));
    dfZnamka = label(Frame1, "dfZnamka", {}, twipsRect(7035, 315, 765, 1365), programFont(48, true),
                     Qt::AlignCenter);

    // A value label's text is what a screen reader reads as its name; the description says what it is.
    markValueLabel(dfPrikladu, QStringLiteral("Zkoušeno příkladů"));
    markValueLabel(dfDobre, QStringLiteral("Z toho správně"));
    markValueLabel(dfSpatne, QStringLiteral("Z toho špatně"));
    markValueLabel(dfUspech, QStringLiteral("Úspěšnost"));
    markValueLabel(dfSpravne, QStringLiteral("Správné řešení"));
    markValueLabel(dfZnamka, QStringLiteral("Známka"));

    // A dark face lets the light yellow and light red correction stand out.
    QPalette correction = dfSpravne->palette();
    correction.setColor(QPalette::Window, QColor(64, 64, 64));
    dfSpravne->setPalette(correction);

    pbStop = new QPushButton(Frame1);
    pbStop->setObjectName(QStringLiteral("pbStop"));
    pbStop->setGeometry(twipsRect(6405, 300, 615, 615));
    pbStop->setIcon(pictureIcon(QStringLiteral("stop.svg")));
    pbStop->setIconSize(QSize(30, 30));
    pbStop->setToolTip(QStringLiteral("Ukončení zkoušení"));
    pbStop->setAccessibleName(QStringLiteral("Ukončení zkoušení"));
    pbStop->hide();
    connect(pbStop, &QPushButton::clicked, this, [this] { exam_.run(Command::Stop); });
}

void FrmMain::buildReportCard(QWidget* central) {
    frmVysvedceni = new QFrame(central);
    frmVysvedceni->setObjectName(QStringLiteral("frmVysvedceni"));
    frmVysvedceni->setGeometry(twipsRect(0, 0, 8040, 2265));
    frmVysvedceni->setFrameShape(QFrame::Box);
    frmVysvedceni->setAutoFillBackground(true);
    frmVysvedceni->setAccessibleName(QStringLiteral("Vysvědčení"));

    QLabel* title = label(frmVysvedceni, "lbVysvedceni", QStringLiteral("V Y S V Ě D Č E N Í"),
                          twipsRect(105, 210, 7680, 840), programFont(27.75, true), Qt::AlignCenter);
    QPalette blue = title->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    title->setPalette(blue);

    lbVizo = label(frmVysvedceni, "lbVizo", {}, twipsRect(3465, 840, 1140, 1350), programFont(48, true),
                   Qt::AlignCenter);
    QPalette red = lbVizo->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    lbVizo->setPalette(red);
    markValueLabel(lbVizo, QStringLiteral("Známka na vysvědčení"));

    pbOK = new QPushButton(QStringLiteral("OK"), frmVysvedceni);
    pbOK->setObjectName(QStringLiteral("pbOK"));
    pbOK->setGeometry(twipsRect(6615, 1785, 1290, 390));
    connect(pbOK, &QPushButton::clicked, this, [this] { exam_.run(Command::CardOk); });
    frmVysvedceni->hide();
}

bool FrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this) {
            bool discard = false;
            exam_.guarded([&] { discard = Form_KeyPress(static_cast<QKeyEvent*>(event)); });
            if (discard)
                return true;
        }
    } else if (event->type() == QEvent::MouseMove && watched == centralWidget()) {
        surfaceHovered();
    }
    return QMainWindow::eventFilter(watched, event);
}

// The window sees every key before the focused control. Only keys it discards have an effect,
// so a key that passes and travels on to a parent widget is harmless when seen again.
bool FrmMain::Form_KeyPress(QKeyEvent* event) {
    const int key = event->key();
    static const int modifiers[] = {Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt, Qt::Key_Meta, Qt::Key_AltGr};
    if (std::find(std::begin(modifiers), std::end(modifiers), key) != std::end(modifiers))
        return false;
    // While the correction shows, any key only ends it.
    const Phase& phase = exam_.phase();
    if (phase.overlay == Overlay::Correction) {
        exam_.run(Command::EndCorrection);
        return true;
    }
    if (phase.overlay == Overlay::Loading && key == Qt::Key_Escape) {
        exam_.run(Command::Stop);
        return true;
    }
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (!enter)
        return false;
    if (exam_.running()) {
        exam_.answer(dfResult->text());
        return true;
    }
    if (phase.overlay == Overlay::CardShown || phase.overlay == Overlay::CardSliding) {
        exam_.run(Command::CardOk); // the card's OK answers to Enter like a dialog's default button
        return true;
    }
    return false;
}

void FrmMain::statusBarHovered() {
    if (pnlStatus->text() != kBanner) {
        sStatusText = pnlStatus->text();
        pnlStatus->setText(kBanner);
    }
}

void FrmMain::surfaceHovered() {
    if (pnlStatus->text() == kBanner)
        pnlStatus->setText(sStatusText);
}

// ---- the examination's view ----

void FrmMain::showProblem(const QString& text, const QString& spoken, const QString& place) {
    lbLeft->setText(text);
    fitText(lbLeft, 48);
    lblPlace->setText(place);
    // The pupil's screen reader speaks the new problem without the focus leaving the answer box.
    dfResult->setAccessibleDescription((place.isEmpty() ? QString() : place + QStringLiteral(". ")) + spoken +
                                       QLatin1Char(' ') + kAnswerHint);
    QAccessibleEvent said(dfResult, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&said);
}

QString FrmMain::typedAnswer() const {
    return dfResult->text();
}

void FrmMain::clearAnswer() {
    dfResult->clear();
}

void FrmMain::focusAnswer() {
    dfResult->setFocus();
}

void FrmMain::showCounts(const Counts& c) {
    dfPrikladu->setText(c.done);
    dfDobre->setText(c.right);
    dfSpatne->setText(c.wrong);
    dfUspech->setText(c.rate);
    dfZnamka->setText(c.grade);
}

void FrmMain::showGradeBox(bool shown) {
    dfZnamka->setVisible(shown);
}

void FrmMain::showResultsTitle(const QString& title) {
    Frame1->setTitle(title);
}

void FrmMain::showCorrection(const QString& text, Blink blink) {
    dfSpravne->setText(text);
    dfSpravne->setAutoFillBackground(blink != Blink::Off);
    if (blink == Blink::Off)
        return;
    QPalette p = dfSpravne->palette();
    p.setColor(QPalette::WindowText, blink == Blink::Yellow ? QColor(255, 255, 0) : QColor(255, 0, 0));
    dfSpravne->setPalette(p);
}

void FrmMain::showProgress(bool shown, int value, int maximum) {
    Progress->setVisible(shown);
    if (!shown)
        return;
    Progress->setRange(0, maximum);
    Progress->setValue(value);
}

void FrmMain::showCard(int leftTwips, const QString& grade) {
    frmVysvedceni->move(leftTwips / 15, frmVysvedceni->y());
    lbVizo->setText(grade);
    frmVysvedceni->raise();
}

void FrmMain::showStatus(const QString& text) {
    pnlStatus->setText(text);
}

void FrmMain::beep() {
    doors_.pacer.beep();
}

// Every enabled, visible and caption state of the window follows from the phase.
void FrmMain::showLook(const Look& look) {
    mnuPocitej->setEnabled(look.startPractice);
    mnuPocitejSady->setEnabled(look.startSet);
    mnuOpakujSpatne->setEnabled(look.startRepeat);
    weakPracticeItem->setEnabled(look.startWeakPractice);
    weakSetItem->setEnabled(look.startWeakSet);
    mnuStop->setEnabled(look.stopItem);
    mnuNastaveni->setEnabled(look.settings);
    pupilsItem->setEnabled(look.settings);
    setMenuEnabled(mnuNumio, look.numioMenu);
    setMenuEnabled(mnuProtokol, look.protokolMenu);
    pbStop->setEnabled(look.stopButton);
    pbStop->setVisible(look.stopButton);
    lbLeft->setVisible(look.problemShown);
    lblPlace->setVisible(look.problemShown);
    lb1->setVisible(look.problemShown);
    dfResult->parentWidget()->setVisible(look.problemShown);
    dfResult->setVisible(look.problemShown);
    dfResult->setEnabled(look.answerEnabled);
    frmVysvedceni->setVisible(look.card);
    pbOK->setEnabled(look.cardOk);
    if (look.cardOk)
        pbOK->setFocus();
    if (look.busyPointer)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
    setWindowTitle(QString::fromUtf8(look.caption));
    showIdleHint(look);
}

// The idle window names the ways to start that are open now; with nothing to practise, the way
// to the settings.
void FrmMain::showIdleHint(const Look& look) {
    const bool idle = !look.problemShown && !look.card && look.numioMenu;
    QStringList ways;
    if (look.startPractice)
        ways << QStringLiteral("Shift+F5 počítej");
    if (look.startSet)
        ways << QStringLiteral("F5 sada příkladů");
    if (look.startRepeat)
        ways << QStringLiteral("F6 opakuj chybné");
    if (look.startWeakPractice)
        ways << QStringLiteral("F8 co ještě neumí");
    if (!look.startPractice && look.settings) {
        // A setting that leaves a chosen operation nothing to ask is named.
        ways << QStringLiteral("F2 nastavení – ") + settingToChange(exam_.settings());
    }
    ways << QStringLiteral("F1 nápověda");
    const QString text = ways.join(QStringLiteral(" · "));
    if (idleHint->text() != text) {
        idleHint->setText(text);
        idleHint->setAccessibleName(text);
    }
    idleHint->setVisible(idle);
}

} // namespace numio
