#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>

namespace numio {

// A file opened for appending. Each line goes out in Windows-1250 with CR LF and is handed to
// the operating system at once, so size queries and other readers see it immediately.
class AppendStream {
  public:
    virtual ~AppendStream() = default;
    virtual void writeLine(const QString& text) = 0;
    virtual void close() = 0;
    // Whether the path still names the very file this stream writes to.
    virtual bool refersTo(const QString& path) const = 0;
};

// A looked-up directory entry.
struct FileEntry {
    QString path;
};

// Every operation throws Failure: 70 refused (permissions, read-only file system, lock held by
// another copy), 53 missing file, 76 missing folder, 61 disk full, 52 bad name, 75 otherwise.
class TextFiles {
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
};

// A journal's bytes as text, line by line: a line that is valid UTF-8 and not plain ASCII is read
// as UTF-8 (an editor saved it so), any other as Windows-1250, the program's own. Line ends (CR LF,
// LF, CR) and NULs stay as they are; a leading byte order mark goes.
QString decodeLines(QByteArrayView bytes);
// Every character of the text has a Windows-1250 byte.
bool windows1250Holds(QStringView text);

// decodeLines for bytes that come in pieces cut anywhere: only a line that goes on into the next
// piece and is not plain ASCII waits for its end.
class LineDecoder {
  public:
    explicit LineDecoder(QString& out);
    void feed(QByteArrayView bytes);
    void finish(); // the last line, then `out` is cut to what was decoded

  private:
    void decodeLine(const uchar* p, const uchar* end);
    static int utf8(const uchar* p, const uchar* end, char32_t& c);

    QString& out_;
    qsizetype at_ = 0;
    QByteArray pending_;
};

class LocalTextFiles : public TextFiles {
  public:
    std::unique_ptr<AppendStream> openForAppending(const QString& path) override;
    FileEntry lookUp(const QString& path) override;
    qint64 size(const FileEntry& entry) override;
    void remove(const FileEntry& entry) override;
    bool moveToTrash(const QString& path) override;
    void rename(const QString& from, const QString& to) override;
    QString readAll(const QString& path) override;
};

} // namespace numio
