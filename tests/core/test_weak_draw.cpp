#include "core/generator.h"
#include "core/weak_draw.h"
#include "support/data.h"
#include "support/fakes.h"

#include <QRegularExpression>
#include <QTest>

#include <set>

using namespace numio;
using namespace numio::test;

namespace {

constexpr int kWithinMs = 3000;
const Try kWrong{0, AnswerOutcome::Wrong, 2000};
const Try kFast{0, AnswerOutcome::Right, 1000};
const Try kSlow{0, AnswerOutcome::Right, 9000};

// ops out of "+-*:"; rules: chosen rows ("3,7"), "without" crossing ten, or empty.
StoredSettings rules(const QString& ops, int maxValue, int maxValueX, const QString& chosen = {}) {
    StoredSettings s;
    bool* enabled[] = {&s.bPlus, &s.bMinus, &s.bKrat, &s.bDeleno};
    for (int op = 0; op < 4; ++op)
        *enabled[op] = ops.contains("+-*:"[op]);
    s.nMaxValue = Integer(maxValue), s.nMaxValueX = Integer(maxValueX);
    if (chosen == "without")
        s.crossingTen = CrossingTen::Without;
    else if (!chosen.isEmpty())
        s.chosenTablesOnly = true, s.chosenTables = ChosenRows::parse(chosen);
    return s;
}

// "8+5! 3*4= 2*5~ 2*2?": "!" missed once (not known), "=" right and quick three times (known), "~" once
// (too few tries), "?" never asked, left out unless `all`.
Knowledge knowledge(const QString& text, bool all = false) {
    Knowledge k;
    static const QRegularExpression fact(R"((\d+)([-+*:])(\d+)([!=?~]))");
    for (const auto& m : fact.globalMatch(text)) {
        if (m.captured(4) == "?" && !all)
            continue;
        const Fact f{int(QString("+-*:").indexOf(m.captured(2))) + 1, m.captured(1).toInt(),
                     m.captured(3).toInt()};
        const QString mark = m.captured(4);
        for (const Try& t : mark == "!"   ? QList<Try>{kWrong}
                            : mark == "~" ? QList<Try>{kFast}
                                          : QList<Try>{kFast, kFast, kFast})
            k[f].add(t);
    }
    return k;
}

bool admitted(const StoredSettings& s, const Fact& f) {
    return problemAdmitted(s, f.op, f.a, f.b, f.result());
}

} // namespace

class TestWeakDraw : public QObject {
    Q_OBJECT
  private slots:
    void comeMoreOften_data() {
        // often: facts each drawn at least three times as often as each fact of the rest
        columns<StoredSettings, QString, QString>({"rules", "often", "rest"});
        row("not known before known", rules("*", 1, 10), QString("7*8! 6*7! 9*6! 8*4!"),
            QString("2*3= 5*5= 10*4= 1*7= 3*3= 4*2= 2*9= 6*1= 5*2= 9*9="));
        row("every fact asked: the known one only every tenth", rules("+", 3, 1), QString("1+1! 1+2!"),
            QString("2+1="));
        row("the one fact never asked", rules("+", 3, 1), QString("1+1?"), QString("1+2= 2+1="));
    }

    // Without answers the states stay; the known facts still come now and then.
    void comeMoreOften() {
        const auto [s, often, rest] = fetch<StoredSettings, QString, QString>("rules", "often", "rest");
        WeakFactsDraw draw(s, knowledge(often + ' ' + rest), kWithinMs, 0);
        SeededRandom random(7);
        QHash<Fact, int> drawn;
        for (int i = 0; i < 10000; ++i)
            ++drawn[draw.next(random)];
        int fewest = 10000, most = 0;
        for (const Fact& f : knowledge(often, true).keys())
            fewest = std::min(fewest, drawn.value(f));
        for (const Fact& f : knowledge(rest).keys())
            most = std::max(most, drawn.value(f));
        QVERIFY(most > 0);
        QVERIFY2(fewest >= 3 * most, qPrintable(QString("%1 against %2").arg(fewest).arg(most)));
    }

