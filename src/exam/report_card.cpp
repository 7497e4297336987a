#include "ui/main_window.h"

#include "core/scoring.h"
#include "ui/digit_box.h"
#include "ui/look.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScopedValueRollback>

namespace numio {

namespace {
constexpr int kSlideTwips = 2100;
constexpr int kSlideFrames = 35;
} // namespace

void FrmMain::ShowVysvedceni() {
    QScopedValueRollback<bool> sliding(sliding_, true);
    // No examination may start under the card while it slides in.
    setMenuEnabled(mnuNumio, false);
    setMenuEnabled(mnuProtokol, false);
    pbOK->setEnabled(false);
    setCursor(Qt::WaitCursor);
    const QRect place = frmVysvedceni->geometry();
    frmVysvedceni->move(twips(-kSlideTwips), place.top());
    lbVizo->setText(QString::number(grade(state.nPrikladID, state.nSpatne)));
    frmVysvedceni->show();
    frmVysvedceni->raise();
    // The card travels the 2100 twips paced by time, about a second in all.
    for (int frame = 1; frame <= kSlideFrames && !ending_; ++frame) {
        const int left = -kSlideTwips + kSlideTwips * frame / kSlideFrames;
        frmVysvedceni->move(left / 15, place.top());
        doors_.pump.waitFor(slideFrameMs, [this] { return ending_; });
    }
    unsetCursor();
    dfZnamka->hide();
    pbOK->setEnabled(true);
    pbOK->setFocus();
}

void FrmMain::pbOK_Click() {
    if (!reportCardShown() || !pbOK->isEnabled())
        return;
    setMenuEnabled(mnuNumio, true);
    if (state.bProtokol)
        setMenuEnabled(mnuProtokol, true);
    frmVysvedceni->hide();
    for (QLabel* l : {dfPrikladu, dfDobre, dfSpatne, dfSpravne, dfZnamka, dfUspech})
        l->clear();
    dfResult->clear();
    if (state.nSpatne > 0)
        makeRepeatOffer();
}

} // namespace numio
