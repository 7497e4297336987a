#include "journal/journal_format.h"

namespace numio {

namespace {

// Dates follow LC_TIME, which can be Czech under a language Qt reports as another.
bool czechDates(const QLocale& locale) {
    if (locale.language() == QLocale::Czech)
        return true;
    if (locale != QLocale::system())
        return false;
    for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return QLocale(value.section(u'.', 0, 0).section(u'@', 0, 0)).language() == QLocale::Czech;
    }
    return false;
}

// The locale's long time without its time zone ("h:mm:ss AP t" -> "h:mm:ss AP"): a journal is read
// where it was written, and the zone's name is often one the file's code page cannot hold.
QString timeFormatWithoutZone(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString kept;
    bool quoted = false;
    for (QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (quoted || c != u't')
            kept += c;
    }
    kept.remove(QStringLiteral("()"));
    kept.remove(QStringLiteral("[]"));
    return kept.simplified();
}

} // namespace

QString journalRule() {
    return QString(kJournalRuleLength, kJournalRuleChar);
}

QString journalTitle(const QString& dateTime) {
    return kJournalTitle.toString() + dateTime;
}

QString journalDashes() {
    return QString(kJournalDashesLength, kJournalDashChar);
}

QString journalLogLine(int a, const QString& sign, int b, int c, const QString& answer) {
    QString line = QString::number(a) + sign + QString::number(b) + kJournalEquals + QString::number(c);
    line += kJournalAnswerStart;
    return line + answer + kJournalAnswerEnd;
}

QString journalLimitLine(int minutes) {
    QString line = kJournalLimitStart.toString() + QString::number(minutes);
    return line += kJournalLimitEnd;
}

QString journalCountLine(QStringView label, int count) {
    return label.toString() + QString::number(count);
}

QString journalRateLine(int successRate) {
    return kJournalRate.toString() + QString::number(successRate) + kJournalRateEnd;
}

QString czechDateTime(const QDateTime& t) {
    return t.date().toString(u"d.M.yyyy") + u' ' + t.time().toString(u"H:mm:ss");
}

QString localeDateTime(const QDateTime& t, const QLocale& locale) {
    // Qt's Czech short date has leading zeros and a two-digit year; the Czech system setting has neither.
    if (czechDates(locale))
        return czechDateTime(t);
    return locale.toString(t.date(), QLocale::ShortFormat) + u' ' +
           locale.toString(t.time(), timeFormatWithoutZone(locale));
}

QString journalPupilLine(const QString& name) {
    return kJournalPupil.toString() + name.simplified();
}

QString journalPracticeLine(const QString& words) {
    return kJournalPractice.toString() + words;
}

QString journalAnsweredLine(int answered, int wrong) {
    return kJournalAnswered.toString() + QString::number(answered) + kJournalAnsweredWrong.toString() +
           QString::number(wrong);
}

} // namespace numio
