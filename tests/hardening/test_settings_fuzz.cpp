// Start-up over hand-made settings files full of junk: never a crash or a hang, at most one message
// per start-up step, and the idle look at the end. A short examination follows where one can start.
//
// Replay: NUMIO_SETTINGS_FUZZ_SEED=<seed> [NUMIO_SETTINGS_FUZZ_ONLY=<file number>] test_settings_fuzz

#include "core/settings.h"
#include "hardening/replay_guard.h"
#include "support/window_fixture.h"

#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <random>

using namespace numio;
using namespace numio::test;

namespace {

unsigned envNumber(const char* name, unsigned fallback) {
    bool ok = false;
    const unsigned v = qEnvironmentVariable(name).toUInt(&ok);
    return ok ? v : fallback;
}

struct Key {
    const char* section;
    const char* name;
    const char* good; // a value that loads
};

const Key kKeys[] = {
    {"Settings", "MaxValue", "20"},      {"Settings", "MaxValueX", "10"},   {"Settings", "Plus", "True"},
    {"Settings", "Minus", "True"},       {"Settings", "Krat", "True"},      {"Settings", "Deleno", "False"},
    {"Settings", "Limit", "False"},      {"Settings", "LimitSady", "True"}, {"Settings", "TimeLimit", "5"},
    {"Settings", "TimeLimitSada", "1"}, {"Settings", "Sada", "4"},         {"Audit", "Active", "True"},
    {"Audit", "File", "p.txt"},
};

// Writes settings files as a hand with an editor could, and worse.
class JunkWriter {
public:
    JunkWriter(unsigned seed, QString folder) : rng_(seed), folder_(std::move(folder)) {}

    QByteArray file() {
        if (percent(4))
            return bytes(1 + int(rng_() % 2000), 1);
        const char* eol = oneOf({"\n", "\r\n", "\r", "\n"});
        // Loading stops at the first key that does not convert, so most files keep the junk to a few
        // keys, often to one, for the later keys and the protocol to be reached too.
        const int style = int(rng_() % 10);
        const int goodShare = style < 3 ? int(rng_() % 101) : 85 + int(rng_() % 16);
        const int onlyJunk = style >= 6 ? int(rng_() % std::size(kKeys)) : -1;
        QByteArray out;
        if (percent(5))
            out += "\xEF\xBB\xBF";
        for (const char* section : {"Settings", "Audit"}) {
            junkLines(out, eol);
            out += percent(95) ? QByteArray("[") + section + "]" : oneOf<QByteArray>({"[settings]", "[ Settings ]", "[Audit", "[]"});
            out += eol;
            std::vector<const Key*> keys;
            for (const Key& k : kKeys) {
                if (qstrcmp(k.section, section) == 0 && !percent(5))
                    keys.push_back(&k);
            }
            if (percent(30))
                std::shuffle(keys.begin(), keys.end(), rng_);
            for (const Key* k : keys) {
                const int copies = percent(5) ? 2 : 1;
                for (int c = 0; c < copies; ++c) {
                    out += percent(97) ? QByteArray(k->name) : QByteArray(k->name).toLower();
                    out += oneOf<QByteArray>({"=", "=", "=", " = ", "= ", "\t=\t"});
                    const bool good = onlyJunk >= 0 ? k != &kKeys[onlyJunk] : percent(goodShare);
                    out += good ? goodValue(*k) : junkValue(*k);
                    out += eol;
                    junkLines(out, eol);
                }
            }
        }
        return out;
    }

private:
    bool percent(int p) { return int(rng_() % 100) < p; }
    template <class T> T oneOf(std::initializer_list<T> items) { return items.begin()[rng_() % items.size()]; }

    // Random bytes, none of them NUL, from `lowest` up.
    QByteArray bytes(int n, int lowest) {
        QByteArray b;
        for (int i = 0; i < n; ++i)
            b += char(lowest + int(rng_() % (256 - lowest)));
        return b;
    }

