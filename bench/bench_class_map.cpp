// How long the class map takes to count a class whose pupils each have 10,000 answers, for 30 and for
// 300 pupils, against the floor of reading the same bytes as plain files. Prints figures; never fails.
#include "answers/sqlite_answer_store.h"
#include "bench_protocol.h"
#include "reports/class_map_window.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>

using namespace numio;

namespace {

constexpr int kAnswers = 10000;
const QDateTime kNow(QDate(2026, 12, 7), QTime(18, 0));

// Ten weeks of the times tables and sums to 20, one answer every ten minutes, mostly right.
void fill(const QString& path) {
    SqliteAnswerStore::open(path); // the tables, as the program makes them
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        q.exec(QStringLiteral("BEGIN"));
        q.exec(
            QStringLiteral(
                "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < %1), "
                "f AS (SELECT i, CASE WHEN i % 3 = 0 THEN 1 ELSE 3 END AS op, 1 + (i / 3) % 10 AS a, "
                "1 + (i / 30) % 10 AS b FROM n) "
                "INSERT INTO answer(at, pupil, mode, a, op, b, expected, typed, outcome, ms) "
                "SELECT %2 - (%1 - i) * 600, 'Jana', 2, a, op, b, CASE op WHEN 3 THEN a * b ELSE a + b END, "
                "'', CASE WHEN (i * 7919) % 10 < 8 THEN 0 ELSE 1 END, 700 + (i * 37) % 4000 FROM f")
                .arg(kAnswers - 1)
                .arg(kNow.toSecsSinceEpoch()));
        q.exec(QStringLiteral("COMMIT"));
        // Closed as the program leaves a store: no -wal beside it.
        q.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
}

double floorMs(const QList<ClassMapSource>& pupils, qint64& bytes) {
    QElapsedTimer t;
    t.start();
    bytes = 0;
    for (const ClassMapSource& p : pupils) {
        QFile f(p.answers.store);
        if (f.open(QIODevice::ReadOnly))
            bytes += f.readAll().size();
    }
    return double(t.nsecsElapsed()) / 1e6;
}

double mapMs(const QList<ClassMapSource>& pupils, AnswerStores& stores, Dialogs& dialogs) {
    QElapsedTimer t;
    t.start();
    auto* w = new ClassMapWindow({QStringLiteral("3.B"), pupils, kNow, kNow, {}, &stores}, dialogs, nullptr);
    QEventLoop loop;
    QObject::connect(w, &ClassMapWindow::loaded, &loop, &QEventLoop::quit);
    loop.exec();
    const double ms = double(t.nsecsElapsed()) / 1e6;
    if (w->counts().pupils != pupils.size())
        std::printf("  only %d of %lld pupils counted\n", w->counts().pupils, qlonglong(pupils.size()));
    delete w;
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("zak0.odpovedi.sqlite"));
    fill(first);
    QList<ClassMapSource> pupils;
    for (int i = 0; i < 300; ++i) {
        const QString path = dir.filePath(QStringLiteral("zak%1.odpovedi.sqlite").arg(i));
        if (i > 0)
            QFile::copy(first, path);
        pupils.push_back({QStringLiteral("Žák %1").arg(i), {path}});
    }
    std::printf("class map: stores of %d answers, %.0f kB each\n", kAnswers,
                double(QFile(first).size()) / 1e3);
    SqliteAnswerStores stores;
    bench::PrintingDialogs dialogs;
    for (const int n : {30, 300}) {
        const QList<ClassMapSource> some = pupils.mid(0, n);
        qint64 bytes = 0;
        const double floor = floorMs(some, bytes), map = mapMs(some, stores, dialogs);
        std::printf(
            "  %3d pupils (%.0f MB): reading the bytes %7.1f ms, the class map's counts %7.1f ms (%.1f x)\n",
            n, double(bytes) / 1e6, floor, map, map / std::max(floor, 0.001));
    }
    return 0;
}
