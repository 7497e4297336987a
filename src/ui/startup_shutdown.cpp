#include "ui/main_window.h"

#include "platform/failure.h"
#include "ui/about_dialog.h"
#include "ui/answers_place.h"
#include "ui/help_window.h"
#include "ui/settings_dialog.h"
#include "ui/status_bar.h"

#include <QCloseEvent>

namespace numio {

namespace {
const QString kQuitQuestion = QStringLiteral("Skutečně si přejete ukončit aplikaci ?");
const QString kQuitTitle = QStringLiteral("Potvrzení ukončení programu");
} // namespace

void FrmMain::Form_Load() {
    // Each step that fails is reported and start-up goes on with the next one.
    exam_.guarded([this] { session_.list().checkIntact(); });
    exam_.guarded([this] {
        if (session_.list().empty()) {
            tell(session_.startWithoutPupils());
            return;
        }
        const std::optional<Pupil> pupil = startingPupil();
        sbMain->setPupil(pupil ? pupil->name : QString());
        tell(session_.practise(pupil));
    });
    exam_.guarded([this] { exam_.ZkouseniIniciate(false); });
}

// The dialog edits a copy; only OK puts it in force.
void FrmMain::mnuNastaveni_Click() {
    StoredSettings settings = exam_.settings();
    const bool accepted = exam_.modal([&] {
        SettingsDialog dialog(settings, session_.settingsStore(), exam_.dialogs(), this,
                              session_.pupilName());
        return dialog.exec() == QDialog::Accepted;
    });
    if (!accepted)
        return;
    exam_.guarded([&] { followAnswersPlace(session_, exam_.dialogs(), exam_.settings(), settings); });
    session_.applySettings(settings);
}

void FrmMain::mnuNapoveda_Click() {
    exam_.modal([this] {
        HelpWindow help(this);
        help.exec();
    });
}

void FrmMain::mnuAbout_Click() {
    exam_.modal([this] {
        AboutDialog about(this);
        about.exec();
    });
}

// A running examination asks first; a repeat run ends without a question, as it always has.
bool FrmMain::mayQuit() {
    return !exam_.running() || exam_.phase().mode == Mode::Repeat ||
           exam_.dialogs().message(kQuitQuestion, kQuitTitle, Dialogs::Buttons::YesNo,
                                   Dialogs::Icon::Question, Dialogs::Answer::Yes) == Dialogs::Answer::Yes;
}

// "Konec" closes the journal without the shutdown line.
void FrmMain::mnuKonec_Click() {
    if (!mayQuit())
        return;
    endProgram(false);
    close();
}

// The end comes in the same handler as the question's answer, so nothing held behind the question
// runs after the shutdown line.
void FrmMain::closeEvent(QCloseEvent* event) {
    if (exam_.phase().overlay == Overlay::Ending) {
        event->accept();
        return;
    }
    bool ended = false;
    exam_.guarded([&] {
        if (mayQuit()) {
            endProgram(true);
            ended = true;
        }
    });
    if (ended)
        event->accept();
    else
        event->ignore();
}

void FrmMain::endOnRequest() {
    exam_.guarded([this] {
        endProgram(true);
        close();
    });
}

// Ends at once: no handler runs after this, and nothing is stored.
void FrmMain::endProgram(bool shutdownLine) {
    exam_.end(shutdownLine);
    if (onEnd)
        onEnd();
}

} // namespace numio
