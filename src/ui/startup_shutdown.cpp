#include "ui/main_window.h"

#include "core/settings.h"
#include "platform/failure.h"
#include "protocol/protocol_file.h"
#include "protocol/protocol_writer.h"
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
    state.fso = &doors_.files;
    pupils_ = std::make_unique<PupilList>(doors_.store);
    exam_.guarded([this] { pupils_->checkIntact(); });
    // With no pupil the program's own settings, as it has always been.
    if (pupils_->empty())
        exam_.guarded([this] { LoadSettings(state, store_); });
    else
        exam_.guarded([this] { switchTo(startingPupil()); });
    exam_.guarded([this] { exam_.ApplySettings(); });
    exam_.guarded([this] { exam_.ZkouseniIniciate(false); });
}

void FrmMain::mnuNastaveni_Click() {
    exam_.modal([this] {
        SettingsDialog dialog(state, store_, exam_.dialogs(), this);
        dialog.exec();
    });
    exam_.ApplySettingsReported();
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

void FrmMain::mnuKonec_Click() {
    if (!mayQuit())
        return;
    if (state.bProtokolOpen)
        CloseProtokol(state);
    endProgram();
    close();
}

// A journal switched off in the settings gets nothing more, also when its file is still open.
void FrmMain::writeShutdownLine() {
    if (state.bProtokol && state.bProtokolOpen)
        WriteShutdownLine(state);
}

void FrmMain::closeEvent(QCloseEvent* event) {
    if (exam_.phase().overlay == Overlay::Ending) {
        event->accept();
        return;
    }
    bool refuse = false;
    exam_.guarded([&] {
        if (!mayQuit()) {
            refuse = true;
            return;
        }
        writeShutdownLine();
    });
    if (refuse) {
        event->ignore();
        return;
    }
    endProgram();
    event->accept();
}

void FrmMain::endOnRequest() {
    exam_.guarded([this] {
        writeShutdownLine();
        endProgram();
        close();
    });
}

// Ends at once: no handler runs after this, and nothing is stored.
void FrmMain::endProgram() {
    exam_.end();
    if (onEnd)
        onEnd();
}

} // namespace numio
