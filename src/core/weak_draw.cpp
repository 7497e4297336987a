#include "core/weak_draw.h"

#include "core/generator.h"

#include <algorithm>
#include <cmath>

namespace numio {

int weakFactWeight(FactState state) {
    switch (state) {
    case FactState::NotKnown:
        return 8;
    case FactState::Learning:
        return 4;
    case FactState::FewTries:
    case FactState::Refresh:
        return 3;
    default:
        return 0;
    }
}

namespace {

// Generator draws tried for a fact never asked before taking the last one anyway.
constexpr int kNewFactTries = 50;
// After this many fruitless searches in a row the rules are taken to hold nothing new: the search
// would only dilute the weak facts with problems drawn evenly.
constexpr int kNewMissesToGiveUp = 3;
// Sums and differences beyond this are not listed: their facts grow with its square.
constexpr int kListedLargestSum = 300;
constexpr int kLargest = 32767;

// The store may hold anything: operands beyond 16 bits are never admitted, and are kept away from
// result(), whose product would overflow.
bool admitted(const StoredSettings& rules, const Fact& f) {
    if (f.a < 0 || f.a > kLargest || f.b < 0 || f.b > kLargest)
        return false;
    return problemAdmitted(rules, f.op, f.a, f.b, f.result());
}

// Every fact the rules admit, in a fixed order; none when there could be more than `most`.
std::optional<std::vector<Fact>> admittedFacts(const StoredSettings& rules, std::size_t most) {
    // A largest sum left high by hand weighs nothing while sums and differences are off.
    const int largestSum =
        operationEnabled(rules, 1) || operationEnabled(rules, 2) ? int(rules.nMaxValue) : 0;
    if (largestSum > kListedLargestSum)
        return std::nullopt;
    const int rows = rules.chosenTablesOnly ? 10 : std::clamp(int(rules.nMaxValueX), 0, kLargest);
    std::vector<Fact> facts;
    const auto consider = [&](const Fact& f) {
        if (admitted(rules, f))
            facts.push_back(f);
        return facts.size() <= most;
    };
    for (int a = 1; a <= largestSum; ++a)
        for (int b = 1; b <= largestSum; ++b)
            if (!consider({1, a, b}) || !consider({2, a, b}))
                return std::nullopt;
    for (int a = 1; a <= std::max(rows, 10); ++a)
        for (int b = 1; b <= 10; ++b)
            if (!consider({3, a, b}) || !consider({4, a * b, b}))
                return std::nullopt;
    return facts;
}

} // namespace

WeakFactsDraw::WeakFactsDraw(const StoredSettings& rules, const Knowledge& knowledge, int knownWithinMs,
                             qint64 now)
    : knowledge_(knowledge), knownWithinMs_(knownWithinMs) {
    scratch_.stored() = rules;
    // The copy is made now, as the run starts, not at its first answer.
    knowledge_.detach();
    std::vector<Fact> tried;
    for (auto it = knowledge_.cbegin(); it != knowledge_.cend(); ++it)
        if (it.value().tries > 0 && admitted(rules, it.key()))
            tried.push_back(it.key());
    // A fixed order, so that a seeded run draws the same whatever the hash's order.
    std::sort(tried.begin(), tried.end());
    candidates_.reserve(tried.size());
    for (const Fact& f : tried) {
        const FactHistory& h = knowledge_[f];
        place(f, factState(h, knownWithinMs_, now), h.lastAt);
    }
    neverAsked_ = admittedFacts(rules, kListedAtMost);
    if (neverAsked_) {
        std::erase_if(*neverAsked_, [this](const Fact& f) { return index_.contains(f); });
        for (qsizetype i = 0; i < qsizetype(neverAsked_->size()); ++i)
            neverAskedIndex_.insert((*neverAsked_)[std::size_t(i)], i);
    }
}

void WeakFactsDraw::place(const Fact& fact, FactState state, qint64 lastAt) {
    if (state == FactState::NeverAsked)
        return;
    auto found = index_.constFind(fact);
    if (found == index_.cend()) {
        found = index_.insert(fact, qsizetype(candidates_.size()));
        candidates_.push_back({fact, FactState::NeverAsked, 1 - kRestedBefore, 0});
    }
    Candidate& c = candidates_[std::size_t(*found)];
    if (c.state != FactState::NeverAsked)
        --inState_[int(c.state)];
    c.state = state;
    c.lastAt = lastAt;
    ++inState_[int(state)];
}

bool WeakFactsDraw::anyNew() const {
    return neverAsked_ ? !neverAsked_->empty() : newMisses_ < kNewMissesToGiveUp;
}

std::optional<qsizetype> WeakFactsDraw::neverAskedLeft() const {
    return neverAsked_ ? std::optional(qsizetype(neverAsked_->size())) : std::nullopt;
}

Fact WeakFactsDraw::next(RandomSource& random) {
    ++drawn_;
    knownOwed_ = knownOwed_ || drawn_ % kKnownEvery == 0;
    if (drawn_ % kNewEvery == 0 && anyNew())
        return drawNew(random);
    std::optional<qsizetype> chosen;
    if (knownOwed_) {
        knownOwed_ = false;
        chosen = leastLatelyKnown();
    }
    if (!chosen)
        chosen = drawInWork(random);
    if (!chosen && anyNew())
        return drawNew(random);
    // A known fact out of its turn rather than the same fact twice running; that only when nothing
    // else can come.
    if (!chosen)
        chosen = leastLatelyKnown();
    if (!chosen)
        chosen = lastInWork();
    if (!chosen)
        return drawOrdinary(random);
    Candidate& c = candidates_[std::size_t(*chosen)];
    c.lastAsked = drawn_;
    return c.fact;
}

std::optional<qsizetype> WeakFactsDraw::drawInWork(RandomSource& random) const {
    // The fact whose weight times its rest is largest, give or take a fifth, so that the order is not
    // fixed: the one asked last rests 0 and does not come, and the longer one rests the surer it comes.
    // One random number a draw spreads the fifths over the facts by the golden ratio: a draw over
    // thousands of facts costs no more than one of the random source.
    constexpr double kGolden = 0.6180339887498949;
    const double start = double(random.next());
    std::optional<qsizetype> best;
    double most = 0;
    for (std::size_t i = 0; i < candidates_.size(); ++i) {
        const Candidate& c = candidates_[i];
        const qint64 weight = weakFactWeight(c.state) * std::max<qint64>(drawn_ - c.lastAsked - 1, 0);
        if (weight == 0)
            continue;
        const double spread = start + kGolden * double(i);
        const double priority = double(weight) * (0.8 + 0.4 * (spread - std::floor(spread)));
        if (priority > most)
            most = priority, best = qsizetype(i);
    }
    return best;
}

std::optional<qsizetype> WeakFactsDraw::lastInWork() const {
    const auto last = std::find_if(candidates_.cbegin(), candidates_.cend(), [this](const Candidate& c) {
        return weakFactWeight(c.state) > 0 && c.lastAsked == drawn_ - 1;
    });
    return last != candidates_.cend() ? std::optional(qsizetype(last - candidates_.cbegin())) : std::nullopt;
}

std::optional<qsizetype> WeakFactsDraw::leastLatelyKnown() const {
    std::optional<qsizetype> least;
    for (std::size_t i = 0; i < candidates_.size(); ++i) {
        const Candidate& c = candidates_[i];
        if (c.state != FactState::Known)
            continue;
        if (!least || std::pair(c.lastAsked, c.lastAt) < std::pair(candidates_[std::size_t(*least)].lastAsked,
                                                                   candidates_[std::size_t(*least)].lastAt))
            least = qsizetype(i);
    }
    return least;
}

Fact WeakFactsDraw::drawNew(RandomSource& random) {
    if (neverAsked_) {
        const auto n = int(neverAsked_->size());
        const int i = std::clamp(int(static_cast<double>(random.next()) * n), 0, n - 1);
        return (*neverAsked_)[std::size_t(i)];
    }
    Fact f;
    for (int i = 0; i < kNewFactTries; ++i) {
        f = drawOrdinary(random);
        const auto tried = knowledge_.constFind(f);
        if (tried == knowledge_.cend() || tried->tries == 0) {
            newMisses_ = 0;
            return f;
        }
    }
    ++newMisses_;
    return f;
}

Fact WeakFactsDraw::drawOrdinary(RandomSource& random) {
    VytvorPriklad(scratch_, random);
    return Fact{scratch_.nRezim, scratch_.A, scratch_.B};
}

void WeakFactsDraw::answered(const Fact& fact, const Try& attempt) {
    FactHistory& history = knowledge_[fact];
    history.add(attempt);
    if (!admitted(scratch_, fact))
        return;
    place(fact, factState(history, knownWithinMs_, attempt.at), attempt.at);
    // Asked now, whether it was drawn as a candidate or came in new.
    candidates_[std::size_t(index_.value(fact))].lastAsked = drawn_;
    if (const auto at = neverAskedIndex_.constFind(fact); neverAsked_ && at != neverAskedIndex_.cend()) {
        // Out of the list: the last one takes its place.
        const qsizetype i = *at;
        neverAskedIndex_.erase(at);
        if (i + 1 != qsizetype(neverAsked_->size())) {
            (*neverAsked_)[std::size_t(i)] = neverAsked_->back();
            neverAskedIndex_[neverAsked_->back()] = i;
        }
        neverAsked_->pop_back();
    }
}

QString WeakFactsDraw::statusText() const {
    // Too few tries is told apart only when there are any, keeping the line short.
    const int few = inState_[int(FactState::FewTries)];
    return QStringLiteral("Procvičuje se, co ještě neumí: %1 neumí, %2 se učí, %3%4 umí.")
        .arg(inState_[int(FactState::NotKnown)])
        .arg(inState_[int(FactState::Learning)])
        .arg(few > 0 ? QStringLiteral("%1 málo pokusů, ").arg(few) : QString())
        .arg(inState_[int(FactState::Known)] + inState_[int(FactState::Refresh)]);
}

} // namespace numio
