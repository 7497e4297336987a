#include "core/facts.h"
#include "support/data.h"

#include <QTest>

using namespace numio;
using namespace numio::test;

Q_DECLARE_METATYPE(numio::Fact)

// A day in seconds; now is day 20000 after 1970 (in 2024).
static constexpr qint64 kDay = 86400;

class TestFacts : public QObject {
    Q_OBJECT
  private slots:
    // tries: "R900" right in 900 ms, "W" wrong, "T" timed out, in the order made; "@-29" that many
    // days before now.
    void state_data() {
        using enum FactState;
        columns<QString, FactState>({"tries", "state"});
        row("never asked", QString(), NeverAsked);
        row("one right and quick", QStringLiteral("R900"), FewTries);
        row("two right and quick", QStringLiteral("R900 R3000"), FewTries);
        row("one right but slow", QStringLiteral("R3001"), Learning);
        row("three right, the last just in time", QStringLiteral("R900 R900 R3000"), Known);
        row("three right, one slow", QStringLiteral("R900 R3001 R900"), Learning);
        row("known, then timed out", QStringLiteral("R900 R900 R900 T900"), NotKnown);
        row("two misses, then three right", QStringLiteral("W900 W900 R900 R900 R900"), Learning);
        row("one miss among the last eight", QStringLiteral("W9 R9 R9 R9 R9 W9 R9 R9 R9"), Known);
        row("5 wrong of 15, the last three right",
            QStringLiteral("W9 R9 W9 R9 R9 W9 R9 R9 W9 R9 R9 W9 R9 R9 R9"), Learning);
        row("4 wrong of 15, the last three right",
            QStringLiteral("W9 R9 R9 W9 R9 R9 R9 W9 R9 R9 R9 W9 R9 R9 R9"), Learning);
        row("mostly wrong lately", QStringLiteral("R900 W900 W900 W900 R900"), NotKnown);
        row("half wrong lately", QStringLiteral("W900 R900 W900 R900"), Learning);
        row("misses long ago do not count", QStringLiteral("W9 W9 W9 R9 R9 R9 R9 R9 R9 R9 R9"), Known);
        row("known, practised 27 days ago", QStringLiteral("R9@-27 R9@-27 R9@-27"), Known);
        row("known, practised 29 days ago", QStringLiteral("R9@-29 R9@-29 R9@-29"), Refresh);
        row("learning, practised long ago", QStringLiteral("R9@-60 W9@-60 R9@-60"), Learning);
    }
    void state() {
        const auto [text, state] = fetch<QString, FactState>("tries", "state");
        KnowledgeBuilder builder;
        for (const QString& t : text.split(u' ', Qt::SkipEmptyParts))
            builder.add({1, 1, 1}, Try{kDay * (20000 + t.section(u'@', 1).toInt()),
                                       AnswerOutcome(QStringLiteral("RWT").indexOf(t[0])),
                                       t.section(u'@', 0, 0).mid(1).toInt()});
        QCOMPARE(factState(builder.finish().facts.value({1, 1, 1}), kKnownWithinSecondsDefault * 1000,
                           kDay * 20000),
                 state);
    }

    // The order the answers were written in is the clock: tries "R900@-20" (days from now) in that
    // order, "x…" one of another fact; known: whether the fact was known two weeks and one week ago,
    // and is now.
    void weeks_data() {
        columns<QString, QString>({"tries", "known"});
        row("learnt three weeks ago", QStringLiteral("R900@-21 R900@-21 R900@-21"), QStringLiteral("1 1 1"));
        row("learnt this week", QStringLiteral("R900@-2 R900@-2 R900@-2"), QStringLiteral("0 0 1"));
        row("forgotten last week", QStringLiteral("R900@-21 R900@-21 R900@-21 W900@-9"),
            QStringLiteral("1 0 0"));
        // The clock set back: the later tries, dated three weeks ago, come after the week ago.
        row("clock set back", QStringLiteral("W900@-2 R900@-21 R900@-21 R900@-21"), QStringLiteral("0 0 1"));
        row("dated in the future", QStringLiteral("R900@30 R900@30 R900@30 R900@30"),
            QStringLiteral("0 0 1"));
        row("another fact's future date holds the later tries back",
            QStringLiteral("xR900@30 R900@-21 R900@-21 R900@-21"), QStringLiteral("0 0 1"));
    }
    void weeks() {
        const auto [text, known] = fetch<QString, QString>("tries", "known");
        KnowledgeBuilder builder({3000, {kDay * 20000 - 14 * kDay, kDay * 20000 - 7 * kDay}});
        for (QString t : text.split(u' ', Qt::SkipEmptyParts)) {
            const Fact f{1, 1, t.startsWith(u'x') ? 2 : 1};
            t.remove(u'x');
            builder.add(f, Try{kDay * 20000 + kDay * t.section(u'@', 1).toInt(),
                               AnswerOutcome(QStringLiteral("RWT").indexOf(t[0])),
                               t.section(u'@', 0, 0).mid(1).toInt()});
        }
        const FactHistory h = builder.finish().facts.value({1, 1, 1});
        QCOMPARE(QStringLiteral("%1 %2 %3")
                     .arg(h.knownWeeks & 1)
                     .arg(h.knownWeeks >> 1 & 1)
                     .arg(factState(h, 3000, 0) == FactState::Known),
                 known);
    }

    // What the store may hold that no program of ours writes: f, expected, at, outcome, ms.
    void plausible_data() {
        columns<Fact, qint64, qint64, int, qint64, bool>(
            {"fact", "expected", "at", "outcome", "ms", "plausible"});
        const qint64 at = kDay * 20000;
        row("as written", Fact{3, 7, 8}, qint64(56), at, 0, qint64(2000), true);
        row("a timeout after an hour", Fact{1, 0, 0}, qint64(0), at, 2, qint64(3600000), true);
        row("a negative time", Fact{3, 7, 8}, qint64(56), at, 0, qint64(-10), false);
        row("eight days to answer", Fact{3, 7, 8}, qint64(56), at, 0, qint64(705032700), false);
        row("dated 1970", Fact{3, 7, 8}, qint64(56), qint64(0), 0, qint64(2000), false);
        row("dated 10000", Fact{3, 7, 8}, qint64(56), qint64(253402300800), 0, qint64(2000), false);
        row("a sum past 16 bits", Fact{1, 30000, 30000}, qint64(60000), at, 0, qint64(900), false);
        row("a sum wrapped round", Fact{1, 30000, 30000}, qint64(-5536), at, 0, qint64(900), false);
        row("a result that is not a op b", Fact{3, 7, 8}, qint64(57), at, 0, qint64(2000), false);
        row("a negative operand", Fact{2, -5, 1}, qint64(-6), at, 0, qint64(2000), false);
        row("division by zero", Fact{4, 5, 0}, qint64(0), at, 0, qint64(2000), false);
        row("a quotient with a remainder", Fact{4, 7, 2}, qint64(3), at, 0, qint64(2000), false);
        row("an unknown outcome", Fact{3, 7, 8}, qint64(56), at, 7, qint64(2000), false);
        row("an unknown operation", Fact{5, 7, 8}, qint64(56), at, 0, qint64(2000), false);
    }
    void plausible() {
        const auto [f, expected, at, outcome, ms, plausible] = fetch<Fact, qint64, qint64, int, qint64, bool>(
            "fact", "expected", "at", "outcome", "ms", "plausible");
        QCOMPARE(plausibleAnswer(f, expected, at, outcome, ms), plausible);
    }
};

QTEST_GUILESS_MAIN(TestFacts)
#include "test_facts.moc"
