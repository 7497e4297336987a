#pragma once

#include <QString>
#include <cstdint>

namespace numio {

// The program's Integer: 16-bit signed; leaving the range is failure 6.
using Integer = std::int16_t;

Integer add16(int a, int b);
Integer sub16(int a, int b);
Integer mul16(int a, int b);
Integer toInteger(long long value); // range-checked narrowing

// Text to Integer: blanks around ignored, empty or not a number 13, out of range 6.
Integer textToInteger(const QString& text);
// "True"/"False" in any letter case, or a number (0 is False, any other True); otherwise 13.
bool textToBoolean(const QString& text);
QString booleanToText(bool value);

} // namespace numio
