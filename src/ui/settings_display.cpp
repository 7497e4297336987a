#include "ui/main_window.h"

#include "ui/look.h"

#include "core/generator.h"
#include "platform/failure.h"
#include "protocol/protocol_file.h"
#include "ui/status_bar.h"

#include <QLabel>
#include <QMenu>

namespace numio {

// Brings the protocol file, the status-bar pictures and the start items in line with the
// settings. Opening the file comes first: when it fails, panels and menus stay as they were.
void FrmMain::ApplySettings() {
    OpenProtokol(state);

    const bool operations[] = {state.bPlus, state.bMinus, state.bKrat, state.bDeleno};
    for (int i = 0; i < 4; ++i)
        sbMain->setPanel(2 + i, operations[i] ? StatusBar::Plus + i : 0, chosenRulesText(state, 1 + i));

    if (state.bLimit)
        sbMain->setPanel(6, StatusBar::Time);
    else if (state.bLimitSady && state.bPocitejSady)
        sbMain->setPanel(6, StatusBar::ProtokolSet);
    else
        sbMain->setPanel(6, 0);

    sbMain->setPanel(7, state.bProtokol ? StatusBar::Protokol : 0);

    if (!anyOperationAdmitsProblem(state))
        setStatus(kNoModeText);
    applyLook();
}

bool FrmMain::ApplySettingsReported() {
    try {
        ApplySettings();
        return true;
    } catch (const Failure& f) {
        reportFailure(f);
        return false;
    }
}

} // namespace numio
