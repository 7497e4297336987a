#include "answers/sqlite_answer_store.h"
#include "support/data.h"
#include "support/fakes.h"
#include "support/files.h"

#include <QDir>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace numio;
using namespace numio::test;

namespace {

// Answers are dated from 14 November 2023 on.
constexpr qint64 kSince = 1700000000;

// "7*8 R 900 @1000; …": a op b, Right, Wrong or Timed out, ms, at (seconds after kSince); nothing typed,
// no pupil. Their tries added to `tries`.
QList<AnswerRecord> answers(const QString& text, KnowledgeBuilder* tries = nullptr) {
    static const QRegularExpression one(QStringLiteral("(\\d+)(.)(\\d+) ([RWT]) (\\d+) @(\\d+)"));
    QList<AnswerRecord> list;
    for (auto it = one.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        AnswerRecord r;
        r.fact = {int(QStringLiteral("+-*:").indexOf(m.captured(2))) + 1, m.captured(1).toInt(),
                  m.captured(3).toInt()};
        r.outcome = AnswerOutcome(QStringLiteral("RWT").indexOf(m.captured(4)));
        r.ms = m.captured(5).toInt();
        r.expected = r.fact.result();
        r.at = kSince + m.captured(6).toLongLong();
        list << r;
        if (tries)
            tries->add(r.fact, Try{r.at, r.outcome, r.ms});
    }
    return list;
}

// "3+4: 3 tries, 2 right, median 900, W2000@500 R900@400 R800@450; 7*8: …" (the recent tries, dated
// after kSince), the facts in order, so that a failing comparison shows what differs.
QString shown(const KnowledgeRead& read) {
    QStringList lines;
    const Knowledge& k = read.facts;
    for (const auto& [f, h] : std::map<Fact, FactHistory>(k.keyValueBegin(), k.keyValueEnd())) {
        lines << QStringLiteral("%1: %2 tries, %3 right, median %4,")
                     .arg(f.text())
                     .arg(h.tries)
                     .arg(h.rights)
                     .arg(h.medianMs);
        for (const Try& t : h.recent)
            lines.back() += QStringLiteral(" %1%2@%3")
                                .arg(QStringLiteral("RWT")[int(t.outcome)])
                                .arg(t.ms)
                                .arg(t.at - kSince);
    }
    if (read.ignored)
        lines << QStringLiteral("ignored %1").arg(read.ignored);
    return lines.join(QStringLiteral("; "));
}

// The first row of a statement, its values between spaces, through "other", a connection as another
// program or another copy of Numio has one, opened on `path` when not open; or without a path through
// the store's own connection.
QString sql(const QString& statement, const QString& path = {}) {
    QString name = QSqlDatabase::connectionNames().filter(QStringLiteral("numio-answers-")).value(0);
    if (!path.isEmpty() && !QSqlDatabase::contains(name = QStringLiteral("other"))) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.open();
    }
    QSqlQuery q(QSqlDatabase::database(name));
    QStringList values;
    if (q.exec(statement) && q.next())
        for (int i = 0; i < q.record().count(); ++i)
            values << q.value(i).toString();
    return values.join(u' ');
}

enum class Bad { NotADatabase, Damaged, Foreign, Newer, FolderIsAFile, Locked, DiskFull };

// Things at a store's place that are no file of its own; a hard link shares a sound store's file.
enum class Odd { Fifo, Folder, Socket, Device, HardLink };

void put(Odd odd, const QString& at, const QString& shared) {
    const QByteArray native = QFile::encodeName(at);
    sockaddr_un address{AF_UNIX, {}};
    qstrncpy(address.sun_path, native.constData(), sizeof address.sun_path);
    const int socket = odd == Odd::Socket ? ::socket(AF_UNIX, SOCK_STREAM, 0) : -1;
    const bool made =
        odd == Odd::Fifo     ? ::mkfifo(native.constData(), 0644) == 0
        : odd == Odd::Folder ? QDir().mkpath(at)
        : odd == Odd::Socket ? ::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
        : odd == Odd::Device ? QFile::link(QStringLiteral("/dev/zero"), at)
                             : ::link(QFile::encodeName(shared).constData(), native.constData()) == 0;
    ::close(socket);
    QVERIFY(made);
}

} // namespace

