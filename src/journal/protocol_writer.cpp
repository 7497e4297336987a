#include "journal/protocol_writer.h"

#include "core/scoring.h"
#include "journal/journal_dates.h"
#include "journal/journal_format.h"
#include "journal/protocol_file.h"
#include "platform/failure.h"
#include "platform/text_files.h"

#include <QStringList>

#include <functional>
#include <initializer_list>

namespace numio {

namespace {

using Line = std::function<QString()>;

// The failures of one record's lines, in order; a refusal (70) ends the writing, as the journal is
// then off for this run.
struct Written {
    QList<Failure> failures;
    bool refused() const { return !failures.isEmpty() && failures.back().code() == kAccessDenied; }
};

void writeRecord(std::initializer_list<Line> lines, PracticeState& s, Written& written) {
    if (written.refused())
        return;
    try {
        followProtocolPath(s);
    } catch (const Failure& f) {
        written.failures << f; // the record is dropped, its lines would only fail one by one
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
            written.failures << f;
            if (written.refused())
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

// Every character survives Windows-1250, and the journal's reader gets back the very second.
bool readable(const QString& text, const QDateTime& t, const QLocale& locale) {
    if (!windows1250Holds(text))
        return false;
    const QDateTime back = ProtocolDates({}, locale).read(text);
    const QTime time = t.time();
    return back.date() == t.date() && back.time() == QTime(time.hour(), time.minute(), time.second());
}

} // namespace

QString practiceWords(const PracticeState& s) {
    QStringList parts;
    if (s.bOpravy) {
        parts << kJournalPracticeRepeat.toString();
    } else if (s.bPocitejSady) {
        QString set = kJournalPracticeSet.toString() + QStringLiteral("%1 příkladů").arg(s.nSada);
        if (s.setLimitRuns())
            set += QStringLiteral(", limit sady %1 min").arg(s.setLimitMinutes());
        parts << set;
    } else {
        parts << kJournalPracticePlain.toString();
    }
    if (s.weakFacts)
        parts.last() += QStringLiteral(", co ještě neumí");
    const auto both = [](bool first, bool second, const QString& a, const QString& b) {
        return first && second ? a + QStringLiteral(" a ") + b : first ? a : b;
    };
    if (s.bPlus || s.bMinus) {
        QString sums = both(s.bPlus, s.bMinus, QStringLiteral("sčítání"), QStringLiteral("odčítání")) +
                       QStringLiteral(" do %1").arg(s.nMaxValue);
        if (s.crossingTen == CrossingTen::With)
            sums += QStringLiteral(", jen s přechodem přes desítku");
        else if (s.crossingTen == CrossingTen::Without)
            sums += QStringLiteral(", bez přechodu přes desítku");
        parts << sums;
    }
    if (s.bKrat || s.bDeleno) {
        const QString tables = s.chosenTablesOnly ? QStringLiteral(", řady ") + s.chosenTables.text(u", ")
                                                  : QStringLiteral(" do %1").arg(s.nMaxValueX);
        parts << both(s.bKrat, s.bDeleno, QStringLiteral("násobení"), QStringLiteral("dělení")) + tables;
    }
    if (s.bLimit)
        parts << QStringLiteral("limit odpovědi %1 s").arg(s.answerLimitSeconds());
    return parts.join(QStringLiteral("; "));
}

QString protocolDateTime(const QDateTime& t, const QLocale& locale) {
    const QString text = localeDateTime(t, locale);
    return readable(text, t, locale) ? text : czechDateTime(t);
}

QList<Failure> WriteProtokol(const QString& kind, PracticeState& s, const QString& answerText,
                             const Clock& clock, const QLocale& locale) {
    Written written;
    if (kind == u"INIT") {
        writeRecord({[] { return journalRule(); },
                     [&] { return journalTitle(protocolDateTime(clock.now(), locale)); },
                     [] { return journalDashes(); }},
                    s, written);
        if (!s.journalName.isEmpty() && s.protocolOn())
            writeRecord({[&] { return journalPupilLine(s.journalName); },
                         [&] { return journalPracticeLine(practiceWords(s)); }},
                        s, written);
    } else if (kind == u"LOG") {
        writeRecord({[&] { return journalLogLine(s.A, s.Rezim, s.B, s.C, answerText); }}, s, written);
    } else if (kind == u"LIMIT") {
        writeRecord({[] { return QString(); }, [&] { return journalLimitLine(s.setLimitMinutes()); }}, s,
                    written);
    } else if (kind == u"FINISH") {
        writeRecord({[] { return QString(); }, [&] { return journalCountLine(kJournalTotal, s.nPrikladID); },
                     [&] { return journalCountLine(kJournalWrong, s.nSpatne); },
                     [&] { return journalCountLine(kJournalGrade, grade(answeredProblems(s), s.nSpatne)); },
                     [&] { return journalRateLine(successRate(answeredProblems(s), s.nSpatne)); }},
                    s, written);
    }
    return written.failures;
}

void writeShutdownLine(PracticeState& s, bool examinationRuns, int pendingWrong) {
    if (!s.bProtokolOpen)
        return;
    followProtocolPath(s);
    if (!s.tsProtokol)
        throw Failure(kBadFileName);
    // The stream goes away even when the line fails: the program is ending.
    const std::unique_ptr<AppendStream> stream = std::move(s.tsProtokol);
    s.bProtokolOpen = false;
    s.fileProtokol.reset();
    if (examinationRuns && !s.journalName.isEmpty())
        stream->writeLine(journalAnsweredLine(s.nPrikladID + pendingWrong, s.nSpatne + pendingWrong));
    stream->writeLine(kJournalShutdown.toString());
    stream->close();
}

} // namespace numio
