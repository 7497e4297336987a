#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

namespace numio {

// Numbers and days as the overviews write them for a Czech reader.

// "1 234"
QString czechCount(qint64 n);
// "1 pokus", "3 pokusy", "6 pokusů": the count and the noun in the form it takes.
QString czechCountOf(qint64 n, const QString& one, const QString& few, const QString& many);
// "3,5": one decimal place.
QString czechDecimal(double x);
// "87,5 %"
QString czechPercent(double x);
// "87 %"; "—" when there is no rate.
QString shownRate(std::optional<int> rate);
// "15.11.2026"; "—" when the day is not known.
QString shownDate(const QDateTime& t);

} // namespace numio
