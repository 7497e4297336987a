// Files failing the program: a settings file full of junk at the start-up (its protocol perhaps in
// a missing folder, on a full disk or a named pipe); a protocol file on a full disk or in a folder
// that disappears while the file is open; a protocol that a second window takes in the instant the
// first reopens it.

#include "core/settings.h"
#include "support/data.h"
#include "support/window_fixture.h"

#include <QProgressBar>
#include <sys/stat.h>

namespace numio::test {

// Every key of the settings, with a value that loads.
const QByteArray kKeys[] = {"MaxValue=20", "MaxValueX=10", "Plus=True",      "Minus=True",
                            "Krat=True",   "Deleno=False", "Limit=False",    "LimitSady=True",
                            "TimeLimit=5", "Sada=4",       "TimeLimitSada=1"};

// A text such as a hand with an editor, or a broken disk, could leave.
QByteArray junk(std::mt19937& rng) {
    static const auto odd = QByteArray("32767|32768|-32769|32767.5|0x10|1e3|inf|nan|TRUE|yes|-0|\"12\"|\"a|"
                                       "@Variant(garbage|@Invalid()|\\x41|a,b|1, 2|[Audit]|;5|čtyři|日本語|"
                                       "\xEF\xBC\x91|\xC2\xA0"
                                       "7|+|-|.|5.| ")
                                .split('|');
    QByteArray text = QByteArray("+- ").mid(rng() % 3, 1) + QByteArray::number(rng() % 40000);
    switch (rng() % 4) {
    case 0:
        return odd[rng() % odd.size()];
    case 1:
        return QByteArray(1 + rng() % 50000, rng() % 2 ? '9' : 'x');
    case 2: // numbers, long ones, fractions and exponents
        for (int n = rng() % 2 ? 0 : rng() % 400; n > 0; --n)
            text += char('0' + rng() % 10);
        return text + QByteArray(".5e3,5").mid(rng() % 6, rng() % 3);
    default: // any bytes but the line's end
        for (text.clear(); rng() % 40;)
            text += char(1 + rng() % 255);
        return text.replace('\n', ' ').replace('\r', ' ');
    }
}

// Runs a hook once, at the next look-up of the protocol file.
struct HookedFiles : LocalTextFiles {
    std::function<void()> hook;
    FileEntry lookUp(const QString& path) override {
        if (auto h = std::exchange(hook, nullptr))
            h();
        return LocalTextFiles::lookUp(path);
    }
};

QStringList failures(const FakeDialogs& d) {
    return d.texts().filter(QStringLiteral("Chyba č. "));
}

class TestFailingFiles : public QObject {
    Q_OBJECT
  private slots:
    // Never a crash or a hang, at most one message for each step of the start-up, then the idle look.
    void junkSettings() {
        const unsigned first = qEnvironmentVariableIsSet("NUMIO_SETTINGS_SEED")
                                   ? qEnvironmentVariableIntValue("NUMIO_SETTINGS_SEED")
                                   : 20020314;
        qsizetype stopped = 0, unopened = 0; // start-ups stopped at a conversion, protocols that failed
        for (unsigned seed = first; seed < first + 1500; ++seed) {
            std::mt19937 rng(seed);
            WindowFixture f;
            QVERIFY(QDir::setCurrent(f.dir.path()));
            QByteArray ini = "[Settings]\n";
            // Loading stops at the first key that does not convert: most files spoil only a few.
            const unsigned spoilt = rng() % 3 ? 6 : 30;
            for (const QByteArray& key : kKeys)
                ini += (rng() % 100 < spoilt ? key.left(key.indexOf('=') + 1) + junk(rng) : key) + '\n';
            ini += "[Audit]\nActive=" + QByteArray(rng() % 100 < spoilt ? junk(rng) : "True");
            // A protocol path stays inside the folder, which is the current folder during the start-up;
            // a named pipe there must not make the start-up wait for a reader.
            const QByteArray dir = QFile::encodeName(f.dir.path());
            // The last, empty, name stands for the folder itself.
            QByteArrayList paths = QByteArray("/missing/p.txt|/p.txt/inside|/pipe|/p.txt|").split('|');
            for (QByteArray& p : paths)
                p.prepend(dir);
            paths << "/dev/full" << dir + '/' + QByteArray(300 + rng() % 5000, 'a')
                  << junk(rng).replace('/', '_').replace('\\', '_');
            QVERIFY(::mkfifo((dir + "/pipe").constData(), 0644) == 0);
            ini += "\nFile=" + paths[rng() % 8] + "\n";
            QFile file(f.store.filePath(kAppName));
            QVERIFY(QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly));
            QVERIFY(file.write(ini) == ini.size() && file.flush());

            const FrmMain& w = f.start();
            const PracticeState& s = w.exam().record();
            const QStringList shown = f.dialogs.texts();
            const QString says = QStringLiteral("NUMIO_SETTINGS_SEED=%1: ").arg(seed) + shown.join(u'|');
            static const QRegularExpression conversion(QStringLiteral("^Chyba č. (6|13) "));
            const auto conversions = shown.filter(conversion).size();
            // Load, apply (the protocol's open) and, with a limit, the open again at the idle look.
            QVERIFY2(failures(f.dialogs).size() == shown.size() && conversions <= 1 &&
                         shown.size() - conversions <= 1 + (s.bLimit || s.bLimitSady),
                     qPrintable(says));
            const bool idle = w.windowTitle() == QStringLiteral(" Numio") && !w.exam().running() &&
                              !act(w, "mnuStop")->isEnabled() && box(w)->isHidden() &&
                              child<QProgressBar>(w, "Progress")->isHidden();
            QVERIFY2(idle && (f.status().isEmpty() ||
                              f.status() == QStringLiteral("Není aktivní žádný režim zkoušení !!")),
                     qPrintable(says));
            stopped += conversions, unopened += shown.size() - conversions;
        }
        QVERIFY(stopped > 150 && unopened > 150); // the junk reached every step
    }

