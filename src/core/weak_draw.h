#pragma once

#include "platform/export.h"

#include "core/facts.h"
#include "core/practice_state.h"
#include "platform/random_source.h"

#include <QHash>
#include <QString>

#include <optional>
#include <vector>

namespace numio {

// How much a fact in work asks to be practised by its state: not known 8, learning 4, too few tries or
// wanting a refresh 3; known and never asked 0 (they come by turns of their own).
NUMIO_EXPORT int weakFactWeight(FactState state);

// Draws the problems of "Procvičuj, co ještě neumí": within the current rules, mostly the facts the
// pupil does not know yet, with the facts never asked coming in steadily and the known ones now and
// then so that they stay known.
//
// Every kNewEvery-th problem is a fact never asked, while the rules leave any. Every kKnownEvery-th is
// the known fact asked least lately. The rest go to the facts in work: the one whose weight by state
// (not known 8, learning 4, too few tries or wanting a refresh 3) times the problems since it was last
// asked (kRestedBefore for the facts tried before the run) is largest, give or take a fifth. A fact not known
// comes back soonest, none is forgotten, and none comes twice in a row while another can. Where nothing is in
// work the new facts, then the known ones, fill in.
//
// The facts the rules admit are listed when there are at most kListedAtMost of them (the times
// tables, sums to a few hundred); beyond that the facts never asked are found by the ordinary
// generator, which soon gives up where it keeps meeting facts already asked.
class NUMIO_EXPORT WeakFactsDraw {
  public:
    static constexpr int kNewEvery = 4;
    static constexpr int kKnownEvery = 10;
    static constexpr int kRestedBefore = 100;
    static constexpr int kListedAtMost = 50000;

    // `now` (seconds since 1970) tells which known facts want a refresh.
    WeakFactsDraw(const StoredSettings& rules, const Knowledge& knowledge, int knownWithinMs, qint64 now);
    // The next fact; never one outside the rules. Precondition: anyOperationAdmitsProblem(rules).
    Fact next(RandomSource& random);
    // The answer to a fact drawn: its state and weight change at once.
    void answered(const Fact& fact, const Try& attempt);
    // What the status bar says of the run, e.g. "Procvičuje se, co ještě neumí: 4 neumí, 3 se učí, 12 umí."
    QString statusText() const;
    // The facts admitted and never asked, when they are listed.
    std::optional<qsizetype> neverAskedLeft() const;

  private:
    struct Candidate {
        Fact fact;
        FactState state = FactState::NeverAsked;
        qint64 lastAsked = 0; // the problem of this run that last asked it; below 1 before the run
        qint64 lastAt = 0;    // the date of its last try
    };

    void place(const Fact& fact, FactState state, qint64 lastAt);
    bool anyNew() const;
    Fact drawNew(RandomSource& random);
    Fact drawOrdinary(RandomSource& random);
    // Indices into candidates_.
    std::optional<qsizetype> drawInWork(RandomSource& random) const;
    std::optional<qsizetype> leastLatelyKnown() const;
    std::optional<qsizetype> lastInWork() const;

    PracticeState scratch_; // the rules, and the ordinary generator's problem
    Knowledge knowledge_;
    int knownWithinMs_ = 0;
    std::vector<Candidate> candidates_;
    QHash<Fact, qsizetype> index_;                // into candidates_
    int inState_[kFactStates] = {};               // candidates by FactState
    std::optional<std::vector<Fact>> neverAsked_; // when listed; each drawn alike
    QHash<Fact, qsizetype> neverAskedIndex_;      // into neverAsked_
    int newMisses_ = 0; // unlisted: searches for a new fact in a row that found none
    qint64 drawn_ = 0;  // problems drawn in this run
    bool knownOwed_ = false;
};

} // namespace numio
