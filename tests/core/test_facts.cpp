#include "core/facts.h"
#include "support/data.h"

#include <QTest>

using namespace numio;
using namespace numio::test;

class TestFacts : public QObject {
    Q_OBJECT
  private slots:
    // tries: "R900" right in 900 ms, "W" wrong, "T" timed out, the n-th made at second n; until: -1 none.
    void state_data() {
        using enum FactState;
        columns<QString, qint64, FactState>({"tries", "until", "state"});
        row("never asked", QString(), qint64(-1), NeverAsked);
        row("one right", QStringLiteral("R900"), qint64(-1), Learning);
        row("three right, the last just in time", QStringLiteral("R900 R900 R3000"), qint64(-1), Known);
        row("three right, one slow", QStringLiteral("R900 R3001 R900"), qint64(-1), Learning);
        row("known, then timed out", QStringLiteral("R900 R900 R900 T900"), qint64(-1), NotKnown);
        row("wrong at first, then three right", QStringLiteral("W900 W900 R900 R900 R900"), qint64(-1),
            Known);
        row("mostly wrong lately", QStringLiteral("R900 W900 W900 W900 R900"), qint64(-1), NotKnown);
        row("a slip among rights", QStringLiteral("R900 R900 R900 W900 R900 R900"), qint64(-1), Learning);
        row("wrongs long ago do not count", QStringLiteral("W9 W9 W9 W9 R9 R9 R9 W9 R9"), qint64(-1),
            Learning);
        row("until before the wrong one", QStringLiteral("R900 R900 R900 W900"), qint64(3), Known);
        row("until before any", QStringLiteral("R900"), qint64(0), NeverAsked);
    }
    void state() {
        const auto [text, until, state] = fetch<QString, qint64, FactState>("tries", "until", "state");
        QList<Try> tries;
        for (const QString& t : text.split(u' ', Qt::SkipEmptyParts))
            tries.push_back(
                Try{tries.size() + 1, AnswerOutcome(QStringLiteral("RWT").indexOf(t[0])), t.mid(1).toInt()});
        QCOMPARE(factState(tries, kKnownWithinSecondsDefault * 1000, until < 0 ? kNoTimeLimit : until),
                 state);
    }
};

QTEST_GUILESS_MAIN(TestFacts)
#include "test_facts.moc"
