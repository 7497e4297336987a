#include "answers/sqlite_answer_store.h"

#include "platform/logging.h"
#include "platform/text_files.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>
#include <limits>
#include <optional>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace numio {

namespace {

// "PRAGMA application_id" of our files ("NmAn"): a database of another program is not read as ours.
constexpr int kApplicationId = 0x4E6D416E;
// "PRAGMA user_version": the layout of the tables. A file of a higher number is left alone.
constexpr int kSchemaVersion = 1;
// How long a store on this computer waits for another copy of the program that holds the file.
constexpr int kBusyTimeoutMs = 100;

int busyTimeoutMs(const StoreAccess& access) {
    return access.kind == FileSystemKind::Network ? access.networkBusyTimeoutMs : kBusyTimeoutMs;
}

const char* const kCompanions[] = {"-wal", "-shm", "-journal"};

// SQLite's primary result codes told apart; an extended code carries its primary one in the low byte.
enum SqliteCode {
    kSqliteBusy = 5,
    kSqliteLocked = 6,
    kSqliteCorrupt = 11,
    kSqliteFull = 13,
    kSqliteNotADatabase = 26,
};

// What went wrong in SQLite, carried up to where it is known what it means for the pupil's answers.
struct SqlProblem {
    QSqlError error;

    int code() const { return error.nativeErrorCode().toInt() & 0xff; }
    bool busy() const { return code() == kSqliteBusy || code() == kSqliteLocked; }
    bool unreadable() const { return code() == kSqliteCorrupt || code() == kSqliteNotADatabase; }
    QString text() const { return error.databaseText().isEmpty() ? error.text() : error.databaseText(); }
};

// The file is there, but is no store of ours that can be read: damaged, not a database at all, or
// another program's database.
struct Unreadable {};

// One connection to one file, under a name of its own: stores may be opened on several threads.
class Connection {
  public:
    Connection(const QString& path, bool readOnly, int busyMs = kBusyTimeoutMs) {
        static std::atomic<quint64> opened{0};
        name_ = QStringLiteral("numio-answers-%1").arg(++opened);
        db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db_.setDatabaseName(path);
        db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyMs) +
                              (readOnly ? QStringLiteral(";QSQLITE_OPEN_READONLY") : QString()));
        if (!db_.open()) {
            const SqlProblem problem{db_.lastError()};
            close();
            throw problem;
        }
    }
    ~Connection() { close(); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const QSqlDatabase& db() const { return db_; }

  private:
    void close() {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
    }
    QString name_;
    QSqlDatabase db_;
};

QSqlQuery run(const QSqlDatabase& db, const QString& sql) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(sql))
        throw SqlProblem{q.lastError()};
    return q;
}

QVariant single(const QSqlDatabase& db, const QString& sql) {
    QSqlQuery q = run(db, sql);
    if (!q.next())
        throw SqlProblem{q.lastError()};
    return q.value(0);
}

enum class Kind { Empty, Ours, Newer, Foreign };

// What the file is, read without writing to it.
Kind kindOf(const QSqlDatabase& db) {
    const qint64 id = single(db, QStringLiteral("PRAGMA application_id")).toLongLong();
    const qint64 version = single(db, QStringLiteral("PRAGMA user_version")).toLongLong();
    if (id == kApplicationId && version >= 1)
        return version > kSchemaVersion ? Kind::Newer : Kind::Ours;
    if (id == 0 && single(db, QStringLiteral("SELECT count(*) FROM sqlite_master")).toLongLong() == 0)
        return Kind::Empty; // a new file, or one whose making was cut short
    return Kind::Foreign;
}

// A whole number as SQLite keeps it; a text or a fraction put in by hand is none.
std::optional<qint64> whole(const QVariant& v) {
    if (v.isNull() || (v.typeId() != QMetaType::LongLong && v.typeId() != QMetaType::Int))
        return std::nullopt;
    return v.toLongLong();
}

