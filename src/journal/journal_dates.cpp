#include "journal/journal_dates.h"

#include "journal/journal_format.h"

namespace numio {

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

bool takeNumber(QStringView s, qsizetype& i, int& value, int& digits) {
    const qsizetype from = i;
    value = 0;
    while (i < s.size() && isDigit(s[i]) && i - from < 4) {
        value = value * 10 + (s[i].unicode() - u'0');
        ++i;
    }
    digits = static_cast<int>(i - from);
    return digits > 0 && !(i < s.size() && isDigit(s[i]));
}

void skipBlanks(QStringView s, qsizetype& i) {
    while (i < s.size() && s[i] == u' ')
        ++i;
}

// English abbreviations, as the C locale writes them: "14 Mar 2002".
int takeMonthName(QStringView s, qsizetype& i) {
    static constexpr QStringView kMonths[] = {u"jan", u"feb", u"mar", u"apr", u"may", u"jun",
                                              u"jul", u"aug", u"sep", u"oct", u"nov", u"dec"};
    if (i + 3 > s.size())
        return 0;
    const QStringView word = s.sliced(i, 3);
    for (int m = 0; m < 12; ++m) {
        if (word.compare(kMonths[m], Qt::CaseInsensitive) == 0) {
            i += 3;
            while (i < s.size() && (s[i].isLetter() || s[i] == u'.'))
                ++i;
            return m + 1;
        }
    }
    return 0;
}

int fullYear(int year, int digits) {
    if (digits == 4)
        return year;
    if (digits != 2)
        return -1;
    return year < 70 ? 2000 + year : 1900 + year;
}

// A date of three numbers: "14.3.2002", "14. 3. 2002", "2002. 03. 14.", "3/14/02", "2002-03-14".
struct Numbers {
    int n[3] = {};
    int digits[3] = {};
    QChar separator;
    bool yearFirst() const { return digits[0] == 4; }
    // Dates written alike: the same separator and year width.
    int style() const { return separator.unicode() * 8 + digits[2]; }
};

bool takeNumbers(QStringView s, qsizetype& i, Numbers& d) {
    if (!takeNumber(s, i, d.n[0], d.digits[0]) || i >= s.size())
        return false;
    d.separator = s[i];
    const QChar sep = d.separator;
    if (sep != u'.' && sep != u'/' && sep != u'-')
        return false;
    const auto separator = [&] {
        if (i >= s.size() || s[i] != sep)
            return false;
        ++i;
        if (sep == u'.')
            skipBlanks(s, i);
        return true;
    };
    if (!separator() || !takeNumber(s, i, d.n[1], d.digits[1]) || !separator() ||
        !takeNumber(s, i, d.n[2], d.digits[2]))
        return false;
    if (sep == u'.' && i < s.size() && s[i] == u'.')
        ++i;
    return d.digits[1] <= 2 && (d.yearFirst() ? d.digits[2] <= 2 : d.digits[0] <= 2);
}

QTime takeTime(QStringView s, qsizetype& i) {
    int h = 0, m = 0, sec = 0, dh = 0, dm = 0, ds = 0;
    if (!takeNumber(s, i, h, dh) || dh > 2 || i >= s.size() || s[i] != u':')
        return {};
    ++i;
    if (!takeNumber(s, i, m, dm) || dm != 2)
        return {};
    if (i < s.size() && s[i] == u':') {
        ++i;
        if (!takeNumber(s, i, sec, ds) || ds != 2)
            return {};
    }
    if (i < s.size()) {
        if (s[i] != u' ')
            return {};
        skipBlanks(s, i);
        // A 12-hour clock: "10:05:17 AM CET". What follows (a time zone) is not needed.
        if (i + 1 < s.size() && s[i + 1].toUpper() == u'M' && (i + 2 == s.size() || s[i + 2] == u' ')) {
            const QChar half = s[i].toUpper();
            if (half == u'A' || half == u'P') {
                if (h < 1 || h > 12)
                    return {};
                h = h % 12 + (half == u'P' ? 12 : 0);
            }
        }
    }
    return QTime(h, m, sec);
}

} // namespace

