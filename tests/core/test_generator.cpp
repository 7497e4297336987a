#include "core/generator.h"
#include "support/fakes.h"

#include <QRegularExpression>
#include <QTest>
#include <set>

using namespace numio;
using numio::test::FakePump;
using numio::test::SeededRandom;

namespace {

PracticeState settings(bool plus, bool minus, bool krat, bool deleno, int maxValue, int maxValueX) {
    PracticeState s;
    s.bPlus = plus;
    s.bMinus = minus;
    s.bKrat = krat;
    s.bDeleno = deleno;
    s.nMaxValue = Integer(maxValue);
    s.nMaxValueX = Integer(maxValueX);
    return s;
}

} // namespace

class TestGenerator : public QObject {
    Q_OBJECT
private slots:
    void problemsObeyTheirRules_data() {
        QTest::addColumn<int>("op");
        QTest::addColumn<int>("maxValue");
        QTest::addColumn<int>("maxValueX");
        QTest::newRow("addition to 10") << 1 << 10 << 1;
        QTest::newRow("addition to 100") << 1 << 100 << 1;
        QTest::newRow("subtraction to 10") << 2 << 10 << 1;
        QTest::newRow("subtraction to 1") << 2 << 1 << 1;
        QTest::newRow("multiplication table 1") << 3 << 10 << 1;
        QTest::newRow("multiplication table 10") << 3 << 10 << 10;
        QTest::newRow("division table 10") << 4 << 10 << 10;
        QTest::newRow("division table 2") << 4 << 10 << 2;
    }

    // Over many draws every problem keeps its operation's ranges and every allowed value shows up.
    void problemsObeyTheirRules() {
        QFETCH(int, op);
        QFETCH(int, maxValue);
        QFETCH(int, maxValueX);
        PracticeState s = settings(op == 1, op == 2, op == 3, op == 4, maxValue, maxValueX);
        SeededRandom random(op * 1000 + maxValue + maxValueX);
        FakePump pump;
        std::set<std::pair<int, int>> seen;
        const QRegularExpression shape(QStringLiteral("^\\d+[-+*:]\\d+$"));
        for (int i = 0; i < 20000; ++i) {
            const Generated g = VytvorPriklad(s, random, pump);
            QVERIFY(g.made);
            QVERIFY2(shape.match(g.problemText).hasMatch(), qPrintable(g.problemText));
            QCOMPARE(s.nRezim, op);
            QCOMPARE(g.problemText, QString::number(s.A) + s.Rezim + QString::number(s.B));
            switch (op) {
            case 1:
                QVERIFY(s.A >= 1 && s.B >= 1);
                QCOMPARE(s.C, s.A + s.B);
                QVERIFY(s.C >= 2 && s.C <= maxValue);
                break;
            case 2:
                QVERIFY(s.A >= 1 && s.A <= maxValue && s.B >= 1 && s.B <= s.A);
                QCOMPARE(s.C, s.A - s.B);
                break;
            case 3:
                QVERIFY(s.A >= 1 && s.A <= maxValueX && s.B >= 1 && s.B <= 10);
                QCOMPARE(s.C, s.A * s.B);
                break;
            case 4:
                QVERIFY(s.B >= 1 && s.B <= 10 && s.C >= 2 && s.C <= maxValueX);
                QCOMPARE(s.A, s.C * s.B);
                break;
            }
            seen.insert({s.A, s.B});
        }
        // Every admissible (A, B) pair occurs.
        std::size_t expected = 0;
        switch (op) {
        case 1: expected = std::size_t(maxValue - 1) * maxValue / 2; break;
        case 2: expected = std::size_t(maxValue) * (maxValue + 1) / 2; break;
        case 3: expected = std::size_t(maxValueX) * 10; break;
        case 4: expected = std::size_t(maxValueX - 1) * 10; break;
        }
        if (expected <= 500)
            QCOMPARE(seen.size(), expected);
    }

    void operationIsUniformOverTheEnabledOnes() {
        PracticeState s = settings(true, false, true, true, 20, 10);
        SeededRandom random(7);
        FakePump pump;
        int counts[5] = {};
        const int n = 30000;
        for (int i = 0; i < n; ++i) {
            VytvorPriklad(s, random, pump);
            ++counts[s.nRezim];
        }
        QCOMPARE(counts[2], 0);
        for (int op : {1, 3, 4})
            QVERIFY2(qAbs(counts[op] - n / 3) < n / 30, qPrintable(QString::number(counts[op])));
    }