// How many answers are read between two looks at the stop flag.
constexpr int kStopCheckRows = 4096;

// Every answer into the history of its fact. The table is read in its own order, which is the
// order the answers came in (the clock may have been set back meanwhile); in the order of the index
// it would be read page by page at random, six times slower. Answers no program of ours could have
// written are counted and left out. Nothing of a reading stopped halfway is to be used.
KnowledgeRead readAll(const QSqlDatabase& db, const KnowledgeQuery& query, const std::atomic<bool>* stop) {
    QSqlQuery q =
        run(db, QStringLiteral("SELECT op, a, b, expected, at, outcome, ms FROM answer ORDER BY id"));
    KnowledgeBuilder builder(query);
    for (int row = 1; q.next(); ++row) {
        if (row % kStopCheckRows == 0 && stop && stop->load(std::memory_order_relaxed))
            return {};
        std::optional<qint64> v[7];
        bool numbers = true;
        for (int i = 0; i < 7; ++i)
            numbers = (v[i] = whole(q.value(i))) && numbers;
        const auto fits = [](qint64 x) {
            return x >= std::numeric_limits<int>::min() && x <= std::numeric_limits<int>::max();
        };
        if (!numbers || !fits(*v[0]) || !fits(*v[1]) || !fits(*v[2]) || !fits(*v[5])) {
            builder.ignore();
            continue;
        }
        const Fact fact{int(*v[0]), int(*v[1]), int(*v[2])};
        if (!plausibleAnswer(fact, *v[3], *v[4], int(*v[5]), *v[6])) {
            builder.ignore();
            continue;
        }
        builder.add(fact, Try{*v[4], AnswerOutcome(*v[5]), int(*v[6])});
    }
    if (q.lastError().isValid())
        throw SqlProblem{q.lastError()};
    return builder.finish();
}

QString whose(const QString& pupil) {
    return pupil.isEmpty() ? QString() : QStringLiteral(" (žák: %1)").arg(pupil);
}

// "Soubor odpovědí ~/…/jan.sqlite (žák: Jan)".
QString storeFile(const QString& path, const QString& pupil) {
    return QStringLiteral("Soubor odpovědí ") + displayPath(path) + whose(pupil);
}

// A failure of SQLite told with what it means: `next` says what happens now.
Failure failureOf(const SqlProblem& p, const QString& path, const QString& pupil, const QString& next) {
    const QString file = storeFile(path, pupil);
    if (p.busy())
        return Failure(kFileAlreadyOpen)
            .withDetail(file + QStringLiteral(" právě používá jiná spuštěná kopie programu Numio; ") + next);
    if (p.code() == kSqliteFull)
        return Failure(kDiskFull).withDetail(file + QStringLiteral(" se nevejde na disk, disk je plný; ") +
                                             next);
    if (p.unreadable())
        return Failure(kBadFileFormat)
            .withDetail(file + QStringLiteral(" je poškozený; ") + next +
                        QStringLiteral(" Při příštím otevření se odloží stranou a začne se nový."));
    return Failure(kPathFileAccess)
        .withDetail(file + QStringLiteral(" nelze otevřít ani zapsat (") + p.text() + QStringLiteral("); ") +
                    next);
}

const QString kNotRemembered = QStringLiteral("odpovědi se nezapamatují.");
const QString kStaysWhereItIs = QStringLiteral("zapamatované odpovědi zůstávají, kde jsou.");

// What is at a path, a link's target judged: nothing, or its kind and which file it is.
struct FileAt {
    bool exists = false;
    struct stat st {};
};

FileAt fileAt(const QString& path) {
    FileAt at;
    at.exists = ::stat(QFile::encodeName(path).constData(), &at.st) == 0;
    return at;
}

