#include "answers/sqlite_answer_store.h"
#include "support/data.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace numio;
using namespace numio::test;

namespace {

// "7*8 R 900 @1000 pupil typed": a op b, Right/Wrong/Timed out, ms, at; the pupil and the typed text
// may follow.
QList<AnswerRecord> answers(const QString& text) {
    static const QRegularExpression one(
        QStringLiteral("^(\\d+)([-+*:])(\\d+) ([RWT]) (\\d+) @(\\d+) ?(\\S*) ?(\\S*)$"));
    QList<AnswerRecord> list;
    for (const QString& part : text.split(u';', Qt::SkipEmptyParts)) {
        const auto m = one.match(part.trimmed());
        Q_ASSERT(m.hasMatch());
        AnswerRecord r;
        r.fact = {int(QStringLiteral("+-*:").indexOf(m.captured(2))) + 1, m.captured(1).toInt(),
                  m.captured(3).toInt()};
        r.outcome = AnswerOutcome(QStringLiteral("RWT").indexOf(m.captured(4)));
        r.ms = m.captured(5).toInt();
        r.at = m.captured(6).toLongLong();
        r.pupil = m.captured(7);
        r.typed = m.captured(8).isEmpty() ? QString() : m.captured(8);
        r.expected = r.fact.result();
        r.mode = AnswerMode(r.ms % 5 + 1);
        list << r;
    }
    return list;
}

// The tries of each fact in the order given.
Knowledge grouped(const QList<AnswerRecord>& list) {
    Knowledge k;
    for (const AnswerRecord& r : list)
        k[r.fact].push_back(Try{r.at, r.outcome, r.ms});
    return k;
}

// "3+4: W2000@500 R900@400; 7*8: …", the facts in order: a failing comparison shows what differs.
QString shown(const Knowledge& k) {
    QList<Fact> facts = k.keys();
    std::sort(facts.begin(), facts.end());
    QStringList lines;
    for (const Fact& f : facts) {
        QString line = f.text() + u':';
        for (const Try& t : k[f])
            line += QStringLiteral(" %1%2@%3").arg(QStringLiteral("RWT")[int(t.outcome)]).arg(t.ms).arg(t.at);
        lines << line;
    }
    return lines.join(QStringLiteral("; "));
}

// A connection of the test's own, as another program or another copy would have.
struct Other {
    explicit Other(const QString& path) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        QVERIFY(db.open());
    }
    ~Other() { QSqlDatabase::removeDatabase(QStringLiteral("other")); }
    QVariant operator()(const QString& sql) {
        QSqlQuery q(QSqlDatabase::database(QStringLiteral("other")));
        if (!q.exec(sql))
            qWarning() << sql << q.lastError().text();
        return q.next() ? q.value(0) : QVariant();
    }
};

// A pragma on the connection of the one store open, as a full disk is simulated: some are per connection.
QString storeConnection(const QString& sql) {
    for (const QString& name : QSqlDatabase::connectionNames()) {
        if (name.startsWith(QStringLiteral("numio-answers-"))) {
            QSqlQuery q(QSqlDatabase::database(name));
            return q.exec(sql) && q.next() ? q.value(0).toString() : QString();
        }
    }
    return {};
}

QByteArray bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// How the bad file is made.
enum class Bad { NotADatabase, Damaged, Foreign, Newer, FolderIsAFile, FileIsAFolder, Locked, DiskFull };
// What became of what stood there.
enum class Old { KeptAside, Untouched, Nothing };

} // namespace

