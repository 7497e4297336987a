#include "core/generator.h"
#include "core/settings.h"
#include "support/data.h"
#include "support/fakes.h"

#include <QRegularExpression>
#include <QTest>
#include <map>

using namespace numio;
using namespace numio::test;

class TestGenerator : public QObject {
    Q_OBJECT
  private slots:
    void draws_data() {
        // ops: enabled, out of "+-*:"; rules: chosen rows ("7", "1,10", "-": none), "with" or "without"
        // crossing ten drawn: each about equally often; none: nothing made, at once pairs: distinct (A, B)
        // that all occur; 0: too many to wait for
        columns<QString, int, int, QString, QString, int>(
            {"ops", "maxValue", "maxValueX", "rules", "drawn", "pairs"});
        row("addition to 10", "+", 10, 1, "", "+", 45);
        row("subtraction to 10", "-", 10, 1, "", "-", 55);
        row("multiplication table 10", "*", 10, 10, "", "*", 100);
        row("division table 10", ":", 10, 10, "", ":", 90);
        row("uniform over all, smallest + and :", "+-*:", 2, 2, "", "+-*:", 0);
        row("smallest - and *", "-*", 1, 1, "", "-*", 0);
        row("largest tables within 16 bits", "*:", 10, 3276, "", "*:", 0);
        row("division with table 1 skipped", "+:", 10, 1, "", "+", 0);
        row("addition to 1, division table 1", "+:", 1, 1, "", "", 0);
        row("subtraction to 0, multiplication table 0", "-*", 0, 0, "", "", 0);
        row("tables beyond 16 bits", "*:", 10, 3277, "", "", 0);
        row("nothing enabled", "", 10, 10, "", "", 0);
        row("the 7s both ways, whatever the largest table", "*:", 10, 3277, "7", "*:", 38);
        row("rows 1 and 10 both ways", "*:", 10, 1, "1,10", "*:", 72);
        row("chosen rows, none ticked", "*:+", 1, 10, "-", "", 0);
        row("with crossing to 11: 9+2, 11-2", "+-", 11, 1, "with", "+-", 16);
        row("without crossing to 20", "+-", 20, 1, "without", "+-", 154 + 174);
        row("with crossing, largest sum 10", "+-*", 10, 1, "with", "*", 0);
    }

    // Every problem keeps its operation's ranges and rules; settings that admit nothing never hang.
    void draws() {
        const auto [ops, maxValue, maxValueX, rules, drawn, pairs] =
            fetch<QString, int, int, QString, QString, int>("ops", "maxValue", "maxValueX", "rules", "drawn",
                                                            "pairs");
        PracticeState s;
        bool* enabled[] = {&s.bPlus, &s.bMinus, &s.bKrat, &s.bDeleno};
        for (int op = 0; op < 4; ++op)
            *enabled[op] = ops.contains("+-*:"[op]);
        s.nMaxValue = Integer(maxValue), s.nMaxValueX = Integer(maxValueX);
        s.chosenTablesOnly = rules == "-" || (!rules.isEmpty() && rules[0].isDigit());
        s.chosenTables = s.chosenTablesOnly && rules != "-" ? ChosenRows::parse(rules) : ChosenRows();
        s.crossingTen =
            CrossingTen(std::max(qsizetype(0), QStringList{"", "without", "with"}.indexOf(rules)));
        test::SeededRandom random(maxValue * 100 + maxValueX);
        const int n = 12000;
        int hits[5] = {};
        std::map<std::pair<int, int>, int> seen;
        const auto row = [&](int r, int other) { // a chosen row goes both ways: 7*8 and 8*7
            return s.chosenTablesOnly ? (s.chosenTables.contains(r) || s.chosenTables.contains(other)) &&
                                            other >= 1 && other <= 10
                                      : r >= 1 && r <= maxValueX;
        };
        const auto crossing = [&](int op) {
            return s.crossingTen == CrossingTen::Any || crossesTen(op, s.A, s.B) == (rules == "with");
        };
        for (int i = 0; i < n; ++i) {
            QCOMPARE(VytvorPriklad(s, random).made, !drawn.isEmpty());
            ++hits[s.nRezim];
            if (s.nRezim == 0)
                continue;
            QCOMPARE(problemText(s), QString::number(s.A) + "+-*:"[s.nRezim - 1] + QString::number(s.B));
            const bool ok = // A+B with A or B 0 and A:B with A equal to B are rejected, unless chosen rows
                s.nRezim == 1   ? s.A >= 1 && s.B >= 1 && s.C == s.A + s.B && s.C <= maxValue && crossing(1)
                : s.nRezim == 2 ? s.B >= 1 && s.B <= s.A && s.A <= maxValue && s.C == s.A - s.B && crossing(2)
                : s.nRezim == 3
                    ? row(s.A, s.B) && s.B >= 1 && s.B <= 10 && s.C == s.A * s.B
                    : (s.chosenTablesOnly ? row(s.B, s.C) && s.B >= 1 && s.B <= 10
                                          : s.B >= 1 && s.B <= 10 && s.C >= 2 && s.C <= maxValueX) &&
                          s.A == s.C * s.B;
            QVERIFY2(ok, qPrintable(problemText(s) + '=' + QString::number(s.C)));
            ++seen[{s.A * 4 + s.nRezim, s.B}];
        }
        for (int op = 1; op <= 4; ++op) // each drawn about equally often, the others never
            QVERIFY(drawn.contains("+-*:"[op - 1]) ? qAbs(hits[op] * drawn.size() - n) < n / 10 : !hits[op]);
        if (pairs)
            QCOMPARE(int(seen.size()), pairs);
        for (const auto& [problem, count] : seen) // chosen rows: every problem alike, none favoured
            QVERIFY(!s.chosenTablesOnly || qAbs(count * pairs - n) < n / 4);
    }

