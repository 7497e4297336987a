#pragma once

#include "platform/export.h"

#include "core/facts.h"
#include "core/practice_state.h"
#include "platform/random_source.h"

#include <QHash>
#include <QString>

#include <vector>

namespace numio {

// Draws the problems of "Procvičuj, co ještě neumí": within the current rules, weighted toward the
// facts the pupil does not know yet, bringing in never-asked facts a few at a time, and asking known
// facts now and then so that they stay known.
//
// Each fact the pupil has tried and the rules admit is a candidate, weighed by its state (not known 8,
// learning 4, known 1). Facts never asked are not listed (the rules may admit hundreds of thousands);
// one more candidate stands for them all and is drawn with the ordinary generator. It weighs 4 for
// each free place among the kInWork facts that may be in work (not known or learning) at once, so a
// pupil who misses everything meets no more than kInWork facts until some become known.
class NUMIO_EXPORT WeakFactsDraw {
  public:
    static constexpr int kInWork = 6;

    WeakFactsDraw(const StoredSettings& rules, const Knowledge& knowledge, int knownWithinMs);
    // The next fact; never one outside the rules. Precondition: anyOperationAdmitsProblem(rules).
    Fact next(RandomSource& random);
    // The answer to a fact drawn: its state and weight change at once.
    void answered(const Fact& fact, const Try& attempt);
    // What the status bar says of the run, e.g. "Procvičuje se, co ještě neumí: 4 neumí, 3 se učí, 12 umí."
    QString statusText() const;

  private:
    struct Candidate {
        Fact fact;
        FactState state = FactState::NeverAsked;
        int weight = 0;
    };

    // Makes `fact`, admitted by the rules, a candidate in `state`, or updates it.
    void place(const Fact& fact, FactState state);
    int newFactsWeight() const;
    Fact drawNew(RandomSource& random);
    Fact drawOrdinary(RandomSource& random);

    PracticeState scratch_; // the rules, and the ordinary generator's problem
    Knowledge knowledge_;
    int knownWithinMs_ = 0;
    std::vector<Candidate> candidates_;
    QHash<Fact, qsizetype> index_; // into candidates_
    long long candidatesWeight_ = 0;
    int inState_[kFactStates] = {}; // candidates by FactState
    int newMisses_ = 0;             // draws of a new fact in a row that found none
};

} // namespace numio
