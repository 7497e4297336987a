#include "platform/text_files.h"

#include "platform/failure.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <array>
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

// Windows-1250 byte by byte, from the converter itself; bytes it leaves undefined become U+FFFD.
const std::array<char16_t, 256>& windows1250() {
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> chars{};
        for (int i = 0; i < 256; ++i) {
            const char byte = static_cast<char>(i);
            const QString c = QStringDecoder(kCodec)(QByteArrayView(&byte, 1));
            chars[static_cast<std::size_t>(i)] = c.size() == 1 ? c[0].unicode() : u'\uFFFD';
        }
        return chars;
    }();
    return table;
}

// The characters windows-1250 holds, taken from its 256 bytes. The encoder can't be trusted to
// mark the rest: it drops U+FEFF and a trailing lone surrogate instead of substituting them, and
// substitutes with 0x1A rather than '?'.
const std::bitset<0x10000>& representable() {
    static const std::bitset<0x10000> table = [] {
        std::bitset<0x10000> chars;
        for (char16_t c : windows1250())
            if (c != u'\uFFFD')
                chars.set(c);
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

bool isLineEnd(uchar c) {
    return c == '\n' || c == '\r';
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
        QByteArray line = encodeLine(text);
        // Where the line begins: a line the disk took only in part is cut off again, so that the
        // file holds whole lines only. The lock keeps other writers out meanwhile.
        struct stat st {};
        const off_t start = ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) ? st.st_size : -1;
        // A note typed in by hand may end without a line break: ours starts on a line of its own.
        char last = '\n';
        if (start > 0 && ::pread(fd_, &last, 1, start - 1) == 1 && last != '\n' && last != '\r')
            line.prepend("\r\n", 2);
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

LineDecoder::LineDecoder(QString& out) : out_(out) {}

void LineDecoder::feed(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    const uchar* const end = p + bytes.size();
    // Every byte gives at most one character, so room for them all is room enough.
    if (out_.size() < at_ + pending_.size() + bytes.size())
        out_.resize(at_ + pending_.size() + bytes.size());
    if (!pending_.isEmpty()) {
        const uchar* stop = std::find_if(p, end, isLineEnd);
        pending_.append(reinterpret_cast<const char*>(p), stop - p);
        if (stop == end)
            return;
        p = stop;
        const QByteArray line = std::exchange(pending_, QByteArray());
        const auto* from = reinterpret_cast<const uchar*>(line.constData());
        decodeLine(from, from + line.size());
    }
    while (p < end) {
        const uchar* stop = std::find_if(p, end, isLineEnd);
        if (stop == end && std::any_of(p, end, [](uchar c) { return c >= 0x80; })) {
            // The line goes on in the next piece, and only its whole tells its encoding. Plain
            // ASCII reads the same either way, so only a line with other bytes waits.
            pending_ = QByteArray(reinterpret_cast<const char*>(p), end - p);
            return;
        }
        decodeLine(p, stop);
        if (stop < end)
            out_.data()[at_++] = QChar(*stop++);
        p = stop;
    }
}

void LineDecoder::finish() {
    if (!pending_.isEmpty()) {
        const QByteArray line = std::exchange(pending_, QByteArray());
        const auto* from = reinterpret_cast<const uchar*>(line.constData());
        decodeLine(from, from + line.size());
    }
    out_.truncate(at_);
}

void LineDecoder::decodeLine(const uchar* p, const uchar* end) {
    // A byte order mark some editors put first says no more than the lines do.
    if (at_ == 0 && end - p >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF)
        p += 3;
    char16_t* const out = reinterpret_cast<char16_t*>(out_.data());
    const qsizetype start = at_;
    for (const uchar* q = p; q < end;) {
        if (*q < 0x80) {
            out[at_++] = *q++;
            continue;
        }
        char32_t c = 0;
        const int n = utf8(q, end, c);
        if (n == 0) {
            at_ = start;
            for (const auto& table = windows1250(); p < end; ++p)
                out[at_++] = table[*p];
            return;
        }
        q += n;
        if (c >= 0x10000) {
            out[at_++] = QChar::highSurrogate(c);
            out[at_++] = QChar::lowSurrogate(c);
        } else {
            out[at_++] = static_cast<char16_t>(c);
        }
    }
}

// The length of the well-formed UTF-8 sequence at p, 0 when there is none.
int LineDecoder::utf8(const uchar* p, const uchar* end, char32_t& c) {
    const uchar b = *p;
    int n = 0;
    uchar low = 0x80, high = 0xBF;
    if (b >= 0xC2 && b <= 0xDF)
        n = 2, c = b & 0x1F;
    else if (b >= 0xE0 && b <= 0xEF)
        n = 3, c = b & 0x0F, low = b == 0xE0 ? 0xA0 : 0x80, high = b == 0xED ? 0x9F : 0xBF;
    else if (b >= 0xF0 && b <= 0xF4)
        n = 4, c = b & 0x07, low = b == 0xF0 ? 0x90 : 0x80, high = b == 0xF4 ? 0x8F : 0xBF;
    else
        return 0;
    if (end - p < n || p[1] < low || p[1] > high)
        return 0;
    for (int i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (p[i] & 0x3F);
    }
    return n;
}

std::unique_ptr<AppendStream> LocalTextFiles::openForAppending(const QString& path) {
    const QByteArray native = nativePath(path);
    // Non-blocking for the open only: a named pipe without a reader then fails at once.
    // Read as well, to see whether the file ends its last line; a file we may only write to is
    // appended to all the same.
    constexpr int kFlags = O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK;
    int fd = openRetrying(native, O_RDWR | kFlags, 0644);
    if (fd < 0 && errno == EACCES)
        fd = openRetrying(native, O_WRONLY | kFlags, 0644);
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
                .withDetail(QStringLiteral("Soubor %1 právě používá jiná spuštěná kopie programu Numio; tato "
                                           "kopie poběží bez protokolu.")
                                .arg(displayPath(path)));
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

    // Read and decoded piece by piece, so a large journal is never held twice.
    constexpr qsizetype kPiece = 16 * 1024 * 1024;
    QByteArray piece(kPiece, Qt::Uninitialized);
    QString text;
    text.reserve(qsizetype(st.st_size));
    LineDecoder decoder(text);
    for (;;) {
        const ssize_t n = ::read(fd, piece.data(), static_cast<size_t>(kPiece));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        if (n == 0)
            break;
        decoder.feed(QByteArrayView(piece).first(n));
    }
    decoder.finish();
    return text;
}

bool windows1250Holds(QStringView text) {
    const auto& table = representable();
    return std::all_of(text.begin(), text.end(), [&](QChar c) { return table.test(c.unicode()); });
}

QString decodeLines(QByteArrayView bytes) {
    QString text;
    LineDecoder decoder(text);
    decoder.feed(bytes);
    decoder.finish();
    return text;
}

} // namespace numio
