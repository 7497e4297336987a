#include "answers/sqlite_answer_store.h"
#include "core/pupils.h"
#include "core/settings.h"
#include "platform/settings_store.h"
#include "pupil/pupil_list.h"
#include "reports/class_map_window.h"
#include "reports/class_overview_window.h"
#include "reports/knowledge_map_view.h"
#include "support/data.h"
#include "support/fakes.h"
#include "support/files.h"

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace numio;
using namespace numio::test;

namespace {

const QDateTime kNow(QDate(2026, 12, 7), QTime(18, 0));

// Tries written through the store's own code, oldest first as a pupil makes them: "+-" is right
// then wrong, `days` ago.
void answers(const QString& path, const QList<std::tuple<Fact, QString, int>>& tries) {
    const auto opened = SqliteAnswerStore::open(path);
    for (const auto& [fact, outcomes, days] : tries)
        for (const QChar c : outcomes)
            opened.store->record({kNow.addDays(-days).toSecsSinceEpoch(),
                                  {},
                                  AnswerMode::Set,
                                  fact,
                                  fact.result(),
                                  {},
                                  c == u'+' ? AnswerOutcome::Right : AnswerOutcome::Wrong,
                                  1500});
}

const Fact k7x8{3, 7, 8}, k3x4{3, 3, 4}, k2x5{3, 2, 5};

// Petr knows 7 · 8 since yesterday and 3 · 4 for weeks, Jana misses 7 · 8 and learnt 2 · 5 six days
// ago, Eva knew 7 · 8 ten days ago and missed it yesterday; three more stores cannot be read and
// Ada's holds nothing.
QList<ClassMapSource> classStores(const QDir& dir) {
    answers(dir.filePath("petr.odpovedi.sqlite"), {{k3x4, "+++", 20}, {k7x8, "+++", 1}});
    answers(dir.filePath("jana.odpovedi.sqlite"), {{k2x5, "+++", 6}, {k7x8, "+-", 1}});
    answers(dir.filePath("eva.odpovedi.sqlite"), {{k7x8, "+++", 10}, {k7x8, "-+", 1}});
    QFile text(dir.filePath("ota.odpovedi.sqlite"));
    if (text.open(QIODevice::WriteOnly))
        text.write("Žák : Ota\r\n");
    dir.mkdir("ivo.odpovedi.sqlite");
    ::mkfifo(qPrintable(dir.filePath("ema.odpovedi.sqlite")), 0600);
    answers(dir.filePath("ada.odpovedi.sqlite"), {}); // a store with no answers: no pupil to count
    QList<ClassMapSource> sources;
    for (const char* name : {"Petr", "Jana", "Eva", "Ota", "Ivo", "Ema", "Ada"})
        sources.push_back({name, {dir.filePath(QString(name).toLower() + ".odpovedi.sqlite")}});
    return sources;
}

QString spoken(const QAbstractItemModel& m, const QString& fact) {
    for (int r = 0; r < m.rowCount(); ++r)
        for (int c = 0; c < m.columnCount(); ++c)
            if (const QString t = m.index(r, c).data(Qt::AccessibleTextRole).toString(); t.startsWith(fact))
                return t;
    return {};
}

} // namespace

class TestClassMap : public QObject {
    Q_OBJECT
  private slots:
    // The counts and names at the period's end, and the week's change against seven days before
    // it; a store that cannot be read leaves its pupil out with why, and nothing waits on a FIFO.
    void countsAtThePeriodsEnd_data() {
        columns<QDate, QString, QString>({"lastDay", "sevenEight", "week"});
        row("reaching today", kNow.date(), QString("7 × 8: umí 1 ze 3; neumí: Jana; učí se: Eva"),
            QString("Žáci dohromady umí 3 příklady (každý žák a příklad zvlášť), za týden +1."));
        row("ended four days ago", kNow.date().addDays(-4), QString("7 × 8: umí 1 ze 3; nezkoušeno: 2"),
            QString("Žáci dohromady umí 3 příklady (každý žák a příklad zvlášť), za týden +2."));
    }
    void countsAtThePeriodsEnd() {
        const auto [lastDay, sevenEight, week] =
            fetch<QDate, QString, QString>("lastDay", "sevenEight", "week");
        QTemporaryDir dir;
        SqliteAnswerStores stores;
        FakeDialogs dialogs;
        ClassMapWindow w(
            {"3.B", classStores(QDir(dir.path())), classMapEnd(lastDay, kNow), kNow, {}, &stores}, dialogs,
            nullptr);
        QSignalSpy loaded(&w, &ClassMapWindow::loaded);
        QVERIFY(loaded.wait(20000));
        QCOMPARE(spoken(*w.map()->model(), "7 × 8"), sevenEight);
        QCOMPARE(w.lblWeek()->text(), week);
        QCOMPARE(w.counts().weakest.first(), lastDay == kNow.date() ? k7x8 : k2x5);
        QCOMPARE(w.unread().size(), 3);
        for (const QString who : {"Ota (ota", "Ivo (ivo", "Ema (ema"})
            QVERIFY2(w.unread().join('\n').contains(who), qPrintable(w.unread().join('\n')));
    }

