#include "ui/main_window.h"

#include "core/generator.h"
#include "core/settings.h"
#include "platform/failure.h"
#include "protocol/protocol_file.h"
#include "protocol/protocol_writer.h"
#include "ui/about_dialog.h"
#include "ui/help_window.h"
#include "ui/settings_dialog.h"
#include "ui/status_bar.h"

#include <QCloseEvent>
#include <QFrame>
#include <QMenu>

namespace numio {

namespace {
const QString kQuitQuestion = QStringLiteral("Skutečně si přejete ukončit aplikaci ?");
const QString kQuitTitle = QStringLiteral("Potvrzení ukončení programu");
} // namespace

void FrmMain::Form_Load() {
    // Each step that fails is reported and start-up goes on with the next one.
    state.fso = &doors_.files;
    state.pnlStatus = sbMain->textPanel();
    guarded([this] { LoadSettings(state, doors_.store); });
    guarded([this] { ApplySettings(); });
    guarded([this] { ZkouseniIniciate(false); });
}

void FrmMain::mnuNastaveni_Click() {
    modal([this] {
        SettingsDialog dialog(state, doors_.store, dialogs_, this);
        dialog.exec();
    });
    ApplySettingsReported();
}

void FrmMain::mnuNapoveda_Click() {
    modal([this] {
        HelpWindow help(this);
        help.exec();
    });
}

void FrmMain::mnuAbout_Click() {
    modal([this] {
        AboutDialog about(this);
        about.exec();
    });
}

bool FrmMain::askToQuit() {
    return dialogs_.message(kQuitQuestion, kQuitTitle, Dialogs::Buttons::YesNo, Dialogs::Icon::Question,
                            Dialogs::Answer::Yes) == Dialogs::Answer::Yes;
}

void FrmMain::mnuKonec_Click() {
    if (examRunning() && !askToQuit())
        return;
    if (state.bProtokolOpen)
        CloseProtokol(state);
    endProgram();
    close();
}

void FrmMain::closeEvent(QCloseEvent* event) {
    if (phase_.overlay == Overlay::Ending) {
        event->accept();
        return;
    }
    bool refuse = false;
    guarded([&] {
        if (examRunning() && !askToQuit()) {
            refuse = true;
            return;
        }
        if (state.bProtokolOpen)
            WriteShutdownLine(state);
    });
    if (refuse) {
        event->ignore();
        return;
    }
    endProgram();
    event->accept();
}

void FrmMain::endOnRequest() {
    guarded([this] {
        if (state.bProtokolOpen)
            WriteShutdownLine(state);
        endProgram();
        close();
    });
}

// Ends at once: no handler runs after this, and nothing is stored.
void FrmMain::endProgram() {
    phase_.overlay = Overlay::Ending;
    doors_.pacer.stop();
    doors_.Cas.setEnabled(false);
    state.tsProtokol.reset();
    if (onEnd)
        onEnd();
}

} // namespace numio
