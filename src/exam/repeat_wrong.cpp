#include "ui/main_window.h"

#include "ui/look.h"

#include <QFrame>
#include <QMenu>

namespace numio {

void FrmMain::mnuOpakujSpatne_Click() {
    if (!mnuOpakujSpatne->isEnabled() || !mnuNumio->isEnabled() || sliding_)
        return;
    StartOpravy();
}

// Offered after an examination with wrong answers; only when there is something to repeat
// (answers that merely ran out of time are counted but not listed).
void FrmMain::makeRepeatOffer() {
    if (state.nSpatnePriklady < 1)
        return;
    const QString text =
        QStringLiteral("Během tohoto zkoušení byly zaznamenány chybně vypočítané příklady - [") +
        QString::number(state.nSpatne) + QStringLiteral("] !\r\n") +
        QStringLiteral("Přeješ si automaticky provést přezkoušení z těchto chybně odpovězených "
                       "příkladů ?");
    if (doors_.dialogs.message(text, QStringLiteral("Upozornění"), Dialogs::Buttons::YesNo,
                               Dialogs::Icon::Question, Dialogs::Answer::Yes) != Dialogs::Answer::Yes)
        return;
    frmVysvedceni->hide();
    setMenuEnabled(mnuNumio, true);
    if (state.bProtokol)
        setMenuEnabled(mnuProtokol, true);
    StartOpravy();
}

} // namespace numio
