#pragma once

#include "platform/export.h"

#include "core/facts.h"
#include "core/practice_state.h"
#include "platform/random_source.h"

namespace numio {

// Whether operation nRezim (1 +, 2 -, 3 *, 4 :) is switched on.
NUMIO_EXPORT bool operationEnabled(const StoredSettings& s, int nRezim);
// Whether the rule of operation nRezim (1 +, 2 -, 3 *, 4 :) can produce any problem with the
// current ranges, chosen rows and crossing rule, all operands and the result within 16 bits.
NUMIO_EXPORT bool operationAdmitsProblem(const StoredSettings& s, int nRezim);
// Whether A+B (nRezim 1) or A-B (2) crosses ten as school counts it: 8+5 and 13-5 do; 7+3, 13-3
// and 10-3 do not.
NUMIO_EXPORT bool crossesTen(int nRezim, int a, int b);
// The largest sum that lets crossing ten ask anything: 9+2, 11-2.
inline constexpr int kSmallestCrossing = 11;
// Whether some enabled operation can produce a problem; the start commands depend on it.
NUMIO_EXPORT bool anyOperationAdmitsProblem(const StoredSettings& s);
// Whether these settings ask a op b = c with operation nRezim: the operation on, the operands
// within the largest sum or table or among the chosen rows, crossing ten as chosen. Every problem
// the generator draws passes it; a listed problem (most-missed practice) is asked only when it does.
NUMIO_EXPORT bool problemAdmitted(const StoredSettings& s, int nRezim, long long a, long long b, long long c);

// What the rules beyond the ranges keep of operation nRezim, for the status bar: "jen násobilky 2, 7",
// "jen s přechodem přes desítku (např. 8+5, 13-5)"; empty when every problem of the ranges is asked.
NUMIO_EXPORT QString chosenRulesText(const StoredSettings& s, int nRezim);

// Why operation nRezim, switched on, can ask nothing with these settings, naming the setting to
// change: "„Maximální povolená násobilka“ musí být aspoň 2"; empty when it can ask something.
NUMIO_EXPORT QString nothingToAsk(const StoredSettings& s, int nRezim);
// What to change when no operation can ask anything: the first one switched on that asks nothing
// and its setting ("násobení: „Maximální povolená násobilka“ musí být aspoň 2"), else "vyber, co se
// bude počítat".
NUMIO_EXPORT QString settingToChange(const StoredSettings& s);
// "sčítání", "odčítání", "násobení", "dělení".
NUMIO_EXPORT QString operationName(int nRezim);

// What the window shows after a generation.
struct NUMIO_EXPORT Generated {
    bool made = false;   // false: nothing to ask, the current problem is unchanged
    QString problemText; // "7+5"
    QString statusText;  // repeat mode only: "Zbývá přezkoušet N příkladů."
    bool hasStatus = false;
};

// The next problem into A, B, C, Rezim, nRezim: from the repeat list while bOpravy is on,
// otherwise drawn at random among the enabled operations that admit a problem.
NUMIO_EXPORT Generated VytvorPriklad(PracticeState& s, RandomSource& random);
// Puts `fact` into A, B, C, Rezim, nRezim as the problem shown, however it was drawn.
NUMIO_EXPORT Generated setProblem(PracticeState& s, const Fact& fact);

NUMIO_EXPORT QString problemText(const PracticeState& s);
// The problem as it is read aloud: "Kolik je 3 krát 2?".
NUMIO_EXPORT QString spokenProblem(const PracticeState& s);

} // namespace numio