ProtocolDates::ProtocolDates(QStringView journal, const QLocale& locale) {
    // How the writer dates a day that cannot be mistaken for a month.
    const QString probe = localeDateTime(QDateTime(QDate(2033, 11, 22), QTime(10, 5, 17)), locale);
    qsizetype at = 0;
    Numbers d;
    if (takeNumbers(probe, at, d) && !d.yearFirst() && (d.n[0] == 22 || d.n[1] == 22)) {
        localeStyle_ = d.style();
        localeOrder_ = d.n[0] == 22 ? Order::DayFirst : Order::MonthFirst;
    }
    // What the file's own dates show.
    for (qsizetype from = journal.indexOf(kJournalTitle); from >= 0;
         from = journal.indexOf(kJournalTitle, from + 1)) {
        if (from > 0 && journal[from - 1] != u'\n' && journal[from - 1] != u'\r')
            continue;
        qsizetype i = from + kJournalTitle.size();
        if (Numbers n; takeNumbers(journal, i, n) && !n.yearFirst())
            evidence_[n.style()] |= (n.n[0] > 12 ? 1 : 0) | (n.n[1] > 12 ? 2 : 0);
    }
}

ProtocolDates::Order ProtocolDates::orderFor(int style) {
    if (const auto found = decided_.constFind(style); found != decided_.constEnd())
        return *found;
    const int evidence = evidence_.value(style);
    Order order;
    if (style == localeStyle_ && !(evidence & (localeOrder_ == Order::DayFirst ? 2 : 1)))
        order = localeOrder_;
    else if (evidence == 1 || evidence == 2)
        order = evidence == 1 ? Order::DayFirst : Order::MonthFirst;
    else // the US writes M/d/yy; en_GB, French and the rest with a full year day first
        order = style == u'/' * 8 + 2 ? Order::MonthFirst : Order::DayFirst;
    decided_.insert(style, order);
    return order;
}

QDateTime ProtocolDates::read(QStringView s) {
    qsizetype i = 0;
    QDate date;
    Numbers d;
    int day = 0, month = 0, year = 0, digits = 0;
    if (takeNumber(s, i, day, digits) && i < s.size() && s[i] == u' ') {
        skipBlanks(s, i);
        month = takeMonthName(s, i);
        skipBlanks(s, i);
        int yearDigits = 0;
        if (month == 0 || !takeNumber(s, i, year, yearDigits) || digits > 2 || yearDigits != 4)
            return {};
        date = QDate(year, month, day);
    } else {
        i = 0;
        if (!takeNumbers(s, i, d))
            return {};
        if (d.yearFirst()) { // ISO, Hungarian, Japanese
            date = QDate(d.n[0], d.n[1], d.n[2]);
        } else {
            const bool dayFirst = d.n[0] > 12 || (d.n[1] <= 12 && orderFor(d.style()) == Order::DayFirst);
            year = fullYear(d.n[2], d.digits[2]);
            if (year < 0)
                return {};
            date = dayFirst ? QDate(year, d.n[1], d.n[0]) : QDate(year, d.n[0], d.n[1]);
        }
    }
    if (!date.isValid())
        return {};
    skipBlanks(s, i);
    if (i < s.size() && s[i] == u'T')
        ++i;
    // The date alone is midnight.
    const QTime time = i == s.size() ? QTime(0, 0) : takeTime(s, i);
    if (!time.isValid())
        return {};
    const QDate first(date.year(), date.month(), 1);
    std::optional<int> offset = steady(months_, first, first.addMonths(1).addDays(-1));
    if (!offset)
        offset = steady(days_, date, date);
    if (!offset)
        return QDateTime(date, time);
    return QDateTime(date, time, Qt::OffsetFromUTC, *offset);
}

std::optional<int> ProtocolDates::steady(Offsets& cache, QDate from, QDate to) {
    auto found = cache.constFind(from.toJulianDay());
    if (found == cache.constEnd()) {
        const QDateTime start(from, QTime(0, 0)), end(to, QTime(23, 59, 59));
        const bool same = start.isValid() && end.isValid() && start.offsetFromUtc() == end.offsetFromUtc();
        found =
            cache.insert(from.toJulianDay(), same ? std::optional<int>(start.offsetFromUtc()) : std::nullopt);
    }
    return *found;
}

QDateTime parseProtocolDateTime(QStringView text, const QLocale& locale) {
    ProtocolDates dates({}, locale);
    const QDateTime t = dates.read(text);
    return t.isValid() ? QDateTime(t.date(), t.time()) : QDateTime();
}

} // namespace numio
