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
    SpatnePriklady[static_cast<std::size_t>(nSpatnePriklady)] = repeatEntry(A, B, C, nRezim);
    return true;
}

QString repeatEntry(int a, int b, int c, int rezim) {
    return QStringLiteral("%1,%2,%3,%4").arg(a).arg(b).arg(c).arg(rezim);
}

QString operatorSign(int nRezim) {
    switch (nRezim) {
    case 1:
        return QStringLiteral("+");
    case 2:
        return QStringLiteral("-");
    case 3:
        return QStringLiteral("*");
    case 4:
        return QStringLiteral(":");
    default:
        return QString();
    }
}

} // namespace numio
