#include "core/practice_state.h"

namespace numio {

void PracticeState::clearRepeatList() {
    nSpatnePriklady = 0;
    for (QString& entry : SpatnePriklady)
        entry.clear();
}

bool PracticeState::storeWrongProblem() {
    if (nSpatnePriklady >= kRepeatCapacity)
        return false;
    nSpatnePriklady = add16(nSpatnePriklady, 1);
    SpatnePriklady[static_cast<std::size_t>(nSpatnePriklady)] = RepeatEntry{A, B, C, nRezim}.text();
    return true;
}

} // namespace numio
