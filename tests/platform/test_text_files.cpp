#include "platform/failure.h"
#include "platform/text_files.h"
#include "support/data.h"

#include <QFile>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/file.h>
#include <sys/stat.h>

using namespace numio;
using namespace numio::test;

template <typename F> static int failureOf(F&& action) try {
    return action(), 0;
} catch (const Failure& failure) {
    return failure.code();
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
        row("CJK, Latin-1 outside", QByteArray(), QStringLiteral("a\u4E2D\u00C0b"), QByteArray("a??b"),
            QString());
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
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(before) == before.size());
        file.close();
        files_.openForAppending(file.fileName())->writeLine(text);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before + bytes + "\r\n"); // no BOM, CR LF
        if (!before.isEmpty())
            QCOMPARE(files_.readAll(file.fileName()), read);
    }

    // Cut anywhere, a journal decodes as it does whole: each line in its own code page.
    void decodesPiecesAsWhole() {
        const QByteArray bytes("\xEF\xBB\xBFpozn\xC3\xA1mka\r\n\x8Apatn\xEC\rab\xC5\xA0\n\xC5");
        for (qsizetype cut = 0; cut <= bytes.size(); ++cut) {
            QString text;
            LineDecoder decoder(text);
            decoder.feed(bytes.first(cut));
            decoder.feed(bytes.sliced(cut));
            decoder.finish();
            QCOMPARE(text, QStringLiteral("poznámka\r\nŠpatně\rabŠ\nĹ"));
        }
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
        QCOMPARE(failureOf([&] { files_.openForAppending(file); }), 70);
        stream->close();
        QFile other(file);
        QVERIFY(other.open(QIODevice::ReadOnly) && ::flock(other.handle(), LOCK_EX | LOCK_NB) == 0);
        QCOMPARE(failureOf([&] { files_.openForAppending(file); }), 70);
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
        QTest::newRow("open: a named pipe") << 75 << "pipe";
        QTest::newRow("open: link into a missing folder") << 76 << "dangling";
        QTest::newRow("write: disk full") << 61 << "/dev/full";
        QTest::newRow("lookUp: file missing") << 53 << "gone";
        QTest::newRow("lookUp: a folder") << 75 << ".";
        QTest::newRow("readAll: a named pipe") << 75 << "pipe";
    }
    void failureCodes() {
        const auto [code, name] = fetch<int, QString>("code", "name");
        ::mkfifo(QFile::encodeName(path("pipe")).constData(), 0644);
        QFile::link(path("nowhere/p.txt"), path("dangling"));
        const QString full = name.isEmpty() || name.startsWith(u'/') ? name : path(name);
        const QHash<QString, std::function<void()>> operations{
            {"open", [&] { files_.openForAppending(full); }},
            {"write", [&] { files_.openForAppending(full)->writeLine(QStringLiteral("x")); }},
            {"lookUp", [&] { files_.lookUp(full); }},
            {"readAll", [&] { files_.readAll(full); }}};
        QCOMPARE(failureOf(operations[QString(QTest::currentDataTag()).section(':', 0, 0)]), code);
        QVERIFY(!QFile::exists(path("gone"))); // nothing but opening to append creates
    }
};

QTEST_GUILESS_MAIN(TestTextFiles)
#include "test_text_files.moc"