// The store and its companions must each be missing or an ordinary file, checked before SQLite opens
// any of them: opening a named pipe for reading waits for a writer for ever, and a device, a socket
// or a folder is no store. Written to, the store must have no other name (a hard link), or the answers
// would change another file too. Throws Failure naming the file.
void checkOrdinary(const QString& path, const QString& pupil, const QString& next, bool writing) {
    for (const QString& file : {path, path + kCompanions[0], path + kCompanions[1], path + kCompanions[2]}) {
        const FileAt at = fileAt(file);
        const QString named = file == path ? storeFile(path, pupil)
                                           : QStringLiteral("Soubor ") + displayPath(file) + whose(pupil);
        if (const auto kind = otherThanFile(file, FileUse::Read))
            throw Failure(kPathFileAccess)
                .withDetail(named +
                            QStringLiteral(" nelze otevřít: není to obyčejný soubor, ale %1; ").arg(*kind) +
                            next + QStringLiteral(" To, co na jeho místě je, přejmenujte nebo odstraňte."));
        if (writing && file == path && at.exists && at.st.st_nlink > 1)
            throw Failure(kPathFileAccess)
                .withDetail(
                    named +
                    QStringLiteral(" má na disku ještě jiné jméno (pevný odkaz), zápisem by se změnil i "
                                   "jiný soubor; ") +
                    next + QStringLiteral(" Nahraďte ho samostatnou kopií."));
    }
}

// The store's files as found, copied before SQLite opens them: it replays a -wal left beside the store
// (after a crash) into it, and a -wal of another database would spoil a sound store. Copied only when
// a -wal with something in it is there; the copy goes unless it is kept aside.
class AsFound {
  public:
    explicit AsFound(const QString& path) {
        const QFileInfo store(path);
        if (QFileInfo(path + kCompanions[0]).size() <= 0 || !store.exists())
            return;
        copy_ = store.dir().filePath(u'.' + store.fileName() + QStringLiteral(".nalezeny"));
        drop();
        if (!QFile::copy(path, copy_) || !QFile::copy(path + kCompanions[0], copy_ + kCompanions[0])) {
            drop();
            copy_.clear();
        }
    }
    ~AsFound() { drop(); }
    AsFound(const AsFound&) = delete;
    AsFound& operator=(const AsFound&) = delete;

    bool copied() const { return !copy_.isEmpty(); }
    // Moves the copy to `aside` with its -wal; the spoiled store is removed for a new one.
    bool keepAs(const QString& aside, const QString& store) {
        if (!QFile::rename(copy_, aside) || !QFile::rename(copy_ + kCompanions[0], aside + kCompanions[0]))
            return false;
        copy_.clear();
        removeAnswerStore(store);
        return true;
    }

  private:
    void drop() {
        if (!copy_.isEmpty())
            QFile::remove(copy_), QFile::remove(copy_ + kCompanions[0]);
    }
    QString copy_;
};

// "jan.necitelny-20250314-081500.sqlite" beside "jan.sqlite"; never one that is there already.
QString asideName(const QString& path) {
    const QFileInfo info(path);
    const QString stem =
        info.dir().filePath(info.completeBaseName() + QStringLiteral(".necitelny-") +
                            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    QString aside = stem + QStringLiteral(".sqlite");
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo::exists(aside + kCompanions[0]); ++n)
        aside = stem + u'-' + QString::number(n) + QStringLiteral(".sqlite");
    return aside;
}

// Moves the file and its companions aside; the store's name is free after it. Nothing is deleted:
// a -wal left behind would be read into the new store, so it must go too.
// A store copied as found goes aside as it was, without what SQLite made of it.
QString keepAside(const QString& path, const QString& pupil, AsFound& found) {
    QString aside = asideName(path);
    bool moved = false;
    if (found.copied()) {
        moved = found.keepAs(aside, path);
    } else {
        moved = QFile::rename(path, aside);
        for (const char* companion : kCompanions) {
            if (moved && QFileInfo::exists(path + companion))
                moved = QFile::rename(path + companion, aside + companion);
        }
    }
    if (!moved)
        throw Failure(kPathFileAccess)
            .withDetail(
                storeFile(path, pupil) +
                QStringLiteral(" je poškozený nebo nepatří programu Numio a nelze ho odložit stranou; ") +
                kNotRemembered);
    return aside;
}

