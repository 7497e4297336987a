#pragma once

#include "core/practice_state.h"
#include "platform/random_source.h"

namespace numio {

// Whether the rule of operation nRezim (1 +, 2 -, 3 *, 4 :) can produce any problem with the
// current ranges, all operands and the result staying within 16 bits.
bool operationAdmitsProblem(const PracticeState& s, int nRezim);
// Whether some enabled operation can produce a problem; the start commands depend on it.
bool anyOperationAdmitsProblem(const PracticeState& s);

// What the window shows after a generation.
struct Generated {
    bool made = false;   // false: nothing to ask, the current problem is unchanged
    QString problemText; // "7+5"
    QString statusText;  // repeat mode only: "Zbývá přezkoušet N příkladů."
    bool hasStatus = false;
};

// The next problem into A, B, C, Rezim, nRezim: from the repeat list while bOpravy is on,
// otherwise drawn at random among the enabled operations that admit a problem.
Generated VytvorPriklad(PracticeState& s, RandomSource& random);

QString problemText(const PracticeState& s);
// The problem as it is read aloud: "Kolik je 3 krát 2?".
QString spokenProblem(const PracticeState& s);

} // namespace numio
