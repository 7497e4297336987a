// The protocol file against sudden death and against a second running copy, with real processes.

#include "hardening/protocol_lines.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#ifndef NUMIO_DRIVER
#error "NUMIO_DRIVER must name the driver executable"
#endif

using namespace numio::test;

namespace {

const QString kFailureTitle = QStringLiteral("Chybové hlášení");

struct Driver {
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    QByteArray out;

    void start(const QString& config, int runMs, unsigned seed) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::SeparateChannels);
        process->start(QStringLiteral(NUMIO_DRIVER), {config, QString::number(runMs), QString::number(seed)});
    }
    void read() { out += process->readAllStandardOutput(); }
    // Waits for a line starting with the given text; false when the driver ends first.
    bool waitFor(const QByteArray& prefix) {
        for (;;) {
            read();
            if (out.startsWith(prefix) || out.contains("\n" + prefix))
                return true;
            if (process->state() == QProcess::NotRunning)
                return false;
            process->waitForReadyRead(1000);
        }
    }
    void kill() {
        process->kill(); // SIGKILL
        process->waitForFinished(30000);
        read();
    }
    bool finish() {
        const bool ended = process->waitForFinished(120000);
        read();
        return ended && process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
    }
    QStringList told(const char* kind) const {
        QStringList result;
        const QByteArray prefix = QByteArray(kind) + ' ';
        for (const QByteArray& line : out.split('\n')) {
            if (line.startsWith(prefix))
                result << QString::fromUtf8(line.mid(prefix.size()));
        }
        return result;
    }
    QStringList failures() const {
        QStringList result;
        for (const QString& m : told("M")) {
            if (m.startsWith(kFailureTitle + QLatin1Char('|')))
                result << m.mid(kFailureTitle.size() + 1);
        }
        return result;
    }
    QString stderrText() { return QString::fromLocal8Bit(process->readAllStandardError()); }
};

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Setup {
    QTemporaryDir dir;
    QString protocol() const { return dir.filePath(QStringLiteral("protokol.txt")); }
    // Settings as the settings dialog would store them, with short sets so every kind of record
    // comes round quickly.
    void write(bool perAnswerLimit) { writeTo(dir.path(), perAnswerLimit); }
    void writeTo(const QString& folder, bool perAnswerLimit) {
        QSettings ini(folder + QStringLiteral("/Numio2/Numio2.conf"), QSettings::IniFormat);
        ini.setValue(QStringLiteral("Settings/MaxValue"), QStringLiteral("20"));
        ini.setValue(QStringLiteral("Settings/MaxValueX"), QStringLiteral("10"));
        ini.setValue(QStringLiteral("Settings/Plus"), QStringLiteral("True"));
        ini.setValue(QStringLiteral("Settings/Minus"), QStringLiteral("True"));
        ini.setValue(QStringLiteral("Settings/Krat"), QStringLiteral("True"));
        ini.setValue(QStringLiteral("Settings/Deleno"), QStringLiteral("True"));
        ini.setValue(QStringLiteral("Settings/Limit"), perAnswerLimit ? QStringLiteral("True") : QStringLiteral("False"));
        ini.setValue(QStringLiteral("Settings/LimitSady"), QStringLiteral("False"));
        ini.setValue(QStringLiteral("Settings/TimeLimit"), QStringLiteral("20"));
        ini.setValue(QStringLiteral("Settings/Sada"), QStringLiteral("7"));
        ini.setValue(QStringLiteral("Audit/Active"), QStringLiteral("True"));
        ini.setValue(QStringLiteral("Audit/File"), protocol());
        ini.sync();
    }
};

unsigned testSeed() {
    bool ok = false;
    const unsigned fromEnv = qEnvironmentVariable("NUMIO_HARDENING_SEED").toUInt(&ok);
    return ok ? fromEnv : 20020314u;
}

} // namespace

class TestProcesses : public QObject {
    Q_OBJECT
private slots:
    // Killed at random moments, the copy leaves only whole lines, among them every line it had
    // written, and the next copy appends after them.
    void killedAtRandomMoments_data() {
        QTest::addColumn<bool>("perAnswerLimit");
        // With a limit the file is closed and opened again at the end of every examination.
        QTest::newRow("no limit") << false;
        QTest::newRow("per-answer limit") << true;
    }
    void killedAtRandomMoments() {
        QFETCH(bool, perAnswerLimit);
        const unsigned seed = testSeed() + (perAnswerLimit ? 1u : 0u);
        std::mt19937 rng(seed);
        Setup setup;
        QVERIFY(setup.dir.isValid());
        setup.write(perAnswerLimit);

        QByteArray before;
        int killsWithNewLines = 0;
        int killsBetweenWriteAndTelling = 0;
        constexpr int kKills = 20; // per row; two rows
        for (int round = 0; round < kKills; ++round) {
            const QString where = QStringLiteral("seed %1 (NUMIO_HARDENING_SEED=%2), round %3: ")
                                      .arg(seed).arg(testSeed()).arg(round);
            Driver d;
            d.start(setup.dir.path(), 600000, rng());
            QVERIFY2(d.process->waitForStarted(30000), qPrintable(where + d.process->errorString()));
            // Mostly after start-up, sometimes while the file is being opened.
            if (rng() % 5 != 0)
                QVERIFY2(d.waitFor("READY"), qPrintable(where + QStringLiteral("no start-up: ") + d.stderrText()));
            QThread::msleep(rng() % 250);
            d.kill();
            QVERIFY2(d.process->exitStatus() == QProcess::CrashExit, qPrintable(where + QStringLiteral("ended by itself")));

            const QByteArray after = readFile(setup.protocol());
            QVERIFY2(after.startsWith(before), qPrintable(where + QStringLiteral("earlier content changed")));
            QStringList lines;
            const QString broken = checkProtocolBytes(after, &lines);
            QVERIFY2(broken.isEmpty(), qPrintable(where + broken));

            // What the copy said it had written is what was appended, but for one line at most
            // written in the instant before the kill.
            QStringList appended;
            QVERIFY(checkProtocolBytes(after.mid(before.size()), &appended).isEmpty());
            const QStringList written = d.told("W");
            QVERIFY2(appended.size() >= written.size() && appended.size() <= written.size() + 1,
                     qPrintable(where + QStringLiteral("%1 lines said written, %2 appended")
                                            .arg(written.size()).arg(appended.size())));
            QCOMPARE(appended.mid(0, written.size()), written);
            // A killed copy leaves no lock behind.
            QVERIFY2(d.failures().isEmpty(), qPrintable(where + d.failures().join(QLatin1Char(';'))));
            QVERIFY2(d.told("BROKEN").isEmpty(), qPrintable(where + d.told("BROKEN").join(QLatin1Char(';'))));
            if (!appended.isEmpty())
                ++killsWithNewLines;
            if (appended.size() > written.size())
                ++killsBetweenWriteAndTelling;
            before = after;
        }
        qInfo("%lld bytes after %d kills; %d kills came after new lines, %d right after a write",
              qint64(before.size()), kKills, killsWithNewLines, killsBetweenWriteAndTelling);
        // The kills came at moments of writing, not all before the first line.
        QVERIFY(killsWithNewLines >= kKills / 2);
        QVERIFY(before.size() > 0);
    }

