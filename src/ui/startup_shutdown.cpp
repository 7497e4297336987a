#include "ui/main_window.h"

#include "core/generator.h"
#include "core/settings.h"
#include "platform/failure.h"
#include "protocol/protocol_file.h"
#include "protocol/protocol_writer.h"
#include "ui/about_dialog.h"
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
    auto step = [this](auto&& body) {
        try {
            body();
        } catch (const Failure& f) {
            reportFailure(f);
        }
    };
    state.fso = &doors_.files;
    step([this] { state.pnlStatus = sbMain->textPanel(); });
    step([this] { frmVysvedceni->hide(); });
    step([this] { LoadSettings(state, doors_.store); });
    step([this] { ApplySettings(); });
    step([this] { ZkouseniIniciate(false); });
}

void FrmMain::mnuNumio_Open() {
    if (!anyOperationAdmitsProblem(state)) {
        mnuPocitej->setEnabled(false);
        mnuPocitejSady->setEnabled(false);
    } else if (!state.modeRunning()) {
        // A set of no problems could neither end by its count nor be stopped.
        mnuPocitejSady->setEnabled(state.nSada >= 1);
    }
}

void FrmMain::mnuNastaveni_Click() {
    if (!mnuNastaveni->isEnabled() || !mnuNumio->isEnabled() || state.modeRunning())
        return;
    {
        SettingsDialog dialog(state, doors_.store, doors_.dialogs, this);
        dialog.exec();
    }
    ApplySettingsReported();
}

void FrmMain::mnuAbout_Click() {
    if (!mnuNumio->isEnabled())
        return;
    AboutDialog about(this);
    about.exec();
}

void FrmMain::mnuKonec_Click() {
    if (!mnuNumio->isEnabled())
        return;
    if (examRunning() &&
        doors_.dialogs.message(kQuitQuestion, kQuitTitle, Dialogs::Buttons::YesNo, Dialogs::Icon::Question,
                               Dialogs::Answer::Yes) != Dialogs::Answer::Yes)
        return;
    if (state.bProtokolOpen)
        CloseProtokol(state);
    endProgram();
    close();
}

void FrmMain::closeEvent(QCloseEvent* event) {
    if (ending_) {
        event->accept();
        return;
    }
    bool refuse = false;
    guarded([&] {
        if (examRunning() &&
            doors_.dialogs.message(kQuitQuestion, kQuitTitle, Dialogs::Buttons::YesNo,
                                   Dialogs::Icon::Question, Dialogs::Answer::Yes) != Dialogs::Answer::Yes) {
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

// Ends at once: no handler runs after this, and nothing is stored.
void FrmMain::endProgram() {
    ending_ = true;
    doors_.Cas.setEnabled(false);
    state.tsProtokol.reset();
    if (onEnd)
        onEnd();
}

} // namespace numio
