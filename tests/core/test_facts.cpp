#include "core/facts.h"
#include "support/data.h"

#include <QTest>

using namespace numio;
using namespace numio::test;

Q_DECLARE_METATYPE(numio::FactState)

class TestFacts : public QObject {
    Q_OBJECT
  private slots:
    // tries: "R900" right in 900 ms, "W" wrong, "T" timed out; the n-th try made at second n.
    void state_data() {
        columns<QString, qint64, FactState>({"tries", "until", "state"});
        row("never asked", QString(), kNoTimeLimit, FactState::NeverAsked);
        row("one right", QStringLiteral("R900"), kNoTimeLimit, FactState::Learning);
        row("two right", QStringLiteral("R900 R900"), kNoTimeLimit, FactState::Learning);
        row("three right quickly", QStringLiteral("R900 R900 R900"), kNoTimeLimit, FactState::Known);
        row("three right, the last just in time", QStringLiteral("R900 R900 R3000"), kNoTimeLimit,
            FactState::Known);
        row("three right, one slow", QStringLiteral("R900 R3001 R900"), kNoTimeLimit, FactState::Learning);
        row("known, then wrong", QStringLiteral("R900 R900 R900 W900"), kNoTimeLimit, FactState::NotKnown);
        row("known, then timed out", QStringLiteral("R900 R900 R900 T900"), kNoTimeLimit,
            FactState::NotKnown);
        row("wrong at first, then three right", QStringLiteral("W900 W900 R900 R900 R900"), kNoTimeLimit,
            FactState::Known);
        row("mostly wrong lately", QStringLiteral("R900 W900 W900 W900 R900"), kNoTimeLimit,
            FactState::NotKnown);
        row("a slip among rights", QStringLiteral("R900 R900 R900 W900 R900 R900"), kNoTimeLimit,
            FactState::Learning);
        row("wrongs long ago do not count", QStringLiteral("W9 W9 W9 W9 R9 R9 R9 W9 R9"), kNoTimeLimit,
            FactState::Learning);
        row("until before the wrong one", QStringLiteral("R900 R900 R900 W900"), qint64(3), FactState::Known);
        row("until before any", QStringLiteral("R900"), qint64(0), FactState::NeverAsked);
    }
    void state() {
        const auto [text, until, state] = fetch<QString, qint64, FactState>("tries", "until", "state");
        QList<Try> tries;
        for (const QString& t : text.split(u' ', Qt::SkipEmptyParts))
            tries.push_back(
                Try{tries.size() + 1, AnswerOutcome(QStringLiteral("RWT").indexOf(t[0])), t.mid(1).toInt()});
        QCOMPARE(factState(tries, kKnownWithinSecondsDefault * 1000, until), state);
    }
};

QTEST_GUILESS_MAIN(TestFacts)
#include "test_facts.moc"
