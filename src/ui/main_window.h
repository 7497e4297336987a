#pragma once

#include "core/practice_state.h"
#include "exam/phase.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/failure.h"
#include "platform/pacer.h"
#include "platform/periodic_timer.h"
#include "platform/random_source.h"
#include "platform/settings_store.h"
#include "platform/text_files.h"

#include <QMainWindow>
#include <functional>

class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;

namespace numio {

class DigitBox;
class StatusBar;

// The platform doors the window works through; tests hand in fakes.
struct Doors {
    SettingsStore& store;
    TextFiles& files;
    RandomSource& random;
    Clock& clock;
    Dialogs& dialogs;
    Pacer& pacer;
    PeriodicTimer& Cas;
};

// The main window: owns the practice state and every control; the procedures of the
// examination live in exam/, the protocol's in protocol/, the frame's in ui/.
class FrmMain : public QMainWindow {
    Q_OBJECT
  public:
    explicit FrmMain(Doors doors, QWidget* parent = nullptr);
    ~FrmMain() override;

    // Start-up: load and apply the settings, then the idle look. Runs before the window shows.
    void Form_Load();

    // Called when the program ends at once ("Konec", or the window closed); quits the
    // application unless a test replaces it.
    std::function<void()> onEnd;

    // Pace of the timed phases.
    int blinkPhaseMs = 250;
    int slideFrameMs = 28;

    // Where the examination stands: the mode and what lies over it.
    const Phase& phase() const { return phase_; }

    PracticeState state;

    // Controls, named as the program names them.
    QMenu* mnuNumio = nullptr;
    QAction* mnuPocitej = nullptr;
    QAction* mnuPocitejSady = nullptr;
    QAction* mnuOpakujSpatne = nullptr;
    QAction* mnuStop = nullptr;
    QAction* mnuNastaveni = nullptr;
    QAction* mnuNapoveda = nullptr;
    QAction* mnuAbout = nullptr;
    QAction* mnuKonec = nullptr;
    QMenu* mnuProtokol = nullptr;
    QAction* mnuShowProtokol = nullptr;
    QAction* mnuDelete = nullptr;
    QAction* mnuPrehled = nullptr;

    QLabel* lbLeft = nullptr;
    QLabel* lb1 = nullptr;
    DigitBox* dfResult = nullptr;
    QProgressBar* Progress = nullptr;
    QGroupBox* Frame1 = nullptr;
    QLabel* dfPrikladu = nullptr;
    QLabel* dfDobre = nullptr;
    QLabel* dfSpatne = nullptr;
    QLabel* dfUspech = nullptr;
    QLabel* dfSpravne = nullptr;
    QLabel* dfZnamka = nullptr;
    QPushButton* pbStop = nullptr;
    QFrame* frmVysvedceni = nullptr;
    QLabel* lbVizo = nullptr;
    QPushButton* pbOK = nullptr;
    StatusBar* sbMain = nullptr;

    // Public operations.
    void VytvorPriklad();
    void Vysledek(const Integer& nOdpoved);
    void ZkouseniIniciate(const bool& Start);

    // Procedures shared across the window's parts.
    void UpdateScore();
    void ShowWrongAnswer();
    void WriteProtokol(const QString& kind);
    void ApplySettings();
    void ShowVysvedceni();
    void StartOpravy();

    // Handlers (each runs guarded: a failure is reported and the program goes on).
    void mnuPocitej_Click();
    void mnuPocitejSady_Click();
    void mnuOpakujSpatne_Click();
    void mnuStop_Click();
    void mnuNastaveni_Click();
    void mnuNapoveda_Click();
    void mnuAbout_Click();
    void mnuKonec_Click();
    void mnuProtokol_Open();
    void mnuShowProtokol_Click();
    void mnuDelete_Click();
    void mnuPrehled_Click();
    // Puts the given repeat-list entries in place of the list and repeats them.
    void practiseProblems(const QStringList& entries);
    void pbOK_Click();
    void Cas_Timer();
    // The session asks the program to end: the shutdown record, then the end, with no question.
    void endOnRequest();