QString notNull(const QString& text) {
    return text.isNull() ? QStringLiteral("") : text;
}

// Held for as long as a store is open for writing: a second writer of one pupil (the same pupil on
// two computers of a shared folder) is refused instead of both writing. A file of its own beside the
// store, never the store itself: on a network file system flock becomes a byte-range lock, and those
// on the store are SQLite's own. Removed again when the store closes.
class WriterLock {
  public:
    // next: what follows when the lock cannot be had, as a failure's detail ends.
    WriterLock(const QString& storePath, const QString& pupil, const QString& next = kNotRemembered)
        : path_(storePath + QStringLiteral("-lock")) {
        const QByteArray native = QFile::encodeName(path_);
        // Taken, then checked that the name still leads to it: a closing writer unlinks its lock file.
        for (int tries = 0; tries < 8; ++tries) {
            fd_ = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
            // One left by a crash of another user's copy: the lock is in the file's being held, not in
            // the file, so a new one takes its place.
            if (fd_ < 0 && errno == EACCES && tries == 0 && ::unlink(native.constData()) == 0)
                continue;
            if (fd_ < 0) {
                const QString why = QString::fromLocal8Bit(::strerror(errno));
                throw Failure(kPathFileAccess)
                    .withDetail(storeFile(storePath, pupil) +
                                QStringLiteral(" nelze otevřít: soubor %1 vedle něj nelze vytvořit (%2); ")
                                    .arg(displayPath(path_), why) +
                                next);
            }
            int locked;
            do {
                locked = ::flock(fd_, LOCK_EX | LOCK_NB);
            } while (locked != 0 && errno == EINTR);
            if (locked != 0) {
                if (errno != EWOULDBLOCK) // a file system without locks: written as before
                    return;
                ::close(fd_);
                fd_ = -1;
                throw Failure(kFileAlreadyOpen)
                    .withDetail(storeFile(storePath, pupil) +
                                QStringLiteral(" právě používá jiný spuštěný Numio, možná na jiném počítači "
                                               "(týž žák procvičuje dvakrát najednou); ") +
                                next +
                                QStringLiteral(" Odpovědi zapsané dřív zůstávají; žák ať procvičuje jen na "
                                               "jednom počítači."));
            }
            struct stat held {
            }, named{};
            if (::fstat(fd_, &held) == 0 && ::stat(native.constData(), &named) == 0 &&
                held.st_dev == named.st_dev && held.st_ino == named.st_ino)
                return;
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~WriterLock() {
        if (fd_ < 0)
            return;
        ::unlink(QFile::encodeName(path_).constData()); // while still held, so no one takes a dead file
        ::close(fd_);
    }
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;

  private:
    QString path_;
    int fd_ = -1;
};

// The store and its companions removed, the lock on them (if any) held by the caller.
void removeStoreFiles(const QString& path) {
    for (const QString& file : {path, path + kCompanions[0], path + kCompanions[1], path + kCompanions[2]}) {
        if (QFileInfo::exists(file) && !QFile::remove(file))
            throw Failure(kPathFileAccess)
                .withDetail(QStringLiteral("Soubor odpovědí %1 nelze smazat.").arg(displayPath(file)));
    }
}

} // namespace

StoreMove moveAnswerStore(const QString& from, const QString& to) {
    if (!QFileInfo::exists(from))
        return StoreMove::NothingThere;
    if (QFileInfo::exists(to))
        return StoreMove::PlaceTaken;
    const WriterLock held(from, {}, kStaysWhereItIs); // never from under a writer's hands
    // A -wal, or a rollback journal left by a writer that stopped halfway, belongs to the file: moved
    // without it the store would be torn.
    if (QFileInfo::exists(from + kCompanions[0]) || QFileInfo::exists(from + kCompanions[2]))
        return StoreMove::NotClosed;
    if (QFileInfo::exists(to + kCompanions[2]))
        return StoreMove::PlaceTaken;
    QDir().mkpath(QFileInfo(to).path());
    if (!QFile::rename(from, to))
        throw Failure(kPathFileAccess)
            .withDetail(
                QStringLiteral("Zapamatované odpovědi %1 se nepodařilo přesunout do %2; zůstávají, kde byly.")
                    .arg(displayPath(from), displayPath(to)));
    QFile::remove(from + kCompanions[1]); // the shared-memory index, made anew on opening
    return StoreMove::Moved;
}

bool joinAnswerStores(const QString& from, const QString& into) {
    if (!QFileInfo::exists(from))
        return false;
    const Failure notJoined =
        Failure(kPathFileAccess)
            .withDetail(
                QStringLiteral("Zapamatované odpovědi %1 se nepodařilo připojit k %2; zůstávají, kde byly.")
                    .arg(displayPath(from), displayPath(into)));
    const WriterLock fromHeld(from, {}, kStaysWhereItIs), intoHeld(into, {}, kStaysWhereItIs);
    try {
        const Connection connection(into, false);
        const QSqlDatabase& db = connection.db();
        if (kindOf(db) != Kind::Ours)
            throw Unreadable{};
        QSqlQuery attach(db);
        if (!attach.prepare(QStringLiteral("ATTACH DATABASE ? AS joined")))
            throw SqlProblem{attach.lastError()};
        attach.addBindValue(from);
        if (!attach.exec())
            throw SqlProblem{attach.lastError()};
        if (single(db, QStringLiteral("PRAGMA joined.application_id")).toLongLong() != kApplicationId ||
            single(db, QStringLiteral("PRAGMA joined.user_version")).toLongLong() != kSchemaVersion) {
            // A store whose making was cut short holds nothing to join.
            if (single(db, QStringLiteral("SELECT count(*) FROM joined.sqlite_master")).toLongLong() == 0)
                return false;
            throw Unreadable{};
        }
        run(db, QStringLiteral("BEGIN IMMEDIATE"));
        run(db, QStringLiteral("INSERT INTO main.answer(at, pupil, mode, a, op, b, expected, typed, outcome, "
                               "ms) SELECT at, pupil, mode, a, op, b, expected, typed, outcome, ms FROM "
                               "joined.answer ORDER BY id"));
        run(db, QStringLiteral("COMMIT"));
        run(db, QStringLiteral("DETACH DATABASE joined"));
    } catch (const SqlProblem&) { // rolled back as the connection closes
        throw notJoined;
    } catch (const Unreadable&) {
        throw notJoined;
    }
    removeStoreFiles(from);
    return true;
}

void removeAnswerStore(const QString& path) {
    const WriterLock held(path, {}, QStringLiteral("zapamatované odpovědi zůstávají."));
    removeStoreFiles(path);
}

// About a tenth of a second of checking on a slow machine.
constexpr qint64 kWholeCheckBytes = qint64(8) << 20;

// The open store; making it opens the file and makes it ready for answers. Throws Unreadable for a
// file to be kept aside, SqlProblem or Failure.
struct SqliteAnswerStore::Impl {
    Impl(const QString& path, const QString& pupil, const StoreAccess& access);

