#include "platform/failure.h"
#include "platform/text_files.h"
#include "support/data.h"
#include "support/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStorageInfo>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace numio;
using namespace numio::test;

// The text in UTF-16 of the given order, its byte order mark first.
static QByteArray utf16(const QString& text, QStringConverter::Encoding order) {
    return QStringEncoder(order, QStringConverter::Flag::WriteBom)(text);
}

class TestTextFiles : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    LocalTextFiles files_;

    QString path(const QString& name) const { return dir_.filePath(name); }

  private slots:
    // A line goes out in Windows-1250 with CR LF, on a line of its own after a note left without a
    // line end; and reads back whether an editor saved the file in UTF-8 or left a lone CR.
    void writeLineEncodesWindows1250_data() {
        columns<QByteArray, QString, QByteArray, QString>({"before", "text", "bytes", "read"});
        row("Czech letters", QByteArray(), QStringLiteral("ÁČĎÉĚÍŇÓŘŠŤÚŮÝŽáčďéěíňóřšťúůýž"),
            QByteArray::fromHex("c1c8cfc9cccdd2d3d88a8ddad9dd8ee1e8efe9ecedf2f3f89a9dfaf9fd9e"), QString());
        row("empty line", QByteArray(), QString(), QByteArray(), QString());
        row("emoji pair is one character", QByteArray(), QStringLiteral("a\U0001F600b"), QByteArray("a?b"),
            QString());
        row("BOM, surrogate", QByteArray(), QStringLiteral("a\uFEFFb") + QChar(0xD800), QByteArray("a?b?"),
            QString());
        row("after a UTF-8 note without a line end", QByteArray("\xEF\xBB\xBFpozn\xC3\xA1mka"),
            QStringLiteral("Špatně"), QByteArray("\r\n\x8Apatn\xEC"),
            QStringLiteral("poznámka\r\nŠpatně\r\n"));
        row("after a lone CR", QByteArray("x\r"), QStringLiteral("á"), QByteArray("\xE1"),
            QStringLiteral("x\rá\r\n"));
    }
    void writeLineEncodesWindows1250() {
        const auto [before, text, bytes, read] =
            fetch<QByteArray, QString, QByteArray, QString>("before", "text", "bytes", "read");
        QFile file(path(QTest::currentDataTag()));
        QVERIFY(writeFile(file.fileName(), before));
        files_.openForAppending(file.fileName())->writeLine(text);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before + bytes + "\r\n"); // no BOM, CR LF
        if (!before.isEmpty())
            QCOMPARE(files_.readAll(file.fileName()), read);
    }

    // Each line in its own code page; what a Windows editor saves as "Unicode", little or big endian
    // with the byte order mark, reads as any journal does. Cut anywhere, the text decodes as it does
    // whole. NULs that end the text (a power cut's zeroed end) go, those inside stay; a byte left
    // without its pair is no character.
    void decodesUtf16AndNuls_data() {
        columns<QByteArray, QString>({"bytes", "text"});
        const QString text = QStringLiteral("Špatně : 1\r\nÚspěšnost : 90%\n\U0001F600\u00A0\r");
        row("UTF-8 with its mark, Windows-1250, line ends of each kind",
            QByteArray("\xEF\xBB\xBFpozn\xC3\xA1mka\r\n\x8Apatn\xEC\rab\xC5\xA0\n\xC5"),
            QStringLiteral("poznámka\r\nŠpatně\rabŠ\nĹ"));
        const QByteArray ascii = "abcdefghijklmnopqrstuvwxyz0123456789";
        const QString latin = QString::fromLatin1(ascii);
        row("long ASCII runs before, between and after both code pages",
            ascii.left(17) + "\xC5\xA0" + ascii.mid(17, 15) + "\n" + ascii.left(16) + "\x8A\r" + ascii,
            latin.left(17) + "Š" + latin.mid(17, 15) + "\n" + latin.left(16) + "Š\r" + latin);
        row("UTF-16 LE", utf16(text, QStringConverter::Utf16LE), text);
        row("UTF-16 BE", utf16(text, QStringConverter::Utf16BE), text);
        row("UTF-16 LE, a second mark kept", utf16(QStringLiteral("\uFEFFa"), QStringConverter::Utf16LE),
            QStringLiteral("\uFEFFa"));
        row("UTF-16 LE, zeroed end", utf16(text, QStringConverter::Utf16LE) + QByteArray(4097, '\0'), text);
        row("UTF-16 BE, cut in a character",
            utf16(QStringLiteral("aŠ"), QStringConverter::Utf16BE).chopped(1), QStringLiteral("a\uFFFD"));
        row("UTF-16 mark alone", QByteArray("\xFF\xFE"), QString());
        row("NUL inside stays", QByteArray("a\0b\r\n\0", 7), QStringLiteral("a") + QChar(0) + "b\r\n");
        row("zeroed end after a line", QByteArray("\xC5\xA0\r\n") + QByteArray(4096, '\0'),
            QStringLiteral("Š\r\n"));
        row("zeroed end in a line", QByteArray("\x8Apat") + QByteArray(4096, '\0'), QStringLiteral("Špat"));
        row("nothing but NULs", QByteArray(10, '\0'), QString());
        row("one byte", QByteArray("\xFF"), QStringLiteral("˙"));
        row("Windows-1250 that looks like a mark", QByteArray("\xFE\xFE"), QStringLiteral("ţţ"));
    }
    void decodesUtf16AndNuls() {
        const auto [bytes, text] = fetch<QByteArray, QString>("bytes", "text");
        QCOMPARE(decodeLines(bytes), text);
        for (qsizetype cut = 0; cut <= std::min<qsizetype>(bytes.size(), 40); ++cut)
            for (qsizetype second : {cut, (cut + bytes.size()) / 2}) {
                QString out;
                LineDecoder decoder(out);
                decoder.feed(bytes.first(cut));
                decoder.feed(bytes.sliced(cut, second - cut));
                decoder.feed(bytes.sliced(second));
                decoder.finish();
                QCOMPARE(out, text);
            }
    }

    // Every entry of a folder: hidden ones, a name that is no UTF-8 (shown as Windows-1250, read by its
    // own bytes), a folder; a stamp that moves when the file grows and is Missing when it is gone.
    void listsEveryEntry() {
        QTemporaryDir dir;
        const QByteArray folder = QFile::encodeName(dir.path());
        QVERIFY(writeFile(dir.filePath(".x.txt"), "skrytý"));
        QVERIFY(writeFile(dir.filePath("..txt"), "tečka"));
        QVERIFY(QDir(dir.path()).mkdir("složka"));
        const QByteArray foreign = folder + "/\xC8ten\xED.txt"; // "Čtení.txt" in Windows-1250
        // QTemporaryDir does not see such a name, so would never remove it.
        const auto removeForeign = qScopeGuard([&] { ::unlink(foreign.constData()); });
        QVERIFY(writeNativeFile(foreign, "cizí"));
        QVector<FileEntry> entries = files_.listFolder(dir.path());
        std::sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.path < b.path; });
        QStringList names;
        for (const FileEntry& e : entries)
            names << QFileInfo(e.path).fileName() + (e.native.isEmpty() ? "" : " (own bytes)");
        QCOMPARE(names, (QStringList{"..txt", ".x.txt", QStringLiteral("složka"),
                                     QStringLiteral("Čtení.txt (own bytes)")}));
        const FileEntry& read = entries[3];
        QCOMPARE(read.native, foreign);
        QCOMPARE(files_.readEntry(read), QStringLiteral("cizí"));
        QCOMPARE(files_.size(read), qint64(5));
        const FileStamp before = files_.stamp(read);
        QCOMPARE(before.kind, FileStamp::Kind::Regular);
        QCOMPARE(files_.stamp(entries[2]).kind, FileStamp::Kind::Folder);
        QCOMPARE(files_.stamp(FileEntry{"/dev/null", {}}).kind, FileStamp::Kind::Other);
        QFile grown;
        QVERIFY(grown.open(::fopen(foreign.constData(), "a"), QIODevice::Append, QFile::AutoCloseHandle));
        QVERIFY(grown.write("!") == 1);
        grown.close();
        QVERIFY(files_.stamp(read) != before);
        files_.remove(read);
        QCOMPARE(files_.stamp(read).kind, FileStamp::Kind::Missing);
        QCOMPARE(failureCode([&] { files_.readEntry(read); }), int(kFileNotFound));
        QCOMPARE(failureCode([&] { files_.listFolder(dir.filePath("nowhere")); }), int(kPathNotFound));
        QCOMPARE(failureCode([&] { files_.listFolder(dir.filePath(".x.txt")); }), int(kPathNotFound));
    }

    // A folder without the permission to read it is refused, not empty. Root may read anything.
    void unlistableFolderIsRefused() {
        if (::geteuid() == 0)
            QSKIP("root lists every folder whatever its permissions");
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("zavřená"));
        const QString closed = dir.filePath("zavřená");
        QVERIFY(QFile::setPermissions(closed, QFile::ExeOwner));
        const int code = failureCode([&] { files_.listFolder(closed); });
        QFile::setPermissions(closed, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(code, int(kAccessDenied));
    }

    // Without a home of its own there is no trash: the file stays and nothing is made in the current
    // folder.
    void noTrashWithoutAHome_data() {
        columns<QByteArray, QByteArray>({"home", "dataHome"});
        row("home empty", QByteArray(""), QByteArray());
        row("relative data home", QByteArray("/tmp"), QByteArray("rel"));
    }
    void noTrashWithoutAHome() {
        const auto [home, dataHome] = fetch<QByteArray, QByteArray>("home", "dataHome");
        QTemporaryDir dir;
        const QString file = dir.filePath("protokol.txt"), before = QDir::currentPath();
        QVERIFY(writeFile(file, "x"));
        const QByteArray oldHome = qgetenv("HOME"), oldData = qgetenv("XDG_DATA_HOME");
        qputenv("HOME", home), qputenv("XDG_DATA_HOME", dataHome);
        QDir::setCurrent(dir.path());
        const bool trashed = files_.moveToTrash(file);
        QDir::setCurrent(before);
        qputenv("HOME", oldHome);
        oldData.isNull() ? qunsetenv("XDG_DATA_HOME") : qputenv("XDG_DATA_HOME", oldData);
        QVERIFY(!trashed && QFile::exists(file));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{"protokol.txt"});
    }

    // A document appears whole or not at all, through a link to where it leads, with the permissions
    // of the file it replaces and nothing left beside it; a full disk is a full disk.
    void writesWholeFile() {
        QTemporaryDir dir;
        const QString target = dir.filePath("t.csv");
        QVERIFY(writeFile(target, "starý"));
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        QVERIFY(QFile::link(target, dir.filePath("odkaz.csv")));
        writeWholeFile(dir.filePath("odkaz.csv"), "nový");
        QFile file(target);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("nový"));
        struct stat st {};
        QVERIFY(::stat(QFile::encodeName(target).constData(), &st) == 0);
        QCOMPARE(st.st_mode & 07777, 0640u);
        QVERIFY(QFileInfo(dir.filePath("odkaz.csv")).isSymLink());
        QCOMPARE(
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            (QStringList{"odkaz.csv", "t.csv"}));

        // A read-only file stays as it is (root may write anything).
        if (::geteuid() != 0) {
            QVERIFY(QFile::setPermissions(target, QFile::ReadOwner));
            QCOMPARE(failureCode([&] { writeWholeFile(target, "jiný"); }), int(kAccessDenied));
            QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        }

        QVERIFY(QFile::link("/dev/full", dir.filePath("plný.csv")));
        QCOMPARE(failureCode([&] { writeWholeFile(dir.filePath("plný.csv"), QByteArray(100000, 'x')); }),
                 int(kDiskFull));
        QVERIFY(QFileInfo(dir.filePath("plný.csv")).isSymLink());
        QCOMPARE(failureCode([&] { writeWholeFile(dir.filePath("nowhere/t.csv"), "x"); }),
                 int(kPathNotFound));
        QCOMPARE(failureCode([&] { writeWholeFile(dir.path(), "x"); }), int(kPathFileAccess));
        QCOMPARE(failureCode([&] { writeWholeFile(QString(), "x"); }), int(kBadFileName));
        QCOMPARE(
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            (QStringList{"odkaz.csv", "plný.csv", "t.csv"}));
    }

    // Appended after what is there (a destroyed stream let it go), seen by size and readAll as soon as
    // written, locked against any other opening while open, and removable when read-only.
    void openStream() {
        const QString file = path("open.txt");
        files_.openForAppending(file)->writeLine(QStringLiteral("Starý"));
        auto stream = files_.openForAppending(file);
        const FileEntry entry = files_.lookUp(file);
        QCOMPARE(files_.size(entry), qint64(7));
        stream->writeLine(QStringLiteral("Úspěšnost : 90%"));
        QCOMPARE(files_.size(entry), qint64(24));
        QCOMPARE(files_.readAll(file), QStringLiteral("Starý\r\nÚspěšnost : 90%\r\n"));
        QCOMPARE(failureCode([&] { files_.openForAppending(file); }), 70);
        stream->close();
        QFile other(file);
        QVERIFY(other.open(QIODevice::ReadOnly) && ::flock(other.handle(), LOCK_EX | LOCK_NB) == 0);
        QCOMPARE(failureCode([&] { files_.openForAppending(file); }), 70);
        other.close();
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner));
        files_.remove(entry);
        QVERIFY(!QFile::exists(file));
    }

    // A journal of 512 MiB and more is read whole: the decoder alone gives nothing from that size up.
    void hugeFileReadsWhole() {
        const qint64 size = 512LL * 1024 * 1024 + 6;
        if (QStorageInfo(dir_.path()).bytesAvailable() < size)
            QSKIP("no room for the file");
        QFile file(path("huge.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(size - 6) && file.seek(size - 6));
        QVERIFY(file.write("konec\n") == 6 && file.flush()); // the rest is a hole
        const QString text = files_.readAll(file.fileName());
        QCOMPARE(text.size(), size);
        QVERIFY(text.endsWith(u"\0konec\n"));
        file.remove();
    }

    void failureCodes_data() {
        // code: the operation is named before the colon
        // name: inside the temporary folder unless absolute
        columns<int, QString>({"code", "name"});
        QTest::newRow("open: folder missing") << 76 << "nowhere/p.txt";
        QTest::newRow("open: empty name") << 52 << "";
        QTest::newRow("open: a folder") << 75 << ".";
        QTest::newRow("open: link into a missing folder") << 76 << "dangling";
        QTest::newRow("write: disk full") << 61 << "/dev/full";
        QTest::newRow("lookUp: file missing") << 53 << "gone";
        QTest::newRow("lookUp: a folder") << 75 << ".";
        // Nothing but an ordinary file is opened, for reading or writing; none of these may wait.
        for (const char* kind : {"pipe", "link to pipe", "socket"}) {
            for (const char* op : {"open", "readAll", "writeWhole"})
                QTest::newRow(qPrintable(QStringLiteral("%1: %2").arg(op, kind))) << 75 << kind;
        }
        QTest::newRow("readAll: a folder") << 75 << ".";
        QTest::newRow("readAll: /dev/zero behind a link") << 75 << "zero";
        QTest::newRow("open: /dev/zero behind a link takes what it is given") << 0 << "zero";
    }
    void failureCodes() {
        const auto [code, name] = fetch<int, QString>("code", "name");
        ::mkfifo(QFile::encodeName(path("pipe")).constData(), 0644);
        QFile::link(path("pipe"), path("link to pipe"));
        QFile::link("/dev/zero", path("zero"));
        QFile::link(path("nowhere/p.txt"), path("dangling"));
        const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray socketPath = QFile::encodeName(path("socket"));
        std::memcpy(address.sun_path, socketPath.constData(),
                    std::min(socketPath.size() + 1, qsizetype(sizeof address.sun_path)));
        ::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address);
        const auto closeSocket = qScopeGuard([sock] { ::close(sock); });
        const QString full = name.isEmpty() || name.startsWith(u'/') ? name : path(name);
        const QHash<QString, std::function<void()>> operations{
            {"open", [&] { files_.openForAppending(full); }},
            {"write", [&] { files_.openForAppending(full)->writeLine(QStringLiteral("x")); }},
            {"lookUp", [&] { files_.lookUp(full); }},
            {"readAll", [&] { files_.readAll(full); }},
            {"writeWhole", [&] { writeWholeFile(full, "x"); }}};
        const auto operation = operations[QString(QTest::currentDataTag()).section(':', 0, 0)];
        const std::optional<Failure> failure = thrown(operation);
        QCOMPARE(failure ? failure->code() : 0, code);
        QVERIFY(!QFile::exists(path("gone")));      // nothing but opening to append creates
        if (code == kPathFileAccess && name != ".") // told for what it is, before it is opened
            QVERIFY2(failure->detail().contains(u"není obyčejný soubor"), qPrintable(failure->detail()));
    }
};

QTEST_GUILESS_MAIN(TestTextFiles)
#include "test_text_files.moc"
