#include "exam/phase.h"
#include "support/data.h"

#include <QTest>

using namespace numio;
using namespace numio::test;

Q_DECLARE_METATYPE(numio::Mode)
Q_DECLARE_METATYPE(numio::Overlay)
Q_DECLARE_METATYPE(numio::Command)
Q_DECLARE_METATYPE(numio::Admission)

namespace {
Conditions usual() {
    Conditions c;
    c.problemPossible = c.setSizeValid = c.wrongListed = c.protocolOn = c.protocolNamed = true;
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
        row("correction: a key ends it", Mode::Sets, O::Correction, false, C::EndCorrection, A::Run);
        row("correction: blink goes on", Mode::Sets, O::Correction, false, C::PhaseStep, A::Run);
        row("correction: Konec asks", Mode::Practice, O::Correction, false, C::Quit, A::Run);
        row("card sliding: F5 refused", Mode::Idle, O::CardSliding, false, C::StartSet, A::Drop);
        row("card sliding: Konec", Mode::Idle, O::CardSliding, false, C::Quit, A::Run);
        row("card sliding: O programu", Mode::Idle, O::CardSliding, false, C::About, A::Run);
        // They run and leave the card alone: it keeps the grade it started with.
        row("card sliding: another pupil", Mode::Idle, O::CardSliding, false, C::SwitchPupil, A::Run);
        row("card sliding: new settings", Mode::Idle, O::CardSliding, false, C::ChangeSettings, A::Run);
        row("card shown: no blink or slide", Mode::Idle, O::CardShown, false, C::PhaseStep, A::Drop);
        row("question: slide waits", Mode::Idle, O::CardSliding, true, C::PhaseStep, A::Wait);
        row("question: nothing else", Mode::Practice, O::None, true, C::Answer, A::Drop);
        row("ending: nothing", Mode::Practice, O::Ending, false, C::Tick, A::Drop);
        row("loading: F5 refused", Mode::Idle, O::Loading, false, C::StartSet, A::Drop);
        row("loading: F8 again refused", Mode::Idle, O::Loading, false, C::StartWeakPractice, A::Drop);
        row("loading: Stop gives it up", Mode::Idle, O::Loading, false, C::Stop, A::Run);
        row("loading: help", Mode::Idle, O::Loading, false, C::Help, A::Run);
        row("loading: the answers come", Mode::Idle, O::Loading, false, C::AnswersRead, A::Run);
        row("loading behind a box: the answers wait", Mode::Idle, O::Loading, true, C::AnswersRead, A::Wait);
        row("given up: the answers dropped", Mode::Idle, O::None, false, C::AnswersRead, A::Drop);
    }
    void admission() {
        const auto [mode, overlay, modal, command, expected] =
            fetch<Mode, Overlay, bool, Command, Admission>("mode", "overlay", "modal", "command", "expected");
        QCOMPARE(admit(Phase{mode, overlay, modal}, usual(), command), expected);
    }

    // Looks that no single command gives away.
    void looks() {
        Conditions c = usual();
        QVERIFY(
            !lookOf({Mode::Repeat, Overlay::None, false}, c).stopItem); // the item only after a correction
        c.repeatStopOffered = true;
        QVERIFY(lookOf({Mode::Repeat, Overlay::None, false}, c).stopItem);
        const Look l =
            lookOf({Mode::Practice, Overlay::Correction, true}, c); // a box changes nothing behind it
        QVERIFY(!l.answerEnabled && !l.stopButton && l.problemShown);
        QVERIFY(lookOf({Mode::Idle, Overlay::CardSliding, false}, c).protokolMenu);
        const Look loading = lookOf({Mode::Idle, Overlay::Loading, false}, c);
        QVERIFY(loading.stopItem && loading.busyPointer && !loading.problemShown && !loading.startPractice);
        c.protocolOn = false; // a journal named but off: the overview only
        QVERIFY(lookOf({}, c).protokolMenu && admit({}, c, Command::ShowProtocol) == Admission::Drop);
    }
};

QTEST_GUILESS_MAIN(TestPhase)
#include "test_phase.moc"