    // Still the file that was opened: not deleted, nor another put in its place.
    bool sameFile() const {
        const FileAt now = fileAt(path);
        return now.exists && now.st.st_dev == opened.st.st_dev && now.st.st_ino == opened.st.st_ino;
    }

    QString path;
    QString pupil;
    // Read whole for damage before use: a small store, or one a program left with a -wal (killed,
    // crashed). A large store closed cleanly is not read through at every start, which would keep
    // the window waiting for seconds; damage found later is told when it is met.
    bool checkWhole;
    WriterLock lock; // before the connection: taken first, given up last
    Connection connection;
    QSqlQuery insert; // after the connection, so that it goes first
    FileAt opened;
};

SqliteAnswerStore::Impl::Impl(const QString& path, const QString& pupil, const StoreAccess& access)
    : path(path), pupil(pupil),
      checkWhole(QFileInfo(path).size() <= kWholeCheckBytes || QFileInfo(path + kCompanions[0]).size() > 0),
      lock(path, pupil), connection(path, false, busyTimeoutMs(access)) {
    const QSqlDatabase& db = connection.db();
    try {
        const Kind kind = kindOf(db);
        if (kind == Kind::Foreign)
            throw Unreadable{};
        if (kind == Kind::Newer)
            throw Failure(kBadFileFormat)
                .withDetail(
                    storeFile(path, pupil) +
                    QStringLiteral(" zapsala novější verze programu Numio. Tato verze ho nechává beze "
                                   "změny; ") +
                    kNotRemembered);
        if (kind == Kind::Ours && checkWhole &&
            single(db, QStringLiteral("PRAGMA quick_check")).toString() != u"ok")
            throw Unreadable{};
        if (access.kind == FileSystemKind::Network) {
            // WAL needs memory shared by every computer that opens the file, which a file server
            // has not: a rollback journal, synced in full, since less may spoil it on a crash. A
            // store found in WAL is switched, which needs no one else to have it open.
            if (single(db, QStringLiteral("PRAGMA journal_mode=DELETE")).toString() != u"delete")
                throw SqlProblem{QSqlError(QString(), QStringLiteral("journal_mode"),
                                           QSqlError::StatementError, QString::number(kSqliteBusy))};
            run(db, QStringLiteral("PRAGMA synchronous=FULL"));
        } else {
            // WAL: a commit is whole in the file once written, so a killed program loses at most the
            // answer in flight; NORMAL leaves syncing to the checkpoints.
            run(db, QStringLiteral("PRAGMA journal_mode=WAL"));
            run(db, QStringLiteral("PRAGMA synchronous=NORMAL"));
        }
        if (kind == Kind::Empty) {
            run(db, QStringLiteral("BEGIN IMMEDIATE"));
            run(db,
                QStringLiteral("CREATE TABLE IF NOT EXISTS answer(id INTEGER PRIMARY KEY, "
                               "at INTEGER NOT NULL, pupil TEXT NOT NULL, mode INTEGER NOT NULL, "
                               "a INTEGER NOT NULL, op INTEGER NOT NULL, b INTEGER NOT NULL, "
                               "expected INTEGER NOT NULL, typed TEXT NOT NULL, outcome INTEGER NOT NULL, "
                               "ms INTEGER NOT NULL)"));
            run(db, QStringLiteral("CREATE INDEX IF NOT EXISTS answer_fact ON answer(op, a, b)"));
            run(db, QStringLiteral("PRAGMA application_id=%1").arg(kApplicationId));
            run(db, QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion));
            run(db, QStringLiteral("COMMIT"));
        }
        insert = QSqlQuery(db);
        if (!insert.prepare(QStringLiteral("INSERT INTO answer(at, pupil, mode, a, op, b, expected, typed, "
                                           "outcome, ms) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"))) {
            const SqlProblem problem{insert.lastError()};
            // Ours by its marks, but without the table of answers: made or changed by hand.
            if (kind == Kind::Ours && !problem.busy())
                throw Unreadable{};
            throw problem;
        }
    } catch (const SqlProblem& p) {
        if (p.unreadable())
            throw Unreadable{};
        throw;
    }
    opened = fileAt(path);
}

