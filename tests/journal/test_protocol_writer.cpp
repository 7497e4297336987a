#include "journal/journal.h"
#include "journal/protocol_file.h"
#include "journal/protocol_writer.h"
#include "platform/failure.h"
#include "support/data.h"
#include "support/fakes.h"
#include "support/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace numio;
using namespace numio::test;

class TestProtocolWriter : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    LocalTextFiles files_;
    PracticeState s_;
    QStringList told_; // the failures the writer handed back, as the window tells them
    test::FixedClock clock_;

    QString path(const QString& name = "protokol.txt") const { return QDir(dir_->path()).filePath(name); }
    int openAt(const QString& file) {
        s_.bProtokol = true, s_.ProtokolFile = file;
        return failureCode([&] { openProtocol(s_); });
    }
    void write(const QString& kind, const QString& answer = QString()) {
        for (const Failure& f :
             WriteProtokol(kind, s_, answer, clock_, QLocale(QLocale::Czech, QLocale::Czechia)))
            told_ << f.boxText();
    }

  private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        s_ = PracticeState(), s_.fso = &files_, told_.clear(), clock_ = test::FixedClock();
    }

    void workedExample() {
        QCOMPARE(openAt(path()), 0);
        write("INIT");
        s_.A = 7, s_.Rezim = "+", s_.B = 8, s_.C = 15, write("LOG", "14");
        s_.A = 12, s_.Rezim = "-", s_.B = 5, s_.C = 7, write("LOG", "6");
        s_.nPrikladID = 20, s_.nSpatne = 2, write("FINISH");
        clock_.time.setTime(QTime(10, 31, 2));
        write("INIT");
        s_.A = 6, s_.Rezim = "*", s_.B = 7, s_.C = 42, write("LOG", "48");
        s_.nLimitSady = 10, write("LIMIT");
        s_.nPrikladID = 14, s_.nSpatne = 1, write("FINISH");
        writeShutdownLine(s_);
        const QString rule(64, u'_'), dashes(35, u'-');
        QString text = rule + "\nNumio - 14.3.2002 10:05:17\n" + dashes + "\n7+8=15   <14>\n12-5=7   <6>\n" +
                       "\nPříkladů celkem : 20\nŠpatně : 2\nZnámka : 1\nÚspěšnost : 90%\n" + rule +
                       "\nNumio - 14.3.2002 10:31:02\n" + dashes + "\n6*7=42   <48>\n\n" +
                       "Limit na počítání sady vypršel !! (10.min)\n\n" +
                       "Příkladů celkem : 14\nŠpatně : 1\nZnámka : 1\nÚspěšnost : 92%\n" +
                       "Přerušeno zásahamem uživatele v průběhu zkoušení\n";
        // Then: midnight keeps its time, an answer timed out, five minutes, 21 wrong of 50, and
        // kinds that only resemble a record's write nothing.
        openAt(path());
        clock_.time = QDateTime(QDate(2004, 1, 1), QTime(0, 0));
        s_.A = 3, s_.Rezim = "*", s_.B = 4, s_.C = 12, s_.nLimitSady = 5, s_.nPrikladID = 50, s_.nSpatne = 21;
        for (const char* kind : {"INIT", "LOG", "finish", "LOG ", "", "LIMIT", "FINISH"})
            write(kind);
        text += rule + "\nNumio - 1.1.2004 0:00:00\n" + dashes + "\n3*4=12   <>\n\n" +
                "Limit na počítání sady vypršel !! (5.min)\n\n" +
                "Příkladů celkem : 50\nŠpatně : 21\nZnámka : 3\nÚspěšnost : 58%\n";
        QCOMPARE(fileBytes(path()), QByteArray(QStringEncoder("windows-1250")(text.replace("\n", "\r\n"))));
        QVERIFY(told_.empty());
    }

    // With a name the blocks say who practised and what, and an interrupted examination what it had
    // answered; the journal is named after its last block.
    void namedBlocks() {
        const auto words = [](auto set) {
            PracticeState s;
            s.nMaxValue = 20, s.nMaxValueX = 10, s.nSada = 20, s.nLimit = 5, s.nLimitSady = 10;
            set(s);
            return practiceWords(s);
        };
        QCOMPARE(words([](PracticeState& s) {
                     s.bPocitejSady = s.bPlus = s.bMinus = s.bLimit = true,
                     s.crossingTen = CrossingTen::Without;
                 }),
                 "sada 20 příkladů; sčítání a odčítání do 20, bez přechodu přes desítku; limit odpovědi 5 s");
        QCOMPARE(words([](PracticeState& s) {
                     s.bPocitejSady = s.bLimitSady = s.bDeleno = s.chosenTablesOnly = true;
                     s.chosenTables = ChosenRows::parse("3,7");
                 }),
                 "sada 20 příkladů, limit sady 10 min; dělení, řady 3, 7");
        // Hand-edited limits: the line says what runs, both limits on run the per-answer one only.
        QCOMPARE(words([](PracticeState& s) {
                     s.bPocitejSady = s.bLimitSady = s.bLimit = s.bKrat = true, s.nLimit = 40;
                 }),
                 "sada 20 příkladů; násobení do 10; limit odpovědi 32 s");
        QCOMPARE(
            words([](PracticeState& s) { s.bPocitejSady = s.bLimitSady = s.bKrat = true, s.nLimitSady = 0; }),
            "sada 20 příkladů, limit sady 1 min; násobení do 10");
        QCOMPARE(words([](PracticeState& s) { s.bPocitej = s.bKrat = s.bMinus = true; }),
                 "volné počítání; odčítání do 20; násobení do 10");
        QCOMPARE(words([](PracticeState& s) { s.bPocitejSady = s.weakFacts = s.bKrat = true; }),
                 "sada 20 příkladů, co ještě neumí; násobení do 10");
        QCOMPARE(
            words([](PracticeState& s) { s.bOpravy = s.bPlus = true, s.crossingTen = CrossingTen::With; }),
            "oprava chybných příkladů; sčítání do 20, jen s přechodem přes desítku");

        QCOMPARE(openAt(path()), 0);
        s_.journalName = "Tomáš Novák", s_.bOpravy = s_.bPlus = true, s_.nMaxValue = 20;
        write("INIT");
        s_.A = 7, s_.Rezim = "+", s_.B = 8, s_.C = 15, write("LOG", "14");
        s_.nPrikladID = 3, s_.nSpatne = 1, write("FINISH");
        s_.bOpravy = false, s_.bPocitej = true, s_.journalName = "Tomáš N.";
        write("INIT"), write("LOG", "13");
        s_.nPrikladID = 7, s_.nSpatne = 2, writeShutdownLine(s_, true);
        const QString text = QStringDecoder("windows-1250")(fileBytes(path()));
        QVERIFY(text.contains(QString(35, u'-') +
                              "\r\nŽák : Tomáš Novák\r\nCvičení : oprava chybných příkladů; "
                              "sčítání do 20\r\n7+8=15   <14>\r\n"));
        QVERIFY(text.endsWith("Odpovězeno před přerušením : 7, z toho špatně : 2\r\n"
                              "Přerušeno zásahamem uživatele v průběhu zkoušení\r\n"));
        QCOMPARE(parseJournal(text).pupil, "Tomáš N.");
    }

    // "sealed" refuses writes (70): one message, the rest of the record dropped, nothing written, and
    // the protocol off, so callers write no later record. Any other failure costs each line its own.
    void failingLines_data() {
        columns<QString, QStringList>({"file", "messages"});
        QTest::newRow("folder missing") << "no/p.txt" << QStringList(5, Failure(kBadFileName).messageText());
        QTest::newRow("disk full") << "/dev/full" << QStringList(5, Failure(kDiskFull).messageText());
        QTest::newRow("write refused") << "sealed" << QStringList{Failure(kAccessDenied).messageText()};
    }
    void failingLines() {
        const auto [file, messages] = fetch<QString, QStringList>("file", "messages");
        const int sealed = ::memfd_create("protokol", MFD_ALLOW_SEALING | MFD_CLOEXEC);
        QCOMPARE(::fcntl(sealed, F_ADD_SEALS, F_SEAL_WRITE | F_SEAL_GROW), 0);
        openAt(file == u"sealed" ? QStringLiteral("/proc/self/fd/%1").arg(sealed) : path(file));
        s_.nPrikladID = 3, write("FINISH");
        QCOMPARE(told_, messages);
        QCOMPARE(::lseek(sealed, 0, SEEK_END), 0);
        ::close(sealed);
    }

    // The file deleted, replaced by a rename (as editors save) or its folder removed while the program
    // runs: the next record and the closing line go to the path anew, or the failure is told there.
    void pathChangedWhileOpen_data() {
        QTest::addColumn<QByteArray>("expected"); // the file afterwards; "-": none
        const QByteArray lines = QStringEncoder("windows-1250")(
            QStringLiteral("7+8=15   <5>\r\nPřerušeno zásahamem uživatele v průběhu zkoušení\r\n"));
        QTest::newRow("deleted") << lines;
        QTest::newRow("replaced") << "other\r\n" + lines;
        QTest::newRow("folder removed") << QByteArray("-");
    }
    void pathChangedWhileOpen() {
        QFETCH(QByteArray, expected);
        const QString file = path("sub/p.txt"), tag = QTest::currentDataTag();
        QVERIFY(QDir(dir_->path()).mkdir("sub"));
        QCOMPARE(openAt(file), 0);
        write("INIT");
        QFile other(path("sub/new"));
        QVERIFY(other.open(QIODevice::WriteOnly) && other.write("other\r\n") == 7 && other.flush());
        if (tag == "deleted")
            QVERIFY(QFile::remove(file));
        else if (tag == "replaced")
            QVERIFY(::rename(QFile::encodeName(other.fileName()), QFile::encodeName(file)) == 0);
        else
            QVERIFY(QDir(path("sub")).removeRecursively());
        s_.A = 7, s_.Rezim = "+", s_.B = 8, s_.C = 15, write("LOG", "5");
        writeShutdownLine(s_);
        QFile back(file);
        QCOMPARE(back.open(QIODevice::ReadOnly) ? back.readAll() : "-", expected);
        const QString told = "Chyba č. 76 - Cesta nenalezena\nSoubor protokolu " + file + " nelze otevřít.";
        QCOMPARE(told_.join(""), expected == "-" ? told : "");
    }

    // With a few bytes left on the disk a line is written only in part: it is cut off again, so the
    // file keeps whole lines.
    void fullDiskKeepsWholeLines() {
        const QString mount = path("small");
        QVERIFY(QDir().mkdir(mount));
        if (::mount("tmpfs", QFile::encodeName(mount), "tmpfs", 0, "size=64k") != 0)
            QSKIP("no small file system to fill (needs the right to mount)");
        struct Unmount {
            QByteArray at;
            ~Unmount() { ::umount2(at.constData(), MNT_DETACH); }
        } unmount{QFile::encodeName(mount)};
        const QByteArray before = QByteArray(4088, 'x') + "\r\n"; // ends 6 bytes short of a page
        QFile old(mount + "/p.txt"), filler(mount + "/filler");
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write(before) == before.size() && old.flush());
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(4096, 'f')) > 0) {
        }
        QCOMPARE(openAt(old.fileName()), 0);
        write("INIT");
        QFile back(old.fileName());
        QVERIFY(back.open(QIODevice::ReadOnly));
        QCOMPARE(back.readAll(), before);
        QCOMPARE(told_, QStringList(3, Failure(kDiskFull).messageText()));
    }

    // Open, reopen and the size test.
    void fileManagement() {
        QCOMPARE(protocolFileSize(s_), qint64(0)); // no entry yet
        openAt(path());
        write("INIT");
        QCOMPARE(protocolFileSize(s_), qint64(64 + 26 + 35 + 3 * 2)); // seen while the stream is open
        QCOMPARE(openAt(path()), 0); // our own lock must not refuse the reopen
        QCOMPARE(openAt(path("new.txt")), 0);
        auto other = files_.openForAppending(path()); // switching files let the old one go
        QCOMPARE(openAt(path()), int(kAccessDenied)); // now another copy holds it
        QVERIFY(!s_.bProtokolOpen && !s_.tsProtokol);
    }

    // "Smaž protokol" puts the old journal, read-only or not, in the trash, or beside itself with the
    // time where there is no trash, and the path starts empty again.
    void deleteKeepsTheOldJournal() {
        struct NoTrash : LocalTextFiles {
            bool moveToTrash(const QString&) override { return false; }
        } noTrash;
        qputenv("XDG_DATA_HOME", QFile::encodeName(path("data")));
        QVERIFY(QDir().mkpath(path("data")));
        const qint64 init = 64 + 26 + 35 + 3 * 2;
        for (const QString name :
             {"trash", "protokol.2002-03-14_10-05-17.txt", "protokol.2002-03-14_10-05-17-2.txt"}) {
            QCOMPARE(openAt(path()), 0);
            QCOMPARE(protocolFileSize(s_), qint64(0)); // the next INIT at the top
            write("INIT");
            QVERIFY(QFile::setPermissions(path(), QFile::ReadOwner));
            const QString said = deleteProtocolFile(s_, clock_);
            QVERIFY(!QFile::exists(path()) && !s_.bProtokolOpen && protocolFileSize(s_) == 0);
            const QString kept = name == u"trash" ? path("data/Trash/files/protokol.txt") : path(name);
            QCOMPARE(QFileInfo(kept).size(), init);
            QCOMPARE(said, name == u"trash" ? QStringLiteral("Starý protokol je v koši.")
                                            : "Starý protokol je uložen jako " + name + '.');
            s_.fso = &noTrash;
        }
        QCOMPARE(failureCode([&] { deleteProtocolFile(s_, clock_); }), int(kFileNotFound)); // already gone
    }
};

QTEST_GUILESS_MAIN(TestProtocolWriter)
#include "test_protocol_writer.moc"
