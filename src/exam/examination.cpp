#include "ui/main_window.h"

#include "ui/look.h"

#include "core/generator.h"
#include "ui/digit_box.h"
#include "ui/status_bar.h"

#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>

namespace numio {

Conditions FrmMain::conditions() const {
    Conditions c;
    c.problemPossible = anyOperationAdmitsProblem(state);
    c.setSizeValid = state.nSada >= 1; // a set of no problems could neither end nor be stopped
    c.wrongListed = state.nSpatnePriklady > 0;
    c.protocolOn = state.bProtokol;
    c.repeatStopOffered = repeatStopOffered_;
    return c;
}

// Every enabled, visible and caption state of the window follows from the phase.
void FrmMain::applyLook() {
    const Look look = lookOf(phase_, conditions());
    mnuPocitej->setEnabled(look.startPractice);
    mnuPocitejSady->setEnabled(look.startSet);
    mnuOpakujSpatne->setEnabled(look.startRepeat);
    mnuStop->setEnabled(look.stopItem);
    mnuNastaveni->setEnabled(look.settings);
    setMenuEnabled(mnuNumio, look.numioMenu);
    setMenuEnabled(mnuProtokol, look.protokolMenu);
    pbStop->setEnabled(look.stopButton);
    pbStop->setVisible(look.stopButton);
    lbLeft->setVisible(look.problemShown);
    lb1->setVisible(look.problemShown);
    dfResult->parentWidget()->setVisible(look.problemShown);
    dfResult->setVisible(look.problemShown);
    dfResult->setEnabled(look.answerEnabled);
    const bool card = phase_.overlay == Overlay::CardSliding || phase_.overlay == Overlay::CardShown;
    frmVysvedceni->setVisible(card);
    pbOK->setEnabled(phase_.overlay == Overlay::CardShown);
    if (look.busyPointer)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
    setWindowTitle(QString::fromUtf8(look.caption));
}

void FrmMain::setOverlay(Overlay overlay) {
    phase_.overlay = overlay;
    applyLook();
}

// Start = true begins the examination whose flag the caller has just set; anything else ends
// whatever runs and leaves the idle look.
void FrmMain::ZkouseniIniciate(const bool& Start) {
    if (Start) {
        phase_.mode = state.bOpravy ? Mode::Repeat : state.bPocitejSady ? Mode::Sets : Mode::Practice;
        repeatStopOffered_ = false;
        tickWaiting_ = false;
        state.nPrikladID = 0;
        state.nSpatne = 0;
        applyLook();
        if (state.bProtokol)
            WriteProtokol(QStringLiteral("INIT"));
        startCountdown();
        for (QLabel* l : {dfPrikladu, dfDobre, dfSpatne})
            l->setText(QStringLiteral("0"));
        dfResult->clear();
        dfSpravne->clear();
        dfZnamka->show();
        dfZnamka->clear();
        dfUspech->clear();
        lbVizo->clear();
        dfResult->setFocus();
        if (state.bOpravy) {
            Frame1->setTitle(QStringLiteral("Výsledky oprav "));
        } else {
            state.clearRepeatList();
            Frame1->setTitle(QStringLiteral("Výsledky"));
        }
        return;
    }

    Progress->hide();
    // Idle without any possible problem keeps saying why nothing can start.
    setStatus(anyOperationAdmitsProblem(state) ? QString() : kNoModeText);
    state.bPocitej = false;
    state.bPocitejSady = false;
    phase_.mode = Mode::Idle;
    tickWaiting_ = false;
    applyLook();
    if (state.bLimit || state.bLimitSady) {
        doors_.Cas.setEnabled(false);
        ApplySettingsReported();
        state.nNow = 0;
    }
    dfSpravne->clear();
    if (state.bProtokol && state.nPrikladID > 0)
        WriteProtokol(QStringLiteral("FINISH"));
    if (state.nPrikladID > 5 && !state.bOpravy)
        ShowVysvedceni();
    if (state.bOpravy) {
        state.bOpravy = false;
        dialogs_.message(QStringLiteral("Režim opravy minule chybných příkladů byl ukončen"),
                         QStringLiteral("Opravný režim"), Dialogs::Buttons::Ok, Dialogs::Icon::Information,
                         Dialogs::Answer::Ok);
    } else if (state.nSpatne != 0 && state.nPrikladID <= 5) {
        makeRepeatOffer();
    }
}

void FrmMain::mnuPocitej_Click() {
    state.bPocitej = true;
    ZkouseniIniciate(true);
    VytvorPriklad();
}

void FrmMain::mnuPocitejSady_Click() {
    state.bPocitejSady = true;
    ZkouseniIniciate(true);
    VytvorPriklad();
}

void FrmMain::mnuStop_Click() {
    state.bPocitej = false;
    ZkouseniIniciate(false);
}

void FrmMain::StartOpravy() {
    // A run with nothing to ask would show no problem and could only be stopped.
    if (state.nSpatnePriklady < 1 || !may(Command::StartRepeat))
        return;
    state.bOpravy = true;
    state.nOpravaID = 1;
    ZkouseniIniciate(true);
    VytvorPriklad();
}

} // namespace numio
