// The weak-facts draw over a long history: 10 000 facts tried, all within the rules (sums up to 200),
// a tenth of them not known, a fifth being learnt, the rest known. Then two simulated children, each
// knowing some facts, missing others and never asked the rest: how soon every fact of their range is
// asked, and the share of the problems each state gets. Prints figures; never fails.
#include "bench_common.h"

#include "core/generator.h"
#include "core/weak_draw.h"
#include "platform/random_source.h"

#include <cstdio>
#include <random>
#include <set>

using namespace numio;
using namespace numio::bench;

namespace {

// Seeded, so that the figures repeat.
class Seeded : public RandomSource {
  public:
    explicit Seeded(unsigned seed) : engine_(seed) {}
    float next() override { return std::uniform_real_distribution<float>(0.0f, 1.0f)(engine_); }
    void mixClock() override {}

  private:
    std::mt19937 engine_;
};

// A child whose range is the facts `rules` admit: the first `known` of them known, the next `missed`
// missed a quarter to three quarters of the time (tried twice, wrong at the last), the rest never
// asked and missed a third of the time once they come. Each of `seeds` runs draws `problems`.
void simulate(const char* who, const StoredSettings& rules, int known, int missed, int problems, int seeds) {
    constexpr int kWithinMs = 3000;
    std::vector<Fact> range;
    for (int op = 1; op <= 4; ++op)
        for (int a = 1; a <= 100; ++a)
            for (int b = 1; b <= 20; ++b)
                if (problemAdmitted(rules, op, a, b, Fact{op, a, b}.result()))
                    range.push_back({op, a, b});
    const Try wrong{1, AnswerOutcome::Wrong, 2000};
    const Try quick{1, AnswerOutcome::Right, 1000};
    std::vector<int> untilAll;
    std::size_t fewestAsked = range.size();
    long long byState[kFactStates] = {};
    for (int seed = 1; seed <= seeds; ++seed) {
        Knowledge k;
        QHash<Fact, double> missRate;
        for (std::size_t i = 0; i < range.size(); ++i) {
            const auto n = int(i);
            missRate[range[i]] = n < known ? 0.02 : n < known + missed ? 0.25 + 0.5 * (n % 5) / 4.0 : 0.33;
            for (const Try& t : n < known            ? QList<Try>{quick, quick, quick}
                                : n < known + missed ? QList<Try>{quick, wrong}
                                                     : QList<Try>{})
                k[range[i]].add(t);
        }
        WeakFactsDraw draw(rules, k, kWithinMs, 0);
        Seeded random{unsigned(seed)};
        Seeded child{unsigned(seed) + 1000};
        std::set<Fact> asked;
        int all = -1;
        for (int i = 1; i <= problems; ++i) {
            const Fact f = draw.next(random);
            ++byState[int(factState(k.value(f), kWithinMs, 0))];
            const Try t = child.next() < missRate.value(f) ? wrong : quick;
            draw.answered(f, t);
            k[f].add(t);
            asked.insert(f);
            if (all < 0 && asked.size() == range.size())
                all = i;
        }
        untilAll.push_back(all < 0 ? problems + 1 : all);
        fewestAsked = std::min(fewestAsked, asked.size());
    }
    std::sort(untilAll.begin(), untilAll.end());
    const double total = double(problems) * seeds / 100.0;
    std::printf("  %s: %zu facts, %d known, %d missed, %d never asked\n", who, range.size(), known, missed,
                int(range.size()) - known - missed);
    if (untilAll.back() <= problems)
        std::printf("    every fact asked after %d problems (median of %d seeds), %d at worst\n",
                    untilAll[untilAll.size() / 2], seeds, untilAll.back());
    else
        std::printf(
            "    not every fact asked within %d problems: %zu of %zu at worst (a known fact comes one "
            "problem in ten)\n",
            problems, fewestAsked, range.size());
    std::printf("    share of %d problems: never asked %.1f %%, not known %.1f %%, learning %.1f %%, "
                "too few tries %.1f %%, known %.1f %%\n",
                problems, double(byState[int(FactState::NeverAsked)]) / total,
                double(byState[int(FactState::NotKnown)]) / total,
                double(byState[int(FactState::Learning)]) / total,
                double(byState[int(FactState::FewTries)]) / total,
                double(byState[int(FactState::Known)] + byState[int(FactState::Refresh)]) / total);
}

} // namespace

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
    WeakFactsDraw draw(rules, knowledge, kWithinMs, 0);
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

    std::printf("== Simulated children, 200 problems of F8 each, 20 seeds\n");
    StoredSettings tables;
    tables.bKrat = true;
    tables.nMaxValueX = 10;
    simulate("times tables", tables, 15, 45, 200, 20);
    simulate("times tables, more known than a tenth of 200 problems", tables, 30, 25, 200, 20);
    StoredSettings crossing;
    crossing.bPlus = crossing.bMinus = true;
    crossing.nMaxValue = 20;
    crossing.crossingTen = CrossingTen::With;
    simulate("sums and differences to 20 crossing ten", crossing, 12, 30, 200, 20);
    StoredSettings rows;
    rows.bKrat = true;
    rows.chosenTablesOnly = true;
    rows.chosenTables = ChosenRows::parse(QStringLiteral("6,7,8"));
    simulate("rows 6, 7 and 8 both ways", rows, 10, 15, 200, 20);
    return sum == 0 ? 1 : 0;
}
