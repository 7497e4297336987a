#pragma once

#include "platform/export.h"

#include "core/practice_state.h"

namespace numio {

// The largest result the chosen operations can produce with the current ranges (0 when none can
// produce a problem), by the generator's rules.
NUMIO_EXPORT int largestResult(const PracticeState& s);

// How many digits the answer box takes: enough for the largest result, never fewer than three.
NUMIO_EXPORT int answerLength(const PracticeState& s);

} // namespace numio
