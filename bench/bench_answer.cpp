// Time from Enter to the next problem, over 10 000 right answers in plain practice with the
// real window (offscreen) and fakes at the doors that wait or ask, with every answer remembered in
// the answer store (a real SQLite file) and without it. Prints figures; never fails.
#include "bench_common.h"
#include "support/window_fixture.h"

#include <QApplication>
#include <QLabel>

#include <cstdio>
#include <sys/resource.h>

using namespace numio;
using namespace numio::bench;
using namespace numio::test;

namespace {

class PaintCounter : public QObject {
  public:
    int paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    static constexpr int kAnswers = 10000;

    const auto measure = [](bool remember) {
        test::WindowFixture f;
        if (!remember)
            f.dataFolder.clear();
        FrmMain& w = f.start();
        if (!QTest::qWaitForWindowExposed(&w))
            std::printf("  (window not exposed)\n");
        PaintCounter counter;
        lbl(w, "lbLeft")->installEventFilter(&counter);
        act(w, "mnuPocitej")->trigger(); // the answer store opens with the first examination
        QCoreApplication::processEvents();
        if (remember != f.session->answersOpen())
            std::printf("  (the answer store is not as asked)\n");

        // CPU time per answer tells the program's own cost from waiting for a core others hold.
        std::vector<double> handled, painted, cpu;
        handled.reserve(kAnswers);
        painted.reserve(kAnswers);
        cpu.reserve(kAnswers);
        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        int missed = 0;
        int labelPaints = 0;
        for (int i = 0; i < kAnswers; ++i) {
            QTest::keyClicks(box(w), QString::number(w.exam().record().C));
            QCoreApplication::processEvents(); // the typed digits' repaint stays out of the timing
            const int before = w.exam().record().nPrikladID;
            counter.paints = 0;

            const long long c0 = processCpuNs();
            const long long t0 = monotonicNs();
            QTest::keyClick(box(w), Qt::Key_Return);
            const long long t1 = monotonicNs();
            QCoreApplication::processEvents(); // the queued repaint of the window
            const long long t2 = monotonicNs();
            cpu.push_back(double(processCpuNs() - c0) / 1e3);

            if (w.exam().record().nPrikladID != before + 1 || !box(w)->text().isEmpty())
                ++missed;
            labelPaints += counter.paints > 0;
            handled.push_back(double(t1 - t0) / 1e3);
            painted.push_back(double(t2 - t0) / 1e3);
        }

        rusage after{};
        getrusage(RUSAGE_SELF, &after);
        const Spread h = spread(handled);
        const Spread c = spread(cpu);
        const Spread p = spread(painted);
        std::printf("== Answer handling (%d right answers, offscreen; target: under 1 ms), %s\n", kAnswers,
                    remember ? "every answer remembered in the answer store" : "answer store off");
        std::printf("  %-34s %9s %9s %9s\n", "", "median", "p99", "max");
        std::printf("  %-34s %6.0f us %6.0f us %6.0f us\n", "Enter -> next problem in the label", h.median,
                    h.p99, h.max);
        std::printf("  %-34s %6.0f us %6.0f us %6.0f us\n", "Enter -> window repainted", p.median, p.p99,
                    p.max);
        std::printf("  %-34s %6.0f us %6.0f us %6.0f us\n", "CPU time of that, all threads", c.median, c.p99,
                    c.max);
        std::printf("  times this process had to give up a core it wanted: %ld\n",
                    after.ru_nivcsw - before.ru_nivcsw);
        std::printf("  problem label repainted after %d answers (the rest drew the same problem again)\n",
                    labelPaints);
        if (missed)
            std::printf("  (%d answers were not taken as right)\n", missed);
    };
    measure(true);
    measure(false);
    return 0;
}
