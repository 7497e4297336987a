#include "core/int16.h"

#include "platform/failure.h"

#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace numio {

Integer toInteger(long long value) {
    if (value < std::numeric_limits<Integer>::min() || value > std::numeric_limits<Integer>::max())
        throw Failure(kOverflow);
    return static_cast<Integer>(value);
}

Integer add16(int a, int b) {
    return toInteger(static_cast<long long>(a) + b);
}
Integer sub16(int a, int b) {
    return toInteger(static_cast<long long>(a) - b);
}
Integer mul16(int a, int b) {
    return toInteger(static_cast<long long>(a) * b);
}

namespace {

// A decimal number with an optional sign and an optional fraction; the value is rounded half
// to even like every conversion of a number text to an Integer. Anything else is 13.
double parseNumber(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        throw Failure(kTypeMismatch);
    int i = 0;
    if (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))
        ++i;
    int digits = 0;
    int dots = 0;
    for (int j = i; j < t.size(); ++j) {
        const QChar c = t[j];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            ++digits;
        else if (c == QLatin1Char('.') && dots == 0)
            ++dots;
        else
            throw Failure(kTypeMismatch);
    }
    if (digits == 0)
        throw Failure(kTypeMismatch);
    bool ok = false;
    const double value = t.toDouble(&ok);
    if (!ok) {
        // Only a number too large or too small to hold gets here: a fraction that small is 0.
        const QString whole =
            t.section(QLatin1Char('.'), 0, 0).remove(QLatin1Char('+')).remove(QLatin1Char('-'));
        if (whole.count(QLatin1Char('0')) == whole.size())
            return 0.0;
        throw Failure(kOverflow);
    }
    return value;
}

} // namespace

Integer textToInteger(const QString& text) {
    const double value = parseNumber(text);
    if (!(value >= -32768.5 && value <= 32767.5))
        throw Failure(kOverflow);
    const double rounded = std::nearbyint(value); // default rounding is half to even
    return toInteger(static_cast<long long>(rounded));
}

Integer wholeTextToInteger(const QString& text) {
    static const QRegularExpression whole(QStringLiteral("^\\s*[+-]?[0-9]+\\s*$"));
    if (!whole.match(text).hasMatch())
        throw Failure(kTypeMismatch);
    return textToInteger(text);
}

bool textToBoolean(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    return parseNumber(t) != 0.0;
}

QString booleanToText(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace numio
