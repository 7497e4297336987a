#include "platform/failure.h"

#include <QDir>

namespace numio {

Failure::Failure(int code) : Failure(code, describe(code)) {}

const char* Failure::what() const noexcept {
    return what_.constData();
}

Failure::Failure(int code, QString description)
    : code_(code), description_(std::move(description)), what_(messageText().toUtf8()) {}

QString Failure::boxText() const {
    return detail_.isEmpty() ? messageText() : messageText() + u'\n' + detail_;
}

QString Failure::messageText() const {
    return QStringLiteral("Chyba č. ") + QString::number(code_) + QStringLiteral(" - ") + description_;
}

QString displayPath(const QString& path) {
    const QString home = QDir::homePath();
    if (home.size() > 1 && path.startsWith(home + u'/'))
        return shortened(u'~' + path.mid(home.size()));
    return shortened(path);
}

QString shortened(const QString& text, qsizetype most) {
    if (text.size() <= most)
        return text;
    const qsizetype half = (most - 1) / 2;
    QString start = text.left(half), end = text.right(half);
    if (start.back().isHighSurrogate()) // never half a character
        start.chop(1);
    if (end.front().isLowSurrogate())
        end.remove(0, 1);
    return start + u'…' + end;
}

QString Failure::describe(int code) {
    switch (code) {
    case kOverflow:
        return QStringLiteral("Přetečení");
    case kTypeMismatch:
        return QStringLiteral("Neshoda typů");
    case kInternal:
        return QStringLiteral("Vnitřní chyba");
    case kBadFileName:
        return QStringLiteral("Chybný název nebo číslo souboru");
    case kFileNotFound:
        return QStringLiteral("Soubor nenalezen");
    case kFileAlreadyOpen:
        return QStringLiteral("Soubor je již otevřen");
    case kDiskFull:
        return QStringLiteral("Disk je plný");
    case kAccessDenied:
        return QStringLiteral("Přístup odepřen");
    case kPathFileAccess:
        return QStringLiteral("Chyba přístupu k cestě nebo souboru");
    case kPathNotFound:
        return QStringLiteral("Cesta nenalezena");
    case kBadFileFormat:
        return QStringLiteral("Neplatný formát souboru");
    default:
        return QStringLiteral("Neznámá chyba");
    }
}

} // namespace numio
