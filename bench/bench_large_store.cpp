// A pupil with 2,000,000 answers (about 90 MB): how long the window's thread is kept busy at a
// stretch while F8 starts the weak-facts practice and while the knowledge map opens, and the
// process's memory. A timer ticking every millisecond on the window's thread finds the longest
// stretch it waited, whatever kept it busy. Prints figures; never fails.
#include "bench_common.h"
#include "support/window_fixture.h"

#include "answers/sqlite_answer_store.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <sys/resource.h>

using namespace numio;
using namespace numio::test;

namespace {

constexpr int kAnswers = 2000000;
const QDateTime kNow(QDate(2026, 12, 7), QTime(18, 0));

// The answers written in one statement: the times tables and sums to 20, one every 30 seconds over
// the last two years, mostly right.
void fill(const QString& path) {
    SqliteAnswerStore::open(path); // the tables, as the program makes them
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        q.exec(QStringLiteral("PRAGMA journal_mode=OFF"));
        q.exec(QStringLiteral("PRAGMA synchronous=OFF"));
        q.exec(QStringLiteral("BEGIN"));
        q.exec(
            QStringLiteral(
                "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < %1), "
                "f AS (SELECT i, CASE WHEN i %% 2 = 0 THEN 3 ELSE 1 END AS op, 1 + (i / 2) %% 10 AS a, "
                "1 + (i / 20) %% 9 AS b FROM n) "
                "INSERT INTO answer(at, pupil, mode, a, op, b, expected, typed, outcome, ms) "
                "SELECT %2 - (%1 - i) * 30, 'Jana', 4, a, op, b, CASE op WHEN 3 THEN a * b ELSE a + b END, "
                "'', CASE WHEN (i * 7919) %% 10 < 8 THEN 0 ELSE 1 END, 700 + (i * 37) %% 4000 FROM f")
                .arg(kAnswers - 1)
                .arg(kNow.toSecsSinceEpoch())
                .replace(QStringLiteral("%%"), QStringLiteral("%")));
        q.exec(QStringLiteral("COMMIT"));
        q.exec(QStringLiteral("SELECT count(*) FROM answer"));
        q.next();
        std::printf("  store of %lld answers, %.0f MB\n", q.value(0).toLongLong(),
                    double(QFileInfo(path).size()) / 1e6);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
}

// The longest the window's thread went without its 1 ms timer.
struct Heartbeat {
    QTimer timer;
    QElapsedTimer since;
    qint64 longest = 0;
    Heartbeat() {
        timer.setInterval(1);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, [this] { longest = std::max(longest, since.restart()); });
    }
    void start() {
        longest = 0;
        since.start();
        timer.start();
    }
    // The longest stretch, the one going on now included.
    qint64 stop() {
        timer.stop();
        return longest = std::max(longest, since.elapsed());
    }
};

long peakRssMb() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return r.ru_maxrss / 1024;
}

// Runs the event loop, sleeping as the program's own does, until `done`, at most a minute.
void until(const std::function<bool()>& done) {
    QEventLoop loop;
    QTimer poll;
    QElapsedTimer t;
    t.start();
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done() || t.elapsed() > 60000)
            loop.quit();
    });
    poll.start(5);
    loop.exec();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("== A store of %d answers (target: the window never waits more than 100 ms)\n", kAnswers);
    WindowFixture f("Plus=True Krat=True MaxValue=20");
    f.clock.time = kNow;
    {
        QElapsedTimer t;
        t.start();
        fill(answerStorePath(f.dataFolder, {}));
        std::printf("  written in %.1f s\n", double(t.elapsed()) / 1000);
    }
    FrmMain& w = f.start();
    if (!QTest::qWaitForWindowExposed(&w))
        std::printf("  (window not exposed)\n");
    QCoreApplication::processEvents();
    std::printf("  peak memory with the window shown: %ld MB\n", peakRssMb());

    // The store opens as the first examination starts: its opening is measured apart from reading it.
    Heartbeat beat;
    QElapsedTimer since;
    beat.start();
    act(w, "mnuPocitej")->trigger();
    until([] { return true; });
    std::printf("  the store opened by Shift+F5: the window's thread busy at most %lld ms at a stretch\n",
                beat.stop());
    act(w, "mnuStop")->trigger();
    QCoreApplication::processEvents();

    beat.start();
    since.start();
    act(w, "mnuCoNeumi")->trigger();
    until([&] { return w.exam().running(); });
    const qint64 f8 = since.elapsed();
    std::printf("  F8 to its first problem: %lld ms, the window's thread busy at most %lld ms at a stretch\n",
                f8, beat.stop());
    std::printf("  peak memory: %ld MB\n", peakRssMb());
    act(w, "mnuStop")->trigger();
    QCoreApplication::processEvents();

    // The map is modal: it is watched from inside its own loop and closed once it shows the answers.
    qint64 map = -1;
    qint64 longest = 0;
    QTimer::singleShot(0, [&] {
        until([] {
            QWidget* d = QApplication::activeModalWidget();
            auto* line = d ? d->findChild<QLabel*>(QStringLiteral("lblZna")) : nullptr;
            return line && !line->text().isEmpty() && !line->text().startsWith(QStringLiteral("Načítám"));
        });
        map = since.elapsed();
        longest = beat.stop();
        if (QWidget* d = QApplication::activeModalWidget())
            d->close();
    });
    beat.start();
    since.start();
    act(w, "mnuMapa")->trigger();
    std::printf("  the map shown with the answers: %lld ms, the window's thread busy at most %lld ms at a "
                "stretch\n",
                map, longest);
    std::printf("  peak memory: %ld MB\n", peakRssMb());
    return 0;
}
