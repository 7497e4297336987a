#include "answers/sqlite_answer_store.h"
#include "support/data.h"

#include <QDir>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

using namespace numio;
using namespace numio::test;

namespace {

// "7*8 R 900 @1000; …": a op b, Right, Wrong or Timed out, ms, at (seconds); nothing typed, no pupil.
// Their tries added to `tries`.
QList<AnswerRecord> answers(const QString& text, Knowledge* tries = nullptr) {
    static const QRegularExpression one(QStringLiteral("(\\d+)(.)(\\d+) ([RWT]) (\\d+) @(\\d+)"));
    QList<AnswerRecord> list;
    for (auto it = one.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        AnswerRecord r;
        r.fact = {int(QStringLiteral("+-*:").indexOf(m.captured(2))) + 1, m.captured(1).toInt(),
                  m.captured(3).toInt()};
        r.outcome = AnswerOutcome(QStringLiteral("RWT").indexOf(m.captured(4)));
        r.ms = m.captured(5).toInt();
        r.at = m.captured(6).toLongLong();
        list << r;
        if (tries)
            (*tries)[r.fact].push_back(Try{r.at, r.outcome, r.ms});
    }
    return list;
}

// "3+4: W2000@500 R900@400; 7*8: …", the facts in order, so that a failing comparison shows what differs.
QString shown(const Knowledge& k) {
    QStringList lines;
    for (const auto& [f, tries] : std::map<Fact, QList<Try>>(k.keyValueBegin(), k.keyValueEnd())) {
        lines << f.text() + u':';
        for (const Try& t : tries)
            lines.back() +=
                QStringLiteral(" %1%2@%3").arg(QStringLiteral("RWT")[int(t.outcome)]).arg(t.ms).arg(t.at);
    }
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

QByteArray bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

enum class Bad { NotADatabase, Damaged, Foreign, Newer, FolderIsAFile, FileIsAFolder, Locked, DiskFull };

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
        row("facts in turns", QStringLiteral("56:7 R 1 @1; 2-1 W 2 @2; 56:7 W 3 @3; 2-1 R 4 @4; 7*8 R 5 @5"));
        row("after 2038, long answers", QStringLiteral("9*9 R 2147483647 @4102444800"));
    }
    void writtenAndReadBack() {
        Knowledge tries;
        const QList<AnswerRecord> list = answers(std::get<0>(fetch<QString>("answers")), &tries);
        {
            OpenedAnswerStore opened = SqliteAnswerStore::open(path(), QStringLiteral("Jan"));
            QVERIFY(opened.store && !opened.warning);
            for (const AnswerRecord& r : list)
                opened.store->record(r);
            QCOMPARE(shown(opened.store->knowledge()), shown(tries));
            QCOMPARE(shown(SqliteAnswerStore::readKnowledge(path())), shown(tries)); // while open
        }
        QCOMPARE(shown(SqliteAnswerStore::open(path()).store->knowledge()), shown(tries));
    }

    // What another program sees in the file: every field of an answer, our mark, the layout's number and
    // the write-ahead log.
    void fileLayout() {
        AnswerRecord r = answers(QStringLiteral("12:4 W 4321 @1700000000"))[0];
        r.pupil = QStringLiteral("Eva"), r.typed = QStringLiteral("4");
        r.mode = AnswerMode::Set, r.expected = 3;
        SqliteAnswerStore::open(path()).store->record(r);
        QCOMPARE(sql(QStringLiteral("SELECT * FROM answer, pragma_application_id, pragma_user_version, "
                                    "pragma_journal_mode"),
                     path()),
                 QStringLiteral("1 1700000000 Eva 2 12 4 4 3 4 1 4321 1315783022 1 wal"));
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
        row("the file is a folder", Bad::FileIsAFolder, access, QStringLiteral("nelze otevřít"), false);
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
        if (bad == Bad::FileIsAFolder)
            QVERIFY(QDir().mkpath(path()));
        file.close();
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        const QByteArray original = bytes(file.fileName());

        OpenedAnswerStore opened;
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
            QCOMPARE(bytes(QDir(folder).filePath(aside[0])), original);
        }
        if (!usable)
            QCOMPARE(bytes(file.fileName()), original);
        QCOMPARE(bool(opened.store), usable);
        if (usable) { // once the other copy lets go, or the disk has room again
            QSqlDatabase::removeDatabase(QStringLiteral("other")),
                sql(QStringLiteral("PRAGMA max_page_count=1000000"));
            opened.store->record(answers(QStringLiteral("9*9 R 1000 @3"))[0]);
            const QString kept = shown(opened.store->knowledge());
            QVERIFY2(kept.endsWith(QStringLiteral("9*9: R1000@3")) &&
                         kept.count(u':') == (says == aside ? 1 : 3),
                     qPrintable(kept));
        }
    }

    void paths() {
        QCOMPARE(answerStorePath(QStringLiteral("/d"), {}), QStringLiteral("/d/odpovedi/odpovedi.sqlite"));
        QCOMPARE(answerStorePath(QStringLiteral("/d"), QStringLiteral("jan-novak-2")),
                 QStringLiteral("/d/odpovedi/zaci/jan-novak-2.sqlite"));
        for (const QString bad : {"..", "a/b", "Jan"})
            QCOMPARE(thrown([&] { answerStorePath(QStringLiteral("/d"), bad); })->code(), int(kBadFileName));
    }

    // Another pupil's answers read without a file made or changed; a pupil's store removed.
    void anotherPupil() {
        QVERIFY(SqliteAnswerStore::readKnowledge(path()).isEmpty());
        QVERIFY(!QFileInfo::exists(QFileInfo(path()).path()));
        SqliteAnswerStore::open(path()).store->record(answers(QStringLiteral("1+1 R 1 @1")).value(0));
        const QByteArray original = bytes(path());
        QCOMPARE(SqliteAnswerStore::readKnowledge(path()).size(), 1);
        QCOMPARE(bytes(path()), original);
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
        QCOMPARE(shown(SqliteAnswerStore::readKnowledge(path())), QStringLiteral("1+1: R1@1 W5@5"));
    }
};

QTEST_GUILESS_MAIN(TestAnswerStore)
#include "test_answer_store.moc"
