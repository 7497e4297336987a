#pragma once

#include "platform/export.h"

#include <QString>
#include <QStringView>

#include <optional>

namespace numio {

// "+", "-", "*", ":" for nRezim 1 to 4; empty for any other.
NUMIO_EXPORT QString operatorSign(int nRezim);

// A problem as the repeat list keeps it and the journal's most-missed list hands it on:
// "A,B,C,op", op being nRezim (1 +, 2 -, 3 *, 4 :).
struct NUMIO_EXPORT RepeatEntry {
    int a = 0;
    int b = 0;
    int c = 0;
    int op = 0;

    // "7,8,15,1"
    QString text() const;
    // "7+8"
    QString problem() const;

    // The entry a text holds: four whole numbers within 16 bits separated by commas, the last one an
    // operation; nothing otherwise.
    static std::optional<RepeatEntry> parse(QStringView text);

    friend bool operator==(const RepeatEntry&, const RepeatEntry&) = default;
};

} // namespace numio
