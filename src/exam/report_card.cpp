#include "ui/main_window.h"

#include "core/scoring.h"
#include "ui/digit_box.h"
#include "ui/look.h"

#include <QLabel>
#include <QPushButton>

namespace numio {

namespace {
constexpr int kSlideTwips = 2100;
constexpr int kSlideFrames = 35;
} // namespace

// Starts the slide-in: the card travels the 2100 twips in 35 frames paced by time, about a
// second in all, with OK disabled and a busy pointer; then it waits for its OK.
void FrmMain::ShowVysvedceni() {
    frmVysvedceni->move(twips(-kSlideTwips), frmVysvedceni->y());
    lbVizo->setText(QString::number(grade(state.nPrikladID, state.nSpatne)));
    setOverlay(Overlay::CardSliding);
    frmVysvedceni->raise();
    step_ = 0;
    slideStep();
}

void FrmMain::slideStep() {
    if (step_ < kSlideFrames) {
        ++step_;
        const int left = -kSlideTwips + kSlideTwips * step_ / kSlideFrames;
        frmVysvedceni->move(left / 15, frmVysvedceni->y());
        doors_.pacer.start(slideFrameMs, [this] { run(Command::PhaseStep, &FrmMain::phaseStep); });
        return;
    }
    dfZnamka->hide();
    setOverlay(Overlay::CardShown);
    pbOK->setFocus();
}

void FrmMain::pbOK_Click() {
    setOverlay(Overlay::None);
    for (QLabel* l : {dfPrikladu, dfDobre, dfSpatne, dfSpravne, dfZnamka, dfUspech})
        l->clear();
    dfResult->clear();
    if (state.nSpatne > 0)
        makeRepeatOffer();
}

} // namespace numio
