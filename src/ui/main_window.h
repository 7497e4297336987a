#pragma once

#include "core/pupils.h"
#include "exam/examination.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/pacer.h"
#include "platform/periodic_timer.h"
#include "platform/random_source.h"
#include "platform/settings_store.h"
#include "platform/text_files.h"
#include "pupil/pupil_session.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;

namespace numio {

class DigitBox;
class Reports;
class StatusBar;
struct KnowledgeMapInput;

// The platform doors the window works through; tests hand in fakes.
struct Doors {
    SettingsStore& store;
    TextFiles& files;
    RandomSource& random;
    Clock& clock;
    Dialogs& dialogs;
    Pacer& pacer;
    PeriodicTimer& Cas;
    // The overviews' plug-in, loaded when first asked for; throws Failure 53 when it cannot be.
    Reports& (*reports)() = nullptr;
};

// The main window: the view of the examination and of who practises (the pupil session), and the
// source of their commands. It builds the controls, turns menu items, keys and buttons into commands
// and shows what they decide; the settings, about, help and protocol commands are its own.
class FrmMain : public QMainWindow, private ExamView {
    Q_OBJECT
  public:
    FrmMain(Doors doors, PupilSession& session, QWidget* parent = nullptr);
    ~FrmMain() override;

    // Start-up: load and apply the settings, then the idle look. Runs before the window shows.
    void Form_Load();

    // Called when the program ends at once ("Konec", or the window closed); quits the
    // application unless a test replaces it.
    std::function<void()> onEnd;

    exam::Examination& exam() { return exam_; }
    const exam::Examination& exam() const { return exam_; }

    // The session asks the program to end: the shutdown record, then the end, with no question.
    void endOnRequest();

    // The hover banner of the status bar.
    static const QString kBanner;
    static const QString kAnswerHint;
    void statusBarHovered();
    void surfaceHovered();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    // The view.
    void showProblem(const QString& text, const QString& spoken, const QString& place) override;
    QString typedAnswer() const override;
    void clearAnswer() override;
    void focusAnswer() override;
    void showCounts(const Counts& counts) override;
    void showGradeBox(bool shown) override;
    void showResultsTitle(const QString& title) override;
    void showCorrection(const QString& text, Blink blink) override;
    void showProgress(bool shown, int value, int maximum) override;
    void showCard(int leftTwips, const QString& grade) override;
    void showStatus(const QString& text) override;
    void showLook(const Look& look) override;
    void showSettings(const PracticeState& state) override;
    void beep() override;

    void buildWindow();
    void buildMenus();
    void buildResults(QWidget* central);
    void buildReportCard(QWidget* central);
    void showIdleHint(const Look& look);

    bool Form_KeyPress(QKeyEvent* event); // true: the key is discarded

    void mnuNastaveni_Click();
    void mnuNapoveda_Click();
    void mnuAbout_Click();
    void mnuKonec_Click();
    void mnuProtokol_Open();
    void mnuShowProtokol_Click();
    void mnuDelete_Click();
    void openResultsOverview();
    void openClassOverview();
    void openKnowledgeMap();
    void openWorksheet();
    KnowledgeMapInput answersInput();
    Reports& reports();
    void managePupils();
    // The pupil chosen last, or the one picked at start-up when there are several.
    std::optional<Pupil> startingPupil();
    // Tells what a command of the session handed back, in order.
    void tell(const QList<Failure>& failures);
    bool mayQuit();
    void endProgram(bool shutdownLine);

    Doors doors_;
    PupilSession& session_;
    exam::Examination exam_;

    // Controls, named as the program names them.
    QMenu* mnuNumio = nullptr;
    QAction* mnuPocitej = nullptr;
    QAction* mnuPocitejSady = nullptr;
    QAction* mnuOpakujSpatne = nullptr;
    QAction* weakPracticeItem = nullptr;
    QAction* weakSetItem = nullptr;
    QAction* mnuStop = nullptr;
    QAction* mnuNastaveni = nullptr;
    QAction* pupilsItem = nullptr;
    QAction* mnuNapoveda = nullptr;
    QAction* mnuAbout = nullptr;
    QAction* mnuKonec = nullptr;
    QMenu* mnuProtokol = nullptr;
    QAction* mnuShowProtokol = nullptr;
    QAction* mnuDelete = nullptr;
    QAction* overviewItem = nullptr;
    QAction* classOverviewItem = nullptr;
    QAction* knowledgeMapItem = nullptr;
    QAction* worksheetItem = nullptr;

    QLabel* lbLeft = nullptr;
    QLabel* lb1 = nullptr;
    QLabel* idleHint = nullptr; // the ways to start, while no problem shows
    QLabel* lblPlace = nullptr; // "Příklad 4 z 10" in a set
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
    QLabel* pnlStatus = nullptr;
    QString sStatusText; // the status text the banner covers
};

} // namespace numio