    // A second copy with the same protocol is refused once, says so, and goes on without it.
    // (The first copy runs without a limit: with one it lets the file go for an instant at the end
    // of every examination, a race test_failing_files shows on its own.)
    void secondCopy_data() {
        QTest::addColumn<bool>("secondHasLimit");
        QTest::newRow("same settings") << false;
        // With a limit the second copy applies its settings again after every examination.
        QTest::newRow("second copy with a per-answer limit") << true;
    }
    void secondCopy() {
        QFETCH(bool, secondHasLimit);
        Setup setup;
        QVERIFY(setup.dir.isValid());
        setup.write(false);
        QTemporaryDir secondConfig;
        setup.writeTo(secondConfig.path(), secondHasLimit);
        Driver first;
        first.start(setup.dir.path(), 2500, 1);
        QVERIFY(first.process->waitForStarted(30000));
        QVERIFY2(first.waitFor("W "), qPrintable(first.stderrText()));
        Driver second;
        second.start(secondConfig.path(), 1200, 2);
        QVERIFY(second.process->waitForStarted(30000));
        QVERIFY2(second.finish(), qPrintable(second.stderrText()));
        QVERIFY2(first.finish(), qPrintable(first.stderrText()));

        QCOMPARE(second.failures(), QStringList{QStringLiteral("Chyba č. 70 - Přístup odepřen")});
        QCOMPARE(second.told("W"), QStringList());
        const QStringList answered = second.told("ANSWERED");
        QCOMPARE(answered.size(), 1);
        QVERIFY2(answered[0].toInt() > 0, "the second copy did not run on");
        QCOMPARE(first.failures(), QStringList());

        // The file holds the first copy's lines, exactly and in order, and nothing else.
        QStringList lines;
        const QString broken = checkProtocolBytes(readFile(setup.protocol()), &lines);
        QVERIFY2(broken.isEmpty(), qPrintable(broken));
        QCOMPARE(lines, first.told("W"));
        QVERIFY(lines.size() > 3);
    }

    // A hand-edited protocol path naming a FIFO: start-up must not wait for a reader forever.
    void fifoAsTheProtocol() {
        Setup setup;
        QVERIFY(setup.dir.isValid());
        const QString fifo = setup.dir.filePath(QStringLiteral("pipe"));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0644) == 0);
        {
            QSettings ini(setup.dir.filePath(QStringLiteral("Numio2/Numio2.conf")), QSettings::IniFormat);
            ini.setValue(QStringLiteral("Audit/Active"), QStringLiteral("True"));
            ini.setValue(QStringLiteral("Audit/File"), fifo);
        }
        Driver d;
        d.start(setup.dir.path(), 300, 1);
        QVERIFY(d.process->waitForStarted(30000));
        const QString proc = QStringLiteral("/proc/%1/").arg(d.process->processId());
        // Either start-up ends, or the kernel shows the copy waiting in open() for a FIFO partner.
        bool blocked = false;
        for (int polls = 0; !blocked; ++polls) {
            d.read();
            if (d.out.contains("READY") || d.process->state() == QProcess::NotRunning)
                break;
            QFile wchan(proc + QStringLiteral("wchan"));
            if (wchan.open(QIODevice::ReadOnly)) {
                const QByteArray where = wchan.readAll();
                blocked = where.contains("wait_for_partner") || where.contains("fifo_open");
            }
            if (polls == 300) {
                d.kill();
                QSKIP("cannot tell here whether the start-up waits");
            }
            if (!blocked)
                d.process->waitForReadyRead(100);
        }
        int reader = -1;
        if (blocked) // a reader lets the copy go on, so it can be ended cleanly
            reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
        d.kill();
        if (reader >= 0)
            ::close(reader);
        QVERIFY(!blocked);
    }
};

QTEST_GUILESS_MAIN(TestProcesses)
#include "test_processes.moc"