OpenedSqliteStore SqliteAnswerStore::open(const QString& path, const QString& pupil,
                                          const StoreAccess& access) {
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        throw Failure(kFileNotFound)
            .withDetail(QStringLiteral("Chybí ovladač databáze SQLite pro Qt (balíček libqt6sql6-sqlite); ") +
                        kNotRemembered);
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        throw Failure(kPathFileAccess)
            .withDetail(QStringLiteral("Složku %1 pro soubor odpovědí%2 nelze vytvořit; ")
                            .arg(displayPath(folder), whose(pupil)) +
                        kNotRemembered);
    checkOrdinary(path, pupil, kNotRemembered, true);
    if (!QFileInfo::exists(path)) // a -wal without its store belongs to none: never read into a new one
        removeAnswerStore(path);
    AsFound found(path);
    OpenedSqliteStore opened;
    try {
        try {
            opened.store.reset(new SqliteAnswerStore(std::make_unique<Impl>(path, pupil, access)));
        } catch (const Unreadable&) {
            const bool copied = found.copied();
            const QString aside = keepAside(path, pupil, found);
            // Spoiled by its -wal alone: the store as it was before it goes on.
            std::unique_ptr<Impl> kept;
            if (copied && QFile::copy(aside, path)) {
                try {
                    kept = std::make_unique<Impl>(path, pupil, access);
                } catch (const Unreadable&) {
                    removeAnswerStore(path);
                }
            }
            opened.warning =
                Failure(kBadFileFormat)
                    .withDetail(storeFile(path, pupil) +
                                (kept ? QStringLiteral(" měl u sebe záznam změn (-wal), který k němu nepatří "
                                                       "nebo je poškozený. Oba zůstaly, jak byly, "
                                                       "uschované jako %1; odpovědi zapamatované dřív "
                                                       "zůstávají a zapisují se dál.")
                                      : QStringLiteral(" je poškozený nebo nepatří programu Numio. Zůstal "
                                                       "uschovaný jako %1; odpovědi se od teď zapisují do "
                                                       "nového souboru."))
                                    .arg(displayPath(aside)));
            opened.store.reset(
                new SqliteAnswerStore(kept ? std::move(kept) : std::make_unique<Impl>(path, pupil, access)));
        }
    } catch (const SqlProblem& p) {
        throw failureOf(p, path, pupil, kNotRemembered);
    } catch (const Unreadable&) { // not even the file just made
        throw Failure(kPathFileAccess)
            .withDetail(storeFile(path, pupil) + QStringLiteral(" nelze založit; ") + kNotRemembered);
    }
    opened.store->access_ = access;
    return opened;
}

