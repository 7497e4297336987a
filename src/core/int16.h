#pragma once

#include "platform/export.h"

#include <QString>
#include <cstdint>

namespace numio {

// The program's Integer: 16-bit signed; leaving the range is failure 6.
using Integer = std::int16_t;

NUMIO_EXPORT Integer add16(int a, int b);
NUMIO_EXPORT Integer sub16(int a, int b);
NUMIO_EXPORT Integer mul16(int a, int b);
NUMIO_EXPORT Integer toInteger(long long value); // range-checked narrowing

// Text to Integer: blanks around ignored, empty or not a number 13, out of range 6.
NUMIO_EXPORT Integer textToInteger(const QString& text);
// The same for a whole number only: "7.5" is no row of a table and "1.5" no choice.
NUMIO_EXPORT Integer wholeTextToInteger(const QString& text);
// "True"/"False" in any letter case, or a number (0 is False, any other True); otherwise 13.
NUMIO_EXPORT bool textToBoolean(const QString& text);
NUMIO_EXPORT QString booleanToText(bool value);

} // namespace numio