class TestAnswerStore : public QObject {
    Q_OBJECT
    std::optional<QTemporaryDir> dir;
    QString path() const { return dir->filePath(QStringLiteral("odpovedi/zaci/jan.sqlite")); }

  private slots:
    void init() { QSqlDatabase::removeDatabase(QStringLiteral("other")), dir.emplace(); }

    void writtenAndReadBack_data() {
        columns<QString>({"answers"});
        row("nothing yet", QString());
        row("time ran out, nothing typed", QStringLiteral("7*8 T 10000 @1000"));
        row("a fact's tries in their order, the clock set back between",
            QStringLiteral("3+4 W 2000 @500; 3+4 R 900 @400; 3+4 R 800 @450"));
        row("after 2038, an hour's answer", QStringLiteral("9*9 R 3600000 @2400000000"));
        row("more tries than are kept whole",
            QStringLiteral("1+1 W 1 @1; 1+1 R 2 @2; 1+1 R 3 @3; 1+1 W 4 @4; 1+1 R 5 @5; 1+1 R 6 @6"));
    }
    void writtenAndReadBack() {
        KnowledgeBuilder builder;
        const QList<AnswerRecord> list = answers(std::get<0>(fetch<QString>("answers")), &builder);
        const QString tries = shown(builder.finish());
        {
            OpenedSqliteStore opened = SqliteAnswerStore::open(path(), QStringLiteral("Jan"));
            QVERIFY(opened.store && !opened.warning);
            for (const AnswerRecord& r : list)
                opened.store->record(r);
            QCOMPARE(shown(opened.store->knowledge()), tries);
            QCOMPARE(shown(SqliteAnswerStore::readKnowledge(path())), tries); // while open
        }
        QCOMPARE(shown(SqliteAnswerStore::open(path()).store->knowledge()), tries);
    }

    // A row no program of ours writes (put in by hand, or a clock far off) counts nowhere and is
    // counted as left out; the answers beside it stay. Which answers are possible at all is the facts'
    // own table; here what a column of SQLite may hold besides.
    void impossibleRows_data() {
        columns<QString>({"values"});
        row("a result that is not a op b", QStringLiteral("1700000000, 7, 3, 8, 57, 0, 900"));
        row("an operand past 32 bits", QStringLiteral("1700000000, 4294967303, 3, 8, 56, 0, 900"));
        row("a text for a number", QStringLiteral("1700000000, 'sedm', 3, 8, 56, 0, 900"));
        row("a fraction for a number", QStringLiteral("1700000000, 7, 3, 8, 56, 0, 900.5"));
    }
    void impossibleRows() {
        const auto store = SqliteAnswerStore::open(path()).store;
        store->record(answers(QStringLiteral("2+2 R 700 @1"))[0]);
        sql(QStringLiteral("INSERT INTO answer(at, a, op, b, expected, outcome, ms, pupil, mode, typed) "
                           "VALUES (%1, '', 1, '')")
                .arg(std::get<0>(fetch<QString>("values"))));
        store->record(answers(QStringLiteral("2+2 W 800 @2"))[0]);
        QCOMPARE(shown(store->knowledge()),
                 QStringLiteral("2+2: 2 tries, 1 right, median 750, R700@1 W800@2; "
                                "ignored 1"));
    }

    // What another program sees in the file: every field of an answer, our mark, the layout's number and
    // the write-ahead log.
    void fileLayout() {
        AnswerRecord r = answers(QStringLiteral("12:4 W 4321 @0"))[0];
        r.pupil = QStringLiteral("Eva"), r.typed = QStringLiteral("4");
        r.mode = AnswerMode::Set, r.expected = 3;
        SqliteAnswerStore::open(path()).store->record(r);
        QCOMPARE(sql(QStringLiteral("SELECT * FROM answer, pragma_application_id, pragma_user_version, "
                                    "pragma_journal_mode"),
                     path()),
                 QStringLiteral("1 1700000000 Eva 2 12 4 4 3 4 1 4321 1315783022 1 wal"));
    }

