#include "core/scoring.h"

#include <cmath>

namespace numio {

int grade(Integer problems, Integer wrong) {
    const Integer right = sub16(problems, wrong);
    const Integer sum = add16(right, mul16(5, wrong));
    const double q = static_cast<double>(sum) / static_cast<double>(problems);
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
