#include "ui/main_window.h"

#include "core/generator.h"
#include "core/scoring.h"
#include "ui/digit_box.h"
#include "ui/look.h"

#include <QAccessible>
#include <QLabel>
#include <QPushButton>

namespace numio {

namespace {

const QColor kLightYellow(255, 255, 0);
const QColor kLightRed(255, 0, 0);
constexpr int kBlinkPhases = 10;

void setTextColour(QLabel* label, const QColor& colour) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}

} // namespace

void FrmMain::VytvorPriklad() {
    const Generated g = numio::VytvorPriklad(state, doors_.random);
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
    // The pupil's screen reader speaks the new problem without the focus leaving the answer box.
    dfResult->setAccessibleDescription(spokenProblem(state) + QLatin1Char(' ') + kAnswerHint);
    QAccessibleEvent spoken(dfResult, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&spoken);
    if (g.hasStatus)
        setStatus(g.statusText);
}

// A right answer is dealt with at once; a wrong one after its correction has been shown.
void FrmMain::Vysledek(const Integer& nOdpoved) {
    if (nOdpoved == state.C) {
        dfResult->clear();
        afterAnswer();
        return;
    }
    doors_.pacer.beep();
    afterCorrection_ = &FrmMain::wrongAnswerCounted;
    ShowWrongAnswer();
}

void FrmMain::wrongAnswerCounted() {
    dfResult->clear();
    state.nSpatne = add16(state.nSpatne, 1);
    if (!state.bOpravy)
        state.storeWrongProblem();
    afterAnswer();
}

void FrmMain::afterAnswer() {
    if (state.bLimit)
        state.nNow = 0;
    state.nPrikladID = add16(state.nPrikladID, 1);
    // A minute of the set that ran out during the correction counts now that the answer has.
    if (tickWaiting_) {
        tickWaiting_ = false;
        Cas_Timer();
        if (phase_.mode == Mode::Idle)
            return;
    }
    if (state.bPocitejSady && state.nPrikladID == state.nSada) {
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
    }
}

// Starts the correction: the solution blinks for ten phases or until a key; then
// `afterCorrection_` counts the answer.
void FrmMain::ShowWrongAnswer() {
    setOverlay(Overlay::Correction);
    setStatus(QStringLiteral("Chyba !!!"));
    if (state.bLimit) {
        state.nNow = 0;
        doors_.Cas.setEnabled(false);
    }
    if (state.bProtokol)
        WriteProtokol(QStringLiteral("LOG"));

    dfSpravne->setText(problemText(state) + QLatin1Char('=') + QString::number(state.C));
    dfSpravne->setAutoFillBackground(true);
    step_ = 0;
    blinkStep();
}

void FrmMain::blinkStep() {
    if (step_ == kBlinkPhases) {
        endCorrection();
        return;
    }
    setTextColour(dfSpravne, step_ % 2 == 0 ? kLightYellow : kLightRed);
    ++step_;
    doors_.pacer.start(blinkPhaseMs, [this] { run(Command::PhaseStep, &FrmMain::phaseStep); });
}

void FrmMain::endCorrection() {
    doors_.pacer.stop();
    dfSpravne->clear();
    dfSpravne->setAutoFillBackground(false);
    if (state.bLimit)
        doors_.Cas.setEnabled(true);
    if (phase_.mode == Mode::Repeat)
        repeatStopOffered_ = true;
    setOverlay(Overlay::None);
    dfResult->setFocus(); // the pupil types the next answer straight away
    // With both limits on only the per-answer one runs, so there is no set time to show.
    setStatus(state.bLimitSady && state.bPocitejSady && !state.bLimit ? remainingSetTimeText() : QString());
    const auto next = std::exchange(afterCorrection_, nullptr);
    if (next)
        (this->*next)();
}

void FrmMain::phaseStep() {
    if (phase_.overlay == Overlay::Correction)
        blinkStep();
    else if (phase_.overlay == Overlay::CardSliding)
        slideStep();
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
