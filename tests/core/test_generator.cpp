#include "core/generator.h"
#include "support/data.h"
#include "support/fakes.h"

#include <QTest>
#include <set>

using namespace numio;
using namespace numio::test;

class TestGenerator : public QObject {
    Q_OBJECT
  private slots:
    void draws_data() {
        // ops: enabled, out of "+-*:"
        // drawn: each about equally often; none: nothing made, at once
        // pairs: distinct (A, B) that all occur; 0: too many to wait for
        columns<QString, int, int, QString, int>({"ops", "maxValue", "maxValueX", "drawn", "pairs"});
        QTest::newRow("addition to 10") << "+" << 10 << 1 << "+" << 45;
        QTest::newRow("subtraction to 10") << "-" << 10 << 1 << "-" << 55;
        QTest::newRow("multiplication table 10") << "*" << 10 << 10 << "*" << 100;
        QTest::newRow("division table 10") << ":" << 10 << 10 << ":" << 90;
        QTest::newRow("uniform over all, smallest + and :") << "+-*:" << 2 << 2 << "+-*:" << 0;
        QTest::newRow("smallest - and *") << "-*" << 1 << 1 << "-*" << 0;
        QTest::newRow("largest tables within 16 bits") << "*:" << 10 << 3276 << "*:" << 0;
        QTest::newRow("division with table 1 skipped") << "+:" << 10 << 1 << "+" << 0;
        QTest::newRow("addition to 1, division table 1") << "+:" << 1 << 1 << "" << 0;
        QTest::newRow("subtraction to 0, multiplication table 0") << "-*" << 0 << 0 << "" << 0;
        QTest::newRow("tables beyond 16 bits") << "*:" << 10 << 3277 << "" << 0;
        QTest::newRow("nothing enabled") << "" << 10 << 10 << "" << 0;
    }

    // Every problem keeps its operation's ranges; settings that admit nothing never hang.
    void draws() {
        const auto [ops, maxValue, maxValueX, drawn, pairs] =
            fetch<QString, int, int, QString, int>("ops", "maxValue", "maxValueX", "drawn", "pairs");
        PracticeState s;
        bool* enabled[] = {&s.bPlus, &s.bMinus, &s.bKrat, &s.bDeleno};
        for (int op = 0; op < 4; ++op)
            *enabled[op] = ops.contains("+-*:"[op]);
        s.nMaxValue = Integer(maxValue), s.nMaxValueX = Integer(maxValueX);
        test::SeededRandom random(maxValue * 100 + maxValueX);
        const int n = 12000;
        int hits[5] = {};
        std::set<std::pair<int, int>> seen;
        for (int i = 0; i < n; ++i) {
            QCOMPARE(VytvorPriklad(s, random).made, !drawn.isEmpty());
            ++hits[s.nRezim];
            if (s.nRezim == 0)
                continue;
            QCOMPARE(problemText(s), QString::number(s.A) + "+-*:"[s.nRezim - 1] + QString::number(s.B));
            const bool ok = // A+B with A or B 0 and A:B with A equal to B are rejected
                s.nRezim == 1   ? s.A >= 1 && s.B >= 1 && s.C == s.A + s.B && s.C <= maxValue
                : s.nRezim == 2 ? s.B >= 1 && s.B <= s.A && s.A <= maxValue && s.C == s.A - s.B
                : s.nRezim == 3 ? s.A >= 1 && s.A <= maxValueX && s.B >= 1 && s.B <= 10 && s.C == s.A * s.B
                                : s.B >= 1 && s.B <= 10 && s.C >= 2 && s.C <= maxValueX && s.A == s.C * s.B;
            QVERIFY2(ok, qPrintable(problemText(s) + '=' + QString::number(s.C)));
            seen.insert({s.A, s.B});
        }
        for (int op = 1; op <= 4; ++op) // each drawn about equally often, the others never
            QVERIFY(drawn.contains("+-*:"[op - 1]) ? qAbs(hits[op] * drawn.size() - n) < n / 10 : !hits[op]);
        if (pairs)
            QCOMPARE(int(seen.size()), pairs);
    }

    // A full list of wrong problems is asked in order, without drawing, until it is through.
    void repeatList() {
        PracticeState s;
        test::SeededRandom random;
        s.bOpravy = true, s.nOpravaID = 1;
        for (int i = 1; i <= PracticeState::kRepeatCapacity + 1; ++i) {
            s.A = i, s.B = 2, s.nRezim = Integer(i % 4 + 1);
            QCOMPARE(s.storeWrongProblem(), i <= 150);
        }
        for (int i = 1; i <= 151; ++i) {
            const Generated g = VytvorPriklad(s, random);
            QCOMPARE(g.made, i <= 150); // past the end nothing changes
            QCOMPARE(repeatEntry(s.A, s.B, s.C, s.nRezim), s.SpatnePriklady[std::size_t(qMin(i, 150))]);
            QCOMPARE(g.problemText, g.made ? QString::number(i) + "+-*:"[i % 4] + '2' : "");
            QCOMPARE(g.statusText, g.made ? QString("Zbývá přezkoušet %1 příkladů.").arg(151 - i) : "");
        }
        QCOMPARE(random.draws, 0);
    }
};

QTEST_GUILESS_MAIN(TestGenerator)
#include "test_generator.moc"
