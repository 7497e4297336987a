#include "core/facts.h"

#include "core/repeat_entry.h"

#include <algorithm>

namespace numio {

int Fact::result() const {
    switch (op) {
    case 1:
        return a + b;
    case 2:
        return a - b;
    case 3:
        return a * b;
    default:
        return b != 0 ? a / b : 0;
    }
}

QString Fact::text() const {
    return QString::number(a) + operatorSign(op) + QString::number(b);
}

namespace {

// The tries made up to `until`: the first n of the list, which is oldest first.
qsizetype triesUntil(const QList<Try>& tries, qint64 until) {
    if (until == kNoTimeLimit)
        return tries.size();
    // In the order given, which a clock set back leaves unsorted by time: up to the first later one.
    return std::find_if(tries.begin(), tries.end(), [until](const Try& x) { return x.at > until; }) -
           tries.begin();
}

// How many of the last tries count in judging whether a fact went mostly wrong lately.
constexpr qsizetype kRecent = 5;

} // namespace

FactState factState(const QList<Try>& tries, int knownWithinMs, qint64 until) {
    const qsizetype n = triesUntil(tries, until);
    if (n == 0)
        return FactState::NeverAsked;
    if (!tries[n - 1].right())
        return FactState::NotKnown;
    const qsizetype recent = std::min(n, kRecent);
    qsizetype rights = 0;
    for (qsizetype i = n - recent; i < n; ++i)
        rights += tries[i].right() ? 1 : 0;
    if (2 * rights < recent)
        return FactState::NotKnown;
    if (n < kKnownRun)
        return FactState::Learning;
    for (qsizetype i = n - kKnownRun; i < n; ++i) {
        if (!tries[i].right() || tries[i].ms > knownWithinMs)
            return FactState::Learning;
    }
    return FactState::Known;
}

FactSummary summariseFact(const QList<Try>& tries, int knownWithinMs) {
    FactSummary s;
    s.tries = int(tries.size());
    if (tries.isEmpty())
        return s;
    QList<int> times;
    times.reserve(tries.size());
    for (const Try& t : tries) {
        s.rights += t.right() ? 1 : 0;
        times.push_back(t.ms);
    }
    std::sort(times.begin(), times.end());
    const qsizetype mid = times.size() / 2;
    s.medianMs = times.size() % 2 ? times[mid] : (times[mid - 1] + times[mid]) / 2;
    s.lastAt = tries.last().at;
    s.state = factState(tries, knownWithinMs);
    return s;
}

int knownTimesTables(const Knowledge& knowledge, int knownWithinMs, qint64 until) {
    int known = 0;
    for (auto it = knowledge.cbegin(); it != knowledge.cend(); ++it) {
        const Fact& f = it.key();
        if (f.op == 3 && f.a >= 1 && f.a <= 10 && f.b >= 1 && f.b <= 10 &&
            factState(it.value(), knownWithinMs, until) == FactState::Known)
            ++known;
    }
    return known;
}

} // namespace numio
