#pragma once

#include "platform/export.h"

#include "core/practice_state.h"
#include "journal/journal_dates.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

namespace numio {

// One finished examination: a block whose FINISH record could be read.
struct NUMIO_EXPORT Examination {
    QDateTime when; // invalid when the INIT line's date could not be read
    int problems = 0;
    int wrong = 0;
    int grade = 0;       // from the counts, not from the printed line
    int successRate = 0; // likewise
    bool limitReached = false;
};

// A problem the pupil got wrong, from the LOG lines of all blocks (finished or not).
struct NUMIO_EXPORT MissedProblem {
    QString problem; // "7+8"
    QString entry;   // "7,8,15,1", the repeat list's form
    int count = 0;
    QDateTime last; // invalid when none of its blocks had a readable date
};

struct NUMIO_EXPORT Journal {
    QVector<Examination> exams;    // in the order of the file
    QVector<MissedProblem> missed; // count desc, then last desc, then problem
    int unreadableLines = 0;
    // Sums over exams; 64 bits, since a hand-made journal can exceed any 32-bit count.
    qint64 totalProblems = 0;
    qint64 totalWrong = 0;

    bool isEmpty() const { return exams.isEmpty(); }
    int undatedExams() const;
    // Every examination dated and none earlier than the one before: a time axis makes sense.
    bool chronological() const;
};

// Calls `line` for each line of the text, without its end: CR LF, LF or a lone CR, as editors leave
// them. A last line without an end is a line too.
template <class F> void forEachLine(QStringView text, F&& line) {
    for (qsizetype from = 0; from < text.size();) {
        qsizetype end = from;
        while (end < text.size() && text[end] != u'\n' && text[end] != u'\r')
            ++end;
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

// The trend counts problems, not examinations: each examination weighs by the problems it asked,
// and one of fewer than this many (a repeat of two wrong problems, a short try) does not move it.
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

// Repeat-list entries of the most-missed problems, most-missed first, only those these settings
// ask: other settings wrote most of the journal, and a hand-edited one may hold anything.
NUMIO_EXPORT QStringList practiceEntries(const Journal& journal, int limit, const StoredSettings& settings);

} // namespace numio
