#include "platform/failure.h"
#include "protocol/protocol_file.h"
#include "protocol/protocol_writer.h"
#include "support/fakes.h"

#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <unistd.h>

using namespace numio;

namespace {

// The Czech letters by hand, so the expected bytes don't come from the encoder under test.
QByteArray cp1250(const QStringList& lines) {
    static const QHash<QChar, char> letters{{u'á', '\xE1'}, {u'č', '\xE8'}, {u'ě', '\xEC'}, {u'í', '\xED'},
                                            {u'ř', '\xF8'}, {u'š', '\x9A'}, {u'Š', '\x8A'}, {u'Ú', '\xDA'},
                                            {u'ů', '\xF9'}, {u'ž', '\x9E'}};
    QByteArray bytes;
    for (const QString& line : lines) {
        for (QChar c : line)
            bytes += c.unicode() < 0x80 ? char(c.unicode()) : letters.value(c, '#');
        bytes += "\r\n";
    }
    return bytes;
}

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList linesOf(const QString& path) {
    QStringList lines = LocalTextFiles().readAll(path).split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}

} // namespace

class TestProtocolWriter : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    LocalTextFiles files_;
    std::unique_ptr<PracticeState> s_;
    std::unique_ptr<test::FakeDialogs> dialogs_;
    test::FixedClock clock_;

    QString path(const QString& name = QStringLiteral("protokol.txt")) const { return dir_->filePath(name); }
    int openAt(const QString& file) {
        s_->bProtokol = true;
        s_->ProtokolFile = file;
        try {
            OpenProtokol(*s_);
        } catch (const Failure& f) {
            return f.code();
        }
        return 0;
    }
    void write(const QString& kind, const QString& answer = QString()) {
        WriteProtokol(kind, *s_, answer, clock_, *dialogs_, QLocale(QLocale::Czech, QLocale::Czechia));
    }
    void problem(int a, const char* sign, int b, int c) {
        s_->A = a, s_->Rezim = QString::fromLatin1(sign), s_->B = b, s_->C = Integer(c);
    }

  private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        s_ = std::make_unique<PracticeState>();
        s_->fso = &files_;
        dialogs_ = std::make_unique<test::FakeDialogs>();
        clock_ = test::FixedClock();
    }

    void workedExample() {
        QCOMPARE(openAt(path()), 0);
        write("INIT");
        problem(7, "+", 8, 15), write("LOG", "14");
        problem(12, "-", 5, 7), write("LOG", "6");
        s_->nPrikladID = 20, s_->nSpatne = 2, write("FINISH");
        clock_.time.setTime(QTime(10, 31, 2));
        write("INIT");
        problem(6, "*", 7, 42), write("LOG", "48");
        s_->nLimitSady = 10, write("LIMIT");
        s_->nPrikladID = 14, s_->nSpatne = 1, write("FINISH");
        WriteShutdownLine(*s_);

        const QString rule(64, u'_'), dashes(35, u'-');
        QCOMPARE(bytesOf(path()), cp1250({rule,
                                          "Numio - 14.3.2002 10:05:17",
                                          dashes,
                                          "7+8=15   <14>",
                                          "12-5=7   <6>",
                                          "",
                                          "Příkladů celkem : 20",
                                          "Špatně : 2",
                                          "Známka : 1",
                                          "Úspěšnost : 90%",
                                          rule,
                                          "Numio - 14.3.2002 10:31:02",
                                          dashes,
                                          "6*7=42   <48>",
                                          "",
                                          "Limit na počítání sady vypršel !! (10.min)",
                                          "",
                                          "Příkladů celkem : 14",
                                          "Špatně : 1",
                                          "Známka : 1",
                                          "Úspěšnost : 92%",
                                          "Přerušeno zásahamem uživatele v průběhu zkoušení"}));
        QVERIFY(dialogs_->shown.empty());
    }

    void records_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("lines");
        const QStringList finish{"", "Příkladů celkem : 50", "Špatně : 21", "Známka : 3", "Úspěšnost : 58%"};
        QTest::newRow("FINISH, 21 wrong of 50") << "FINISH"
                                                << "" << finish;
        QTest::newRow("LOG, timed out") << "LOG"
                                        << "" << QStringList{"3*4=12   <>"};
        QTest::newRow("LOG, typed as is") << "LOG"
                                          << "012" << QStringList{"3*4=12   <012>"};
        QTest::newRow("LIMIT, 5 minutes")
            << "LIMIT"
            << "" << QStringList{"", "Limit na počítání sady vypršel !! (5.min)"};
        QTest::newRow("lower case") << "finish"
                                    << "" << QStringList{};
        QTest::newRow("trailing blank") << "LOG "
                                        << "" << QStringList{};
        QTest::newRow("empty kind") << ""
                                    << "" << QStringList{};
    }
    void records() {
        QFETCH(QString, kind);
        QFETCH(QString, answer);
        QFETCH(QStringList, lines);
        openAt(path());
        problem(3, "*", 4, 12);
        s_->nLimitSady = 5, s_->nPrikladID = 50, s_->nSpatne = 21;
        write(kind, answer);
        QCOMPARE(linesOf(path()), lines);
        QVERIFY(dialogs_->shown.empty());
    }

    void dateTime_data() {
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<QString>("text");
        QTest::newRow("no leading zeros")
            << QDateTime(QDate(2003, 1, 5), QTime(9, 5, 7)) << "5.1.2003 9:05:07";
        QTest::newRow("midnight keeps the time")
            << QDateTime(QDate(2004, 1, 1), QTime(0, 0)) << "1.1.2004 0:00:00";
    }
    void dateTime() {
        QFETCH(QDateTime, time);
        QFETCH(QString, text);
        clock_.time = time;
        openAt(path());
        write("INIT");
        QCOMPARE(linesOf(path()).value(1), "Numio - " + text);
        // Other locales keep their own formats; a zone name may follow the time.
        QVERIFY(protocolDateTime(time, QLocale(QLocale::German, QLocale::Germany))
                    .startsWith(QLocale(QLocale::German).toString(time, u"dd.MM.yy HH:mm:ss")));
    }

    void writeRefusedSwitchesProtocolOff() {
        // A sealed in-memory file refuses writes with EPERM, which the file layer reports as 70.
        const int memory = ::memfd_create("protokol", MFD_ALLOW_SEALING | MFD_CLOEXEC);
        QCOMPARE(::fcntl(memory, F_ADD_SEALS, F_SEAL_WRITE | F_SEAL_GROW), 0);
        QCOMPARE(openAt(QStringLiteral("/proc/self/fd/%1").arg(memory)), 0);
        write("INIT");
        QCOMPARE(dialogs_->texts(), QStringList{Failure(kAccessDenied).messageText()});
        QCOMPARE(dialogs_->shown[0].title, "Chybové hlášení");
        QCOMPARE(dialogs_->shown[0].icon, Dialogs::Icon::Critical);
        QVERIFY(!s_->bProtokol);
        ::close(memory);
    }

    void lockHeldByAnotherCopy() {
        QFile other(path());
        QVERIFY(other.open(QIODevice::WriteOnly));
        QCOMPARE(::flock(other.handle(), LOCK_EX | LOCK_NB), 0);
        QCOMPARE(openAt(path()), int(kAccessDenied));
        QVERIFY(!s_->bProtokolOpen && !s_->tsProtokol);
    }

    void failingLines_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("problems");
        QTest::addColumn<QList<int>>("codes");
        QTest::addColumn<int>("written");
        QTest::newRow("folder missing") << "missing/p.txt" << 3 << QList<int>(5, kBadFileName) << 0;
        QTest::newRow("disk full") << "/dev/full" << 3 << QList<int>(5, kDiskFull) << 0;
        QTest::newRow("grade sum overflows") << "p.txt" << 7000 << QList<int>{kOverflow} << 4;
        QTest::newRow("no problems") << "p.txt" << 0 << QList<int>{kOverflow, kOverflow} << 3;
    }
    void failingLines() {
        QFETCH(QString, file);
        QFETCH(int, problems);
        QFETCH(QList<int>, codes);
        QFETCH(int, written);
        openAt(file.startsWith('/') ? file : path(file));
        s_->nPrikladID = s_->nSpatne = Integer(problems);
        write("FINISH");
        QStringList texts;
        for (int code : codes)
            texts << Failure(code).messageText();
        QCOMPARE(dialogs_->texts(), texts);
        QVERIFY(s_->bProtokol);
        if (!file.startsWith('/'))
            QCOMPARE(QFile::exists(path(file)) ? linesOf(path(file)).size() : 0, written);
        CloseProtokol(*s_);
    }

    void reopenAndSize() {
        QCOMPARE(ProtokolSize(*s_), qint64(0)); // no entry yet
        openAt(path());
        write("INIT");
        QCOMPARE(ProtokolSize(*s_), qint64(64 + 26 + 35 + 3 * 2)); // seen while the stream is open
        QCOMPARE(openAt(path()), 0);                               // our own lock must not refuse the reopen
        s_->ProtokolFile = path("new.txt");
        OpenProtokol(*s_);
        problem(2, "+", 3, 5), write("LOG", "7");
        QCOMPARE(linesOf(path()).size(), 3);
        QCOMPARE(linesOf(path("new.txt")), QStringList{"2+3=5   <7>"});
        CloseProtokol(*s_);
        QVERIFY(LocalTextFiles().openForAppending(path("new.txt"))); // the lock is gone with the stream
    }

    void deleteCommand_data() {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("goneBefore");
        QTest::addColumn<QStringList>("messages");
        const QString question = "Skutečně si přejete smazat soubor protokolu ?";
        QTest::newRow("no") << false << false << false << QStringList{question};
        QTest::newRow("yes, read-only") << true << true << false << QStringList{question};
        QTest::newRow("yes, already gone")
            << true << false << true << QStringList{question, Failure(kFileNotFound).messageText()};
    }
    void deleteCommand() {
        QFETCH(bool, yes);
        QFETCH(bool, readOnly);
        QFETCH(bool, goneBefore);
        QFETCH(QStringList, messages);
        openAt(path());
        write("INIT");
        if (readOnly)
            QVERIFY(QFile::setPermissions(path(), QFile::ReadOwner));
        if (goneBefore)
            QVERIFY(QFile::remove(path()));
        dialogs_->answers.push_back(yes ? Dialogs::Answer::Yes : Dialogs::Answer::No);
        QCOMPARE(DeleteProtokol(*s_, *dialogs_), yes);
        QCOMPARE(dialogs_->texts(), messages);
        QCOMPARE(dialogs_->shown[0].title, "Potvrzení vymazání");
        QCOMPARE(dialogs_->shown[0].defaultButton, Dialogs::Answer::Yes);
        QCOMPARE(QFile::exists(path()), !yes);
        QCOMPARE(s_->bProtokolOpen, !yes);
        OpenProtokol(*s_); // what ApplySettings does next
        QCOMPARE(ProtokolSize(*s_) == 0, yes);
    }
};

QTEST_GUILESS_MAIN(TestProtocolWriter)
#include "test_protocol_writer.moc"
