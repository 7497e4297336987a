#include "core/weak_draw.h"

#include "core/generator.h"

#include <algorithm>

namespace numio {

namespace {

int weightOf(FactState state) {
    switch (state) {
    case FactState::NotKnown:
        return 8;
    case FactState::Learning:
        return 4;
    case FactState::Known:
        return 1;
    default:
        return 0;
    }
}

// The weight of the new facts' candidate for each free place in work.
constexpr int kNewFactWeight = 4;
// Generator draws tried for a fact never asked before taking the last one anyway.
constexpr int kNewFactTries = 50;
// After this many fruitless searches in a row the rules are taken to hold nothing new: the new
// facts' candidate would only dilute the weak ones with problems drawn evenly.
constexpr int kNewMissesToGiveUp = 3;

// The store may hold anything: operands beyond 16 bits are never admitted, and are kept away from
// result(), whose product would overflow.
bool admitted(const StoredSettings& rules, const Fact& f) {
    constexpr int kLargest = 32767;
    if (f.a < 0 || f.a > kLargest || f.b < 0 || f.b > kLargest)
        return false;
    return problemAdmitted(rules, f.op, f.a, f.b, f.result());
}

} // namespace

WeakFactsDraw::WeakFactsDraw(const StoredSettings& rules, const Knowledge& knowledge, int knownWithinMs)
    : knowledge_(knowledge), knownWithinMs_(knownWithinMs) {
    scratch_.stored() = rules;
    // The copy is made now, as the run starts, not at its first answer.
    knowledge_.detach();
    candidates_.reserve(std::size_t(knowledge.size()));
    for (auto it = knowledge_.cbegin(); it != knowledge_.cend(); ++it) {
        if (admitted(rules, it.key()))
            place(it.key(), factState(it.value(), knownWithinMs_, 0));
    }
}

void WeakFactsDraw::place(const Fact& fact, FactState state) {
    if (state == FactState::NeverAsked)
        return;
    auto found = index_.constFind(fact);
    if (found == index_.cend()) {
        found = index_.insert(fact, qsizetype(candidates_.size()));
        candidates_.push_back({fact, FactState::NeverAsked, 0});
    }
    Candidate& c = candidates_[std::size_t(*found)];
    if (c.state != FactState::NeverAsked)
        --inState_[int(c.state)];
    candidatesWeight_ -= c.weight;
    c.state = state;
    c.weight = weightOf(state);
    ++inState_[int(state)];
    candidatesWeight_ += c.weight;
}

int WeakFactsDraw::newFactsWeight() const {
    if (newMisses_ >= kNewMissesToGiveUp)
        return 0;
    const int inWork = inState_[int(FactState::NotKnown)] + inState_[int(FactState::Learning)];
    return kNewFactWeight * std::max(0, kInWork - inWork);
}

Fact WeakFactsDraw::next(RandomSource& random) {
    const long long total = candidatesWeight_ + newFactsWeight();
    if (total <= 0)
        return drawOrdinary(random);
    long long target =
        static_cast<long long>(static_cast<double>(random.next()) * static_cast<double>(total));
    target = std::clamp(target, 0LL, total - 1);
    if (target >= candidatesWeight_)
        return drawNew(random);
    for (const Candidate& c : candidates_) {
        if (target < c.weight)
            return c.fact;
        target -= c.weight;
    }
    return drawOrdinary(random); // not reached: the weights add up to candidatesWeight_
}

Fact WeakFactsDraw::drawNew(RandomSource& random) {
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
    if (admitted(scratch_, fact))
        place(fact, factState(history, knownWithinMs_, 0));
}

QString WeakFactsDraw::statusText() const {
    return QStringLiteral("Procvičuje se, co ještě neumí: %1 neumí, %2 se učí, %3 umí.")
        .arg(inState_[int(FactState::NotKnown)])
        .arg(inState_[int(FactState::Learning)])
        .arg(inState_[int(FactState::Known)]);
}

} // namespace numio
