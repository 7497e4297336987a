#include "core/scoring.h"
#include "support/data.h"

#include <QTest>

using namespace numio;
using namespace numio::test;

class TestScoring : public QObject {
    Q_OBJECT
  private slots:
    void figures_data() {
        columns<int, int, int, int>({"problems", "wrong", "grade", "rate"});
        QTest::newRow("3 with 1 wrong") << 3 << 1 << 2 << 66;
        QTest::newRow("1.5 goes to 2") << 8 << 1 << 2 << 87;
        QTest::newRow("2.5 goes to 2") << 8 << 3 << 2 << 62;
        QTest::newRow("3.5 goes to 4") << 8 << 5 << 4 << 37;
        QTest::newRow("4.5 goes to 4") << 8 << 7 << 4 << 12;
        QTest::newRow("half wrong") << 10 << 5 << 3 << 50;
        QTest::newRow("all wrong") << 6 << 6 << 5 << 0;
        QTest::newRow("57 of 100 is exact") << 100 << 43 << 3 << 57;
        QTest::newRow("29 of 50 is exact") << 50 << 21 << 3 << 58;
        QTest::newRow("29 of 100 is exact") << 100 << 71 << 4 << 29;
        QTest::newRow("just below one eighth") << 9 << 1 << 1 << 88;
        QTest::newRow("largest count") << 32767 << 0 << 1 << 100;
        // The grade's sum leaves 16 bits; the counters do not.
        QTest::newRow("6,554 answers all wrong") << 6554 << 6554 << 5 << 0;
        QTest::newRow("32,767 answers, 1 wrong") << 32767 << 1 << 1 << 99;
        QTest::newRow("32,767 answers all wrong") << 32767 << 32767 << 5 << 0;
    }
    void figures() {
        const auto [problems, wrong, grade, rate] =
            fetch<int, int, int, int>("problems", "wrong", "grade", "rate");
        QCOMPARE(numio::grade(Integer(problems), Integer(wrong)), grade);
        QCOMPARE(numio::successRate(Integer(problems), Integer(wrong)), rate);
    }
};

QTEST_GUILESS_MAIN(TestScoring)
#include "test_scoring.moc"