    // Every failure is told in a message; the examination counts on, and the program runs on.
    void protocolFails_data() {
        // file: in the temporary folder, unless absolute
        // limit: with a limit, the end of an examination reopens the file
        columns<QString, QString>({"file", "limit"});
        for (const char* file : {"/dev/full", "sub/p.txt"})
            for (const char* limit : {"False", "True"})
                QTest::addRow("%s, Limit=%s", file, limit) << file << limit;
    }
    void protocolFails() {
        const auto [file, limit] = fetch<QString, QString>("file", "limit");
        // A full disk fails each line; after the folder goes, the next record looks for the file anew
        // and misses the folder, and later lines miss the file.
        const QList<int> codes =
            file.startsWith(u'/') ? QList<int>{kDiskFull} : QList<int>{kPathNotFound, kBadFileName};
        WindowFixture f;
        const QString path = QDir(f.dir.path()).filePath(file);
        QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("sub")));
        f.set("Audit/Active", "True");
        f.set("Audit/File", path);
        f.set("Settings/Limit", limit);
        FrmMain& w = f.start("mnuPocitej");
        QVERIFY(QDir(f.dir.filePath(QStringLiteral("sub"))).removeRecursively());
        for (int i = 0; i < 3; ++i)
            f.answerRight();
        QCOMPARE(lbl(w, "dfPrikladu")->text(), QStringLiteral("3"));
        f.command(act(w, "mnuStop"));
        if (cardShown(w))
            btn(w, "pbOK")->click();
        QVERIFY(!w.exam().running() && w.windowTitle() == QStringLiteral(" Numio"));

        act(w, "mnuPocitej")->trigger();
        f.answerRight();
        QCOMPARE(lbl(w, "dfPrikladu")->text(), QStringLiteral("1"));
        w.close();
        QCOMPARE(f.ended, 1);
        const QStringList shown = failures(f.dialogs);
        QVERIFY(shown.join('\n').contains(Failure(codes[0]).messageText()));
        for (const QString& text : shown)
            QVERIFY2(codes.contains(text.section(u' ', 2, 2).toInt()), qPrintable(text));
    }

    // A second window started in the instant the first applies its settings again (the end of a
    // timed examination) is the one refused; the first keeps its file and its protocol.
    void secondWindowDuringReopen() {
        HookedFiles files;
        WindowFixture first("Audit Limit=True"), second;
        second.set("Audit/Active", "True");
        second.set("Audit/File", first.protocolPath());
        first.filesDoor = &files;
        first.dataFolder.clear();
        first.start("mnuPocitej");
        first.answerRight();
        files.hook = [&] { second.start(); };
        act(*first.w, "mnuStop")->trigger();
        QVERIFY(second.w);
        QCOMPARE(failures(second.dialogs),
                 QStringList{
                     Failure(kAccessDenied).messageText() + "\nSoubor " + first.protocolPath() +
                     " právě používá jiná spuštěná kopie programu Numio; tato kopie poběží bez protokolu."});
        QCOMPARE(failures(first.dialogs), QStringList());
        QVERIFY(first.w->exam().record().protocolOn());
    }
};

} // namespace numio::test

QTEST_MAIN(numio::test::TestFailingFiles)
#include "test_failing_files.moc"
