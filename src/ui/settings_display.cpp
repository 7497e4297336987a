#include "ui/main_window.h"

#include "core/answer_length.h"
#include "core/generator.h"
#include "ui/digit_box.h"
#include "ui/status_bar.h"

namespace numio {

// The status-bar pictures and the answer box's length follow the settings.
void FrmMain::showSettings(const PracticeState& s) {
    for (int i = 0; i < 4; ++i)
        sbMain->setPanel(2 + i, operationEnabled(s, 1 + i) ? StatusBar::Addition + i : 0,
                         chosenRulesText(s, 1 + i));

    if (s.bLimit)
        sbMain->setPanel(6, StatusBar::AnswerLimit);
    else if (s.bLimitSady && s.bPocitejSady)
        sbMain->setPanel(6, StatusBar::SetLimit);
    else
        sbMain->setPanel(6, 0);

    sbMain->setPanel(7, s.protocolOn() ? StatusBar::Protocol : 0);
    dfResult->setMaxDigits(answerLength(s));
}

} // namespace numio
