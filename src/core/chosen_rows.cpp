#include "core/chosen_rows.h"

#include "core/int16.h"
#include "platform/failure.h"

#include <QStringList>

namespace numio {

void ChosenRows::set(int row, bool chosen) {
    if (row < kFirst || row > kLast)
        return;
    if (chosen)
        bits_ |= std::uint16_t(1u << row);
    else
        bits_ &= std::uint16_t(~(1u << row));
}

QList<int> ChosenRows::rows() const {
    QList<int> out;
    for (int row = kFirst; row <= kLast; ++row)
        if (contains(row))
            out << row;
    return out;
}

int ChosenRows::largest() const {
    const QList<int> all = rows();
    return all.isEmpty() ? 0 : all.back();
}

QString ChosenRows::text(QStringView separator) const {
    QStringList out;
    for (int row : rows())
        out << QString::number(row);
    return out.join(separator);
}

ChosenRows ChosenRows::parse(const QString& text) {
    ChosenRows chosen;
    if (text.trimmed().isEmpty())
        return chosen;
    for (const QString& item : text.split(u',')) {
        const Integer row = wholeTextToInteger(item);
        if (row < kFirst || row > kLast)
            throw Failure(kTypeMismatch);
        chosen.set(row);
    }
    return chosen;
}

} // namespace numio
