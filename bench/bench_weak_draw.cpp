// The weak-facts draw over a long history: 10 000 facts tried, all within the rules (sums up to 200),
// a tenth of them not known, a fifth being learnt, the rest known. Prints figures; never fails.
#include "bench_common.h"

#include "core/weak_draw.h"
#include "platform/random_source.h"

#include <cstdio>

using namespace numio;
using namespace numio::bench;

int main() {
    constexpr int kFacts = 10000;
    constexpr int kDraws = 20000;
    constexpr int kWithinMs = 3000;

    StoredSettings rules;
    rules.bPlus = true;
    rules.nMaxValue = 200;
    const Try wrong{0, AnswerOutcome::Wrong, 2000};
    const Try slow{0, AnswerOutcome::Right, 9000};
    const Try quick{0, AnswerOutcome::Right, 1000};
    Knowledge knowledge;
    for (int c = 2, n = 0; n < kFacts; ++c) {
        for (int a = 1; a < c && n < kFacts; ++a, ++n) {
            const int tenth = n % 10;
            for (const Try& t : tenth == 0  ? QList<Try>{quick, wrong}
                                : tenth < 3 ? QList<Try>{slow, slow}
                                            : QList<Try>{quick, quick, quick})
                knowledge[Fact{1, a, c - a}].add(t);
        }
    }

    const long long built = monotonicNs();
    WeakFactsDraw draw(rules, knowledge, kWithinMs);
    const double buildMs = double(monotonicNs() - built) / 1e6;

    SystemRandomSource random;
    std::vector<double> us;
    us.reserve(kDraws);
    long long sum = 0; // keeps the draws from being optimised away
    for (int i = 0; i < kDraws; ++i) {
        const long long t = monotonicNs();
        sum += draw.next(random).a;
        us.push_back(double(monotonicNs() - t) / 1e3);
    }
    const long long answered = monotonicNs();
    draw.answered(Fact{1, 1, 1}, wrong);
    const double answeredUs = double(monotonicNs() - answered) / 1e3;
    const Spread s = spread(us);
    std::printf("== Weak-facts draw (%d facts tried, %d draws; target: well under 1 ms)\n", kFacts, kDraws);
    std::printf("  %-34s %9s %9s %9s\n", "", "median", "p99", "max");
    std::printf("  %-34s %6.1f us %6.1f us %6.1f us\n", "next()", s.median, s.p99, s.max);
    std::printf("  %-34s %6.1f us\n", "the first answered()", answeredUs);
    std::printf("  built from the history in %.1f ms (%s)\n", buildMs, qPrintable(draw.statusText()));
    return sum == 0 ? 1 : 0;
}
