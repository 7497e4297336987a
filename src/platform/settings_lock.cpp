// The lock another running copy must not come between: taken at once when free, waited for only
// briefly while another copy changes the settings, taken over when the copy that left it is gone,
// and told at once, with what to do, when no copy could ever take it.

#include "platform/settings_store.h"

#include "platform/failure.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSysInfo>
#include <QThread>

#include <algorithm>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace numio {

namespace {

struct HeldLock : SettingsLock {
    explicit HeldLock(const QString& path) : file(path) {}
    QLockFile file;
};

// A change of the list takes milliseconds: the window waits no longer than this for the copy making
// one, and then says so.
constexpr int kLockWaitMs = 150;
// A copy writes its lock's content, and drops the lock, within an instant: a lock that names no
// process, or one that nobody keeps locked, is stale once it is this old.
constexpr qint64 kLockInstantMs = 2000;
// A copy that keeps its lock locked this long hangs.
constexpr qint64 kLockHungMs = 10000;

enum class LockState { Gone, Held };

// Who made the lock, as QLockFile writes it: pid, program, host, machine id, boot id, a line each.
struct LockOwner {
    qint64 pid = 0;
    QString host;
    QByteArray boot;
};

std::optional<LockOwner> ownerIn(const QByteArray& content) {
    const QList<QByteArray> lines = content.split('\n');
    LockOwner owner;
    bool ok = false;
    owner.pid = lines.value(0).toLongLong(&ok);
    if (!ok || owner.pid <= 0 || owner.pid > INT_MAX || lines.size() < 3)
        return std::nullopt;
    owner.host = QString::fromUtf8(lines[2]);
    owner.boot = lines.value(4);
    return owner;
}

// The program a process runs, as the system names it (its first 15 characters); empty when that
// cannot be seen.
QByteArray programOf(const QString& process) {
    QFile comm(QStringLiteral("/proc/%1/comm").arg(process));
    return comm.open(QIODevice::ReadOnly) ? comm.readAll().trimmed() : QByteArray();
}

// A pid outlives its process: after a crash or a restart another program may run under it.
bool runsThisProgram(qint64 pid) {
    if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
        return false;
    const QByteArray program = programOf(QString::number(pid)), own = programOf(QStringLiteral("self"));
    return program.isEmpty() || own.isEmpty() || program == own;
}

Failure notAFile(const QString& path, bool folder) {
    const QString text =
        (folder ? QStringLiteral("Na místě zámku %1 je složka")
                : QStringLiteral("Zámek %1 není obyčejný soubor")) +
        QStringLiteral(", a dokud tam bude, nelze žádnou změnu uložit. Tato změna se neuložila; "
                       "%2 %1 smažte a zkuste to znovu.");
    return Failure(kPathFileAccess)
        .withDetail(
            text.arg(displayPath(path), folder ? QStringLiteral("složku") : QStringLiteral("soubor")));
}

// What stands in the way is the folder's rights: `what` says which lock and why it matters.
Failure folderNotWritable(const QString& what, const QString& path) {
    return Failure(kAccessDenied)
        .withDetail(what.arg(displayPath(path), displayPath(QFileInfo(path).absolutePath())) +
                    QStringLiteral(" Změna se neuložila. Povolte zápis do složky (případně požádejte správce "
                                   "počítače) a zkuste to znovu."));
}

// The lock at `path` could not be made. Held: a running copy keeps it. Gone: there is none now,
// the one a copy left behind having been removed. Throws when no copy could ever take it.
LockState clearStale(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0)
        return errno == ENOENT ? LockState::Gone : LockState::Held;
    if (!S_ISREG(st.st_mode))
        throw notAFile(path, S_ISDIR(st.st_mode));
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    const auto done = [fd](LockState state) {
        if (fd >= 0)
            ::close(fd);
        return state;
    };
    // A running copy keeps its lock file locked: that one is never taken from it. Holding the
    // lock here also keeps another copy from judging the file while it is removed.
    bool unkept = false;
    if (fd >= 0) {
        unkept = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        if (!unkept && errno == EWOULDBLOCK)
            return done(LockState::Held);
    }
    QByteArray content(4096, '\0');
    const ssize_t got = fd >= 0 ? ::read(fd, content.data(), content.size()) : -1;
    content.truncate(std::max<ssize_t>(got, 0));
    const std::optional<LockOwner> owner = ownerIn(content);
    const qint64 age = std::abs(QDateTime::currentMSecsSinceEpoch() -
                                (qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000));
    const qint64 patience = unkept ? kLockInstantMs : kLockHungMs;
    const QByteArray boot = QSysInfo::bootUniqueId();
    bool stale;
    if (!owner)
        stale = age >= kLockInstantMs; // junk, or a copy writing it this instant
    else if (!owner->boot.isEmpty() && !boot.isEmpty() && owner->boot != boot)
        stale = true; // made before the computer last started
    else if (owner->host != QSysInfo::machineHostName())
        stale = age >= patience; // another computer's copy, whose processes are not to be seen
    else
        stale = !runsThisProgram(owner->pid) || age >= patience;
    if (!stale)
        return done(LockState::Held);
    // Only the file judged: another copy may have removed it and made its own meanwhile.
    struct stat now {};
    if (::lstat(native.constData(), &now) != 0 || now.st_ino != st.st_ino || now.st_dev != st.st_dev)
        return done(LockState::Gone);
    const bool removed = ::unlink(native.constData()) == 0 || errno == ENOENT;
    done(LockState::Gone);
    if (!removed)
        throw folderNotWritable(
            QStringLiteral("Zámek %1 zůstal po kopii programu, která už neběží, a nelze ho "
                           "odstranit: do složky %2 nelze zapisovat."),
            path);
    return LockState::Gone;
}

} // namespace

std::unique_ptr<SettingsLock> IniSettingsStore::lock(const QString& app, const QString& name) {
    const QString folder = QFileInfo(filePath(app)).absolutePath();
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(name + QStringLiteral(".lock"));
    auto held = std::make_unique<HeldLock>(path);
    // Whether a lock is stale is judged below, by who made it, not by its age alone.
    held->file.setStaleLockTime(0);
    for (QDeadlineTimer wait(kLockWaitMs);;) {
        if (held->file.tryLock(0))
            return held;
        if (held->file.error() != QLockFile::LockFailedError) {
            if (QFileInfo(folder).isDir() && ::access(QFile::encodeName(folder).constData(), W_OK) != 0)
                throw folderNotWritable(
                    QStringLiteral("Zámek %1 nelze vytvořit: do složky %2 nelze zapisovat."), path);
            throw Failure(kPathFileAccess)
                .withDetail(
                    QStringLiteral("Zámek %1 nelze vytvořit; změna se neuložila.").arg(displayPath(path)));
        }
        const LockState state = clearStale(path);
        if (wait.hasExpired())
            throw Failure(kAccessDenied)
                .withDetail(
                    QStringLiteral("Nastavení právě ukládá jiná spuštěná kopie programu (zámek %1); změna "
                                   "se neuložila. Zkuste to prosím znovu.")
                        .arg(displayPath(path)));
        if (state == LockState::Held)
            QThread::msleep(5);
    }
}

} // namespace numio
