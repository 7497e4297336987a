#include "platform/text_files.h"

#include "platform/failure.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <bitset>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace numio {

namespace {

constexpr const char* kCodec = "windows-1250";

// An empty name, or one with a NUL inside, can never name a file.
QByteArray nativePath(const QString& path) {
    QByteArray native = QFile::encodeName(path);
    if (native.isEmpty() || native.contains('\0'))
        throw Failure(kBadFileName);
    return native;
}

bool folderOfExists(const QString& path) {
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    struct stat st {};
    return ::stat(folder.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isSymlink(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

int failureCodeFor(int error, const QString& path) {
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
    case EWOULDBLOCK: // flock refused: another copy holds the file
#if EAGAIN != EWOULDBLOCK
    case EAGAIN:
#endif
        return kAccessDenied;
    case ENOENT:
        // A symbolic link that leads nowhere is a path that cannot be followed, not a missing file.
        return folderOfExists(path) && !isSymlink(path) ? kFileNotFound : kPathNotFound;
    case ENOTDIR:
        return kPathNotFound;
    case ENOSPC:
    case EDQUOT:
        return kDiskFull;
    case ENAMETOOLONG:
    case EINVAL:
    case EBADF:
        return kBadFileName;
    default: // EISDIR among them
        return kPathFileAccess;
    }
}

[[noreturn]] void fail(int error, const QString& path) {
    throw Failure(failureCodeFor(error, path));
}

int openRetrying(const QByteArray& native, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::open(native.constData(), flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

struct stat statOf(const QString& path) {
    const QByteArray native = nativePath(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0)
        fail(errno, path);
    if (S_ISDIR(st.st_mode))
        throw Failure(kPathFileAccess);
    return st;
}

// The characters windows-1250 holds, taken from the converter itself by decoding all 256 bytes.
// The encoder can't be trusted to mark the rest: it drops U+FEFF and a trailing lone surrogate
// instead of substituting them, and substitutes with 0x1A rather than '?'.
const std::bitset<0x10000>& representable() {
    static const std::bitset<0x10000> table = [] {
        std::bitset<0x10000> chars;
        QByteArray every(256, Qt::Uninitialized);
        for (int i = 0; i < 256; ++i)
            every[i] = static_cast<char>(i);
        QStringDecoder decoder(kCodec);
        const QString decoded = decoder.decode(every);
        for (QChar c : decoded) {
            if (c != QChar::ReplacementCharacter)
                chars.set(c.unicode());
        }
        return chars;
    }();
    return table;
}

QByteArray encodeLine(const QString& text) {
    const auto& table = representable();
    QString safe;
    safe.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i; // one '?' for the whole pair
            safe += u'?';
        } else {
            safe += table.test(u) ? QChar(u) : QChar(u'?');
        }
    }
    QStringEncoder encoder(kCodec, QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(safe);
    if (!encoder.isValid() || encoder.hasError())
        throw Failure(kPathFileAccess);
    bytes.append("\r\n", 2);
    return bytes;
}

class LocalAppendStream final : public AppendStream {
  public:
    LocalAppendStream(int fd, QString path) : fd_(fd), path_(std::move(path)) {}
    ~LocalAppendStream() override {
        if (fd_ >= 0)
            ::close(fd_);
    }
    LocalAppendStream(const LocalAppendStream&) = delete;
    LocalAppendStream& operator=(const LocalAppendStream&) = delete;

    bool refersTo(const QString& path) const override {
        struct stat open {};
        struct stat named {};
        return fd_ >= 0 && ::fstat(fd_, &open) == 0 && ::stat(nativePath(path).constData(), &named) == 0 &&
               open.st_dev == named.st_dev && open.st_ino == named.st_ino;
    }

    void writeLine(const QString& text) override {
        if (fd_ < 0)
            throw Failure(kBadFileName);
        const QByteArray line = encodeLine(text);
        // Where the line begins: a line the disk took only in part is cut off again, so that the
        // file holds whole lines only. The lock keeps other writers out meanwhile.
        struct stat st {};
        const off_t start = ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) ? st.st_size : -1;
        // The whole line goes to the OS at once, so size queries and readers see it right away.
        const char* data = line.constData();
        qsizetype left = line.size();
        while (left > 0) {
            const ssize_t n = ::write(fd_, data, static_cast<size_t>(left));
            if (n > 0) {
                data += n;
                left -= n;
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            const int error = n < 0 ? errno : ENOSPC;
            if (start >= 0 && data != line.constData())
                while (::ftruncate(fd_, start) != 0 && errno == EINTR) {
                }
            fail(error, path_);
        }
    }

    void close() override {
        if (fd_ < 0)
            return;
        // Linux frees the descriptor even when close reports an error, so it is never retried.
        if (::close(std::exchange(fd_, -1)) != 0 && errno != EINTR)
            fail(errno, path_);
    }

  private:
    int fd_;
    QString path_;
};

} // namespace

std::unique_ptr<AppendStream> LocalTextFiles::openForAppending(const QString& path) {
    const QByteArray native = nativePath(path);
    // Non-blocking for the open only: a named pipe without a reader then fails at once.
    const int fd = openRetrying(native, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0)
        fail(errno, path);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !(S_ISREG(st.st_mode) || S_ISCHR(st.st_mode))) {
        ::close(fd);
        throw Failure(kPathFileAccess);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    int locked;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            throw Failure(kAccessDenied)
                .withDetail(
                    QStringLiteral("Soubor %1 právě používá jiný spuštěný Numio.").arg(displayPath(path)));
        fail(error, path);
    }
    return std::make_unique<LocalAppendStream>(fd, path);
}

FileEntry LocalTextFiles::lookUp(const QString& path) {
    statOf(path);
    return FileEntry{path};
}

qint64 LocalTextFiles::size(const FileEntry& entry) {
    return static_cast<qint64>(statOf(entry.path).st_size);
}

void LocalTextFiles::remove(const FileEntry& entry) {
    // unlink needs write access to the folder only, so a read-only file goes as well.
    const QByteArray native = nativePath(entry.path);
    if (::unlink(native.constData()) != 0)
        fail(errno, entry.path);
}

bool LocalTextFiles::moveToTrash(const QString& path) {
    QString inTrash;
    if (!QFile::moveToTrash(path, &inTrash))
        return false;
    if (QFileInfo(inTrash).isAbsolute())
        return true;
    // Without a usable trash folder Qt moves the file below the current folder and still reports
    // success: bring it back and let the caller keep it beside itself.
    const QString stray = QFileInfo(inTrash).absoluteFilePath();
    const QString info = QFileInfo(QFileInfo(stray).absolutePath() + QStringLiteral("/../info/") +
                                   QFileInfo(stray).fileName() + QStringLiteral(".trashinfo"))
                             .absoluteFilePath();
    rename(stray, path);
    QFile::remove(info);
    return false;
}

void LocalTextFiles::rename(const QString& from, const QString& to) {
    const QByteArray source = nativePath(from);
    const QByteArray target = nativePath(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return;
    if (errno != EINVAL && errno != ENOSYS)
        fail(errno, from);
    // A file system without the no-replace flag: a hard link refuses an existing name as well.
    if (::link(source.constData(), target.constData()) != 0)
        fail(errno, from);
    if (::unlink(source.constData()) != 0)
        fail(errno, from);
}

QString LocalTextFiles::readAll(const QString& path) {
    // Reading is refused (70) only for want of permission; anything else is no refusal to write.
    const auto fail = [&](int error) {
        const int code = failureCodeFor(error, path);
        throw Failure(code == kAccessDenied && error != EACCES && error != EPERM ? kPathFileAccess : code);
    };
    const QByteArray native = nativePath(path);
    const int fd = openRetrying(native, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        fail(errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    struct stat st {};
    if (::fstat(fd, &st) != 0)
        fail(errno);
    // Only a regular file has an end to read to (not a pipe, not a device).
    if (!S_ISREG(st.st_mode))
        throw Failure(kPathFileAccess);

    // Read and decoded piece by piece: the decoder gives an empty text, without an error, for
    // 512 MiB and more at once. One byte is one character, so any cut is a clean one.
    constexpr qsizetype kPiece = 16 * 1024 * 1024;
    QByteArray piece(kPiece, Qt::Uninitialized);
    QStringDecoder decoder(kCodec);
    QString text;
    qsizetype read = 0;
    for (;;) {
        const ssize_t n = ::read(fd, piece.data(), static_cast<size_t>(kPiece));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        if (n == 0)
            break;
        if (text.size() < read + decoder.requiredSpace(n))
            text.resize(std::max<qsizetype>(read + decoder.requiredSpace(n), qsizetype(st.st_size)));
        read = decoder.appendToBuffer(text.data() + read, QByteArrayView(piece).first(n)) - text.constData();
    }
    text.truncate(read);
    if (!decoder.isValid() || decoder.hasError())
        throw Failure(kPathFileAccess);
    return text;
}

} // namespace numio
