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

// The tries of each fact, oldest first.
using Knowledge = QHash<Fact, QList<Try>>;

// Where the pupil stands with a fact.
enum class FactState {
    NeverAsked,
    NotKnown, // the last try went wrong, or most of the recent ones did
    Learning, // on the way: right lately, but not yet steadily and quickly enough
    Known,    // right in each of the last kKnownRun tries, each within the time limit
};

inline constexpr int kKnownRun = 3;
inline constexpr int kKnownWithinSecondsDefault = 3;
inline constexpr qint64 kNoTimeLimit = std::numeric_limits<qint64>::max();

// The state of a fact from its tries (oldest first) made up to `until` (seconds since 1970).
NUMIO_EXPORT FactState factState(const QList<Try>& tries, int knownWithinMs, qint64 until = kNoTimeLimit);

// What the map tells of one fact.
struct NUMIO_EXPORT FactSummary {
    int tries = 0;
    int rights = 0;
    int medianMs = 0;  // of all tries; 0 when never asked
    qint64 lastAt = 0; // the last try; 0 when never asked
    FactState state = FactState::NeverAsked;
};
NUMIO_EXPORT FactSummary summariseFact(const QList<Try>& tries, int knownWithinMs);

// The ten times tables' products 1*1 to 10*10 the pupil knows, counting the tries made up to `until`.
NUMIO_EXPORT int knownTimesTables(const Knowledge& knowledge, int knownWithinMs, qint64 until = kNoTimeLimit);

} // namespace numio
