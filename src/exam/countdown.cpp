#include "ui/main_window.h"

#include "core/scoring.h"
#include "ui/digit_box.h"

#include <QProgressBar>
#include <algorithm>

namespace numio {

// A hand-edited store can hold limits the arithmetic cannot serve; the run uses the nearest
// workable value and the stored one stays as it is.
Integer FrmMain::perProblemLimit() const {
    return std::clamp<Integer>(state.nLimit, 1, 32);
}
Integer FrmMain::setLimitMinutes() const {
    return std::max<Integer>(state.nLimitSady, 1);
}

QString FrmMain::remainingSetTimeText() const {
    return QStringLiteral("Zbývající čas : ") + QString::number(sub16(setLimitMinutes(), state.nNow)) +
           QStringLiteral("min.");
}

void FrmMain::startCountdown() {
    if (state.bLimit) {
        Progress->show();
        Progress->setMinimum(0);
        Progress->setMaximum(mul16(perProblemLimit(), 1000));
        Progress->setValue(0);
        doors_.Cas.setInterval(100);
        doors_.Cas.setEnabled(true);
        state.nNow = 0;
    } else if (state.bLimitSady && state.bPocitejSady) {
        ApplySettingsReported();
        setStatus(remainingSetTimeText());
        doors_.Cas.setInterval(60000);
        doors_.Cas.setEnabled(true);
    }
}

void FrmMain::Cas_Timer() {
    if (!state.modeRunning()) {
        doors_.Cas.setEnabled(false);
        return;
    }
    if (state.bLimit)
        perProblemTick();
    else
        setLimitTick();
}

// nNow counts the milliseconds of the current problem in tenths of a second.
void FrmMain::perProblemTick() {
    const Integer limit = mul16(perProblemLimit(), 1000);
    Progress->setValue(state.nNow);
    if (state.nNow < limit) {
        state.nNow = add16(state.nNow, 100);
        return;
    }
    const QString typed = dfResult->text();
    if (typed.isEmpty() || textToInteger(typed) != state.C) {
        state.nSpatne = add16(state.nSpatne, 1);
        doors_.pacer.beep();
        afterCorrection_ = &FrmMain::timedOut;
        ShowWrongAnswer();
        return;
    }
    timedOut();
}

// The problem whose time ran out is done, right or wrong.
void FrmMain::timedOut() {
    dfResult->clear();
    state.nPrikladID = add16(state.nPrikladID, 1);
    UpdateScore();
    if (state.bOpravy && state.nOpravaID - 1 == state.nSpatnePriklady) {
        ZkouseniIniciate(false);
        return;
    }
    VytvorPriklad();
    state.nNow = 0;
    if (state.bPocitejSady && state.nSada == state.nPrikladID) {
        state.bPocitejSady = false;
        ZkouseniIniciate(false);
    }
}

// nNow counts the minutes of the set.
void FrmMain::setLimitTick() {
    state.nNow = add16(state.nNow, 1);
    setStatus(remainingSetTimeText());
    if (state.nNow >= setLimitMinutes())
        expireSetLimit();
}

void FrmMain::expireSetLimit() {
    state.bPocitejSady = false;
    UpdateScore();
    if (state.bProtokol)
        WriteProtokol(QStringLiteral("LIMIT"));
    ZkouseniIniciate(false);
    dialogs_.message(QStringLiteral("Časový limit pro počítání sady VYPRŠEL !!"), QStringLiteral("Oznámení"),
                     Dialogs::Buttons::Ok, Dialogs::Icon::Information, Dialogs::Answer::Ok);
}

} // namespace numio