    // The journal by the file system the door reports: WAL only where every connection shares memory.
    // A store switched keeps its answers; one another connection holds stays as it was, told as held.
    void journalModeByFileSystem_data() {
        using enum FileSystemKind;
        columns<QList<FileSystemKind>, bool, QString>({"opened on", "held", "mode"});
        row("local", QList{Local}, false, QStringLiteral("wal"));
        row("network", QList{Network}, false, QStringLiteral("delete"));
        row("made local, then on the network", QList{Local, Network}, false, QStringLiteral("delete"));
        row("made on the network, then local", QList{Network, Local}, false, QStringLiteral("wal"));
        row("made local, held, then on the network", QList{Local, Network}, true, QStringLiteral("wal"));
    }
    void journalModeByFileSystem() {
        const auto [kinds, held, mode] =
            fetch<QList<FileSystemKind>, bool, QString>("opened on", "held", "mode");
        FixedFileSystems fileSystems;
        SqliteAnswerStores stores(fileSystems, 20);
        std::optional<Failure> failure;
        for (const FileSystemKind kind : kinds) {
            if (held && kind == kinds.back()) // another connection has it open
                sql(QStringLiteral("SELECT count(*) FROM answer"), path());
            fileSystems.kind = kind;
            failure = thrown([&] {
                stores.open(path(), QStringLiteral("Jan"))
                    .store->record(answers(QStringLiteral("1+1 R 1 @1"))[0]);
            });
        }
        QCOMPARE(failure ? failure->code() : 0, held ? int(kFileAlreadyOpen) : 0);
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        QCOMPARE(sql(QStringLiteral("PRAGMA journal_mode"), path()), mode);
        QCOMPARE(sql(QStringLiteral("SELECT count(*) FROM answer"), path()),
                 QString::number(kinds.size() - held));
    }

    // The system's file system types the door reports as network, some next to local ones.
    void fileSystemTypes_data() {
        columns<uint, bool>({"type", "network"});
        row("NFS", 0x6969u, true);
        row("SMB2", 0xFE534D42u, true);
        row("CIFS", 0xFF534D42u, true);
        row("9P", 0x01021997u, true);
        row("tmpfs", 0x01021994u, false);
        row("ext4", 0xEF53u, false);
    }
    void fileSystemTypes() {
        const auto [type, network] = fetch<uint, bool>("type", "network");
        QCOMPARE(fileSystemKindOfType(type) == FileSystemKind::Network, network);
    }

    // A pupil's store read while his program writes in it: the answers committed before, or a held
    // store told after the busy timeout; never written.
    void readWhileWritten_data() {
        using enum FileSystemKind;
        columns<FileSystemKind, QString, int>({"kind", "writer", "code"});
        row("network, a write begun", Network, QStringLiteral("BEGIN IMMEDIATE"), 0);
        row("network, the file held whole", Network, QStringLiteral("BEGIN EXCLUSIVE"),
            int(kFileAlreadyOpen));
        row("local, the file held whole", Local, QStringLiteral("BEGIN EXCLUSIVE"), 0);
    }
    void readWhileWritten() {
        const auto [kind, writer, code] = fetch<FileSystemKind, QString, int>("kind", "writer", "code");
        FixedFileSystems fileSystems(kind);
        SqliteAnswerStores stores(fileSystems, 20);
        stores.open(path(), QStringLiteral("Jan")).store->record(answers(QStringLiteral("1+1 R 1 @1"))[0]);
        const QByteArray original = fileBytes(path());
        sql(writer, path());
        sql(QStringLiteral("INSERT INTO answer SELECT NULL, at, pupil, mode, 2, op, 2, 4, typed, outcome, ms "
                           "FROM answer"),
            path());
        KnowledgeRead read;
        const std::optional<Failure> failure = thrown([&] { read = stores.read(path(), {}, nullptr); });
        QVERIFY2(failure
                     ? failure->code() == code && failure->detail().contains(QStringLiteral("jiná spuštěná"))
                     : code == 0,
                 failure ? qPrintable(failure->detail()) : "");
        QCOMPARE(read.facts.size(), code ? 0 : 1);
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        QCOMPARE(fileBytes(path()), original);
    }

