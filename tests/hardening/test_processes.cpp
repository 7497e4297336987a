// The protocol file and the answer store against sudden death and against a second running copy,
// with real processes.
// The test runs itself as the other process ("--drive <protocol> <limit> <run ms> <seed>"): a real
// window answering as fast as it can, which tells on stdout, flushed at once so that a SIGKILL loses
// nothing already told, "W <line>" for each protocol line the system has taken and "M <title>|<text>"
// for each message. "--record-answers <store>" records answers without end and tells "R" for each
// record() that returned.

#include "answers/sqlite_answer_store.h"
#include "support/window_fixture.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <array>
#include <csignal>

namespace numio::test {

void tell(const QString& line) {
    std::fputs(qPrintable(line + '\n'), stdout), std::fflush(stdout);
}

struct TellingStream : AppendStream {
    explicit TellingStream(std::unique_ptr<AppendStream> s) : inner(std::move(s)) {}
    void writeLine(const QString& text) override {
        inner->writeLine(text), tell("W " + text);
    } // once it went
    void close() override { inner->close(); }
    bool refersTo(const QString& path) const override { return inner->refersTo(path); }
    std::unique_ptr<AppendStream> inner;
};
struct TellingFiles : LocalTextFiles {
    std::unique_ptr<AppendStream> openForAppending(const QString& path) override {
        return std::make_unique<TellingStream>(LocalTextFiles::openForAppending(path));
    }
};

int drive(int argc, char** argv) {
    QApplication app(argc, argv);
    TellingFiles files;
    WindowFixture f; // its settings, clock, pacer and timer, but files that tell
    f.set("Audit/Active", "True");
    f.set("Audit/File", QString::fromLocal8Bit(argv[2]));
    f.set("Settings/Limit", argv[3]); // "True": the end of every examination reopens the file
    f.set("Settings/Sada", "7");
    f.dialogs.onMessage = [](const FakeDialogs::Shown& m) { tell("M " + m.title + '|' + m.text); };
    std::mt19937 pupil(QByteArray(argv[5]).toUInt());
    f.session = std::make_unique<PupilSession>(f.store, f.stores, QString());
    f.w = std::make_unique<FrmMain>(
        Doors{f.store, files, f.random, f.clock, f.dialogs, f.pacer, f.timer, nullptr}, *f.session);
    f.w->Form_Load();
    for (QDeadlineTimer end(QByteArray(argv[4]).toLongLong()); !end.hasExpired();) {
        if (cardShown(*f.w))
            f.pacer.runOut(), btn(*f.w, "pbOK")->click();
        else if (!f.w->exam().running())
            (pupil() % 2 ? act(*f.w, "mnuPocitejSady") : act(*f.w, "mnuPocitej"))->trigger();
        else if (pupil() % 20 == 0)
            act(*f.w, "mnuStop")->trigger();
        else
            f.answer(QString::number(f.w->exam().record().C + (pupil() % 4 == 0)));
    }
    return 0;
}

// "--add-pupils <settings folder> <name> <count>": adds pupils "<name> 1" … as fast as it can and
// tells "A <id>" for each add that said it worked. An add the other copy's lock kept out is tried
// again, as the user told so would.
int addPupils(char** argv) {
    IniSettingsStore ini(QString::fromLocal8Bit(argv[2]));
    PupilList list(ini);
    for (int n = 1, tries = 0; n <= QByteArray(argv[4]).toInt(); ++n) {
        try {
            tell("A " + list.add(QString::fromLocal8Bit(argv[3]) + ' ' + QString::number(n), {}).id);
        } catch (const Failure& f) {
            if (f.detail().contains("jiná spuštěná kopie") && ++tries < 100)
                --n;
            else
                tell("F " + f.detail());
        }
    }
    return 0;
}

int recordAnswers(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const auto store = SqliteAnswerStore::open(QString::fromLocal8Bit(argv[2])).store;
    for (int n = 0;; tell(QStringLiteral("R")), ++n)
        store->record(
            {1700000000 + n, {}, AnswerMode::Plain, {3, n % 10 + 1, n / 10 % 10 + 1}, 0, {}, {}, 1000});
}

// A copy of the program running in its own process.
struct Copy {
    QProcess p;
    QByteArray out;
    Copy(const QString& protocol, bool limit, int runMs, unsigned seed) {
        p.start(QCoreApplication::applicationFilePath(), {"--drive", protocol, limit ? "True" : "False",
                                                          QString::number(runMs), QString::number(seed)});
    }
    QStringList told(const QString& kind) {
        QStringList lines;
        for (const QString& line : QString::fromUtf8(out += p.readAllStandardOutput()).split('\n'))
            if (line.startsWith(kind))
                lines << line.mid(kind.size());
        return lines;
    }
    QStringList failures() { return told("M " + kFailureTitle + '|'); }
};

class TestProcesses : public QObject {
    Q_OBJECT
  private slots:
    // Every line the killed copy had written is in the file, whole, and the next copy appends.
    void killedAtRandomMoments() {
        const unsigned seed = qEnvironmentVariableIsSet("NUMIO_KILL_SEED")
                                  ? qEnvironmentVariableIntValue("NUMIO_KILL_SEED")
                                  : 20020314;
        std::mt19937 rng(seed);
        WindowFixture fx; // only its folder and its look at the protocol file
        QStringList before;
        int killsAfterLines = 0;
        for (int round = 0; round < 32; ++round) {
            Copy copy(fx.protocolPath(), round % 2, 600000, rng());
            const QString where = QStringLiteral("NUMIO_KILL_SEED=%1, kill %2: ").arg(seed).arg(round);
            // Mostly after the start-up, sometimes while the file is opened; the output flows meanwhile.
            QVERIFY2(rng() % 5 ? copy.p.waitForReadyRead(30000) : copy.p.waitForStarted(), qPrintable(where));
            QVERIFY(!copy.p.waitForFinished(rng() % 250));
            copy.p.kill();
            QVERIFY(copy.p.waitForFinished());
            const QStringList told = copy.told("W "), lines = fx.protocolLines();
            const QStringList added = lines.mid(before.size());
            // The lines before, those the copy told, and perhaps one written just before the kill; all whole.
            QVERIFY2(
                lines.mid(0, before.size()) == before && added.mid(0, told.size()) == told &&
                    added.size() <= told.size() + 1,
                qPrintable(where + QStringLiteral("%1 told, %2 added").arg(told.size()).arg(added.size())));
            QVERIFY2(lines.isEmpty() || fx.protocolBytes().endsWith("\r\n"), qPrintable(where + "torn"));
            // The killed copy left no lock behind.
            QVERIFY2(copy.failures().isEmpty(), qPrintable(where + copy.failures().join(' ')));
            killsAfterLines += lines.size() > before.size();
            before = lines;
        }
        QVERIFY(killsAfterLines >= 16); // the kills came while lines were written
    }

