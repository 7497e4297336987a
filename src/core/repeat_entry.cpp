#include "core/repeat_entry.h"

#include "core/int16.h"

#include <QList>

#include <limits>

namespace numio {

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

QString RepeatEntry::text() const {
    return QStringLiteral("%1,%2,%3,%4").arg(a).arg(b).arg(c).arg(op);
}

QString RepeatEntry::problem() const {
    return QString::number(a) + operatorSign(op) + QString::number(b);
}

std::optional<RepeatEntry> RepeatEntry::parse(QStringView text) {
    int fields[4] = {};
    int n = 0;
    for (QStringView field : text.split(u',')) {
        bool ok = false;
        const int value = n < 4 ? field.toInt(&ok) : 0;
        if (!ok || value < std::numeric_limits<Integer>::min() || value > std::numeric_limits<Integer>::max())
            return std::nullopt;
        fields[n++] = value;
    }
    const RepeatEntry entry{fields[0], fields[1], fields[2], fields[3]};
    if (n != 4 || operatorSign(entry.op).isEmpty())
        return std::nullopt;
    return entry;
}

} // namespace numio