    // One writer of a store at a time, as on two computers sharing a folder: a second is refused while
    // the first goes on and the teacher reads; closed, the store is free again and leaves no lock.
    void oneWriter() {
        auto first = SqliteAnswerStore::open(path(), QStringLiteral("Jan")).store;
        const std::optional<Failure> refused =
            thrown([&] { SqliteAnswerStore::open(path(), QStringLiteral("Jan")); });
        QVERIFY(refused && refused->code() == kFileAlreadyOpen &&
                refused->detail().contains(QStringLiteral("právě používá jiný spuštěný Numio")));
        // Nor is it moved or removed under the writer's hands.
        QCOMPARE(thrown([&] { moveAnswerStore(path(), path() + "-moved"); }).value_or(Failure(0)).code(),
                 int(kFileAlreadyOpen));
        QCOMPARE(thrown([&] { removeAnswerStore(path()); }).value_or(Failure(0)).code(),
                 int(kFileAlreadyOpen));
        first->record(answers(QStringLiteral("1+1 R 1 @1"))[0]);
        QCOMPARE(SqliteAnswerStore::readKnowledge(path()).facts.size(), 1);
        first.reset();
        QVERIFY(!QFile::exists(path() + QStringLiteral("-lock")));
        // A rollback journal left by a writer stopped halfway belongs to the store: not moved without it.
        QFile(path() + "-journal").open(QIODevice::WriteOnly);
        QCOMPARE(moveAnswerStore(path(), path() + "-moved"), StoreMove::NotClosed);
        QFile::remove(path() + "-journal");
        SqliteAnswerStore::open(path()).store->record(answers(QStringLiteral("2+2 R 1 @2"))[0]);
        QCOMPARE(SqliteAnswerStore::readKnowledge(path()).facts.size(), 2);
    }

