#pragma once

#include "platform/export.h"

#include <QHash>
#include <QList>
#include <QString>

#include <limits>

namespace numio {

// One fact of arithmetic as the program asks it: a op b, op 1 +, 2 -, 3 *, 4 : (nRezim). A
// product is row a times factor b; a quotient is a divided by b ("56:7").
struct NUMIO_EXPORT Fact {
    int op = 0;
    int a = 0;
    int b = 0;

    // The result the pupil is to give.
    int result() const;
    // "7+5", "56:7", as the problem is shown.
    QString text() const;
    friend bool operator==(const Fact& x, const Fact& y) { return x.op == y.op && x.a == y.a && x.b == y.b; }
    friend bool operator!=(const Fact& x, const Fact& y) { return !(x == y); }
    friend bool operator<(const Fact& x, const Fact& y) {
        return x.op != y.op ? x.op < y.op : x.a != y.a ? x.a < y.a : x.b < y.b;
    }
};

inline size_t qHash(const Fact& f, size_t seed = 0) {
    return ::qHash((quint64(quint32(f.op)) << 56) ^ (quint64(quint32(f.a)) << 24) ^ quint64(quint32(f.b)),
                   seed);
}

// What an answer came to.
enum class AnswerOutcome { Right = 0, Wrong = 1, TimedOut = 2 };

// How the answer was asked; kept with it as its number.
enum class AnswerMode {
    Plain = 1,     // plain practice (Shift+F5)
    Set = 2,       // a set (F5)
    Repeat = 3,    // repeating the wrong problems, the overview's most-missed among them
    WeakPlain = 4, // practising what the pupil does not know yet, freely
    WeakSet = 5,   // the same as a set
};

// One try at a fact.
struct NUMIO_EXPORT Try {
    qint64 at = 0; // seconds since 1970 (UTC)
    AnswerOutcome outcome = AnswerOutcome::Right;
    int ms = 0; // from the problem shown to Enter

    bool right() const { return outcome == AnswerOutcome::Right; }
};

// One answer as the answer store keeps it.
struct NUMIO_EXPORT AnswerRecord {
    qint64 at = 0; // seconds since 1970 (UTC)
    QString pupil; // the pupil's name; empty without pupils
    AnswerMode mode = AnswerMode::Plain;
    Fact fact;
    int expected = 0;
    QString typed; // as typed; empty when the time ran out
    AnswerOutcome outcome = AnswerOutcome::Right;
    int ms = 0;
};

// What is kept of one fact's tries: each of them counted, the last few kept whole. Memory stays
// small however long the history; the state needs no more than the last kRecentTries.
struct NUMIO_EXPORT FactHistory {
    QList<Try> recent; // the last kRecentTries, in the order they were made
    int tries = 0;
    int rights = 0;
    int medianMs = 0;   // of all tries, when read from the store; 0 when never asked
    qint64 lastAt = 0;  // the last try's date; 0 when never asked
    qint64 firstAt = 0; // the first try's date, so the map's weeks begin with the pupil's; 0 when never asked
    quint32 knownWeeks = 0; // bit w: known at the end of past week w of the reading's query

    // One more try; the median is the reader's to work out.
    void add(const Try& t);
};

// The history of each fact tried.
using Knowledge = QHash<Fact, FactHistory>;

inline constexpr int kRecentTries = 8;

// Where the pupil stands with a fact. The rule, in the words the help gives a parent: a fact is
// known when its last three tries were right and each within the time limit, and no more than one
// of its last eight went wrong; known but not practised for four weeks, it wants a refresh; tried
// once or twice, right and quick each time, there is too little to tell yet; wrong at the last try,
// or in more than half of the last eight, it is not known; anything else is on the way.
enum class FactState {
    NeverAsked,
    NotKnown, // the last try went wrong, or most of the recent ones did
    Learning, // on the way: right lately, but not yet steadily and quickly enough
    Known,    // right and quick in each of the last kKnownRun tries, at most kKnownMisses missed lately
    FewTries, // one or two tries, each right and quick: too few to tell
    Refresh,  // known, but not practised for kRefreshAfterDays days
};
inline constexpr int kFactStates = 6;

inline constexpr int kKnownRun = 3;
inline constexpr int kKnownMisses = 1; // among the last kRecentTries
inline constexpr int kRefreshAfterDays = 28;
inline constexpr int kKnownWithinSecondsDefault = 3;

// Known, whether or not it wants a refresh.
inline bool knows(FactState state) {
    return state == FactState::Known || state == FactState::Refresh;
}

// The state of a fact from its tries in the order they were made (only the last kRecentTries count),
// as it stands at `now` (seconds since 1970; 0 for "as the last try left it", never wanting a refresh).
NUMIO_EXPORT FactState factState(const QList<Try>& tries, int knownWithinMs, qint64 now);
inline FactState factState(const FactHistory& h, int knownWithinMs, qint64 now) {
    return factState(h.recent, knownWithinMs, now);
}

// What the map tells of one fact.
struct NUMIO_EXPORT FactSummary {
    int tries = 0;
    int rights = 0;
    int medianMs = 0;  // of all tries; 0 when never asked
    qint64 lastAt = 0; // the last try; 0 when never asked
    FactState state = FactState::NeverAsked;
};
NUMIO_EXPORT FactSummary summariseFact(const FactHistory& history, int knownWithinMs, qint64 now);

// The ten times tables' products 1*1 to 10*10 the pupil knows (wanting a refresh or not).
NUMIO_EXPORT int knownTimesTables(const Knowledge& knowledge, int knownWithinMs);

// What a reading works out besides each fact's history: whether it was known at the end of each of
// these past weeks (seconds since 1970, oldest first; at most 32) under this time limit.
struct NUMIO_EXPORT KnowledgeQuery {
    int knownWithinMs = kKnownWithinSecondsDefault * 1000;
    QList<qint64> weekEnds;
};

// What the store gave: the facts, and how many answers it holds that no program of ours could have
// written (an impossible time, date or problem), left out of everything and counted here.
struct NUMIO_EXPORT KnowledgeRead {
    Knowledge facts;
    int ignored = 0;
};

// Whether an answer read back could have been written: a problem within the 16-bit rules whose
// result is the one kept, an outcome known, a time from 0 to an hour, a date of this century.
NUMIO_EXPORT bool plausibleAnswer(const Fact& f, qint64 expected, qint64 at, int outcome, qint64 ms);

// Gathers the answers, in the order they were written, into each fact's history. That order is the
// clock: an answer counts as made no earlier than any answer before it, whatever its date says, so
// a clock set back (or a date in the future) cannot make a later answer older than an earlier one.
class NUMIO_EXPORT KnowledgeBuilder {
  public:
    explicit KnowledgeBuilder(KnowledgeQuery query = {});
    void add(const Fact& f, const Try& t);
    // An answer left out: it counts nowhere but in KnowledgeRead::ignored.
    void ignore() { ++ignored_; }
    KnowledgeRead finish();

  private:
    struct Gathering {
        FactHistory history;
        QList<int> ms;     // every try's, for the median
        int weeksDone = 0; // the weeks that ended before the last try
    };
    KnowledgeQuery query_;
    QHash<Fact, Gathering> gathering_;
    int ignored_ = 0;
    qint64 clock_ = std::numeric_limits<qint64>::min();
};

} // namespace numio
