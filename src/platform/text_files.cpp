#include "platform/text_files.h"

#include "platform/failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <array>
#include <bitset>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
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

// The bytes that name the entry's file.
QByteArray nativeOf(const FileEntry& entry) {
    return entry.native.isEmpty() ? nativePath(entry.path) : entry.native;
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

// What a path that is no ordinary file is, for a message.
QString kindOf(mode_t mode) {
    if (S_ISFIFO(mode))
        return QStringLiteral("pojmenovaná roura");
    if (S_ISSOCK(mode))
        return QStringLiteral("soket");
    if (S_ISDIR(mode))
        return QStringLiteral("složka");
    return QStringLiteral("zařízení");
}

// The kernel's memory devices (null, zero, full) take whatever is written at once and keep nothing.
bool sinkDevice(const struct stat& st) {
    return S_ISCHR(st.st_mode) && major(st.st_rdev) == 1;
}

std::optional<QString> otherThan(const QByteArray& native, FileUse use) {
    struct stat st {};
    if (::stat(native.constData(), &st) != 0 || S_ISREG(st.st_mode))
        return std::nullopt; // nothing there yet, or a file: the open itself tells what goes wrong
    if (use == FileUse::Write && sinkDevice(st))
        return std::nullopt;
    return kindOf(st.st_mode);
}

void checkOrdinary(const QByteArray& native, const QString& path, FileUse use) {
    if (const auto kind = otherThan(native, use))
        throw Failure(kPathFileAccess)
            .withDetail(
                QStringLiteral("%1 není obyčejný soubor, ale %2; Numio z něj nečte a nezapisuje do něj. "
                               "Zvolte prosím jiný soubor.")
                    .arg(displayPath(path), *kind));
}

struct stat statOf(const QString& path, const QByteArray& native) {
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

// Writes the bytes whole to the open file; the errno of what failed, 0 when all went.
int writeFully(int fd, QByteArrayView bytes) {
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(left));
        if (n > 0) {
            data += n;
            left -= n;
        } else if (n == 0) {
            return ENOSPC; // the disk took nothing more
        } else if (errno != EINTR) {
            return errno;
        }
    }
    return 0;
}

const uchar* lineEnd(const uchar* p, const uchar* end) {
    while (p < end && *p != '\n' && *p != '\r')
        ++p;
    return p;
}

// Copies the ASCII at p to out as UTF-16 and returns where it stopped: at the first byte that is no
// ASCII, or at end. Most of a journal is ASCII (digits, signs, rules, dates), so it goes sixteen
// bytes a step while none of them has its high bit set. Out has room for every byte up to end.
const uchar* widenAscii(const uchar* p, const uchar* end, char16_t* out) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; end - p >= 16; p += 16, out += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        if (_mm_movemask_epi8(bytes) != 0)
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(bytes, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(bytes, zero));
    }
#endif
    for (; p < end && *p < 0x80; ++p)
        *out++ = *p;
    return p;
}

// Room for `size` characters of text. A journal's text can run to a hundred megabytes, and each
// 4 KiB page of it costs a page fault when first written: on a virtual machine the 25 600 faults of a
// 50 MB journal took longer than decoding it. Asked for 2 MiB pages, the kernel faults fifty times.
void reserveText(QString& text, qsizetype size) {
    if (text.capacity() >= size)
        return;
    text.reserve(size);
    constexpr quintptr kHugePage = quintptr(2) * 1024 * 1024;
    auto* const begin = reinterpret_cast<char*>(text.data());
    const qsizetype bytes = text.capacity() * qsizetype(sizeof(QChar));
    if (bytes < qsizetype(2 * kHugePage)) // too short to be sure of holding a whole one
        return;
    const quintptr at = reinterpret_cast<quintptr>(begin);
    // Only the whole pages inside the string's own block; advice only, so a refusal changes nothing.
    char* const from = begin + (kHugePage - at % kHugePage) % kHugePage;
    char* const to = begin + bytes - (at + quintptr(bytes)) % kHugePage;
    if (from < to)
        ::madvise(from, std::size_t(to - from), MADV_HUGEPAGE);
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
    if (mode_ == Mode::Undecided) {
        // The first two bytes tell whether UTF-16's byte order mark begins the text.
        const qsizetype take = std::min<qsizetype>(2 - head_.size(), bytes.size());
        head_.append(bytes.first(take));
        bytes = bytes.sliced(take);
        if (head_.size() < 2)
            return;
        decide();
    }
    if (mode_ == Mode::Utf16)
        feedUtf16(bytes);
    else
        feedLines(bytes);
}

void LineDecoder::decide() {
    const QByteArray head = std::exchange(head_, QByteArray());
    const bool little = head.startsWith("\xFF\xFE");
    if (little || head.startsWith("\xFE\xFF")) {
        mode_ = Mode::Utf16;
        // The mark is taken here; another one after it is a character of the text.
        utf16_ = QStringDecoder(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                                QStringConverter::Flag::ConvertInitialBom);
        return;
    }
    mode_ = Mode::Lines;
    feedLines(head);
}