    // A second copy with the same protocol is refused once, says so, and runs on without it; with a
    // per-answer limit it applies its settings again at the end of every examination.
    void secondCopy() {
        for (bool limit : {false, true}) {
            WindowFixture fx;
            Copy first(fx.protocolPath(), false, 2500, 1);
            QVERIFY(first.p.waitForReadyRead(30000)); // the file is open
            Copy second(fx.protocolPath(), limit, 1200, 2);
            QVERIFY(second.p.waitForFinished(60000) && first.p.waitForFinished(60000));
            QCOMPARE(second.failures(), QStringList{Failure(kAccessDenied).messageText()});
            QCOMPARE(second.told("W "), QStringList());
            QVERIFY(!second.told("M Upozornění|").isEmpty()); // its examinations ran to their ends
            QCOMPARE(first.failures(), QStringList());
            QCOMPARE(fx.protocolLines(), first.told("W ")); // all the first copy's, none interleaved
        }
    }

    // Two copies adding pupils at the same moment keep every pupil whose add said it worked.
    void pupilsAddedAtOnce() {
        for (int round = 0; round < 3; ++round) {
            WindowFixture fx; // only its folder
            std::array<QProcess, 2> copies;
            for (int i = 0; i < 2; ++i)
                copies[i].start(QCoreApplication::applicationFilePath(),
                                {"--add-pupils", fx.dir.path(), i ? "Bára" : "Adam", "15"});
            QStringList added;
            for (QProcess& copy : copies) {
                QVERIFY(copy.waitForFinished(60000));
                added += QString::fromUtf8(copy.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
            }
            QCOMPARE(added.filter(QRegularExpression("^A ")).size(), 30);
            PupilList list(fx.store);
            for (const QString& a : added)
                QVERIFY2(list.find(a.mid(2)),
                         qPrintable(QStringLiteral("round %1: %2 lost").arg(round).arg(a)));
        }
    }

    // Every answer a killed copy recorded is in the store, which stays whole and ours.
    void answersKilled() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("jan.sqlite"));
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE")); // as another program looks
        db.setDatabaseName(path);
        QVERIFY(db.open());
        std::mt19937 rng(20250314);
        qint64 told = 0;
        for (int round = 0; round < 8; ++round) {
            QProcess copy;
            copy.start(QCoreApplication::applicationFilePath(), {"--record-answers", path});
            QVERIFY(copy.waitForReadyRead(30000));
            QVERIFY(!copy.waitForFinished(rng() % 200));
            copy.kill();
            QVERIFY(copy.waitForFinished());
            told += copy.readAllStandardOutput().count('R');
            // Whole, with what the copies told, and perhaps the answers in flight when they were killed.
            QSqlQuery q(QStringLiteral("SELECT (SELECT * FROM pragma_integrity_check) || ' ' || "
                                       "(SELECT count(*) FROM answer)"),
                        db);
            const QString check = q.next() ? q.value(0).toString() : QString();
            const qint64 kept = check.section(u' ', 1).toLongLong();
            QVERIFY2(check.startsWith(QStringLiteral("ok ")) && kept >= told && kept <= told + round + 1,
                     qPrintable(QStringLiteral("round %1: %2 told, %3").arg(round).arg(told).arg(check)));
        }
        QVERIFY(told > 100);
        QVERIFY(!SqliteAnswerStore::open(path).warning);
        db = QSqlDatabase(), QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
    }

