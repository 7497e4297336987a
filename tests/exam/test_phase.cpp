#include "exam/phase.h"
#include "support/data.h"

#include <QTest>

using namespace numio;
using namespace numio::test;

Q_DECLARE_METATYPE(numio::Mode)
Q_DECLARE_METATYPE(numio::Overlay)
Q_DECLARE_METATYPE(numio::Command)
Q_DECLARE_METATYPE(numio::Admission)
Q_DECLARE_METATYPE(numio::Conditions)

namespace {
Conditions usual() {
    Conditions c;
    c.problemPossible = c.setSizeValid = c.wrongListed = c.protocolOn = true;
    return c;
}
} // namespace

class TestPhase : public QObject {
    Q_OBJECT
  private slots:
    void admission_data() {
        columns<Mode, Overlay, bool, Command, Admission>({"mode", "overlay", "modal", "command", "expected"});
        using A = Admission;
        using C = Command;
        using O = Overlay;
        auto row = [](const char* name, Mode m, O o, bool modal, C c, A a) {
            QTest::newRow(name) << m << o << modal << c << a;
        };
        row("idle: F5 starts", Mode::Idle, O::None, false, C::StartSet, A::Run);
        row("idle: Stop has nothing to stop", Mode::Idle, O::None, false, C::Stop, A::Drop);
        row("idle: Enter judges nothing", Mode::Idle, O::None, false, C::Answer, A::Drop);
        row("practice: Stop", Mode::Practice, O::None, false, C::Stop, A::Run);
        row("practice: no second start", Mode::Practice, O::None, false, C::StartPractice, A::Drop);
        row("practice: no settings", Mode::Practice, O::None, false, C::Settings, A::Drop);
        row("practice: no protocol", Mode::Practice, O::None, false, C::Overview, A::Drop);
        row("set: cannot be stopped", Mode::Sets, O::None, false, C::Stop, A::Drop);
        row("repeat: Stop", Mode::Repeat, O::None, false, C::Stop, A::Run);
        row("correction: Stop refused", Mode::Practice, O::Correction, false, C::Stop, A::Drop);
        row("correction: Enter judges nothing", Mode::Practice, O::Correction, false, C::Answer, A::Drop);
        row("correction: a key ends it", Mode::Sets, O::Correction, false, C::EndCorrection, A::Run);
        row("correction: tick waits", Mode::Sets, O::Correction, false, C::Tick, A::Wait);
        row("correction: blink goes on", Mode::Sets, O::Correction, false, C::PhaseStep, A::Run);
        row("correction: Konec asks", Mode::Practice, O::Correction, false, C::Quit, A::Run);
        row("card sliding: F5 refused", Mode::Idle, O::CardSliding, false, C::StartSet, A::Drop);
        row("card sliding: F6 refused", Mode::Idle, O::CardSliding, false, C::StartRepeat, A::Drop);
        row("card sliding: most missed refused", Mode::Idle, O::CardSliding, false, C::PractiseMissed,
            A::Drop);
        row("card sliding: Konec", Mode::Idle, O::CardSliding, false, C::Quit, A::Run);
        row("card sliding: O programu", Mode::Idle, O::CardSliding, false, C::About, A::Run);
        row("card sliding: OK not yet", Mode::Idle, O::CardSliding, false, C::CardOk, A::Drop);
        row("card shown: OK", Mode::Idle, O::CardShown, false, C::CardOk, A::Run);
        row("card shown: menus off", Mode::Idle, O::CardShown, false, C::Quit, A::Drop);
        row("card shown: no blink or slide", Mode::Idle, O::CardShown, false, C::PhaseStep, A::Drop);
        row("question: tick waits", Mode::Practice, O::None, true, C::Tick, A::Wait);
        row("question: slide waits", Mode::Idle, O::CardSliding, true, C::PhaseStep, A::Wait);
        row("question: nothing else", Mode::Practice, O::None, true, C::Answer, A::Drop);
        row("ending: nothing", Mode::Practice, O::Ending, false, C::Tick, A::Drop);
    }
    void admission() {
        const auto [mode, overlay, modal, command, expected] =
            fetch<Mode, Overlay, bool, Command, Admission>("mode", "overlay", "modal", "command", "expected");
        QCOMPARE(admit(Phase{mode, overlay, modal}, usual(), command), expected);
    }

    // The settings and the last examination decide the start items of the idle window.
    void startItems_data() {
        // items: practice, set, repeat
        columns<Conditions, QString>({"conditions", "items"});
        Conditions c = usual();
        QTest::newRow("everything allowed") << c << "PSR";
        c.setSizeValid = false;
        QTest::newRow("set of no problems") << c << "P-R";
        c = usual();
        c.problemPossible = false;
        QTest::newRow("no operation admits a problem") << c << "--R";
        c = usual();
        c.wrongListed = false;
        QTest::newRow("nothing to repeat") << c << "PS-";
    }
    void startItems() {
        const auto [conditions, items] = fetch<Conditions, QString>("conditions", "items");
        const Look look = lookOf(Phase{}, conditions);
        QCOMPARE(QString(look.startPractice ? "P" : "-") + (look.startSet ? "S" : "-") +
                     (look.startRepeat ? "R" : "-"),
                 items);
    }

    // Looks that no single command gives away.
    void looks() {
        const Conditions c = usual();
        Look l = lookOf({Mode::Repeat, Overlay::None, false}, c);
        QVERIFY(l.stopButton && !l.stopItem); // the item only after a correction
        Conditions afterCorrection = c;
        afterCorrection.repeatStopOffered = true;
        QVERIFY(lookOf({Mode::Repeat, Overlay::None, false}, afterCorrection).stopItem);
        l = lookOf({Mode::Practice, Overlay::Correction, true}, c); // a box changes nothing behind it
        QVERIFY(!l.answerEnabled && !l.stopButton && l.problemShown);
        l = lookOf({Mode::Idle, Overlay::CardSliding, false}, c);
        QVERIFY(l.busyPointer && l.numioMenu && l.protokolMenu && l.settings);
        l = lookOf({Mode::Idle, Overlay::CardShown, false}, c);
        QVERIFY(!l.busyPointer && !l.numioMenu && !l.protokolMenu);
    }
};

QTEST_GUILESS_MAIN(TestPhase)
#include "test_phase.moc"
