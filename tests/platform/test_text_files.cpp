#include "platform/failure.h"
#include "platform/text_files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace numio;

namespace {

template <typename F> int failureOf(F&& action) {
    try {
        action();
    } catch (const Failure& failure) {
        return failure.code();
    }
    return 0;
}

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void putBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestTextFiles : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    LocalTextFiles files_;

    QString path(const QString& name) const { return dir_->filePath(name); }

private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
    }

    void writeLineEncodesWindows1250_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("count line") << QStringLiteral("Příkladů celkem : 20")
                                    << QByteArray("P\xF8\xEDklad\xF9 celkem : 20");
        QTest::newRow("interrupted line")
            << QStringLiteral("Přerušeno zásahamem uživatele v průběhu zkoušení")
            << QByteArray("P\xF8"
                          "eru\x9A"
                          "eno z\xE1sahamem u\x9Eivatele v pr\xF9"
                          "b\xEChu zkou\x9A"
                          "en\xED");
        QTest::newRow("success line")
            << QStringLiteral("Úspěšnost : 90%") << QByteArray("\xDAsp\xEC\x9Anost : 90%");
        QTest::newRow("all Czech letters")
            << QStringLiteral("ÁČĎÉĚÍŇÓŘŠŤÚŮÝŽáčďéěíňóřšťúůýž")
            << QByteArray::fromHex("c1c8cfc9cccdd2d3d88a8ddad9dd8ee1e8efe9ecedf2f3f89a9dfaf9fd9e");
        QTest::newRow("empty line") << QString() << QByteArray();
        QTest::newRow("CJK") << QStringLiteral("a\u4E2Db") << QByteArray("a?b");
        QTest::newRow("emoji pair is one character") << QStringLiteral("a\U0001F600b") << QByteArray("a?b");
        QTest::newRow("Latin-1 letter outside the code page")
            << QStringLiteral("\u00C0\u00C5") << QByteArray("??");
        QTest::newRow("ignorable marks are not dropped")
            << QStringLiteral("a\uFEFF\u200Bb") << QByteArray("a??b");
        QTest::newRow("lone surrogates")
            << (QChar(0xDC00) + QStringLiteral("x") + QChar(0xD800)) << QByteArray("?x?");
        QTest::newRow("control SUB stays itself") << QStringLiteral("\x1A") << QByteArray("\x1A");
    }

    void writeLineEncodesWindows1250() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        auto stream = files_.openForAppending(path("p.txt"));
        stream->writeLine(text);
        stream->close();
        QCOMPARE(bytesOf(path("p.txt")), bytes + "\r\n");
    }

    void appendKeepsEarlierContent() {
        putBytes(path("p.txt"), "Star\xFD\r\nbez konce");
        for (const QString& line : {QStringLiteral("první"), QStringLiteral("druhá")}) {
            auto stream = files_.openForAppending(path("p.txt"));
            stream->writeLine(line);
        }
        QCOMPARE(bytesOf(path("p.txt")), QByteArray("Star\xFD\r\nbez konceprvn\xED\r\ndruh\xE1\r\n"));
    }

    void linesAreVisibleWhileOpen() {
        auto stream = files_.openForAppending(path("p.txt"));
        const FileEntry entry = files_.lookUp(path("p.txt"));
        QCOMPARE(files_.size(entry), qint64(0));
        stream->writeLine(QStringLiteral("Úspěšnost : 90%"));
        QCOMPARE(files_.size(entry), qint64(17));
        stream->writeLine(QStringLiteral("konec"));
        QCOMPARE(files_.size(entry), qint64(24));
        QCOMPARE(files_.readAll(path("p.txt")), QStringLiteral("Úspěšnost : 90%\r\nkonec\r\n"));
    }

    void foreignLockRefusesOpen() {
        const QByteArray native = QFile::encodeName(path("p.txt"));
        const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        QVERIFY(fd >= 0);
        QCOMPARE(::flock(fd, LOCK_EX | LOCK_NB), 0);
        QCOMPARE(failureOf([&] { files_.openForAppending(path("p.txt")); }), 70);
        ::close(fd);

        auto stream = files_.openForAppending(path("p.txt"));
        const int other = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
        QVERIFY(other >= 0);
        QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), -1); // ours is held while the stream is open
        stream->close();
        QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);
        ::close(other);
    }

    void secondStreamWaitsForFirst_data() {
        QTest::addColumn<bool>("explicitClose");
        QTest::newRow("first closed") << true;
        QTest::newRow("first destroyed") << false;
    }

    void secondStreamWaitsForFirst() {
        QFETCH(bool, explicitClose);
        auto first = files_.openForAppending(path("p.txt"));
        QCOMPARE(failureOf([&] { files_.openForAppending(path("p.txt")); }), 70);
        if (explicitClose)
            first->close();
        else
            first.reset();
        auto second = files_.openForAppending(path("p.txt"));
        second->writeLine(QStringLiteral("ok"));
        QCOMPARE(bytesOf(path("p.txt")), QByteArray("ok\r\n"));
    }

    void closeTwiceThenWriteFails() {
        auto stream = files_.openForAppending(path("p.txt"));
        stream->close();
        stream->close();
        QCOMPARE(failureOf([&] { stream->writeLine(QStringLiteral("x")); }), 52);
        QCOMPARE(bytesOf(path("p.txt")), QByteArray());
    }

    void failureCodes_data() {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("name"); // relative names are inside the temporary folder
        QTest::addColumn<int>("code");
        const QString tooLong(300, u'x');
        const struct {
            const char* row;
            const char* operation;
            QString name;
            int code;
        } rows[] = {
            {"open: folder missing", "open", QStringLiteral("nowhere/p.txt"), 76},
            {"open: parent is a file", "open", QStringLiteral("file.txt/p.txt"), 76},
            {"open: empty", "open", QString(), 52},
            {"open: name too long", "open", tooLong, 52},
            {"open: a folder", "open", QStringLiteral("folder"), 75},
            {"write: disk full", "write", QStringLiteral("/dev/full"), 61},
            {"lookUp: file missing", "lookUp", QStringLiteral("missing.txt"), 53},
            {"lookUp: folder missing", "lookUp", QStringLiteral("nowhere/p.txt"), 76},
            {"lookUp: empty", "lookUp", QString(), 52},
            {"lookUp: a folder", "lookUp", QStringLiteral("folder"), 75},
            {"size: file missing", "size", QStringLiteral("missing.txt"), 53},
            {"remove: file missing", "remove", QStringLiteral("missing.txt"), 53},
            {"remove: a folder", "remove", QStringLiteral("folder"), 75},
            {"readAll: file missing", "readAll", QStringLiteral("missing.txt"), 53},
            {"readAll: folder missing", "readAll", QStringLiteral("nowhere/p.txt"), 76},
            {"readAll: empty", "readAll", QString(), 52},
            {"readAll: a folder", "readAll", QStringLiteral("folder"), 75},
        };
        for (const auto& r : rows)
            QTest::newRow(r.row) << QString::fromLatin1(r.operation) << r.name << r.code;
    }

    void failureCodes() {
        QFETCH(QString, operation);
        QFETCH(QString, name);
        QFETCH(int, code);
        if (name == u"/dev/full" && !QFile::exists(name))
            QSKIP("no /dev/full here");
        QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("folder")));
        putBytes(path("file.txt"), "x");
        const QString full = name.isEmpty() || name.startsWith(u'/') ? name : path(name);

        const int got = failureOf([&] {
            if (operation == u"open")
                files_.openForAppending(full);
            else if (operation == u"write")
                files_.openForAppending(full)->writeLine(QStringLiteral("x"));
            else if (operation == u"lookUp")
                files_.lookUp(full);
            else if (operation == u"size")
                files_.size(FileEntry{full});
            else if (operation == u"remove")
                files_.remove(FileEntry{full});
            else
                files_.readAll(full);
        });
        QCOMPARE(got, code);
        QVERIFY(!QFile::exists(path("missing.txt"))); // nothing but opening to append creates
    }

    void removeDeletesReadOnlyFile() {
        putBytes(path("p.txt"), "x\r\n");
        QVERIFY(QFile::setPermissions(path("p.txt"), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        files_.remove(files_.lookUp(path("p.txt")));
        QVERIFY(!QFile::exists(path("p.txt")));
    }

    void readAllRoundTripsEveryByte() {
        QByteArray every(256, Qt::Uninitialized);
        for (int i = 0; i < 256; ++i)
            every[i] = static_cast<char>(i);
        putBytes(path("in.txt"), every);
        const QString text = files_.readAll(path("in.txt"));
        QCOMPARE(text.size(), qsizetype(256));
        QCOMPARE(text.mid(0xD8, 2), QStringLiteral("ŘŮ"));
        files_.openForAppending(path("out.txt"))->writeLine(text);
        QCOMPARE(bytesOf(path("out.txt")), every + "\r\n");
    }

    void readAllOfLargeFileIsQuick() {
        QByteArray line("P\xF8\xEDklad\xF9 celkem : 20\r\n");
        putBytes(path("big.txt"), line.repeated(50 * 1024 * 1024 / line.size()));
        QElapsedTimer timer;
        timer.start();
        const QString text = files_.readAll(path("big.txt"));
        const qint64 elapsed = timer.elapsed();
        QCOMPARE(text.size(), 50 * 1024 * 1024 / line.size() * line.size());
        QVERIFY(text.endsWith(QStringLiteral("Příkladů celkem : 20\r\n")));
        // Generous for a loaded CI machine; decoding byte by byte would take many seconds.
        QVERIFY2(elapsed < 2000, qPrintable(QString::number(elapsed) + QStringLiteral(" ms")));
    }
};

QTEST_GUILESS_MAIN(TestTextFiles)
#include "test_text_files.moc"