    void staysWithinRules_data() {
        columns<StoredSettings, QString, QString>({"rules", "knowledge", "status"});
        row("addition within 20 without crossing ten", rules("+", 20, 1, "without"),
            QString("8+5! 3+4! 12+5= 15+7! 7-3! 3*4! 14+6="), QString("1 neumí, 0 se učí, 2 umí"));
        row("tables 3 and 7 only", rules("*", 1, 10, "3,7"),
            QString("3*4! 4*3! 7*8= 5*7! 21:7! 3*11! 0*3! 6*6! 3*5~"),
            QString("3 neumí, 0 se učí, 1 málo pokusů, 1 umí"));
        // Listing the facts must not walk sums up to a largest sum nobody asks for.
        row("times tables, largest sum left at 32767", rules("*", 32767, 10), QString("3*4! 7*8="),
            QString("1 neumí, 0 se učí, 1 umí"));
        row("division within the table of 5", rules(":", 1, 5),
            QString("56:7! 20:5! 25:5= 57:7! 6:0! 5:5! 5:1!"), QString("2 neumí, 0 se učí, 1 umí"));
        row("facts the rules no longer ask", rules("+", 10, 1), QString("3*4! 12-5! 9+9! 0+5! 99999*99999!"),
            QString("0 neumí, 0 se učí, 0 umí"));
    }

    // Every draw is within the rules, whatever the pupil answers; facts kept from other rules never come.
    void staysWithinRules() {
        const auto [s, text, status] =
            fetch<StoredSettings, QString, QString>("rules", "knowledge", "status");
        WeakFactsDraw draw(s, knowledge(text), kWithinMs, 0);
        QCOMPARE(draw.statusText(), "Procvičuje se, co ještě neumí: " + status + '.');
        SeededRandom random(11);
        Fact last;
        for (int i = 0; i < 3000; ++i) { // each row leaves more than one fact to ask: never one twice running
            const Fact f = draw.next(random);
            QVERIFY2(admitted(s, f) && f != last, qPrintable(f.text()));
            draw.answered(f, i % 3 ? kFast : kWrong);
            last = f;
        }
    }

    void simulatedChild_data() {
        // The admitted facts in order: the first `known` known, the next `missed` missed once, the
        // rest never asked. The child answers a known fact right, a missed one wrong every other
        // time, a new one wrong one time in three.
        columns<StoredSettings, int, int>({"rules", "known", "missed"});
        row("times tables", rules("*", 1, 10), 20, 40);
        row("rows 6, 7 and 8 both ways", rules("*:", 1, 10, "6,7,8"), 15, 50);
        StoredSettings crossing = rules("+-", 20, 1);
        crossing.crossingTen = CrossingTen::With;
        row("sums and differences to 20 crossing ten", crossing, 10, 30);
    }

    // Within 200 problems every fact is asked; never-asked facts come one problem in four while any
    // remain, known ones no more than one in ten, and no fact twice in a row while others are in work.
    void simulatedChild() {
        const auto [s, known, missed] = fetch<StoredSettings, int, int>("rules", "known", "missed");
        QList<Fact> range;
        for (int op = 1; op <= 4; ++op)
            for (int a = 1; a <= 100; ++a)
                for (int b = 1; b <= 20; ++b)
                    if (admitted(s, {op, a, b}))
                        range.push_back({op, a, b});
        Knowledge k;
        for (qsizetype i = 0; i < known + missed; ++i)
            for (const Try& t : i < known ? QList<Try>{kFast, kFast, kFast} : QList<Try>{kWrong})
                k[range[i]].add(t);
        WeakFactsDraw draw(s, k, kWithinMs, 0);
        QCOMPARE(draw.neverAskedLeft(), range.size() - known - missed);
        SeededRandom random(5), child(9);
        std::set<Fact> asked;
        int knownDrawn = 0, newDrawn = 0, whileNew = 0;
        Fact last;
        for (int i = 0; i < 200; ++i) {
            const Fact f = draw.next(random);
            QVERIFY2(f != last, qPrintable(f.text()));
            const bool isNew = !k.contains(f), isKnown = range.indexOf(f) < known && k.value(f).tries == 3;
            whileNew += draw.neverAskedLeft() > 0 ? 1 : 0;
            newDrawn += isNew ? 1 : 0;
            knownDrawn += isKnown ? 1 : 0;
            const double miss = isKnown ? 0 : range.indexOf(f) < known + missed ? 0.5 : 0.3;
            const Try t = child.next() < miss ? kWrong : kFast;
            draw.answered(f, t);
            k[f].add(t);
            asked.insert(f);
            last = f;
        }
        QCOMPARE(qsizetype(asked.size()), range.size());
        QVERIFY2(knownDrawn <= 20, qPrintable(QString::number(knownDrawn)));
        QVERIFY2(newDrawn * 4 >= whileNew, qPrintable(QString("%1 of %2").arg(newDrawn).arg(whileNew)));
    }
};

QTEST_GUILESS_MAIN(TestWeakDraw)
#include "test_weak_draw.moc"