    // A cell's mark by the share of the class that knows the fact: at least 80 %, at least 50 %, less.
    void cellMarkByShare_data() {
        columns<int, int, QString>({"known", "tried", "mark"});
        row("8 of 10", 8, 10, QString("✓"));
        row("5 of 10", 5, 10, QString("~"));
        row("4 of 10", 4, 10, QString("✗"));
        row("none tried", 0, 0, QString());
    }
    void cellMarkByShare() {
        const auto [known, tried, mark] = fetch<int, int, QString>("known", "tried", "mark");
        QCOMPARE(lookOf(classCellLook({known, tried, {}, {}}, 10)).mark, mark);
    }

    // A pupil's computer holding his store on the school's server while the map reads: the answers
    // committed are read, or, held beyond the short busy timeout, he is left out with why.
    void storeHeldByAWriter_data() {
        columns<QString, int>({"begin", "pupils"});
        row("writing", QString("BEGIN IMMEDIATE"), 1);
        row("committing", QString("BEGIN EXCLUSIVE"), 0);
    }
    void storeHeldByAWriter() {
        const auto [begin, pupils] = fetch<QString, int>("begin", "pupils");
        QTemporaryDir dir;
        const FixedFileSystems network(FileSystemKind::Network);
        SqliteAnswerStores stores(network, 200);
        const QString path = dir.filePath("petr.odpovedi.sqlite");
        stores.open(path, "Petr")
            .store->record(
                {kNow.toSecsSinceEpoch(), {}, AnswerMode::Set, k7x8, 56, {}, AnswerOutcome::Right, 900});
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "writer");
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(begin));
            QVERIFY(q.exec("INSERT INTO answer(at, pupil, mode, a, op, b, expected, typed, outcome, ms) "
                           "SELECT at, pupil, mode, a, op, b, expected, typed, outcome, ms FROM answer"));
            FakeDialogs dialogs;
            ClassMapWindow w({"3.B", {{"Petr", {path}}}, kNow, kNow, {}, &stores}, dialogs, nullptr);
            QSignalSpy loaded(&w, &ClassMapWindow::loaded);
            QVERIFY(loaded.wait(20000));
            QCOMPARE(w.counts().pupils, pupils);
            QCOMPARE(w.counts().facts.value(k7x8).tried, pupils);
            QCOMPARE(w.unread().size(), 1 - pupils);
            q.exec("ROLLBACK");
        }
        QSqlDatabase::removeDatabase("writer");
    }

    // From the class overview: Mapa třídy opens on the pupils of this computer with answers, a
    // cell says who knows it, and the PDF proposed under the class's name holds the counts and the
    // weakest facts.
    void throughTheWindows() {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        QTemporaryDir dir;
        QDir(dir.path()).mkdir("3.B");
        IniSettingsStore store(dir.filePath("ini"));
        FakeDialogs dialogs;
        LocalTextFiles files;
        SqliteAnswerStores stores;
        const FixedClock clock(kNow);
        for (const QString name : {"Petr Malý", "Jana Nová"}) {
            const QString journal = dir.filePath("3.B/" + name + ".txt");
            QFile f(journal);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QString(64, u'_').toLatin1() + "\r\nNumio - 5.12.2026 17:00:00\r\n" +
                    QByteArray(35, '-') +
                    "\r\n\r\nPříkladů celkem : 10\r\nŠpatně : 0\r\nZnámka : 1\r\nÚspěšnost : 100%\r\n");
            const QString id = PupilList(store).add(name, StoredSettings{}).id;
            store.write(pupilSettingsApp(id), {{"Audit", "File", journal}});
            answers(answerStorePath(dir.filePath("data"), id),
                    {{k7x8, name.startsWith('P') ? "+++" : "-", 1}});
        }
        ClassOverviewWindow overview(store, dialogs, files, stores, clock, nullptr, nullptr, nullptr,
                                     dir.filePath("data"));
        QSignalSpy read(&overview, &ClassOverviewWindow::loaded);
        overview.readFolder(dir.filePath("3.B"));
        QVERIFY(read.wait(20000));
        overview.pbClassMap()->click();
        auto* map = overview.findChild<ClassMapWindow*>();
        QVERIFY(map);
        QSignalSpy loaded(map, &ClassMapWindow::loaded);
        QVERIFY(loaded.wait(20000));
        QCOMPARE(spoken(*map->map()->model(), "7 × 8"), "7 × 8: umí 1 ze 2; neumí: Jana Nová");
        dialogs.chosenFiles.push_back(dir.filePath("mapa.pdf"));
        map->pbPdf()->click();
        QVERIFY(dialogs.chooserCalls.back().join(' ').contains("Mapa třídy – 3.B.pdf"));
        const QString text = pdfText(dir.filePath("mapa.pdf")).simplified();
        for (const QString expected :
             {"1 ze 2", "Nejslabší příklady třídy:", "7 × 8: umí 1 ze 2; neumí: Jana Nová"})
            QVERIFY2(text.contains(expected), qPrintable(text));
    }
};

QTEST_MAIN(TestClassMap)
#include "test_class_map.moc"
