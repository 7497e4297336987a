#pragma once

// What a protocol file may hold: only whole lines of the kinds the writer produces, each ended by
// CR LF, in Windows-1250.

#include <QByteArray>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringList>

namespace numio::test {

inline bool isProtocolLine(const QString& line) {
    static const QRegularExpression kinds[] = {
        QRegularExpression(QStringLiteral("^_{64}$")),
        QRegularExpression(QStringLiteral("^Numio - \\S.*$")),
        QRegularExpression(QStringLiteral("^-{35}$")),
        QRegularExpression(QStringLiteral("^\\d+[-+*:]\\d+=\\d+   <\\d*>$")),
        QRegularExpression(QStringLiteral("^$")),
        QRegularExpression(QStringLiteral("^Příkladů celkem : \\d+$")),
        QRegularExpression(QStringLiteral("^Špatně : \\d+$")),
        QRegularExpression(QStringLiteral("^Známka : [1-5]$")),
        QRegularExpression(QStringLiteral("^Úspěšnost : \\d{1,3}%$")),
        QRegularExpression(QStringLiteral("^Limit na počítání sady vypršel !! \\(-?\\d+\\.min\\)$")),
        QRegularExpression(QStringLiteral("^Přerušeno zásahamem uživatele v průběhu zkoušení$")),
    };
    if (line.contains(QLatin1Char('\r')) || line.contains(QLatin1Char('\n')))
        return false;
    for (const QRegularExpression& kind : kinds) {
        if (kind.match(line).hasMatch())
            return true;
    }
    return false;
}

// Splits the file into its lines; returns what is wrong with it, or an empty text.
inline QString checkProtocolBytes(const QByteArray& bytes, QStringList* lines = nullptr) {
    if (lines)
        lines->clear();
    if (bytes.isEmpty())
        return {};
    if (!bytes.endsWith("\r\n"))
        return QStringLiteral("the file does not end in CR LF: ...") +
               QString::fromLatin1(bytes.right(40).toPercentEncoding());
    QStringDecoder decode("windows-1250");
    const QString text = decode(bytes);
    QStringList split = text.split(QStringLiteral("\r\n"));
    split.removeLast(); // after the last CR LF
    for (qsizetype i = 0; i < split.size(); ++i) {
        if (!isProtocolLine(split[i]))
            return QStringLiteral("line %1 is not a protocol line: [%2]").arg(i + 1).arg(split[i]);
    }
    if (lines)
        *lines = split;
    return {};
}

} // namespace numio::test