SqliteAnswerStore::SqliteAnswerStore(std::unique_ptr<Impl> impl)
    : path_(impl->path), pupil_(impl->pupil), d_(std::move(impl)) {}

SqliteAnswerStore::~SqliteAnswerStore() = default;

const QString& SqliteAnswerStore::path() const {
    return path_;
}

std::optional<Failure> SqliteAnswerStore::follow() const {
    if (d_ && d_->sameFile())
        return std::nullopt;
    if (d_) {
        // What the -wal holds goes into the old file, so that none of it is read into the new one.
        try {
            run(d_->connection.db(), QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        } catch (const SqlProblem& p) {
            qCDebug(lcAnswers()) << "the replaced store's -wal not folded in:" << p.text();
        }
        d_.reset();
    }
    OpenedSqliteStore opened = open(path_, pupil_, access_);
    d_ = std::move(opened.store->d_);
    return opened.warning;
}

void SqliteAnswerStore::record(const AnswerRecord& answer) {
    const std::optional<Failure> warning = follow();
    QSqlQuery& q = d_->insert;
    q.bindValue(0, answer.at);
    q.bindValue(1, notNull(answer.pupil));
    q.bindValue(2, int(answer.mode));
    q.bindValue(3, answer.fact.a);
    q.bindValue(4, answer.fact.op);
    q.bindValue(5, answer.fact.b);
    q.bindValue(6, answer.expected);
    q.bindValue(7, notNull(answer.typed));
    q.bindValue(8, int(answer.outcome));
    q.bindValue(9, answer.ms);
    if (!q.exec())
        throw failureOf(SqlProblem{q.lastError()}, d_->path, d_->pupil,
                        QStringLiteral("tato odpověď se nezapamatovala."));
    if (warning) // the answer is kept, in a new file
        throw *warning;
}

KnowledgeRead SqliteAnswerStore::knowledge(const KnowledgeQuery& query) const {
    if (const std::optional<Failure> warning = follow())
        throw *warning;
    try {
        return readAll(d_->connection.db(), query, nullptr);
    } catch (const SqlProblem& p) {
        throw failureOf(p, d_->path, d_->pupil, QStringLiteral("co žák umí, nelze ukázat."));
    }
}

KnowledgeReader SqliteAnswerStore::reader() const {
    return [path = d_->path, access = access_](const std::atomic<bool>& stop) {
        return readKnowledge(path, {}, &stop, access);
    };
}

KnowledgeRead SqliteAnswerStore::readKnowledge(const QString& path, const KnowledgeQuery& query,
                                               const std::atomic<bool>* stop, const StoreAccess& access) {
    if (!QFileInfo::exists(path))
        return {};
    const QString next = QStringLiteral("co žák umí, nelze ukázat.");
    checkOrdinary(path, {}, next, false);
    try {
        const Connection connection(path, true, busyTimeoutMs(access));
        // One snapshot: what a writer commits meanwhile is not half read. Waiting for a writer that
        // holds the file is SQLite's busy handler, up to the timeout; ended as the connection closes.
        run(connection.db(), QStringLiteral("BEGIN"));
        switch (kindOf(connection.db())) {
        case Kind::Empty:
            return {};
        case Kind::Ours:
            return readAll(connection.db(), query, stop);
        case Kind::Newer:
            throw Failure(kBadFileFormat)
                .withDetail(storeFile(path, {}) + QStringLiteral(" zapsala novější verze programu Numio; ") +
                            next);
        case Kind::Foreign:
            break;
        }
        throw Failure(kBadFileFormat)
            .withDetail(storeFile(path, {}) + QStringLiteral(" nepatří programu Numio; ") + next);
    } catch (const SqlProblem& p) {
        throw failureOf(p, path, {}, next);
    }
}

SqliteAnswerStores::SqliteAnswerStores()
    : fileSystems_(system_), networkBusyTimeoutMs_(kNetworkBusyTimeoutMs) {}

SqliteAnswerStores::SqliteAnswerStores(const FileSystems& fileSystems, int networkBusyTimeoutMs)
    : fileSystems_(fileSystems), networkBusyTimeoutMs_(networkBusyTimeoutMs) {}

StoreAccess SqliteAnswerStores::accessTo(const QString& path) const {
    return {fileSystems_.kindOf(path), networkBusyTimeoutMs_};
}

OpenedAnswerStore SqliteAnswerStores::open(const QString& path, const QString& pupilName) {
    OpenedSqliteStore opened = SqliteAnswerStore::open(path, pupilName, accessTo(path));
    return {std::move(opened.store), std::move(opened.warning)};
}

KnowledgeRead SqliteAnswerStores::read(const QString& path, const KnowledgeQuery& query,
                                       const std::atomic<bool>* stop) {
    return SqliteAnswerStore::readKnowledge(path, query, stop, accessTo(path));
}

StoreMove SqliteAnswerStores::move(const QString& from, const QString& to) {
    return moveAnswerStore(from, to);
}

bool SqliteAnswerStores::join(const QString& from, const QString& into) {
    return joinAnswerStores(from, into);
}

void SqliteAnswerStores::remove(const QString& path) {
    removeAnswerStore(path);
}

} // namespace numio