    // Crossing ten as school counts it, each kind beside its neighbours; then every problem to 100
    // against the written method: a carry that does not land on a whole ten, a borrow from a number
    // that is not one.
    void crossing() {
        const auto crosses = [](const QString& p) {
            const qsizetype at = p.indexOf(QRegularExpression("[+-]"));
            return crossesTen(p[at] == '+' ? 1 : 2, p.left(at).toInt(), p.mid(at + 1).toInt());
        };
        for (const QString p : {"8+5", "9+2", "27+5", "6+17", "13-5", "11-2", "42-7", "31-2"})
            QVERIFY2(crosses(p), qPrintable(p));
        for (const QString p : {"7+3", "9+1", "13+7", "3+4", "10-3", "13-3", "20-15", "20-8", "12-1", "30-1"})
            QVERIFY2(!crosses(p), qPrintable(p));
        for (int a = 0; a <= 100; ++a)
            for (int b = 0; b <= 100; ++b) {
                QCOMPARE(crossesTen(1, a, b), (a + b) / 10 > a / 10 + b / 10 && (a + b) % 10 != 0);
                if (b <= a)
                    QCOMPARE(crossesTen(2, a, b), a % 10 != 0 && (a - b) / 10 < a / 10 - b / 10);
            }
    }

    // A full list of wrong problems is asked in order, without drawing, until it is through, whatever the
    // rows.
    void repeatList() {
        PracticeState s;
        test::SeededRandom random;
        s.bOpravy = true, s.nOpravaID = 1, s.chosenTablesOnly = true; // the rules do not apply
        for (int i = 1; i <= PracticeState::kRepeatCapacity + 1; ++i) {
            s.A = i, s.B = 2, s.nRezim = Integer(i % 4 + 1);
            QCOMPARE(s.storeWrongProblem(), i <= 150);
        }
        for (int i = 1; i <= 151; ++i) {
            const Generated g = VytvorPriklad(s, random);
            QCOMPARE(g.made, i <= 150); // past the end nothing changes
            QCOMPARE((RepeatEntry{s.A, s.B, s.C, s.nRezim}.text()),
                     s.SpatnePriklady[std::size_t(qMin(i, 150))]);
            QCOMPARE(g.problemText, g.made ? QString::number(i) + "+-*:"[i % 4] + '2' : "");
            QCOMPARE(g.statusText, g.made ? QString("Zbývá přezkoušet %1 příkladů.").arg(151 - i) : "");
        }
        QCOMPARE(random.draws, 0);
    }
};

QTEST_GUILESS_MAIN(TestGenerator)
#include "test_generator.moc"