    // says: a file kept aside is named in the message; a store that cannot be used leaves the file as it was.
    void badFiles_data() {
        columns<Bad, int, QString, bool>({"bad", "code", "says", "usable"});
        const QString aside = QStringLiteral("Zůstal uschovaný jako");
        const int format = kBadFileFormat, access = kPathFileAccess;
        row("not a database", Bad::NotADatabase, format, aside, true);
        row("a damaged store", Bad::Damaged, format, aside, true);
        row("another program's database", Bad::Foreign, format, aside, true);
        row("written by a newer Numio", Bad::Newer, format, QStringLiteral("novější verze"), false);
        row("the folder is a file", Bad::FolderIsAFile, access, QStringLiteral("nelze vytvořit"), false);
        row("another copy writes", Bad::Locked, int(kFileAlreadyOpen), QStringLiteral("jiná spuštěná"), true);
        row("a full disk", Bad::DiskFull, int(kDiskFull), QStringLiteral("disk je plný"), true);
    }
    void badFiles() {
        const auto [bad, code, says, usable] =
            fetch<Bad, int, QString, bool>("bad", "code", "says", "usable");
        const QString folder = QFileInfo(path()).path();
        QVERIFY(QDir().mkpath(folder));
        const QList<AnswerRecord> before = answers(QStringLiteral("2+2 R 700 @1; 3+3 W 800 @2"));
        if (bad == Bad::Damaged || bad == Bad::Newer || bad == Bad::Locked || bad == Bad::DiskFull) {
            const auto store = SqliteAnswerStore::open(path()).store;
            for (int i = 0; i < 300; ++i) // several pages of them
                store->record(before[i % 2]);
        }
        QFile file(bad == Bad::FolderIsAFile ? folder : path());
        if (bad == Bad::NotADatabase)
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("Jan: 7*8=56\n"));
        if (bad == Bad::Damaged) // the table's pages, past the first, overwritten
            QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(4096) && file.write(QByteArray(8192, 'U')));
        if (bad == Bad::Foreign || bad == Bad::Newer)
            sql(bad == Bad::Foreign ? QStringLiteral("CREATE TABLE notes(text)")
                                    : QStringLiteral("PRAGMA user_version=2"),
                path());
        if (bad == Bad::FolderIsAFile)
            QVERIFY(QDir(folder).removeRecursively() && file.open(QIODevice::WriteOnly));
        file.close();
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        const QByteArray original = fileBytes(file.fileName());

        OpenedSqliteStore opened;
        std::optional<Failure> failure =
            thrown([&] { opened = SqliteAnswerStore::open(path(), QStringLiteral("Jan")); });
        if (opened.store) {
            failure = opened.warning;
            if (bad == Bad::Locked)
                sql(QStringLiteral("BEGIN EXCLUSIVE"), path());
            if (bad == Bad::DiskFull) // not a page more than it has
                sql(QStringLiteral("PRAGMA max_page_count=") + sql(QStringLiteral("PRAGMA page_count")));
        }
        for (int i = 0; i < 1000 && !failure; ++i) // until the file would grow
            failure = thrown([&] { opened.store->record(before[0]); });
        QVERIFY(failure);
        QVERIFY2(failure->code() == code && failure->detail().contains(says) &&
                     failure->detail().contains(QStringLiteral("(žák: Jan)")),
                 qPrintable(failure->messageText() + u'\n' + failure->detail()));
        const QString aside = QStringLiteral("Zůstal uschovaný jako");
        if (says == aside) {
            const QStringList aside = QDir(folder).entryList({QStringLiteral("jan.necitelny-*.sqlite")});
            QVERIFY(aside.size() == 1 && failure->detail().contains(aside[0]));
            QCOMPARE(fileBytes(QDir(folder).filePath(aside[0])), original);
        }
        if (!usable)
            QCOMPARE(fileBytes(file.fileName()), original);
        QCOMPARE(bool(opened.store), usable);
        if (usable) { // once the other copy lets go, or the disk has room again
            QSqlDatabase::removeDatabase(QStringLiteral("other")),
                sql(QStringLiteral("PRAGMA max_page_count=1000000"));
            opened.store->record(answers(QStringLiteral("9*9 R 1000 @3"))[0]);
            const QString kept = shown(opened.store->knowledge());
            QVERIFY2(kept.endsWith(QStringLiteral("9*9: 1 tries, 1 right, median 1000, R1000@3")) &&
                         kept.count(u':') == (says == aside ? 1 : 3),
                     qPrintable(kept));
        }
    }

    // Nothing that is no ordinary file is ever opened, as the store or beside it, to write or to read:
    // a named pipe would hold the program for ever. A hard link is only read.
    void notOrdinaryFiles_data() {
        columns<Odd, QString, bool>({"odd", "suffix", "writing"});
        const char* names[]{"a named pipe", "a folder", "a socket", "/dev/zero linked", "a hard link"};
        for (const Odd odd : {Odd::Fifo, Odd::Folder, Odd::Socket, Odd::Device, Odd::HardLink})
            for (const char* suffix : {"", "-wal", "-shm"})
                for (const bool writing : {true, false})
                    if (odd != Odd::HardLink || !*suffix)
                        QTest::addRow("%s as store%s, %s", names[int(odd)], suffix,
                                      writing ? "written" : "read")
                            << odd << QString(suffix) << writing;
    }
    void notOrdinaryFiles() {
        const auto [odd, suffix, writing] = fetch<Odd, QString, bool>("odd", "suffix", "writing");
        const QString sound = suffix.isEmpty() ? dir->filePath(QStringLiteral("sound.sqlite")) : path();
        SqliteAnswerStore::open(sound).store->record(answers(QStringLiteral("1+1 R 1 @1"))[0]);
        const QByteArray original = fileBytes(sound);
        QVERIFY(QDir().mkpath(QFileInfo(path()).path()));
        put(odd, path() + suffix, sound);
        const std::optional<Failure> failure = thrown([&, writing = writing] {
            if (writing)
                SqliteAnswerStore::open(path(), QStringLiteral("Jan"));
            else
                QCOMPARE(SqliteAnswerStore::readKnowledge(path()).facts.size(), 1);
        });
        QCOMPARE(bool(failure), writing || odd != Odd::HardLink);
        if (failure)
            QVERIFY2(failure->code() == kPathFileAccess &&
                         failure->detail().contains(odd == Odd::HardLink ? "pevný odkaz"
                                                                         : "není to obyčejný soubor") &&
                         failure->detail().contains(QFileInfo(path()).fileName() + suffix + u' '),
                     qPrintable(failure->detail()));
        QCOMPARE(fileBytes(sound), original);
        QCOMPARE(QFileInfo(path() + suffix).isFile(), odd == Odd::HardLink);
    }

    // A store deleted or replaced while open: the next answer goes to the file now at its place.
    void followsItsFile_data() {
        columns<QString, int, QString>({"then", "tries", "says"});
        row("deleted", "", 1, QString());
        row("replaced by another store", "store", 3, QString());
        row("replaced by a file that is no store", "junk", 1, QStringLiteral("Zůstal uschovaný"));
        row("replaced by a named pipe", "fifo", 0, QStringLiteral("není to obyčejný soubor"));
    }
    void followsItsFile() {
        const auto [then, tries, says] = fetch<QString, int, QString>("then", "tries", "says");
        const QList<AnswerRecord> list = answers(QStringLiteral("1+1 R 1 @1; 2+2 R 2 @2; 3+3 R 3 @3"));
        const auto store = SqliteAnswerStore::open(path()).store;
        store->record(list[0]);
        const QString other = dir->filePath(QStringLiteral("other.sqlite"));
        if (then == u"store") {
            const auto another = SqliteAnswerStore::open(other).store;
            another->record(list[1]), another->record(list[2]);
        }
        QVERIFY(then != u"junk" || writeFile(other, "junk"));
        QVERIFY(QFile::remove(path()));
        if (then == u"fifo")
            put(Odd::Fifo, path(), {});
        QVERIFY(QFile::rename(other, path()) == (then == u"store" || then == u"junk"));
        const std::optional<Failure> failure = thrown([&] { store->record(list[2]); });
        QVERIFY2(failure ? !says.isEmpty() && failure->detail().contains(says) : says.isEmpty(),
                 failure ? qPrintable(failure->detail()) : "");
        if (tries == 0)
            return;
        QCOMPARE(shown(store->knowledge()).count(u'@'), tries);
        QCOMPARE(shown(SqliteAnswerStore::readKnowledge(path())).count(u'@'), tries); // on disk
    }

    // A -wal found beside a store (after a crash) is read into it; another database's spoils nothing:
    // the store is kept aside as found, and goes on without it. A damaged store goes aside with its
    // -wal, which holds its latest answers.
    void walFound_data() {
        columns<QString, int, bool>({"wal", "tries", "aside"});
        row("its own, after a crash", "own", 50, false);
        row("another database's", "foreign", 50, true);
        row("without its store", "alone", 0, false);
        row("its own, beside a damaged store", "damaged", 0, true);
    }
    void walFound() {
        const auto [wal, tries, aside] = fetch<QString, int, bool>("wal", "tries", "aside");
        const QString other = dir->filePath(QStringLiteral("other.sqlite"));
        QVERIFY(QDir().mkpath(QFileInfo(path()).path()));
        const bool own = wal == u"own" || wal == u"damaged";
        if (wal == u"damaged") { // pages of answers in the file, to be spoiled there
            const auto store = SqliteAnswerStore::open(other).store;
            for (const AnswerRecord& r : answers(QStringLiteral("3+3 R 900 @1; ").repeated(300)))
                store->record(r);
        }
        if (wal != u"alone") {
            const auto store = SqliteAnswerStore::open(own ? other : path()).store;
            for (const AnswerRecord& r : answers(QStringLiteral("7*8 R 900 @1000; ").repeated(50)))
                store->record(r);
            if (own) // the program killed: its file and -wal as they are
                QVERIFY(QFile::copy(other, path()) && QFile::copy(other + "-wal", path() + "-wal"));
        }
        QFile file(path());
        if (wal == u"damaged") // past the first page: what the -wal does not hold is spoiled
            QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(4096) &&
                    file.write(QByteArray(file.size() - 4096, 'U')));
        file.close();
        const QByteArray original = fileBytes(path());
        if (!own) {
            sql(QStringLiteral("PRAGMA journal_mode=WAL"), other);
            sql(QStringLiteral("CREATE TABLE notes(text)"), other);
            QVERIFY(QFile::copy(other + "-wal", path() + "-wal"));
            QSqlDatabase::removeDatabase(QStringLiteral("other"));
        }
        const QByteArray foundWal = fileBytes(path() + "-wal");
        const OpenedSqliteStore opened = SqliteAnswerStore::open(path(), QStringLiteral("Jan"));
        const Knowledge known = opened.store->knowledge().facts;
        QCOMPARE(known.isEmpty() ? 0 : known.cbegin()->tries, tries);
        QVERIFY2(bool(opened.warning) == aside, opened.warning ? qPrintable(opened.warning->detail()) : "");
        const QDir folder(QFileInfo(path()).path());
        const QStringList kept = folder.entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(kept.filter(QStringLiteral("necitelny")).size(), aside ? 2 : 0);
        QCOMPARE(kept.filter(QStringLiteral("nalezeny")).size(), 0);
        if (aside) {
            QCOMPARE(fileBytes(folder.filePath(kept.filter(".sqlite-wal")[0].chopped(4))), original);
            QCOMPARE(fileBytes(folder.filePath(kept.filter(".sqlite-wal")[0])), foundWal);
        }
    }

    // The XDG rule: an absolute XDG_DATA_HOME, else ~/.local/share; no place without a home.
    void dataFolder_data() {
        columns<QString>({"homes"}); // HOME, XDG_DATA_HOME: the folder
        row("the XDG folder", QStringLiteral("/h /x: /x"));
        row("a relative XDG folder ignored", QStringLiteral("/h x: /h/.local/share"));
        row("no XDG folder", QStringLiteral("/h : /h/.local/share"));
        row("the root as home", QStringLiteral("/ : /.local/share"));
        row("no home", QStringLiteral(" x: "));
        row("a relative home", QStringLiteral("h : "));
    }
    void dataFolder() {
        const QStringList homes = std::get<0>(fetch<QString>("homes")).split(QRegularExpression(": ?| "));
        qputenv("HOME", QFile::encodeName(homes[0])), qputenv("XDG_DATA_HOME", QFile::encodeName(homes[1]));
        QCOMPARE(defaultDataFolder(),
                 homes[2].isEmpty() ? homes[2] : homes[2] + u'/' + qApp->applicationName());
    }

    void paths() {
        QCOMPARE(answerStorePath(QStringLiteral("/d"), {}), QStringLiteral("/d/odpovedi/odpovedi.sqlite"));
        QCOMPARE(answerStorePath(QStringLiteral("/d"), QStringLiteral("jan-novak-2")),
                 QStringLiteral("/d/odpovedi/zaci/jan-novak-2.sqlite"));
        for (const QString bad : {"..", "a/b", "Jan"})
            QCOMPARE(thrown([&] { answerStorePath(QStringLiteral("/d"), bad); })->code(), int(kBadFileName));
        // The files that hold a store's answers, those there: the store and its -wal, never the -shm.
        const QString jan = dir->filePath(QStringLiteral("jan.sqlite"));
        QCOMPARE(answerStoreFiles(jan), QStringList());
        QVERIFY(writeFile(jan + "-wal", "x") && writeFile(jan + "-shm", "x"));
        QCOMPARE(answerStoreFiles(jan), QStringList{jan + "-wal"});
        QVERIFY(writeFile(jan, "x"));
        QCOMPARE(answerStoreFiles(jan), (QStringList{jan, jan + "-wal"}));
    }

    // Another pupil's answers read without a file made or changed; a pupil's store removed.
    void anotherPupil() {
        QVERIFY(SqliteAnswerStore::readKnowledge(path()).facts.isEmpty());
        QVERIFY(!QFileInfo::exists(QFileInfo(path()).path()));
        SqliteAnswerStore::open(path()).store->record(answers(QStringLiteral("1+1 R 1 @1")).value(0));
        const QByteArray original = fileBytes(path());
        QCOMPARE(SqliteAnswerStore::readKnowledge(path()).facts.size(), 1);
        QCOMPARE(fileBytes(path()), original);
        QCOMPARE(QFileInfo(path() + QStringLiteral("-wal")).size(), 0); // SQLite may leave it there, empty

        removeAnswerStore(path());
        QCOMPARE(QDir(QFileInfo(path()).path()).entryList(QDir::Files), QStringList());
        removeAnswerStore(path()); // no more
        QVERIFY(QDir().mkpath(path() + QStringLiteral("/x")));
        QCOMPARE(thrown([&] { removeAnswerStore(path()); })->code(), int(kPathFileAccess));
    }

    // Answers joined to a pupil's store all or nothing: another program's database refused, both left
    // as they were; the store joined gone only once its answers are in.
    void joined() {
        const QString other = dir->filePath(QStringLiteral("odpovedi/odpovedi.sqlite"));
        SqliteAnswerStore::open(path()).store->record(answers(QStringLiteral("1+1 R 1 @1")).value(0));
        sql(QStringLiteral("CREATE TABLE answer(x)"), other);
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        QCOMPARE(thrown([&] { joinAnswerStores(other, path()); })->code(), int(kPathFileAccess));
        QVERIFY(QFile::remove(other));
        SqliteAnswerStore::open(other).store->record(answers(QStringLiteral("1+1 W 5 @5")).value(0));
        QVERIFY(joinAnswerStores(other, path()) && !QFileInfo::exists(other));
        QCOMPARE(shown(SqliteAnswerStore::readKnowledge(path())),
                 QStringLiteral("1+1: 2 tries, 1 right, median 3, R1@1 W5@5"));
    }
};

QTEST_GUILESS_MAIN(TestAnswerStore)
#include "test_answer_store.moc"
