#include "ui/main_window.h"

namespace numio {

void FrmMain::mnuOpakujSpatne_Click() {
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
    if (dialogs_.message(text, QStringLiteral("Upozornění"), Dialogs::Buttons::YesNo, Dialogs::Icon::Question,
                         Dialogs::Answer::Yes) == Dialogs::Answer::Yes)
        StartOpravy();
}

} // namespace numio
