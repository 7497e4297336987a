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

namespace {

// What each mode leaves on the window. The idle row's start items follow the settings.
struct ModeLook {
    bool nastaveni;
    bool stopItem;
    bool stopButton;
    bool problemShown;
    const char* caption;
};

const ModeLook kLooks[] = {
    /* Idle     */ {true, false, false, false, " Numio"},
    /* Practice */ {false, true, true, true, " Numio - zkoušení příkladů"},
    /* Sets     */ {false, false, false, true, " Numio - zkoušení příkladů v sadách"},
    /* Repeat   */
    {false, false, true, true, " Numio - přezkoušení příkladů na které bylo chybně odpovězeno"},
};

} // namespace

FrmMain::Mode FrmMain::mode() const {
    if (state.bOpravy)
        return Mode::Repeat;
    if (state.bPocitejSady)
        return Mode::Sets;
    if (state.bPocitej)
        return Mode::Practice;
    return Mode::Idle;
}

void FrmMain::applyModeLook(Mode m) {
    const ModeLook& look = kLooks[static_cast<int>(m)];
    mnuNastaveni->setEnabled(look.nastaveni);
    mnuStop->setEnabled(look.stopItem);
    pbStop->setEnabled(look.stopButton);
    pbStop->setVisible(look.stopButton);
    lbLeft->setVisible(look.problemShown);
    lb1->setVisible(look.problemShown);
    dfResult->parentWidget()->setVisible(look.problemShown);
    dfResult->setVisible(look.problemShown);
    if (m == Mode::Idle) {
        mnuOpakujSpatne->setEnabled(state.nSpatnePriklady > 0);
        refreshStartItems(true);
    } else {
        mnuOpakujSpatne->setEnabled(false);
        mnuPocitej->setEnabled(false);
        mnuPocitejSady->setEnabled(false);
    }
}

// Start = true begins the examination whose flag the caller has just set; anything else ends
// whatever runs and leaves the idle look.
void FrmMain::ZkouseniIniciate(const bool& Start) {
    if (Start) {
        setMenuEnabled(mnuProtokol, false);
        state.nPrikladID = 0;
        state.nSpatne = 0;
        setLimitPending_ = false;
        applyModeLook(mode());
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
    if (state.bProtokol)
        setMenuEnabled(mnuProtokol, true);
    applyModeLook(Mode::Idle);
    if (state.bLimit || state.bLimitSady) {
        doors_.Cas.setEnabled(false);
        ApplySettingsReported();
        state.nNow = 0;
    }
    dfSpravne->clear();
    setWindowTitle(QString::fromUtf8(kLooks[static_cast<int>(Mode::Idle)].caption));
    if (state.bProtokol && state.nPrikladID > 0)
        WriteProtokol(QStringLiteral("FINISH"));
    if (state.nPrikladID > 5 && !state.bOpravy)
        ShowVysvedceni();
    if (state.bOpravy) {
        state.bOpravy = false;
        doors_.dialogs.message(QStringLiteral("Režim opravy minule chybných příkladů byl ukončen"),
                               QStringLiteral("Opravný režim"), Dialogs::Buttons::Ok,
                               Dialogs::Icon::Information, Dialogs::Answer::Ok);
    } else if (state.nSpatne != 0 && state.nPrikladID <= 5) {
        makeRepeatOffer();
    }
}

void FrmMain::mnuPocitej_Click() {
    if (!mnuPocitej->isEnabled() || !mnuNumio->isEnabled() || state.modeRunning() || sliding_)
        return;
    setWindowTitle(QString::fromUtf8(kLooks[static_cast<int>(Mode::Practice)].caption));
    state.bPocitej = true;
    ZkouseniIniciate(true);
    VytvorPriklad();
}

void FrmMain::mnuPocitejSady_Click() {
    // A set of no problems could neither end by its count nor be stopped.
    if (!mnuPocitejSady->isEnabled() || !mnuNumio->isEnabled() || state.modeRunning() || sliding_ ||
        state.nSada < 1)
        return;
    setWindowTitle(QString::fromUtf8(kLooks[static_cast<int>(Mode::Sets)].caption));
    state.bPocitejSady = true;
    ZkouseniIniciate(true);
    VytvorPriklad();
}

void FrmMain::mnuStop_Click() {
    // Stop is offered in plain practice and in a repeat run, never while a correction blinks.
    if (state.bChyba || !(state.bPocitej || state.bOpravy))
        return;
    state.bPocitej = false;
    ZkouseniIniciate(false);
}

void FrmMain::StartOpravy() {
    // A run with nothing to ask would show no problem and could only be stopped.
    if (state.nSpatnePriklady < 1 || state.modeRunning())
        return;
    setWindowTitle(QString::fromUtf8(kLooks[static_cast<int>(Mode::Repeat)].caption));
    state.bOpravy = true;
    state.nOpravaID = 1;
    ZkouseniIniciate(true);
    VytvorPriklad();
}

} // namespace numio