    // Logging out or a hang-up (Ctrl+C takes the same way) ends the real program the way closing it
    // does: the shutdown line is the protocol's last, and no question is asked.
    void endedBySignal_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }
    void endedBySignal() {
        QFETCH(int, signal);
        WindowFixture fx;
        fx.protocolOn();
        QProcess numio;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", fx.dir.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        numio.setProcessEnvironment(env);
        numio.start(NUMIO_BINARY, {});
        QVERIFY(numio.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(fx.protocolPath()), 30000); // open since start-up
        QTest::qWait(300);                                                 // the event loop runs
        ::kill(numio.processId(), signal);
        QVERIFY(numio.waitForFinished(30000));
        QCOMPARE(numio.exitStatus(), QProcess::NormalExit);
        QCOMPARE(fx.protocolLines(), QStringList{"Přerušeno zásahamem uživatele v průběhu zkoušení"});
    }
};

} // namespace numio::test

int main(int argc, char** argv) {
    if (argc == 6 && qstrcmp(argv[1], "--drive") == 0)
        return numio::test::drive(argc, argv);
    if (argc == 5 && qstrcmp(argv[1], "--add-pupils") == 0)
        return numio::test::addPupils(argv);
    if (argc == 3 && qstrcmp(argv[1], "--record-answers") == 0)
        return numio::test::recordAnswers(argc, argv);
    QCoreApplication app(argc, argv);
    numio::test::TestProcesses test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_processes.moc"
