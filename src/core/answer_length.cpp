#include "core/answer_length.h"

#include "core/generator.h"

#include <QString>
#include <algorithm>

namespace numio {

int largestResult(const PracticeState& s) {
    // A sum or a difference stays within nMaxValue; a product is at most the table times 10 and a
    // quotient at most the table.
    int table = s.nMaxValueX, quotient = s.nMaxValueX;
    if (s.chosenTablesOnly) {
        // The chosen rows times 1 to 10, and their inverses, whose results are 1 to 10.
        table = s.chosenTables.largest();
        quotient = 10;
    }
    const int largest[] = {s.nMaxValue, s.nMaxValue, table * 10, quotient};
    int result = 0;
    for (int op = 1; op <= 4; ++op) {
        if (operationEnabled(s, op) && operationAdmitsProblem(s, op))
            result = std::max(result, largest[op - 1]);
    }
    return result;
}

int answerLength(const PracticeState& s) {
    return std::max(3, static_cast<int>(QString::number(largestResult(s)).size()));
}

} // namespace numio