    void junkLines(QByteArray& out, const char* eol) {
        while (percent(8)) {
            out += oneOf<QByteArray>({"; a comment", "# hash", "=novalue", "novalue", "[Other]", "x=1",
                                      "\"quoted key\"=5", "Key\\With\\Backslashes=1", "   ", ""});
            if (percent(20))
                out += bytes(1 + int(rng_() % 40), 32);
            out += eol;
        }
    }

    QByteArray goodValue(const Key& k) {
        // A file name is a good value whether or not the file can be opened.
        if (qstrcmp(k.name, "File") == 0)
            return percent(60) ? QFile::encodeName(folder_ + QStringLiteral("/p.txt")) : fileValue();
        return k.good;
    }

    QByteArray junkValue(const Key& k) {
        if (qstrcmp(k.name, "File") == 0)
            return fileValue();
        switch (rng_() % 12) {
        case 0: return {};
        case 1: return oneOf<QByteArray>({" ", "   ", "\t", " \t "});
        case 2: return oneOf<QByteArray>({"+", "-", "+-1", "--5", "-+", "+ 5", "- 1", "+.", "-."});
        case 3: {
            QByteArray n = percent(50) ? "" : oneOf<QByteArray>({"-", "+"});
            n += QByteArray::number(1 + int(rng_() % 9));
            const int digits = 4 + int(rng_() % (percent(10) ? 400 : 20));
            for (int i = 0; i < digits; ++i)
                n += char('0' + rng_() % 10);
            if (percent(30))
                n += ".5";
            return n;
        }
        case 4:
            return oneOf<QByteArray>({"32767", "32768", "-32768", "-32769", "32767.5", "-32768.5", "32767.49", "0.5",
                                      "1.5", "2.5", "-0.5", "1e3", "0x10", "1,5", ".", "5.", ".5", "1..2", "inf",
                                      "nan", "NaN", "Infinity", "-0", "00000000000000000000001", "1 2"});
        case 5:
            return oneOf<QByteArray>({"true", "TRUE", "False", "yes", "no", "on", "1", "0", " True ", "Tru",
                                      "truefalse", "Pravda", "-1"});
        case 6:
            return oneOf<QByteArray>({"čtyři", "Přístup", "日本語", "\xF0\x9F\x98\x80", "\xC2\xA0" "12\xC2\xA0",
                                      "\xE2\x80\x87" "7", "\xEF\xBC\x91\xEF\xBC\x92", "\xD9\xA3", "ß", "Ω"});
        case 7: return QByteArray(1000 + int(rng_() % 100000), percent(50) ? '9' : 'x');
        case 8:
            return oneOf<QByteArray>({"\"12\"", "\"unterminated", "12\\", "\\\\", "\\x41", "\\n", "\"a,b\"", "a,b,c",
                                      "1, 2", "\"\"", "'5'", "\\", "\"\\\"\"", "\\0", "\\x2"});
        case 9:
            return oneOf<QByteArray>({"[Audit]", "; comment", "# x", "a=b", "@Variant(\\0\\0\\0\\x7f\\0)",
                                      "@ByteArray(12)", "@Invalid()", "@String(7)", "@Size(1 2)", "@Rect(1 2 3 4)",
                                      "@Variant(garbage"});
        case 10: return bytes(1 + int(rng_() % 300), 1);
        default: return QByteArray::number(int(rng_() % 80001) - 40000);
        }
    }

    // File names stay inside the temporary folder (the current folder during the start-up), so a
    // junk name never creates anything elsewhere.
    QByteArray fileValue() {
        const QByteArray base = QFile::encodeName(folder_);
        switch (rng_() % 11) {
        case 0: return {};
        case 1: return base;                                 // a folder
        case 2: return base + "/missing/sub/p.txt";          // no such folder
        case 3: return "/dev/full";
        case 4: return base + "/" + QByteArray(300, 'a');    // too long a name
        case 5: return base + "/" + QByteArray(5000, 'b');   // too long a path
        case 6: return base + "/p.txt/inside";               // through a file
        case 7: return oneOf<QByteArray>({".", "..", " ", "\"\"", "\"q.txt\""});
        default: {
            // Junk without slashes or backslashes: a relative name in the current folder.
            QByteArray name;
            const int n = 1 + int(rng_() % 60);
            for (int i = 0; i < n; ++i) {
                char c = char(32 + rng_() % 224);
                if (c == '/' || c == '\\' || c == '\x7f')
                    c = '_';
                name += c;
            }
            return name;
        }
        }
    }

