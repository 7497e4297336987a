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

// How many of the last tries count in judging whether a fact went mostly wrong lately.
constexpr qsizetype kRecent = kRecentTries;

// The dates an answer of ours can carry: 1 January 2000 to the end of 2099.
constexpr qint64 kEarliestAt = 946684800;
constexpr qint64 kLatestAt = 4102444799;
// Nobody answers a problem left on the screen for more than an hour.
constexpr qint64 kLongestMs = qint64(3600) * 1000;
constexpr qint64 kLargest16 = 32767;

} // namespace

void FactHistory::add(const Try& t) {
    if (recent.size() == kRecentTries)
        recent.removeFirst();
    recent.push_back(t);
    if (tries == 0)
        firstAt = t.at;
    ++tries;
    rights += t.right() ? 1 : 0;
    lastAt = t.at;
}

FactState factState(const QList<Try>& tries, int knownWithinMs, qint64 now) {
    const qsizetype n = tries.size();
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
    const qsizetype run = std::min<qsizetype>(n, kKnownRun);
    for (qsizetype i = n - run; i < n; ++i) {
        if (!tries[i].right() || tries[i].ms > knownWithinMs)
            return FactState::Learning;
    }
    if (n < kKnownRun)
        return FactState::FewTries;
    if (recent - rights > kKnownMisses)
        return FactState::Learning;
    if (now > 0 && now - tries[n - 1].at > qint64(kRefreshAfterDays) * 24 * 3600)
        return FactState::Refresh;
    return FactState::Known;
}

FactSummary summariseFact(const FactHistory& h, int knownWithinMs, qint64 now) {
    return {h.tries, h.rights, h.medianMs, h.lastAt, factState(h, knownWithinMs, now)};
}

int knownTimesTables(const Knowledge& knowledge, int knownWithinMs) {
    int known = 0;
    for (auto it = knowledge.cbegin(); it != knowledge.cend(); ++it) {
        const Fact& f = it.key();
        if (f.op == 3 && f.a >= 1 && f.a <= 10 && f.b >= 1 && f.b <= 10 &&
            knows(factState(it.value(), knownWithinMs, 0)))
            ++known;
    }
    return known;
}

bool plausibleAnswer(const Fact& f, qint64 expected, qint64 at, int outcome, qint64 ms) {
    if (at < kEarliestAt || at > kLatestAt || ms < 0 || ms > kLongestMs || outcome < 0 || outcome > 2)
        return false;
    if (f.op < 1 || f.op > 4 || f.a < 0 || f.a > kLargest16 || f.b < 0 || f.b > kLargest16)
        return false;
    if (f.op == 4 && (f.b == 0 || f.a % f.b != 0))
        return false;
    // In 64 bits: a sum or product beyond 16 bits is no problem of ours, not a wrapped-round one.
    const qint64 a = f.a, b = f.b;
    const qint64 result = f.op == 1 ? a + b : f.op == 2 ? a - b : f.op == 3 ? a * b : a / b;
    return result >= 0 && result <= kLargest16 && result == expected;
}

KnowledgeBuilder::KnowledgeBuilder(KnowledgeQuery query) : query_(std::move(query)) {
    query_.weekEnds.resize(std::min<qsizetype>(query_.weekEnds.size(), 32));
}

void KnowledgeBuilder::add(const Fact& f, const Try& t) {
    clock_ = std::max(clock_, t.at);
    Gathering& g = gathering_[f];
    // The weeks that ended before this try see the fact as it stood without it.
    while (g.weeksDone < query_.weekEnds.size() && query_.weekEnds[g.weeksDone] < clock_) {
        if (knows(factState(g.history, query_.knownWithinMs, 0)))
            g.history.knownWeeks |= 1u << g.weeksDone;
        ++g.weeksDone;
    }
    g.history.add(t);
    g.ms.push_back(t.ms);
}

KnowledgeRead KnowledgeBuilder::finish() {
    KnowledgeRead read{{}, ignored_};
    read.facts.reserve(gathering_.size());
    for (auto it = gathering_.begin(); it != gathering_.end(); it = gathering_.erase(it)) {
        Gathering& g = it.value();
        FactHistory& h = g.history;
        if (knows(factState(h, query_.knownWithinMs, 0)))
            for (qsizetype w = g.weeksDone; w < query_.weekEnds.size(); ++w)
                h.knownWeeks |= 1u << w;
        QList<int>& ms = g.ms;
        const qsizetype mid = ms.size() / 2;
        std::nth_element(ms.begin(), ms.begin() + mid, ms.end());
        h.medianMs = ms[mid];
        if (ms.size() % 2 == 0) {
            // With the two middle ones: the lower is the largest of the lower half.
            const int lower = *std::max_element(ms.begin(), ms.begin() + mid);
            h.medianMs = int((qint64(lower) + h.medianMs) / 2);
        }
        read.facts.insert(it.key(), h);
    }
    ignored_ = 0;
    return read;
}

} // namespace numio
