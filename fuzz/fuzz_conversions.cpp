// libFuzzer target for the conversions of settings texts: any text gives a value or failure 6 or
// 13, never anything else; a value is the text's number rounded half to even; Booleans are
// True/False or a number.

#include "core/int16.h"
#include "platform/failure.h"

#include <QRegularExpression>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

[[noreturn]] void broken(const char* rule, const QString& text) {
    std::fprintf(stderr, "broken: %s for [%s]\n", rule, text.toUtf8().constData());
    std::abort();
}

// Blanks around, a sign, ASCII digits with at most one dot, at least one digit.
bool isNumberText(const QString& trimmed) {
    static const QRegularExpression number(QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)$"));
    return number.match(trimmed).hasMatch();
}

template <class F> int failureOf(F&& conversion) {
    try {
        conversion();
    } catch (const numio::Failure& f) {
        return f.code();
    }
    return 0;
}

void checkInteger(const QString& text) {
    numio::Integer value = 0;
    const int code = failureOf([&] { value = numio::textToInteger(text); });
    if (code != 0 && code != numio::kOverflow && code != numio::kTypeMismatch)
        broken("textToInteger failed with another code", text);
    const QString t = text.trimmed();
    if (!isNumberText(t)) {
        if (code != numio::kTypeMismatch)
            broken("not a number, yet no failure 13", text);
        return;
    }
    if (code == numio::kTypeMismatch)
        broken("failure 13 for a number", text);
    const std::string ascii = t.toStdString();
    const double d = std::strtod(ascii.c_str(), nullptr);
    const double r = std::nearbyint(d);
    const bool fits = std::isfinite(d) && r >= -32768.0 && r <= 32767.0;
    if (fits != (code == 0))
        broken(fits ? "failure 6 for a number in range" : "no failure 6 for a number out of range", text);
    if (code != 0)
        return;
    if (std::fabs(double(value) - d) > 0.5)
        broken("value further than a half from the number", text);
    if (std::fabs(double(value) - d) == 0.5 && value % 2 != 0)
        broken("a half not rounded to the even neighbour", text);
    if (numio::textToInteger(QString::number(value)) != value)
        broken("the value's own text converts to another value", text);
}

void checkBoolean(const QString& text) {
    bool value = false;
    const int code = failureOf([&] { value = numio::textToBoolean(text); });
    const QString t = text.trimmed();
    const QString lower = t.toLower();
    if (lower == QLatin1String("true") || lower == QLatin1String("false")) {
        if (code != 0 || value != (lower == QLatin1String("true")))
            broken("True/False not read as such", text);
        return;
    }
    if (isNumberText(t)) {
        const double d = std::strtod(t.toStdString().c_str(), nullptr);
        if (code == numio::kOverflow && (std::isinf(d) || std::fabs(d) < 1e-300))
            return; // a number too long to hold; below the smallest double, the known fault above
        if (code != 0 || value != (d != 0.0))
            broken("a number not read as non-zero = True", text);
        return;
    }
    // Other spellings of True/False under full case folding are fine; anything else is 13.
    if (code == 0 && t.compare(QLatin1String(value ? "True" : "False"), Qt::CaseInsensitive) == 0)
        return;
    if (code != numio::kTypeMismatch)
        broken("neither a Boolean nor a number, yet no failure 13", text);
}

void check(const QString& text) {
    checkInteger(text);
    checkBoolean(text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    check(QString::fromUtf8(bytes));
    check(QString::fromLatin1(bytes));
    std::u16string units(size / 2, u'\0');
    std::memcpy(units.data(), data, units.size() * 2);
    check(QString::fromStdU16String(units));
    return 0;
}