    std::mt19937 rng_;
    QString folder_;
};

const QRegularExpression kFailureText(QStringLiteral("^Chyba č\\. (\\d+) - .+$"));

int failureCode(const QString& text) {
    const auto m = kFailureText.match(text);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

bool isConversion(int code) { return code == kOverflow || code == kTypeMismatch; }

} // namespace

class TestSettingsFuzz : public QObject {
    Q_OBJECT
    std::unique_ptr<ReplayGuard> guard_;

private slots:
    void initTestCase() { guard_ = std::make_unique<ReplayGuard>(); }
    void cleanupTestCase() { guard_.reset(); }
    void cleanup() { QDir::setCurrent(QDir::tempPath()); }

    // A hand-edited number with a long fraction loads as its rounded value, however small.
    void longFractions_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("loaded");
        QTest::newRow("300 zeros") << QStringLiteral("0.") + QString(300, u'0') + u'1' << 0;
        QTest::newRow("330 zeros") << QStringLiteral("0.") + QString(330, u'0') + u'1' << 0;
        QTest::newRow("negative, 400 zeros") << QStringLiteral("-0.") + QString(400, u'0') + u'7' << 0;
        QTest::newRow("12 and 400 zeros") << QStringLiteral("12.") + QString(400, u'0') + u'1' << 12;
    }
    void longFractions() {
        QFETCH(QString, value);
        QFETCH(int, loaded);
        WindowFixture f;
        f.set("Settings/Sada", value);
        FrmMain& w = f.start();
        QCOMPARE(f.dialogs.texts(), QStringList());
        QCOMPARE(int(w.state.nSada), loaded);
    }

