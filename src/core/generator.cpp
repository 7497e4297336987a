#include "core/generator.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

namespace numio {

bool operationEnabled(const StoredSettings& s, int nRezim) {
    switch (nRezim) {
    case 1:
        return s.bPlus;
    case 2:
        return s.bMinus;
    case 3:
        return s.bKrat;
    case 4:
        return s.bDeleno;
    default:
        return false;
    }
}

namespace {

// A whole number from 1 to n: the whole part of n*r + 1.
int draw(RandomSource& random, int n) {
    const double r = static_cast<double>(random.next());
    return static_cast<int>(std::floor(n * r + 1.0));
}

bool crossingAdmits(const StoredSettings& s, int op, long long a, long long b) {
    return s.crossingTen == CrossingTen::Any ||
           crossesTen(op, int(a % 10), int(b % 10)) == (s.crossingTen == CrossingTen::With);
}

// Whether a product's factors (or a quotient's divisor and quotient), each 1 to 10, belong to the
// chosen rows: a row is practised both ways, 7*8 as much as 8*7.
bool inChosenRows(const StoredSettings& s, long long x, long long y) {
    return x >= 1 && x <= 10 && y >= 1 && y <= 10 &&
           (s.chosenTables.contains(x) || s.chosenTables.contains(y));
}

// Two numbers 1 to 10 of which at least one is a chosen row, each such pair alike.
std::pair<int, int> drawChosenPair(const StoredSettings& s, RandomSource& random) {
    int x = 0;
    int y = 0;
    do {
        x = draw(random, 10);
        y = draw(random, 10);
    } while (!inChosenRows(s, x, y));
    return {x, y};
}

Generated fromRepeatList(PracticeState& s) {
    Generated g;
    if (s.nOpravaID < 1 || s.nOpravaID > s.nSpatnePriklady)
        return g;
    const std::optional<RepeatEntry> entry =
        RepeatEntry::parse(s.SpatnePriklady[static_cast<std::size_t>(s.nOpravaID)]);
    if (!entry)
        return g;
    s.A = entry->a;
    s.B = entry->b;
    s.C = Integer(entry->c);
    s.nRezim = Integer(entry->op);
    s.Rezim = operatorSign(entry->op);
    s.nOpravaID = add16(s.nOpravaID, 1);
    g.made = true;
    g.hasStatus = true;
    g.statusText = QStringLiteral("Zbývá přezkoušet ") +
                   QString::number(sub16(s.nSpatnePriklady, s.nOpravaID) + 2) + QStringLiteral(" příkladů.");
    g.problemText = problemText(s);
    return g;
}

} // namespace

// As school counts it: the ones of a sum add up to more than ten (8+5, 27+5), or a difference borrows
// from a first number that is not a whole ten (13-5, 42-7). Landing on a whole ten (7+3, 13-3) or
// starting from one (10-3, 20-15) does not cross.
bool crossesTen(int nRezim, int a, int b) {
    return nRezim == 1 ? a % 10 + b % 10 > 10 : a % 10 != 0 && a % 10 < b % 10;
}

bool operationAdmitsProblem(const StoredSettings& s, int nRezim) {
    // 9+2 and 11-2 are the smallest problems that cross ten; 1+1 and 1-1 the smallest that do not.
    const int smallest = s.crossingTen == CrossingTen::With ? kSmallestCrossing : 1;
    const bool anyRow = !s.chosenTables.empty();
    switch (nRezim) {
    case 1:
        return s.nMaxValue >= std::max(2, smallest);
    case 2:
        return s.nMaxValue >= smallest;
    case 3:
        return s.chosenTablesOnly ? anyRow : s.nMaxValueX >= 1 && s.nMaxValueX <= kLargestTable;
    case 4:
        return s.chosenTablesOnly ? anyRow : s.nMaxValueX >= 2 && s.nMaxValueX <= kLargestTable;
    default:
        return false;
    }
}

QString nothingToAsk(const StoredSettings& s, int nRezim) {
    if (!operationEnabled(s, nRezim) || operationAdmitsProblem(s, nRezim))
        return {};
    if (nRezim <= 2)
        return QStringLiteral("„Maximální hodnota výpočtu“ musí být aspoň %1%2")
            .arg(s.crossingTen == CrossingTen::With ? kSmallestCrossing : 3 - nRezim)
            .arg(s.crossingTen == CrossingTen::With ? QStringLiteral(" pro přechod přes desítku")
                                                    : QString());
    if (s.chosenTablesOnly)
        return QStringLiteral("vyberte aspoň jednu násobilku na kartě Příklady");
    return QStringLiteral("„Maximální povolená násobilka“ musí být aspoň %1").arg(nRezim - 2);
}

QString settingToChange(const StoredSettings& s) {
    for (int op = 1; op <= 4; ++op)
        if (const QString reason = nothingToAsk(s, op); !reason.isEmpty())
            return operationName(op) + QStringLiteral(": ") + reason;
    return QStringLiteral("vyber, co se bude počítat");
}

QString operationName(int nRezim) {
    static const char* const kNames[] = {"sčítání", "odčítání", "násobení", "dělení"};
    return nRezim >= 1 && nRezim <= 4 ? QString::fromUtf8(kNames[nRezim - 1]) : QString();
}

QString chosenRulesText(const StoredSettings& s, int nRezim) {
    if (const QString why = nothingToAsk(s, nRezim); !why.isEmpty())
        return QStringLiteral("nelze zkoušet: ") + why;
    if (nRezim >= 3) {
        if (!s.chosenTablesOnly)
            return {};
        const qsizetype rows = s.chosenTables.rows().size();
        if (rows == 0)
            return QStringLiteral("není vybrána žádná násobilka");
        return (rows == 1 ? QStringLiteral("jen násobilka ") : QStringLiteral("jen násobilky ")) +
               s.chosenTables.text(u", ");
    }
    switch (s.crossingTen) {
    case CrossingTen::Without:
        return QStringLiteral("jen bez přechodu přes desítku (např. 3+4, 7+3, 10-3)");
    case CrossingTen::With:
        return QStringLiteral("jen s přechodem přes desítku (např. 8+5, 13-5)");
    default:
        return {};
    }
}

bool anyOperationAdmitsProblem(const StoredSettings& s) {
    for (int op = 1; op <= 4; ++op) {
        if (operationEnabled(s, op) && operationAdmitsProblem(s, op))
            return true;
    }
    return false;
}

// The generator's draws: a sum of two numbers from 1 up to nMaxValue; a difference of b from a
// with 1 <= b <= a <= nMaxValue; a row (1 to nMaxValueX) times 1 to 10, or with chosen rows 1 to 10
// times 1 to 10 where either is chosen; the inverse of such a product by its factor (never a by itself
// unless the rows are chosen).
bool problemAdmitted(const StoredSettings& s, int nRezim, long long a, long long b, long long c) {
    if (!operationEnabled(s, nRezim) || !operationAdmitsProblem(s, nRezim))
        return false;
    switch (nRezim) {
    case 1:
        return a >= 1 && b >= 1 && a + b == c && c <= s.nMaxValue && crossingAdmits(s, nRezim, a, b);
    case 2:
        return b >= 1 && b <= a && a <= s.nMaxValue && a - b == c && crossingAdmits(s, nRezim, a, b);
    case 3:
        return b >= 1 && b <= 10 && a * b == c &&
               (s.chosenTablesOnly ? inChosenRows(s, a, b) : a >= 1 && a <= s.nMaxValueX);
    default:
        if (s.chosenTablesOnly)
            return inChosenRows(s, b, c) && c * b == a;
        return b >= 1 && b <= 10 && c >= 1 && c <= s.nMaxValueX && c * b == a && a != b;
    }
}

QString spokenProblem(const PracticeState& s) {
    static const char* const kWords[] = {"plus", "minus", "krát", "děleno"};
    const QString word = s.nRezim >= 1 && s.nRezim <= 4 ? QString::fromUtf8(kWords[s.nRezim - 1]) : s.Rezim;
    return QStringLiteral("Kolik je %1 %2 %3?").arg(s.A).arg(word).arg(s.B);
}

QString problemText(const PracticeState& s) {
    return QString::number(s.A) + s.Rezim + QString::number(s.B);
}

Generated VytvorPriklad(PracticeState& s, RandomSource& random) {
    if (s.bOpravy)
        return fromRepeatList(s);

    // Without an operation that can produce a problem the draw below would never end.
    if (!anyOperationAdmitsProblem(s))
        return {};

    int op = 0;
    do {
        random.mixClock();
        op = static_cast<int>(std::floor(4.0 * static_cast<double>(random.next()) + 1.0));
    } while (!(operationEnabled(s, op) && operationAdmitsProblem(s, op)));

    int a = 0;
    int b = 0;
    int c = 0;
    switch (op) {
    case 1:
        do {
            c = draw(random, s.nMaxValue);
            b = draw(random, c);
            a = c - b;
        } while (!problemAdmitted(s, op, a, b, c));
        break;
    case 2:
        do {
            a = draw(random, s.nMaxValue);
            b = draw(random, a);
            c = a - b;
        } while (!problemAdmitted(s, op, a, b, c));
        break;
    case 3:
        if (s.chosenTablesOnly) {
            std::tie(a, b) = drawChosenPair(s, random);
            break;
        }
        a = draw(random, s.nMaxValueX);
        b = draw(random, 10);
        break;
    default:
        if (s.chosenTablesOnly) { // the inverses of the chosen rows' products: 56:7 and 56:8, 7:7 too
            std::tie(b, c) = drawChosenPair(s, random);
            a = c * b;
            break;
        }
        do {
            b = draw(random, 10);
            c = draw(random, s.nMaxValueX);
            a = c * b;
        } while (!problemAdmitted(s, op, a, b, c));
        break;
    }

    return setProblem(s, Fact{op, a, b});
}

Generated setProblem(PracticeState& s, const Fact& fact) {
    s.nRezim = static_cast<Integer>(fact.op);
    s.Rezim = operatorSign(fact.op);
    s.A = fact.a;
    s.B = fact.b;
    s.C = toInteger(fact.result());
    Generated g;
    g.made = true;
    g.problemText = problemText(s);
    return g;
}

} // namespace numio