class TestAnswerStore : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("odpovedi/zaci/jan.sqlite")); }

  private slots:
    void cleanup() { QDir(dir.path()).removeRecursively(), QDir().mkpath(dir.path()); }

    void writtenAndReadBack_data() {
        columns<QString>({"answers"});
        row("nothing yet", QString());
        row("one right answer", QStringLiteral("7*8 R 900 @1000 Jan 56"));
        row("time ran out, nothing typed", QStringLiteral("7*8 T 10000 @1000"));
        row("a fact's tries in their order, the clock set back between",
            QStringLiteral("3+4 W 2000 @500 Jan 8; 3+4 R 900 @400 Jan 7; 3+4 R 800 @450"));
        row("facts in turns", QStringLiteral("56:7 R 1 @1; 2-1 W 2 @2; 56:7 W 3 @3; 2-1 R 4 @4; 7*8 R 5 @5"));
        row("after 2038, long answers", QStringLiteral("9*9 R 2147483647 @4102444800 Žofie-Ř 81"));
    }
    void writtenAndReadBack() {
        const auto [text] = fetch<QString>("answers");
        const QList<AnswerRecord> list = answers(text);
        {
            OpenedAnswerStore opened = SqliteAnswerStore::open(path(), QStringLiteral("Jan"));
            QVERIFY(opened.store && !opened.warning);
            for (const AnswerRecord& r : list)
                opened.store->record(r);
            QCOMPARE(shown(opened.store->knowledge()), shown(grouped(list)));
            QCOMPARE(shown(SqliteAnswerStore::readKnowledge(path())), shown(grouped(list))); // while open
        }
        OpenedAnswerStore again = SqliteAnswerStore::open(path());
        QVERIFY(!again.warning);
        QCOMPARE(shown(again.store->knowledge()), shown(grouped(list)));
    }

    // What another program sees in the file: our marks, and every field of an answer.
    void fileLayout() {
        SqliteAnswerStore::open(path()).store->record(
            answers(QStringLiteral("12:4 W 4321 @1700000000 Eva 4")).value(0));
        Other file(path());
        QCOMPARE(file(QStringLiteral("PRAGMA application_id")).toInt(), 0x4E6D416E);
        QCOMPARE(file(QStringLiteral("PRAGMA user_version")).toInt(), 1);
        QCOMPARE(file(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));
        QCOMPARE(file(QStringLiteral(
                          "SELECT group_concat(at || ' ' || pupil || ' ' || mode || ' ' || a || op || b || "
                          "' ' || expected || ' ' || typed || ' ' || outcome || ' ' || ms) FROM answer"))
                     .toString(),
                 QStringLiteral("1700000000 Eva 2 1244 3 4 1 4321"));
    }

    void badFiles_data() {
        columns<Bad, int, QString, Old, bool>({"bad", "code", "says", "old", "usable"});
        row("not a database", Bad::NotADatabase, int(kBadFileFormat), QStringLiteral("Zůstal uschovaný jako"),
            Old::KeptAside, true);
        row("a damaged store", Bad::Damaged, int(kBadFileFormat), QStringLiteral("Zůstal uschovaný jako"),
            Old::KeptAside, true);
        row("another program's database", Bad::Foreign, int(kBadFileFormat),
            QStringLiteral("nepatří programu Numio"), Old::KeptAside, true);
        row("written by a newer Numio", Bad::Newer, int(kBadFileFormat), QStringLiteral("novější verze"),
            Old::Untouched, false);
        row("the folder is a file", Bad::FolderIsAFile, int(kPathFileAccess),
            QStringLiteral("nelze vytvořit"), Old::Untouched, false);
        row("the file is a folder", Bad::FileIsAFolder, int(kPathFileAccess), QStringLiteral("nelze otevřít"),
            Old::Nothing, false);
        row("another copy writes", Bad::Locked, int(kFileAlreadyOpen), QStringLiteral("jiná spuštěná kopie"),
            Old::Nothing, true);
        row("a full disk", Bad::DiskFull, int(kDiskFull), QStringLiteral("disk je plný"), Old::Nothing, true);
    }
    void badFiles() {
        const auto [bad, code, says, old, usable] =
            fetch<Bad, int, QString, Old, bool>("bad", "code", "says", "old", "usable");
        QVERIFY(QDir().mkpath(QFileInfo(path()).path()));
        const QString folder = QFileInfo(path()).path();
        QString storePath = path();
        const QList<AnswerRecord> before = answers(QStringLiteral("2+2 R 700 @1; 3+3 W 800 @2"));
        if (bad == Bad::Damaged || bad == Bad::Newer || bad == Bad::Locked || bad == Bad::DiskFull) {
            auto store = SqliteAnswerStore::open(path()).store;
            for (int i = 0; i < 300; ++i) // several pages of them
                store->record(before[i % 2]);
        }
        std::optional<Other> other;
        switch (bad) {
        case Bad::NotADatabase: {
            QFile f(path());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("Jan: 7*8=56\n");
        } break;
        case Bad::Damaged: {
            QFile f(path()); // the table's pages, past the header's page, overwritten
            QVERIFY(f.open(QIODevice::ReadWrite) && f.seek(4096) &&
                    f.write(QByteArray(8192, '\x55')) == 8192);
            break;
        }
        case Bad::Foreign:
            other.emplace(path()), (*other)(QStringLiteral("CREATE TABLE notes(text)")), other.reset();
            break;
        case Bad::Newer:
            other.emplace(path()), (*other)(QStringLiteral("PRAGMA user_version=2")), other.reset();
            break;
        case Bad::FolderIsAFile:
            QVERIFY(QDir(folder).removeRecursively());
            {
                QFile f(folder);
                QVERIFY(f.open(QIODevice::WriteOnly));
            }
            storePath = folder + QStringLiteral("/jan.sqlite");
            break;
        case Bad::FileIsAFolder:
            QVERIFY(QDir().mkpath(path()));
            break;
        case Bad::Locked:
            break;
        case Bad::DiskFull:
            break;
        }
        const QString watched = bad == Bad::FolderIsAFile ? folder : path();
        const QByteArray original = bytes(watched);
        std::optional<Failure> failure;
        OpenedAnswerStore opened;
        try {
            opened = SqliteAnswerStore::open(storePath, QStringLiteral("Jan"));
            failure = opened.warning;
            if (bad == Bad::Locked)
                other.emplace(path()), (*other)(QStringLiteral("BEGIN EXCLUSIVE"));
            if (bad == Bad::DiskFull) // no page more than it has
                storeConnection(QStringLiteral("PRAGMA max_page_count=") +
                                storeConnection("PRAGMA page_count"));
            for (int i = 0; i < 1000 && !failure; ++i) // until the file would grow
                failure = thrown([&] { opened.store->record(before[0]); });
        } catch (const Failure& f) {
            failure = f;
        }
        QVERIFY(failure);
        QVERIFY2(failure->code() == code, qPrintable(failure->detail()));
        QVERIFY2(failure->detail().contains(says) && failure->detail().contains(QStringLiteral("(žák: Jan)")),
                 qPrintable(failure->detail()));
        if (old == Old::KeptAside) {
            const QStringList aside = QDir(folder).entryList({QStringLiteral("jan.necitelny-*.sqlite")});
            QCOMPARE(aside.size(), 1);
            QVERIFY(failure->detail().contains(aside[0]));
            QCOMPARE(bytes(QDir(folder).filePath(aside[0])), original);
        } else if (old == Old::Untouched) {
            QCOMPARE(bytes(watched), original);
        }
        QCOMPARE(bool(opened.store), usable);
        if (usable) {
            other.reset();                                                    // the other copy lets go
            storeConnection(QStringLiteral("PRAGMA max_page_count=1000000")); // the disk has room again
            const QList<AnswerRecord> after = answers(QStringLiteral("9*9 R 1000 @3"));
            opened.store->record(after[0]);
            QCOMPARE(opened.store->knowledge().value(after[0].fact).size(), 1);
            QCOMPARE(opened.store->knowledge().size(), old == Old::KeptAside ? 1 : 3);
        }
    }

    void paths_data() {
        columns<QString, QString>({"id", "path"});
        row("without pupils", QString(), QStringLiteral("/d/odpovedi/odpovedi.sqlite"));
        row("a pupil", QStringLiteral("jan-novak-2"), QStringLiteral("/d/odpovedi/zaci/jan-novak-2.sqlite"));
        row("out of the folder", QStringLiteral(".."), QString());
        row("into another folder", QStringLiteral("a/b"), QString());
        row("capitals", QStringLiteral("Jan"), QString());
    }
    void paths() {
        const auto [id, expected] = fetch<QString, QString>("id", "path");
        if (expected.isEmpty())
            QCOMPARE(thrown([&] { answerStorePath(QStringLiteral("/d"), id); })->code(), int(kBadFileName));
        else
            QCOMPARE(answerStorePath(QStringLiteral("/d"), id), expected);
    }

    // Removed with its log; a store never made is no failure, one that cannot go is.
    void removed() {
        SqliteAnswerStore::open(path()).store->record(answers(QStringLiteral("1+1 R 1 @1")).value(0));
        QFile(path() + QStringLiteral("-wal")).open(QIODevice::WriteOnly); // as a killed copy leaves it
        removeAnswerStore(path());
        QCOMPARE(QDir(QFileInfo(path()).path()).entryList(QDir::Files), QStringList());
        removeAnswerStore(path());
        QVERIFY(QDir().mkpath(path() + QStringLiteral("/x")));
        QCOMPARE(thrown([&] { removeAnswerStore(path()); })->code(), int(kPathFileAccess));
    }

    // Another pupil's answers are read without a file made or changed.
    void readOnly() {
        QVERIFY(SqliteAnswerStore::readKnowledge(path()).isEmpty());
        QVERIFY(!QFileInfo::exists(QFileInfo(path()).path()));
        SqliteAnswerStore::open(path()).store->record(answers(QStringLiteral("1+1 R 1 @1")).value(0));
        const QByteArray original = bytes(path());
        QCOMPARE(SqliteAnswerStore::readKnowledge(path()).size(), 1);
        QCOMPARE(bytes(path()), original);
        QCOMPARE(QFileInfo(path() + QStringLiteral("-wal")).size(), 0); // SQLite may leave it there, empty
    }
};

QTEST_GUILESS_MAIN(TestAnswerStore)
#include "test_answer_store.moc"