    void junkSettingsFiles_data() {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("count");
        // Slices of one numbered sequence of files, so a failure names a file number to replay.
        for (int slice = 0; slice < 6; ++slice)
            QTest::newRow(qPrintable(QStringLiteral("files %1-%2").arg(slice * 100).arg(slice * 100 + 99)))
                << slice * 100 << 100;
    }
    void junkSettingsFiles() {
        QFETCH(int, first);
        QFETCH(int, count);
        const unsigned seed = envNumber("NUMIO_SETTINGS_FUZZ_SEED", 20020314u);
        const int only = int(envNumber("NUMIO_SETTINGS_FUZZ_ONLY", ~0u));
        int unsafe = 0;
        int loaded = 0;      // every key converted
        int refused = 0;     // a conversion failure stopped the loading
        int unopened = 0;    // the protocol could not be opened
        int examinations = 0;
        for (int number = first; number < first + count; ++number) {
            if (only >= 0 && number != only)
                continue;
            const QString where = QStringLiteral("NUMIO_SETTINGS_FUZZ_SEED=%1 NUMIO_SETTINGS_FUZZ_ONLY=%2: ")
                                      .arg(seed).arg(number);
            ReplayGuard::at(where.toUtf8());
            QTemporaryDir dir;
            QVERIFY(dir.isValid());
            QVERIFY(QDir::setCurrent(dir.path()));
            IniSettingsStore store(dir.path());
            JunkWriter junk(seed ^ (2654435761u * unsigned(number + 1)), dir.path());
            const QByteArray content = junk.file();
            QVERIFY(QDir().mkpath(QFileInfo(store.filePath(kAppName)).absolutePath()));
            {
                QFile ini(store.filePath(kAppName));
                QVERIFY(ini.open(QIODevice::WriteOnly));
                QCOMPARE(ini.write(content), content.size());
            }
            // Whatever the parser made of it, the protocol must not land outside the folder.
            const QString file = store.read(kAppName, QStringLiteral("Audit"), QStringLiteral("File"), {});
            if (file.contains(QLatin1Char('/')) && !file.startsWith(dir.path()) && file != QStringLiteral("/dev/full")) {
                ++unsafe;
                continue;
            }

            LocalTextFiles files;
            SeededRandom random{unsigned(number)};
            FixedClock clock;
            FakeDialogs dialogs;
            FakePump pump;
            ManualTimer timer;
            FrmMain w(Doors{store, files, random, clock, dialogs, pump, timer});
            w.onEnd = [] {};
            w.Form_Load();
            const PracticeState& s = w.state;

            int conversions = 0;
            int fileFailures = 0;
            for (const auto& m : dialogs.shown) {
                const int code = failureCode(m.text);
                QVERIFY2(m.title == kFailureTitle && code > 0, qPrintable(where + m.title + QLatin1Char(' ') + m.text));
                if (isConversion(code))
                    ++conversions;
                else
                    ++fileFailures;
            }
            const QString shown = dialogs.texts().join(QStringLiteral(" | "));
            QVERIFY2(conversions <= 1, qPrintable(where + shown));
            if (conversions)
                ++refused;
            else
                ++loaded;
            if (fileFailures)
                ++unopened;
            // The open at ApplySettings, and once more at the idle look when a limit is on.
            QVERIFY2(fileFailures <= 1 + int(s.bLimit || s.bLimitSady), qPrintable(where + shown));
            QVERIFY2(w.windowTitle() == QStringLiteral(" Numio"), qPrintable(where));
            QVERIFY2(w.dfResult->isHidden() && w.Progress->isHidden() && w.pbStop->isHidden(), qPrintable(where));
            QVERIFY2(!s.modeRunning(), qPrintable(where));
            QVERIFY2(!w.mnuStop->isEnabled(), qPrintable(where));
            const QString status = w.state.pnlStatus->text();
            QVERIFY2(status.isEmpty() || status == FrmMain::kNoModeText, qPrintable(where + status));

            // A short examination of each kind that can start: the values that loaded must serve.
            dialogs.shown.clear();
            dialogs.onMessage = [&dialogs](const FakeDialogs::Shown& m) {
                dialogs.answers = {m.buttons == Dialogs::Buttons::Ok ? Dialogs::Answer::Ok : Dialogs::Answer::No};
            };
            for (QAction* start : {w.mnuPocitej, w.mnuPocitejSady}) {
                emit w.mnuNumio->aboutToShow();
                start->trigger();
                if (s.modeRunning())
                    ++examinations;
                for (int i = 0; i < 4 && s.modeRunning(); ++i) {
                    QTest::keyClicks(w.dfResult, QString::number(i == 1 ? s.C + 1 : s.C));
                    QTest::keyClick(w.dfResult, Qt::Key_Return);
                    for (int t = 0; t < 30 && s.modeRunning(); ++t)
                        timer.tick();
                    QVERIFY2(s.nSpatne <= s.nPrikladID, qPrintable(where));
                }
                w.mnuStop->trigger();
                if (w.reportCardShown())
                    w.pbOK->click();
            }
            for (const auto& m : dialogs.shown)
                QVERIFY2(!isConversion(failureCode(m.text)), qPrintable(where + m.text));
        }
        qInfo("%d files loaded, %d stopped at a conversion, %d without their protocol, %d examinations, %d skipped",
              loaded, refused, unopened, examinations, unsafe);
        QVERIFY2(unsafe <= count / 10, "too many files skipped as unsafe");
        if (only < 0) {
            // The junk reached every part: some files load, some stop, some protocols fail to open.
            QVERIFY(loaded > 0 && refused > 0 && unopened > 0 && examinations > 0);
        }
    }
};

QTEST_MAIN(TestSettingsFuzz)
#include "test_settings_fuzz.moc"
