#pragma once

#include "platform/export.h"

#include "core/int16.h"

namespace numio {

// School grade 1 (best) to 5: (right + 5 x wrong) / problems in double precision, halves to the
// even neighbour. problems >= 1.
NUMIO_EXPORT int grade(Integer problems, Integer wrong);

// The largest whole number not above 100 x right / problems, exact. problems >= 1.
NUMIO_EXPORT int successRate(Integer problems, Integer wrong);

} // namespace numio
