#pragma once

#include "platform/export.h"

#include "core/practice_state.h"
#include "core/repeat_entry.h"
#include "journal/journal_dates.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

namespace numio {

// What a block practised, as its practice line says; Unknown in a block written without one (every
// journal of an earlier version, and every one of a program used without pupils or names).
enum class PracticeKind { Unknown, Set, Plain, Repeat };

// One examination: a block whose FINISH record could be read, or one interrupted by closing the
// window after it had answers.
struct NUMIO_EXPORT Examination {
    QDateTime when;      // invalid when the INIT line's date could not be read
    int problems = 0;    // answered; 0 for an interrupted block that does not say how many
    int wrong = 0;       // likewise, 0 when not known
    int grade = 0;       // from the counts, not from the printed line; 0 when it has none
    int successRate = 0; // likewise
    bool limitReached = false;
    PracticeKind kind = PracticeKind::Unknown;
    bool interrupted = false; // ended by the shutdown line, not by FINISH
    QString practice{};       // the practice line's words after its label; empty without one

    bool isRepeat() const { return kind == PracticeKind::Repeat; }
    // An examination of its own: not a repeat of missed problems. Its problems count in the pupil's
    // totals, success rate and grade.
    bool counts() const { return !isRepeat(); }
    // Has a grade of its own and so moves averages and the trend: finished and no repeat.
    bool graded() const { return counts() && !interrupted; }
};

// The misses of one block: the problems of Journal::missLog between from and to. Every block with a
// wrong answer has one, finished or not.
struct NUMIO_EXPORT MissBlock {
    QDateTime when; // invalid when undated
    qint32 from = 0;
    qint32 to = 0;
};

// A problem the pupil got wrong, from the LOG lines of all blocks (finished or not).
struct NUMIO_EXPORT MissedProblem {
    QString problem; // "7+8"
    QString entry;   // "7,8,15,1", the repeat list's form
    int count = 0;
    QDateTime last; // invalid when none of its blocks had a readable date
};

struct NUMIO_EXPORT Journal {
    QVector<Examination> exams;    // in the order of the file, repeats among them
    QVector<MissedProblem> missed; // count desc, then last desc, then problem
    int unreadableLines = 0;
    // Sums over the exams that count (no repeats); 64 bits, since a hand-made journal can exceed
    // any 32-bit count.
    qint64 totalProblems = 0;
    qint64 totalWrong = 0;
    QString pupil; // the newest name a pupil line gives; empty without one

    // Every wrong answer in file order as an index into missedEntries, grouped by block: what
    // within() needs to count the misses of a period again.
    QVector<RepeatEntry> missedEntries;
    QVector<qint32> missLog;
    QVector<MissBlock> missBlocks;

    bool isEmpty() const { return exams.isEmpty(); }
    // The examinations that count (repeats left out), the figure every report shows.
    int countedExams() const;
    int repeatRuns() const;
    QDateTime lastExam() const; // the latest dated examination that counts; invalid when none
    int undatedExams() const;
    // Every examination dated and none earlier than the one before: a time axis makes sense.
    bool chronological() const;
};

// Where the line that starts at `from` ends: at its CR or LF, or at the text's end.
NUMIO_EXPORT qsizetype lineEndAt(QStringView text, qsizetype from);

// Calls `line` for each line of the text, without its end: CR LF, LF or a lone CR, as editors leave
// them. A last line without an end is a line too.
template <class F> void forEachLine(QStringView text, F&& line) {
    for (qsizetype from = 0; from < text.size();) {
        const qsizetype end = lineEndAt(text, from);
        line(text.sliced(from, end - from));
        from = end + (end + 1 < text.size() && text[end] == u'\r' && text[end + 1] == u'\n' ? 2 : 1);
    }
}

// Reads a protocol already decoded to text. Lines end in CR LF or LF. Never fails: what cannot be
// read is counted in unreadableLines and skipped. Dates are read as ProtocolDates does under the
// locale.
NUMIO_EXPORT Journal parseJournal(const QString& text, const QLocale& locale = QLocale::system());

class TextFiles;

// The journal at path. One not yet created reads as an empty journal: the overview then opens on
// its empty state. Other failures go to the caller.
NUMIO_EXPORT Journal readJournal(TextFiles& files, const QString& path,
                                 const QLocale& locale = QLocale::system());

struct NUMIO_EXPORT Score {
    int grade = 0;
    int successRate = 0;
};

// Grade and success rate of any counts through core/scoring, whose 16-bit arithmetic takes at most
// a few thousand problems: larger counts are brought to an equivalent ratio first.
// 1 <= problems, 0 <= wrong <= problems.
NUMIO_EXPORT Score scoreOf(qint64 problems, qint64 wrong);

// The whole journal as one examination; nothing when it has no examination.
NUMIO_EXPORT std::optional<Score> overallScore(const Journal& journal);

// The trend counts problems, not examinations: each graded examination weighs by the problems it
// asked, and one of fewer than this many (a short try) does not move it; a repeat or an interrupted
// examination never does.
inline constexpr int kTrendMinimumProblems = 6;
NUMIO_EXPORT bool movesTrend(const Examination& e);

// For each examination the success rate of the problems of the last `window` examinations that move
// the trend, up to it; NaN where none has yet.
NUMIO_EXPORT QVector<double> movingAverage(const QVector<Examination>& exams, int window = 10);

struct NUMIO_EXPORT WindowComparison {
    int lastCount = 0;     // 10 unless the journal has fewer
    int previousCount = 0; // 1 to 10
    double lastRate = 0;   // success rate of all their problems
    double previousRate = 0;
    double lastGrade = 0; // mean grade, weighed by problems
    double previousGrade = 0;
    double change() const { return lastRate - previousRate; } // in percentage points
};

// The last ten examinations that move the trend against the ten before them; nothing with fewer
// than eleven.
NUMIO_EXPORT std::optional<WindowComparison> compareLastTen(const Journal& journal);

// Better or worse is told only when each side holds at least this many examinations that move the
// trend: ten against one or two would say more of that one day than of the pupil.
inline constexpr int kTrendLeastEachSide = 3;

// The trend as every reader shows it: the overview's summary, the class overview, its PDF and CSV.
struct NUMIO_EXPORT TrendOutcome {
    std::optional<WindowComparison> windows; // from the eleventh examination that moves the trend
    std::optional<double> change;            // in percentage points, once both sides can tell it
    QString pending;                         // why there is no change yet; empty when there is
};
NUMIO_EXPORT TrendOutcome trendOf(const Journal& journal);

// A stretch of days, both ends included; an invalid end is open. Whole history: both open.
struct NUMIO_EXPORT Period {
    QDate from;
    QDate to;
    bool whole() const { return !from.isValid() && !to.isValid(); }
    bool contains(const QDateTime& when) const; // undated only in the whole history
};

// The journal as if it held only the period's blocks: examinations, totals and most-missed problems
// counted again; the pupil's name kept. The whole history gives the journal back unchanged.
NUMIO_EXPORT Journal within(const Journal& journal, const Period& period);

// Repeat-list entries of the most-missed problems, most-missed first, only those these settings
// ask: other settings wrote most of the journal, and a hand-edited one may hold anything.
NUMIO_EXPORT QStringList practiceEntries(const Journal& journal, int limit, const StoredSettings& settings);

} // namespace numio
