#include "ui/main_window.h"

#include "core/answer_store.h"

#include "core/settings.h"
#include "platform/failure.h"
#include "ui/about_dialog.h"
#include "ui/help_window.h"
#include "ui/settings_dialog.h"

#include <QCloseEvent>

namespace numio {

namespace {
const QString kQuitQuestion = QStringLiteral("Skutečně si přejete ukončit aplikaci ?");
const QString kQuitTitle = QStringLiteral("Potvrzení ukončení programu");
} // namespace

void FrmMain::Form_Load() {
    // Each step that fails is reported and start-up goes on with the next one.
    pupils_ = std::make_unique<PupilList>(doors_.store);
    // A removed pupil's answers stay under his id too: a new pupil is not given them unasked.
    if (!doors_.dataFolder.isEmpty())
        pupils_->setOtherFiles([folder = doors_.dataFolder](const QString& id) {
            return answerStoreFiles(answerStorePath(folder, id));
        });
    exam_.guarded([this] { pupils_->checkIntact(); });
    // With no pupil the program's own settings, as it has always been. A bad value has taken its
    // default and the rest is in force.
    if (pupils_->empty()) {
        StoredSettings settings;
        bool journalUsable = true;
        exam_.guarded([&] { LoadSettings(settings, store_); });
        exam_.guarded([&] {
            try {
                checkJournalOutsideSettings(settings, store_);
            } catch (const Failure&) {
                journalUsable = false;
                throw;
            }
        });
        exam_.guarded([&] { exam_.changeSettings(settings, journalUsable); });
    } else {
        exam_.guarded([this] { switchTo(startingPupil()); });
    }
    exam_.guarded([this] { followAnswerStore(); });
    exam_.guarded([this] { exam_.ZkouseniIniciate(false); });
}

// The dialog edits a copy; only OK puts it in force.
void FrmMain::mnuNastaveni_Click() {
    StoredSettings settings = exam_.settings();
    const bool accepted = exam_.modal([&] {
        SettingsDialog dialog(settings, store_, exam_.dialogs(), this, pupilName());
        return dialog.exec() == QDialog::Accepted;
    });
    if (!accepted)
        return;
    // Remembering follows the settings also when the journal they name cannot be opened.
    try {
        exam_.changeSettings(settings);
    } catch (const Failure&) {
        followAnswerStore();
        throw;
    }
    followAnswerStore();
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
