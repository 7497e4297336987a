// How late the per-answer timeout fires: 50 problems left unanswered with a 1-second limit,
// real timer and pacer, offscreen. The countdown ends a problem on its eleventh 100 ms
// tick, so it is due 1.1 s after the problem was shown. Prints figures; never fails.
#include "bench_rig.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>

#include <cstdio>

using namespace numio;
using namespace numio::bench;

namespace {

// The real timer, with each tick handed on to the window and timed on the way.
class TimedTimer : public PeriodicTimer {
  public:
    TimedTimer() {
        real_.onTick([this] {
            const long long at = monotonicNs();
            fire();
            if (afterTick)
                afterTick(at);
        });
    }
    void setInterval(int ms) override { real_.setInterval(ms); }
    int interval() const override { return real_.interval(); }
    void setEnabled(bool enabled) override { real_.setEnabled(enabled); }
    bool isEnabled() const override { return real_.isEnabled(); }

    std::function<void(long long tickedAt)> afterTick;

  private:
    QtPeriodicTimer real_;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    constexpr int kTimeouts = 50;

    TimedTimer timer;
    RealRig rig;
    rig.timerInUse = &timer;
    rig.set(QStringLiteral("Settings/Limit"), QStringLiteral("True"));
    rig.set(QStringLiteral("Settings/TimeLimit"), QStringLiteral("1"));
    FrmMain& w = rig.start();
    // Each timeout counts as a wrong answer and blinks the correction for 2.5 s; without the
    // blink the next problem follows at once.
    w.exam().blinkPhaseMs = 0;

    std::vector<double> lateness;
    QEventLoop loop;
    long long shownAt = 0;
    timer.afterTick = [&](long long tickedAt) {
        if (w.exam().record().nPrikladID == static_cast<int>(lateness.size()))
            return; // an ordinary countdown tick
        // This tick ended the problem; its handler has put the next one in the label.
        lateness.push_back(double(tickedAt - shownAt) / 1e6 - 1100.0);
        shownAt = monotonicNs();
        if (static_cast<int>(lateness.size()) == kTimeouts)
            loop.quit();
    };
    act(w, "mnuPocitej")->trigger();
    shownAt = monotonicNs();
    QTimer::singleShot(kTimeouts * 1500 + 5000, &loop, &QEventLoop::quit); // in case it stalls
    loop.exec();

    const Spread s = spread(lateness);
    std::printf("== Per-answer timeout (%zu of %d timeouts, 1 s limit, due 1.1 s after the problem shows;"
                " blink off)\n",
                lateness.size(), kTimeouts);
    std::printf(
        "  lateness: median %.2f ms, p99 %.2f ms, min %.2f ms, max %.2f ms   (target: median under 20 ms)\n",
        s.median, s.p99, s.min, s.max);
    return 0;
}
