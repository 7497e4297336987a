#include "core/scoring.h"

#include <cmath>

namespace numio {

int grade(Integer problems, Integer wrong) {
    // In double precision: 6,554 wrong answers already make a sum beyond 16 bits.
    const double right = static_cast<double>(problems) - static_cast<double>(wrong);
    const double q = (right + 5.0 * static_cast<double>(wrong)) / static_cast<double>(problems);
    return static_cast<int>(std::nearbyint(q)); // the default rounding mode is half to even
}

int successRate(Integer problems, Integer wrong) {
    const Integer right = sub16(problems, wrong);
    // Integer arithmetic: 57 of 100 is 57, not the 56 a double-precision quotient gives.
    const long long scaled = 100LL * right;
    long long rate = scaled / problems;
    if (scaled % problems != 0 && ((scaled < 0) != (problems < 0)))
        --rate; // floor, not truncation, should a count ever be negative
    return static_cast<int>(rate);
}

} // namespace numio
