#pragma once

#include "platform/export.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <QVector>
#include <atomic>
#include <memory>
#include <optional>

namespace numio {

// A file opened for appending. Each line goes out in Windows-1250 with CR LF and is handed to
// the operating system at once, so size queries and other readers see it immediately.
class NUMIO_EXPORT AppendStream {
  public:
    virtual ~AppendStream() = default;
    virtual void writeLine(const QString& text) = 0;
    virtual void close() = 0;
    // Whether the path still names the very file this stream writes to.
    virtual bool refersTo(const QString& path) const = 0;
};

// A looked-up directory entry.
struct NUMIO_EXPORT FileEntry {
    QString path;
    // The path's own bytes where its name is no valid UTF-8, so that the path (which shows such a
    // name read as Windows-1250) cannot spell it; empty otherwise.
    QByteArray native = {};
};

// What a file is just now. Two stamps differ when the file changed between them: a writer appends,
// so the size moves; a file replaced whole is another file or has another time.
struct NUMIO_EXPORT FileStamp {
    enum class Kind { Missing, Regular, Folder, Other }; // Other: a device, a pipe, a socket
    Kind kind = Kind::Missing;
    qint64 size = -1;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 modified = 0; // nanoseconds
    bool operator==(const FileStamp&) const = default;
};

// Every operation throws Failure: 70 refused (permissions, read-only file system, lock held by
// another copy), 53 missing file, 76 missing folder, 61 disk full, 52 bad name, 75 otherwise.
class NUMIO_EXPORT TextFiles {
  public:
    virtual ~TextFiles() = default;
    // Creates the file when missing and holds an exclusive advisory lock while open. Only a
    // regular file or a device will do: a named pipe would wait for a reader for ever.
    virtual std::unique_ptr<AppendStream> openForAppending(const QString& path) = 0;
    virtual FileEntry lookUp(const QString& path) = 0;
    virtual qint64 size(const FileEntry& entry) = 0;
    // Deletes also a read-only file.
    virtual void remove(const FileEntry& entry) = 0;
    // Moves the file to the desktop's trash; false where there is none (nothing then changes).
    virtual bool moveToTrash(const QString& path) = 0;
    // Renames within the file system, never over an existing file.
    virtual void rename(const QString& from, const QString& to) = 0;
    // Opens for reading (never creating), reads the whole text as decodeLines does, closes.
    virtual QString readAll(const QString& path) = 0;
    // readAll of an entry listFolder gave. Once *stop is set (by another thread) the reading ends
    // between two pieces of the file, and what it gives is cut short: whoever set it throws it away.
    virtual QString readEntry(const FileEntry& entry, const std::atomic<bool>* stop = nullptr) = 0;
    // Every entry of the folder, hidden ones and those whose names are no valid UTF-8 too, without
    // "." and ".."; in no set order. A folder that cannot be listed throws: 70 for want of
    // permission, 76 when it is not there.
    virtual QVector<FileEntry> listFolder(const QString& folder) = 0;
    // What the entry is just now, links followed; Missing also where it cannot be looked at. Never
    // throws.
    virtual FileStamp stamp(const FileEntry& entry) = 0;
};

// Writes a document whole or not at all: into a new file beside the target, handed to the disk and
// renamed over it only when complete, so a full disk never leaves a cut document or spoils the one
// that was there. A link is followed; a memory device (/dev/null, /dev/full) is written to directly.
// Throws Failure as TextFiles does: 61 disk full, 70 refused, 75 no ordinary file, 76 no such folder.
NUMIO_EXPORT void writeWholeFile(const QString& path, QByteArrayView bytes);

enum class FileUse { Read, Write };
// Refuses (75, saying what stands there) a path that leads to a named pipe, a socket, a folder or a
// device, before anything opens it: a pipe would wait for its other end for ever. A memory device
// may be written to. Nothing there yet, or an ordinary file, passes.
NUMIO_EXPORT void checkOrdinaryFile(const QString& path, FileUse use);
// What stands at `path` when it is no ordinary file, for a message ("pojmenovaná roura", "soket",
// "složka", "zařízení"); nothing when it is one, or when nothing is there.
NUMIO_EXPORT std::optional<QString> otherThanFile(const QString& path, FileUse use);

// A path longer than the system takes (PATH_MAX), or with a name longer than NAME_MAX: refused at
// once, before anything walks it.
NUMIO_EXPORT bool pathTooLong(const QString& path);

// A journal's bytes as text, line by line: a line that is valid UTF-8 and not plain ASCII is read
// as UTF-8 (an editor saved it so), any other as Windows-1250, the program's own. Bytes that begin
// with UTF-16's byte order mark (little or big endian: what "Unicode" in a Windows editor saves) are
// UTF-16 throughout. Line ends (CR LF, LF, CR) and NULs inside stay as they are; NULs that end the
// text go (a power cut can leave a file's end zeroed), and so does a leading byte order mark.
NUMIO_EXPORT QString decodeLines(QByteArrayView bytes);
// Every character of the text has a Windows-1250 byte.
NUMIO_EXPORT bool windows1250Holds(QStringView text);

// Where a chooser starts and a journal is proposed: the documents folder where there is one, else
// the home folder, so a proposed name never lands in a folder that does not exist.
NUMIO_EXPORT QString documentsOrHomeFolder();

// decodeLines for bytes that come in pieces cut anywhere: only a line that goes on into the next
// piece and is not plain ASCII waits for its end.
class NUMIO_EXPORT LineDecoder {
  public:
    explicit LineDecoder(QString& out);
    void feed(QByteArrayView bytes);
    void finish(); // the last line, then `out` is cut to what was decoded

  private:
    enum class Mode { Undecided, Lines, Utf16 };
    void decide();
    void feedLines(QByteArrayView bytes);
    void feedUtf16(QByteArrayView bytes);
    void decodeLine(const uchar* p, const uchar* end);
    void decodePending();
    static int utf8(const uchar* p, const uchar* end, char32_t& c);

    QString& out_;
    qsizetype at_ = 0;
    QByteArray pending_;
    Mode mode_ = Mode::Undecided;
    QByteArray head_; // the first bytes, until two tell whether a UTF-16 byte order mark begins them
    QStringDecoder utf16_;
    bool oddByte_ = false; // UTF-16: a byte waits for its pair
    uchar lastByte_ = 0;
};

class NUMIO_EXPORT LocalTextFiles : public TextFiles {
  public:
    std::unique_ptr<AppendStream> openForAppending(const QString& path) override;
    FileEntry lookUp(const QString& path) override;
    qint64 size(const FileEntry& entry) override;
    void remove(const FileEntry& entry) override;
    bool moveToTrash(const QString& path) override;
    void rename(const QString& from, const QString& to) override;
    QString readAll(const QString& path) override;
    QString readEntry(const FileEntry& entry, const std::atomic<bool>* stop = nullptr) override;
    QVector<FileEntry> listFolder(const QString& folder) override;
    FileStamp stamp(const FileEntry& entry) override;
};

} // namespace numio
