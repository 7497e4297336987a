#pragma once

// For the two start-up programs: writes to stdout the moments of start-up (monotonic ns, the
// clock the driver read just before starting the process), then, once the window has painted
// and every event already queued has been handled, the "ready" moment; 200 ms later the
// resident memory and the CPU time used in between (near zero when really idle), and quits.
// Started without "--report" it only keeps running, to be watched from outside like numio.

#include "bench_common.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <climits>
#include <cstdio>

namespace numio::bench {

class StartupProbe : public QObject {
  public:
    static void mark(const char* name) { std::printf("mark %s %lld\n", name, monotonicNs()); }

    explicit StartupProbe(QWidget* window) : window_(window) {
        if (QCoreApplication::arguments().contains(QStringLiteral("--report")))
            window->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::Paint && !painted_) {
            painted_ = true;
            mark("paint");
            // The lowest priority puts it behind everything the paint or start-up left queued.
            QCoreApplication::postEvent(this, new QEvent(QEvent::User), INT_MIN);
        }
        return false;
    }

    bool event(QEvent* event) override {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        mark("ready");
        const long long cpuAtReady = processCpuNs();
        std::printf("cpu %lld\n", cpuAtReady);
        QTimer::singleShot(200, this, [cpuAtReady] {
            std::printf("idlecpu %lld\n", processCpuNs() - cpuAtReady);
            std::printf("rss %ld\n", residentKb());
            std::fflush(stdout);
            QCoreApplication::exit(0);
        });
        return true;
    }

  private:
    QWidget* window_;
    bool painted_ = false;
};

} // namespace numio::bench
