#include "journal/protocol_writer.h"

#include "core/scoring.h"
#include "journal/journal_dates.h"
#include "journal/protocol_file.h"
#include "platform/failure.h"
#include "platform/text_files.h"

#include <functional>
#include <initializer_list>

namespace numio {

namespace {

using Line = std::function<QString()>;

// 70 switches the protocol off for this run only; the stored setting stays on.
void report(const Failure& f, PracticeState& s, Dialogs& dialogs) {
    dialogs.failure(f);
    if (f.code() == kAccessDenied)
        s.journalRefused = true;
}

void writeRecord(std::initializer_list<Line> lines, PracticeState& s, Dialogs& dialogs) {
    try {
        FollowProtokolPath(s);
    } catch (const Failure& f) {
        report(f, s, dialogs); // the record is dropped, its lines would only fail one by one
        return;
    }
    for (const Line& line : lines) {
        try {
            const QString text = line();
            // The protocol can be on without a file: start-up failed to open it.
            if (!s.tsProtokol)
                throw Failure(kBadFileName);
            s.tsProtokol->writeLine(text);
        } catch (const Failure& f) {
            report(f, s, dialogs);
            if (f.code() == kAccessDenied)
                return;
        }
    }
}

// Zero problems never reach FINISH; should one ever do, it is a failure, not a division by zero.
Integer answeredProblems(const PracticeState& s) {
    if (s.nPrikladID == 0)
        throw Failure(kOverflow);
    return s.nPrikladID;
}

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

} // namespace

namespace {

QString czechDateTime(const QDateTime& t) {
    return t.date().toString(u"d.M.yyyy") + u' ' + t.time().toString(u"H:mm:ss");
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

// Every character survives Windows-1250, and the journal's reader gets back the very second.
bool readable(const QString& text, const QDateTime& t, const QLocale& locale) {
    if (!windows1250Holds(text))
        return false;
    const QDateTime back = ProtocolDates({}, locale).read(text);
    const QTime time = t.time();
    return back.date() == t.date() && back.time() == QTime(time.hour(), time.minute(), time.second());
}

} // namespace

QString localeDateTime(const QDateTime& t, const QLocale& locale) {
    // Qt's Czech short date has leading zeros and a two-digit year; the Czech system setting has neither.
    if (czechDates(locale))
        return czechDateTime(t);
    return locale.toString(t.date(), QLocale::ShortFormat) + u' ' +
           locale.toString(t.time(), timeFormatWithoutZone(locale));
}

QString protocolDateTime(const QDateTime& t, const QLocale& locale) {
    const QString text = localeDateTime(t, locale);
    return readable(text, t, locale) ? text : czechDateTime(t);
}

void WriteProtokol(const QString& kind, PracticeState& s, const QString& answerText, const Clock& clock,
                   Dialogs& dialogs, const QLocale& locale) {
    if (kind == u"INIT") {
        writeRecord({[] { return QString(64, u'_'); },
                     [&] { return QStringLiteral("Numio - ") + protocolDateTime(clock.now(), locale); },
                     [] { return QString(35, u'-'); }},
                    s, dialogs);
    } else if (kind == u"LOG") {
        writeRecord({[&] {
                        return QString::number(s.A) + s.Rezim + QString::number(s.B) + u'=' +
                               QString::number(s.C) + QStringLiteral("   <") + answerText + u'>';
                    }},
                    s, dialogs);
    } else if (kind == u"LIMIT") {
        writeRecord({[] { return QString(); },
                     [&] {
                         return QStringLiteral("Limit na počítání sady vypršel !! (") +
                                QString::number(std::max<Integer>(s.nLimitSady, 1)) + QStringLiteral(".min)");
                     }},
                    s, dialogs);
    } else if (kind == u"FINISH") {
        writeRecord({[] { return QString(); },
                     [&] { return QStringLiteral("Příkladů celkem : ") + QString::number(s.nPrikladID); },
                     [&] { return QStringLiteral("Špatně : ") + QString::number(s.nSpatne); },
                     [&] {
                         return QStringLiteral("Známka : ") +
                                QString::number(grade(answeredProblems(s), s.nSpatne));
                     },
                     [&] {
                         return QStringLiteral("Úspěšnost : ") +
                                QString::number(successRate(answeredProblems(s), s.nSpatne)) + u'%';
                     }},
                    s, dialogs);
    }
}

void WriteShutdownLine(PracticeState& s) {
    if (!s.bProtokolOpen)
        return;
    FollowProtokolPath(s);
    if (!s.tsProtokol)
        throw Failure(kBadFileName);
    // The stream goes away even when the line fails: the program is ending.
    const std::unique_ptr<AppendStream> stream = std::move(s.tsProtokol);
    s.bProtokolOpen = false;
    s.fileProtokol.reset();
    stream->writeLine(QStringLiteral("Přerušeno zásahamem uživatele v průběhu zkoušení"));
    stream->close();
}

} // namespace numio
