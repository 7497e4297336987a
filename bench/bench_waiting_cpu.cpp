// CPU time the program uses while it only waits: for an answer, during the blinking correction
// and during the report card's slide. Real pacer and timer, offscreen; prints figures,
// never fails.
#include "bench_rig.h"

#include "ui/digit_box.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QTimer>

#include <cstdio>
#include <functional>

using namespace numio;
using namespace numio::bench;

namespace {

struct Cost {
    double wallMs = 0;
    double cpuMs = 0;
};

Cost measure(const std::function<void()>& body) {
    const long long w0 = monotonicNs();
    const long long c0 = processCpuNs();
    body();
    return {double(monotonicNs() - w0) / 1e6, double(processCpuNs() - c0) / 1e6};
}

// Runs the event loop as app.exec() would, for `ms`.
void idle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

void print(const char* what, const Cost& c) {
    const double percent = c.wallMs > 0 ? 100.0 * c.cpuMs / c.wallMs : 0.0;
    std::printf("  %-44s %8.0f ms %8.1f ms %7.2f %%\n", what, c.wallMs, c.cpuMs, percent);
}

// Runs the event loop until the blink or the slide that is under way has run its course.
void settle(FrmMain& w) {
    while (w.exam().phase().overlay == Overlay::Correction ||
           w.exam().phase().overlay == Overlay::CardSliding)
        idle(10);
}

// Answers and waits out the correction a wrong answer brings.
void answer(FrmMain& w, int value) {
    QTest::keyClicks(box(w), QString::number(value));
    QTest::keyClick(box(w), Qt::Key_Return);
    settle(w);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    std::printf("== Waiting costs nothing (CPU of one core; target: under 2 %%; a busy loop is 100 %%)\n");
    std::printf("  %-44s %11s %11s %9s\n", "", "wall", "CPU", "CPU/wall");
    {
        // Reference point: the same measuring around a spinning loop.
        const Cost busy = measure([] {
            const long long end = monotonicNs() + 200'000'000LL;
            while (monotonicNs() < end) {
            }
        });
        print("busy counting loop (reference)", busy);
    }
    {
        RealRig rig;
        FrmMain& w = rig.start();
        act(w, "mnuPocitej")->trigger();
        idle(200);
        print("waiting 10 s for an answer, no time limit", measure([] { idle(10000); }));

        answer(w, w.exam().record().C + 1); // an unmeasured first blink warms up what the measured one runs
        idle(200);
        for (int i = 0; i < 5; ++i)
            answer(w, w.exam().record().C);
        idle(200);
        const int before = w.exam().record().nPrikladID;
        print("wrong answer: full blink, 10 x 250 ms", measure([&] { answer(w, w.exam().record().C + 1); }));
        if (w.exam().record().nPrikladID != before + 1)
            std::printf("  (the wrong answer was not counted)\n");
        idle(200);
        print("report card slide (Stop after 7 answers)", measure([&] {
                  act(w, "mnuStop")->trigger();
                  settle(w);
              }));
        if (!cardShown(w))
            std::printf("  (no report card appeared)\n");
        print("report card shown, waiting 5 s for OK", measure([] { idle(5000); }));
    }
    {
        // With a per-answer limit the countdown ticks ten times a second and moves the bar.
        RealRig rig;
        rig.set(QStringLiteral("Settings/Limit"), QStringLiteral("True"));
        rig.set(QStringLiteral("Settings/TimeLimit"), QStringLiteral("20"));
        FrmMain& w = rig.start();
        act(w, "mnuPocitej")->trigger();
        idle(200);
        print("waiting 10 s for an answer, 20 s limit", measure([] { idle(10000); }));
        print("wrong answer with the limit: full blink",
              measure([&] { answer(w, w.exam().record().C + 1); }));
    }
    return 0;
}
