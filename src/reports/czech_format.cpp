#include "reports/czech_format.h"

#include "journal/journal_folder.h"

#include <QLocale>

namespace numio {

namespace {

QLocale czech() {
    return QLocale(QLocale::Czech, QLocale::Czechia);
}

} // namespace

QString czechCount(qint64 n) {
    return czech().toString(n);
}

QString czechCountOf(qint64 n, const QString& one, const QString& few, const QString& many) {
    return czechCount(n) + u' ' + (n == 1 ? one : n >= 2 && n <= 4 ? few : many);
}

QString czechDecimal(double x) {
    return czech().toString(x, 'f', 1);
}

QString czechPercent(double x) {
    return czechDecimal(x) + QStringLiteral(" %");
}

QString shownRate(std::optional<int> rate) {
    return rate ? QString::number(*rate) + QStringLiteral(" %") : QStringLiteral("—");
}

QString shownDate(const QDateTime& t) {
    return t.isValid() ? czechDate(t.date()) : QStringLiteral("—");
}

} // namespace numio
