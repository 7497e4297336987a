#include "app/lazy_answer_stores.h"
#include "support/data.h"
#include "support/files.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <thread>
#include <vector>

using namespace numio;
using namespace numio::test;

// Whether Qt SQL is mapped into this process.
static bool sqlLoaded() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6Sql");
}

class TestLazyAnswerStores : public QObject {
    Q_OBJECT
  private slots:
    // First: nothing before it may have loaded the plug-in.
    void sqlComesWithTheFirstStore() {
        QTemporaryDir dir;
        const QString path = dir.filePath("odpovedi/jan.sqlite"), moved = dir.filePath("eva.sqlite");
        LazyAnswerStores stores;
        QVERIFY(!sqlLoaded());
        {
            const OpenedAnswerStore opened = stores.open(path, "Jan");
            QVERIFY(sqlLoaded() && !opened.warning);
            opened.store->record({1700000000, {}, AnswerMode::Plain, {3, 7, 8}, 56, "56", {}, 900});
        }
        QCOMPARE(stores.move(path, moved), StoreMove::Moved);
        QCOMPARE(stores.read(moved, {}, nullptr).facts.value(Fact{3, 7, 8}).tries, 1);
        QVERIFY(!stores.join(path, moved)); // nothing left at the old place
        stores.remove(moved);
        QVERIFY(!QFile::exists(moved));
    }

    // Readings start on several threads at once; the plug-in is loaded for them once.
    void firstUseOnManyThreads() {
        LazyAnswerStores stores;
        std::vector<std::thread> threads;
        std::atomic<int> read{0};
        for (int n = 0; n < 4; ++n)
            threads.emplace_back([&] {
                if (stores.read(QStringLiteral("/nonexistent/jan.sqlite"), {}, nullptr).facts.isEmpty())
                    ++read;
            });
        for (std::thread& t : threads)
            t.join();
        QCOMPARE(read.load(), 4);
    }

    void withoutThePlugin_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<bool>("aFile"); // something at the plug-in's place, but no plug-in
        for (const char* method : {"open", "read", "move", "join", "remove"}) {
            QTest::addRow("%s, none there", method) << method << false;
            QTest::addRow("%s, no plug-in", method) << method << true;
        }
    }
    void withoutThePlugin() {
        QFETCH(QString, method);
        QFETCH(bool, aFile);
        QTemporaryDir dir;
        const QString plugin = dir.filePath("libnumio_answers.so"), store = dir.filePath("jan.sqlite");
        if (aFile)
            QVERIFY(writeFile(plugin, "no plug-in"));
        LazyAnswerStores stores({plugin});
        const auto call = [&] {
            if (method == "open")
                stores.open(store, {});
            else if (method == "read")
                stores.read(store, {}, nullptr);
            else if (method == "move")
                stores.move(store, store + "2");
            else if (method == "join")
                stores.join(store, store + "2");
            else
                stores.remove(store);
        };
        // Told every time, not only the first.
        for (int n = 0; n < 2; ++n) {
            const std::optional<Failure> f = thrown(call);
            QVERIFY(f);
            QCOMPARE(f->code(), int(kFileNotFound));
            QVERIFY(f->detail().contains("libnumio_answers.so"));
        }
        QVERIFY(!QFile::exists(store));
    }
};

QTEST_GUILESS_MAIN(TestLazyAnswerStores)
#include "test_lazy_answer_stores.moc"