    // Settings that admit no problem must come back at once instead of drawing forever.
    void nothingToAskNeverHangs_data() {
        QTest::addColumn<int>("op");
        QTest::addColumn<int>("maxValue");
        QTest::addColumn<int>("maxValueX");
        QTest::addColumn<bool>("admits");
        QTest::newRow("division with table 1") << 4 << 10 << 1 << false;
        QTest::newRow("addition to 1") << 1 << 1 << 5 << false;
        QTest::newRow("subtraction to 0") << 2 << 0 << 5 << false;
        QTest::newRow("multiplication table 0") << 3 << 10 << 0 << false;
        QTest::newRow("multiplication beyond 16 bits") << 3 << 10 << 4000 << false;
        QTest::newRow("division beyond 16 bits") << 4 << 10 << 32767 << false;
        QTest::newRow("largest safe table") << 3 << 10 << 3276 << true;
        QTest::newRow("largest sum") << 1 << 32767 << 1 << true;
        QTest::newRow("nothing enabled") << 0 << 10 << 10 << false;
    }
    void nothingToAskNeverHangs() {
        QFETCH(int, op);
        QFETCH(int, maxValue);
        QFETCH(int, maxValueX);
        QFETCH(bool, admits);
        PracticeState s = settings(op == 1, op == 2, op == 3, op == 4, maxValue, maxValueX);
        QCOMPARE(anyOperationAdmitsProblem(s), admits);
        SeededRandom random(3);
        FakePump pump;
        for (int i = 0; i < 200; ++i) {
            const Generated g = VytvorPriklad(s, random, pump);
            QCOMPARE(g.made, admits);
            if (!g.made)
                QCOMPARE(s.nRezim, 0);
        }
    }

    // An enabled operation that cannot produce anything is skipped, the others still come.
    void inadmissibleOperationIsNeverDrawn() {
        PracticeState s = settings(true, false, false, true, 10, 1);
        SeededRandom random(11);
        FakePump pump;
        for (int i = 0; i < 2000; ++i) {
            QVERIFY(VytvorPriklad(s, random, pump).made);
            QCOMPARE(s.nRezim, 1);
        }
    }

    void repeatListIsAskedInOrder() {
        PracticeState s;
        s.bOpravy = true;
        s.nOpravaID = 1;
        s.nSpatnePriklady = 2;
        s.SpatnePriklady[1] = QStringLiteral("7,5,12,1");
        s.SpatnePriklady[2] = QStringLiteral("12,3,4,4");
        SeededRandom random;
        FakePump pump;

        Generated g = VytvorPriklad(s, random, pump);
        QVERIFY(g.made);
        QCOMPARE(g.problemText, QStringLiteral("7+5"));
        QCOMPARE(g.statusText, QStringLiteral("Zbývá přezkoušet 2 příkladů."));
        QCOMPARE(s.C, 12);
        QCOMPARE(s.nOpravaID, 2);

        g = VytvorPriklad(s, random, pump);
        QCOMPARE(g.problemText, QStringLiteral("12:3"));
        QCOMPARE(g.statusText, QStringLiteral("Zbývá přezkoušet 1 příkladů."));
        QCOMPARE(s.C, 4);
        QCOMPARE(s.nRezim, 4);

        // Past the end: nothing changes and the caller is told.
        g = VytvorPriklad(s, random, pump);
        QVERIFY(!g.made);
        QCOMPARE(s.nOpravaID, 3);
        QCOMPARE(s.C, 4);
        QCOMPARE(random.draws, 0);
    }

    void emptyRepeatListAsksNothing() {
        PracticeState s;
        s.bOpravy = true;
        s.nOpravaID = 1;
        SeededRandom random;
        FakePump pump;
        QVERIFY(!VytvorPriklad(s, random, pump).made);
        QCOMPARE(s.nOpravaID, 1);
    }

    void wrongProblemsAreStoredUpToCapacity() {
        PracticeState s;
        s.A = 7;
        s.B = 5;
        s.C = 12;
        s.nRezim = 1;
        for (int i = 0; i < PracticeState::kRepeatCapacity; ++i)
            QVERIFY(s.storeWrongProblem());
        QVERIFY(!s.storeWrongProblem());
        QCOMPARE(s.nSpatnePriklady, 150);
        QCOMPARE(s.SpatnePriklady[150], QStringLiteral("7,5,12,1"));
        QVERIFY(s.SpatnePriklady[0].isEmpty());
        s.clearRepeatList();
        QCOMPARE(s.nSpatnePriklady, 0);
        QVERIFY(s.SpatnePriklady[1].isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestGenerator)
#include "test_generator.moc"
