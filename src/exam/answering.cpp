#include "ui/main_window.h"

#include "core/generator.h"
#include "core/scoring.h"
#include "ui/digit_box.h"
#include "ui/look.h"

#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>

namespace numio {

namespace {

const QColor kLightYellow(255, 255, 0);
const QColor kLightRed(255, 0, 0);

void setTextColour(QLabel* label, const QColor& colour) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}

} // namespace

void FrmMain::VytvorPriklad() {
    const Generated g = numio::VytvorPriklad(state, doors_.random, doors_.pump);
    if (!g.made) {
        // Nothing (more) to ask: end the examination instead of leaving a stale problem.
        if (state.modeRunning()) {
            state.bPocitej = false;
            state.bPocitejSady = false;
            ZkouseniIniciate(false);
        }
        return;
    }
    lbLeft->setText(g.problemText);
    fitText(lbLeft, 48);
    if (g.hasStatus)
        setStatus(g.statusText);
}

void FrmMain::Vysledek(const Integer& nOdpoved) {
    QScopedValueRollback<bool> answering(answering_, true);
    if (nOdpoved == state.C) {
        dfResult->clear();
    } else {
        doors_.pump.beep();
        ShowWrongAnswer();
        if (ending_)
            return;
        dfResult->clear();
        state.nSpatne = add16(state.nSpatne, 1);
        if (!state.bOpravy)
            state.storeWrongProblem();
    }
    if (state.bLimit)
        state.nNow = 0;
    state.nPrikladID = add16(state.nPrikladID, 1);

    if (setLimitPending_ && state.bPocitejSady) {
        expireSetLimit();
    } else if (state.bPocitejSady && state.nPrikladID == state.nSada) {
        state.bPocitejSady = false;
        UpdateScore();
        ZkouseniIniciate(false);
    } else if (state.bOpravy && state.nOpravaID - 1 == state.nSpatnePriklady) {
        UpdateScore();
        ZkouseniIniciate(false);
        state.bOpravy = false;
    } else {
        VytvorPriklad();
        UpdateScore();
        // The set's time may have run out while the next problem was being drawn.
        if (setLimitPending_ && state.bPocitejSady)
            expireSetLimit();
    }
}

void FrmMain::ShowWrongAnswer() {
    state.bChyba = true;
    setStatus(QStringLiteral("Chyba !!!"));
    mnuStop->setEnabled(false);
    pbStop->hide();
    dfResult->setEnabled(false);
    if (state.bLimit) {
        state.nNow = 0;
        doors_.Cas.setEnabled(false);
    }
    if (state.bProtokol)
        WriteProtokol(QStringLiteral("LOG"));

    dfSpravne->setText(problemText(state) + QLatin1Char('=') + QString::number(state.C));
    dfSpravne->setAutoFillBackground(true);
    // Ten phases, light yellow first; any key ends the display at once.
    auto stop = [this] { return state.bChybaKonec || ending_; };
    for (int phase = 0; phase < 10 && !stop(); ++phase) {
        setTextColour(dfSpravne, phase % 2 == 0 ? kLightYellow : kLightRed);
        doors_.pump.waitFor(blinkPhaseMs, stop);
    }
    if (ending_)
        return;
    dfSpravne->clear();
    dfSpravne->setAutoFillBackground(false);

    if (state.bLimit)
        doors_.Cas.setEnabled(true);
    dfResult->setEnabled(true);
    dfResult->setFocus(); // the pupil types the next answer straight away
    if (!state.bPocitejSady) {
        mnuStop->setEnabled(true);
        pbStop->show();
    }
    state.bChyba = false;
    state.bChybaKonec = false;
    // With both limits on only the per-answer one runs, so there is no set time to show.
    if (state.bLimitSady && state.bPocitejSady && !state.bLimit)
        setStatus(QStringLiteral("Zbývající čas : ") + QString::number(sub16(setLimitMinutes(), state.nNow)) +
                  QStringLiteral("min."));
    else
        setStatus(QString());
}

void FrmMain::UpdateScore() {
    const Integer right = sub16(state.nPrikladID, state.nSpatne);
    dfPrikladu->setText(QString::number(state.nPrikladID));
    dfDobre->setText(QString::number(right));
    dfSpatne->setText(QString::number(state.nSpatne));
    if (state.nPrikladID < 1) {
        // Nothing answered yet (a set whose time ran out at once): no rate, no grade.
        dfUspech->clear();
        dfZnamka->clear();
        return;
    }
    dfUspech->setText(QString::number(successRate(state.nPrikladID, state.nSpatne)) + QLatin1Char('%'));
    dfZnamka->setText(QString::number(grade(state.nPrikladID, state.nSpatne)));
}

} // namespace numio
