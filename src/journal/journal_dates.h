#pragma once

#include "platform/export.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <QStringView>

#include <optional>

namespace numio {

// The dates of one protocol's INIT lines. The protocol records no locale, so the order of day and
// month in a date such as "6/12/26" is decided per file: the order the writer uses under the given
// locale, unless the file's own dates contradict it; then what the file's dates show (a first
// number above 12 makes it day first); only then a default (month first for "M/d/yy" as in the
// US, day first otherwise).
class NUMIO_EXPORT ProtocolDates {
  public:
    ProtocolDates(QStringView journal, const QLocale& locale);

    // The date and time after "Numio - " in the forms regional settings give: "14.3.2002 10:05:17",
    // "14.03.02 10:05:17 CET", "2002-03-14 10:05:17", "3/14/02 10:05:17 AM CET", "14/03/2002
    // 10:05:17", "14 Mar 2002 10:05:17", or a date alone for midnight. Local time; invalid otherwise.
    QDateTime read(QStringView text);

  private:
    enum class Order { DayFirst, MonthFirst };
    Order orderFor(int style);

    std::optional<int> localeStyle_;
    Order localeOrder_ = Order::DayFirst;
    QHash<int, int> evidence_; // per style: 1 a first number above 12, 2 a second one
    QHash<int, Order> decided_;

    // Local time without asking the C library for every block: with TZ unset, each local conversion
    // re-reads the zone file. The offset is asked at the ends of each month, and where it changes
    // within one (daylight saving) at the ends of each day; only the day of the change itself goes
    // the slow way.
    using Offsets = QHash<qint64, std::optional<int>>;
    static std::optional<int> steady(Offsets& cache, QDate from, QDate to);
    Offsets months_;
    Offsets days_;
};

// One date and time as ProtocolDates reads it, with nothing but the locale to go by.
NUMIO_EXPORT QDateTime parseProtocolDateTime(QStringView text, const QLocale& locale = QLocale::system());

} // namespace numio