    // The hover banner of the status bar.
    static const QString kBanner;
    static const QString kNoModeText;
    static const QString kAnswerHint;
    void statusBarHovered();
    void surfaceHovered();

    bool reportCardShown() const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    // The Dialogs door as the window's procedures use it: every box it opens is a modal phase.
    class ModalDialogs : public Dialogs {
      public:
        ModalDialogs(FrmMain& window, Dialogs& inner) : window_(window), inner_(inner) {}
        Answer message(const QString& text, const QString& title, Buttons buttons, Icon icon,
                       Answer defaultButton) override;
        QString chooseFile(const QString& title, const QString& filter, const QString& folder) override;

      private:
        FrmMain& window_;
        Dialogs& inner_;
    };

    void buildWindow();
    void buildMenus();
    void buildResults(QWidget* central);
    void buildReportCard(QWidget* central);

    bool Form_KeyPress(QKeyEvent* event); // true: the key is discarded
    void setStatus(const QString& text);
    QString remainingSetTimeText() const;

    // The phase machine.
    Conditions conditions() const;
    Admission admission(Command command) const { return admit(phase_, conditions(), command); }
    bool may(Command command) const { return admission(command) == Admission::Run; }
    void applyLook();
    void setOverlay(Overlay overlay);
    void resumeWaiting();
    template <class F> auto modal(F&& body);

    void startCountdown();
    void perProblemTick();
    void setLimitTick();
    void expireSetLimit();
    void timedOut();
    void wrongAnswerCounted();
    void afterAnswer();
    void phaseStep();
    void blinkStep();
    void endCorrection();
    void slideStep();
    void makeRepeatOffer();
    bool askToQuit();
    bool ApplySettingsReported(); // false: a failure was reported
    void reportFailure(const class Failure& f);
    Integer perProblemLimit() const;
    Integer setLimitMinutes() const;
    void endProgram();
    bool examRunning() const { return state.bPocitej || state.bPocitejSady; }

    template <class F> void guarded(F&& handler);
    void run(Command command, void (FrmMain::*handler)());

    Doors doors_;
    ModalDialogs dialogs_;
    Phase phase_;
    int modalDepth_ = 0;
    bool tickWaiting_ = false; // a countdown tick held back by the phase
    bool stepWaiting_ = false; // a blink or slide step held back by a message box
    int step_ = 0;             // blink phase or slide frame
    bool repeatStopOffered_ = false;
    void (FrmMain::*afterCorrection_)() = nullptr; // counts the answer once its correction ends
    int handlerDepth_ = 0;
};

// Runs one handler; a failure that escapes it is reported and the program goes on in the
// state the failure left.
// Once the outermost handler has ended, what the phase held back gets its turn.
template <class F> void FrmMain::guarded(F&& handler) {
    if (phase_.overlay == Overlay::Ending)
        return;
    ++handlerDepth_;
    try {
        handler();
    } catch (const Failure& f) {
        reportFailure(f);
    } catch (const std::exception& e) {
        reportFailure(Failure(51, QStringLiteral("Vnitřní chyba: ") + QString::fromLocal8Bit(e.what())));
    }
    if (--handlerDepth_ == 0)
        resumeWaiting();
}

// Runs `body` (a message box or a dialog's exec) as a modal phase: timers that fire meanwhile
// keep their turn until it has closed.
template <class F> auto FrmMain::modal(F&& body) {
    struct Depth {
        FrmMain& w;
        explicit Depth(FrmMain& window) : w(window) {
            ++w.modalDepth_;
            w.phase_.modal = true;
        }
        ~Depth() { w.phase_.modal = --w.modalDepth_ > 0; }
    } depth(*this);
    return body();
}

} // namespace numio