void LineDecoder::feedUtf16(QByteArrayView bytes) {
    if (bytes.isEmpty())
        return;
    // The decoder keeps a byte without its pair for the next piece.
    const qsizetype room = at_ + utf16_.requiredSpace(bytes.size());
    if (out_.size() < room) {
        reserveText(out_, room);
        out_.resize(room);
    }
    QChar* const from = out_.data() + at_;
    at_ += utf16_.appendToBuffer(from, bytes) - from;
    oddByte_ = oddByte_ != (bytes.size() % 2 == 1);
    lastByte_ = uchar(bytes.back());
}

void LineDecoder::feedLines(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    const uchar* const end = p + bytes.size();
    // Every byte gives at most one character, so room for them all is room enough.
    const qsizetype room = at_ + pending_.size() + bytes.size();
    if (out_.size() < room) {
        reserveText(out_, room);
        out_.resize(room);
    }
    if (!pending_.isEmpty()) {
        const uchar* stop = lineEnd(p, end);
        pending_.append(reinterpret_cast<const char*>(p), stop - p);
        if (stop == end)
            return;
        p = stop;
        decodePending();
    }
    // Plain ASCII reads the same in either encoding, so runs of it go out as they are, line ends and
    // whole lines included; only a line with another byte is looked at as a line. The ASCII of that
    // line before the byte is already out, and only the rest of it tells whether it is UTF-8.
    for (;;) {
        const uchar* other = widenAscii(p, end, reinterpret_cast<char16_t*>(out_.data()) + at_);
        at_ += other - p;
        if (other == end)
            return;
        p = lineEnd(other, end);
        if (p == end) {
            // The line goes on in the next piece, and only its whole tells its encoding.
            pending_.append(reinterpret_cast<const char*>(other), end - other);
            return;
        }
        decodeLine(other, p);
    }
}

void LineDecoder::decodePending() {
    const auto* from = reinterpret_cast<const uchar*>(pending_.constData());
    decodeLine(from, from + pending_.size());
    pending_.resize(0); // its room is kept for the next piece's last line
}

void LineDecoder::finish() {
    if (mode_ == Mode::Undecided) {
        mode_ = Mode::Lines;
        feedLines(std::exchange(head_, QByteArray()));
    }
    if (!pending_.isEmpty())
        decodePending();
    // UTF-16 cut in the middle of a character; a zeroed byte is left to the NULs below.
    if (mode_ == Mode::Utf16 && oddByte_ && lastByte_ != 0) {
        if (out_.size() < at_ + 1)
            out_.resize(at_ + 1);
        out_.data()[at_++] = QChar::ReplacementCharacter;
    }
    // NULs that end the text are no text: a power cut can leave a file's end zeroed.
    while (at_ > 0 && out_.at(at_ - 1).isNull())
        --at_;
    out_.truncate(at_);
}

// The rest of a line from its first byte that is no ASCII, up to its end.
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
    checkOrdinaryFile(path, FileUse::Write);
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
    if (::fstat(fd, &st) != 0 || !(S_ISREG(st.st_mode) || sinkDevice(st))) {
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
    statOf(path, nativePath(path));
    return FileEntry{path};
}

qint64 LocalTextFiles::size(const FileEntry& entry) {
    return static_cast<qint64>(statOf(entry.path, nativeOf(entry)).st_size);
}

void LocalTextFiles::remove(const FileEntry& entry) {
    // unlink needs write access to the folder only, so a read-only file goes as well.
    const QByteArray native = nativeOf(entry);
    if (::unlink(native.constData()) != 0)
        fail(errno, entry.path);
}

bool LocalTextFiles::moveToTrash(const QString& path) {
    // Without a home of its own (HOME empty, a relative XDG_DATA_HOME) Qt makes its trash below the
    // current folder: there is no trash then, and the caller keeps the file beside itself.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!QDir::isAbsolutePath(data) || QDir::homePath() == QDir::rootPath())
        return false;
    QString inTrash;
    if (!QFile::moveToTrash(path, &inTrash))
        return false;
    if (QFileInfo(inTrash).isAbsolute())
        return true;
    // Should Qt still have done so, the file comes back and the folders it made go again.
    const QFileInfo stray(inTrash);
    const QDir files = stray.absoluteDir();
    const QString info = files.absoluteFilePath(QStringLiteral("../info"));
    rename(stray.absoluteFilePath(), path);
    QFile::remove(info + u'/' + stray.fileName() + QStringLiteral(".trashinfo"));
    QDir().rmdir(files.absolutePath()); // only when empty
    QDir().rmdir(info);
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
    return readEntry(FileEntry{path});
}

QString LocalTextFiles::readEntry(const FileEntry& entry, const std::atomic<bool>* stop) {
    // Reading is refused (70) only for want of permission; anything else is no refusal to write.
    const auto fail = [&](int error) {
        const int code = failureCodeFor(error, entry.path);
        throw Failure(code == kAccessDenied && error != EACCES && error != EPERM ? kPathFileAccess : code);
    };
    const QByteArray native = nativeOf(entry);
    checkOrdinary(native, entry.path, FileUse::Read);
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

    // Read and decoded piece by piece: a large journal is never held twice, each piece is decoded
    // while it is still in the processor's cache, and a reading no longer wanted stops between two.
    constexpr qsizetype kPiece = qsizetype(64) * 1024;
    QByteArray piece(kPiece, Qt::Uninitialized);
    QString text;
    reserveText(text, qsizetype(st.st_size));
    LineDecoder decoder(text);
    while (!(stop && stop->load(std::memory_order_relaxed))) {
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

QVector<FileEntry> LocalTextFiles::listFolder(const QString& folder) {
    const QByteArray native = nativePath(folder);
    DIR* dir = ::opendir(native.constData());
    if (!dir) {
        const int error = errno;
        throw Failure(error == ENOENT || error == ENOTDIR ? kPathNotFound : failureCodeFor(error, folder));
    }
    struct Closer {
        DIR* dir;
        ~Closer() { ::closedir(dir); }
    } closer{dir};
    const QString prefix = folder.endsWith(u'/') ? folder : folder + u'/';
    const QByteArray nativePrefix = native.endsWith('/') ? native : native + '/';
    QVector<FileEntry> entries;
    for (;;) {
        errno = 0;
        const dirent* d = ::readdir(dir);
        if (!d) {
            if (errno != 0)
                fail(errno, folder);
            return entries;
        }
        const QByteArray name(d->d_name);
        if (name == "." || name == "..")
            continue;
        const QString decoded = QFile::decodeName(name);
        if (QFile::encodeName(decoded) == name) {
            entries.push_back({prefix + decoded, {}});
            continue;
        }
        // No UTF-8: a name from elsewhere, read as Windows-1250 as a journal's line would be.
        QString shown(name.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < name.size(); ++i)
            shown[i] = QChar(windows1250()[uchar(name[i])]);
        entries.push_back({prefix + shown, nativePrefix + name});
    }
}

FileStamp LocalTextFiles::stamp(const FileEntry& entry) {
    const QByteArray native = entry.native.isEmpty() ? QFile::encodeName(entry.path) : entry.native;
    struct stat st {};
    if (native.isEmpty() || native.contains('\0') || ::stat(native.constData(), &st) != 0)
        return {};
    FileStamp s;
    s.kind = S_ISREG(st.st_mode)   ? FileStamp::Kind::Regular
             : S_ISDIR(st.st_mode) ? FileStamp::Kind::Folder
                                   : FileStamp::Kind::Other;
    s.size = static_cast<qint64>(st.st_size);
    s.device = static_cast<quint64>(st.st_dev);
    s.inode = static_cast<quint64>(st.st_ino);
    s.modified = static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return s;
}

bool pathTooLong(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    if (native.size() >= PATH_MAX)
        return true;
    const QList<QByteArray> names = native.split('/');
    return std::any_of(names.begin(), names.end(),
                       [](const QByteArray& name) { return name.size() > NAME_MAX; });
}

void writeWholeFile(const QString& path, QByteArrayView bytes) {
    QByteArray target = nativePath(path);
    // Through a link to the file it leads to: the link stays.
    if (char* real = ::realpath(target.constData(), nullptr)) {
        target = real;
        std::free(real);
    }
    checkOrdinaryFile(path, FileUse::Write);
    struct stat st {};
    const bool exists = ::stat(target.constData(), &st) == 0;
    // A file its owner made read-only is not replaced behind their back.
    if (exists && ::access(target.constData(), W_OK) != 0)
        fail(errno, path);
    if (exists && !S_ISREG(st.st_mode)) {
        // A memory device has nothing to replace: written to as it is.
        const int fd = openRetrying(target, O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd < 0)
            fail(errno, path);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        const int error = writeFully(fd, bytes);
        if (::close(fd) != 0 && error == 0 && errno != EINTR)
            fail(errno, path);
        if (error != 0)
            fail(error, path);
        return;
    }

    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : target.left(slash);
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        // Hidden, and short enough for any name the target may have.
        temporary =
            folder + "/.numio-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36) + ".tmp";
        fd = openRetrying(temporary, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt == 100))
            fail(errno, path);
    }
    // The document keeps what the file it replaces allowed.
    if (exists)
        ::fchmod(fd, st.st_mode & 07777);
    int error = writeFully(fd, bytes);
    // A disk that delays its writes tells that it is full only here.
    if (error == 0 && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS)
        error = errno;
    if (::close(fd) != 0 && error == 0 && errno != EINTR)
        error = errno;
    if (error == 0 && ::rename(temporary.constData(), target.constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.constData());
        fail(error, path);
    }
}

std::optional<QString> otherThanFile(const QString& path, FileUse use) {
    return otherThan(nativePath(path), use);
}

void checkOrdinaryFile(const QString& path, FileUse use) {
    checkOrdinary(nativePath(path), path, use);
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

QString documentsOrHomeFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

} // namespace numio
