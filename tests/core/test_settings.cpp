#include "core/settings.h"
#include "platform/failure.h"
#include "support/data.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace numio;
using namespace numio::test;

// "nMaxValue,nMaxValueX,Plus,Minus,Krat,Deleno,Limit,LimitSady,nLimit,nLimitSady,nSada,Active,File"
static QString fields(const PracticeState& s) {
    QStringList f;
    for (int n : {+s.nMaxValue, +s.nMaxValueX, +s.bPlus, +s.bMinus, +s.bKrat, +s.bDeleno, +s.bLimit,
                  +s.bLimitSady, +s.nLimit, +s.nLimitSady, +s.nSada, +s.bProtokol})
        f << QString::number(n);
    return f.join(',') + ',' + s.ProtokolFile;
}

class TestSettings : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

  private slots:
    // Loading, and with it the conversion of texts to numbers and truth values.
    void load_data() {
        // ini: after "[Settings]"
        // expected: failure code (0: none): the fields loaded
        columns<QByteArray, QString>({"ini", "expected"});
        QTest::newRow("defaults") << QByteArray() << "0: 10,1,1,1,0,0,0,0,10,60,20,0,";
        QTest::newRow("bad first key") << QByteArray("MaxValue=x\nSada=3") << "13: 0,0,0,0,0,0,0,0,0,0,0,0,";
        row("bad middle key", QByteArray("MaxValue=5\nKrat=x\nDeleno=1"), "13: 5,1,1,1,0,0,0,0,0,0,0,0,");
        row("numeric and lower-case booleans", QByteArray("Plus=0\nMinus=false\nKrat=-1\nDeleno=TRUE"),
            "0: 10,1,0,0,1,1,0,0,10,60,20,0,");
        QTest::newRow("blanks ignored") << QByteArray("Sada=\" 25 \"") << "0: 10,1,1,1,0,0,0,0,10,60,25,0,";
        QTest::newRow("smallest") << QByteArray("Sada=-32768") << "0: 10,1,1,1,0,0,0,0,10,60,-32768,0,";
        QTest::newRow("largest") << QByteArray("Sada=32767") << "0: 10,1,1,1,0,0,0,0,10,60,32767,0,";
        QTest::newRow("one past the largest") << QByteArray("Sada=32768") << "6: 10,1,1,1,0,0,0,0,10,60,0,0,";
        row("long fractions round",
            "Sada=12." + QByteArray(400, '0') + "1\nMaxValue=-0." + QByteArray(400, '0') + '7',
            "0: 0,1,1,1,0,0,0,0,10,60,12,0,");
        QTest::newRow("400 nines") << "Sada=" + QByteArray(400, '9') << "6: 10,1,1,1,0,0,0,0,10,60,0,0,";
        QTest::newRow("inner blank") << QByteArray("Sada=1 2") << "13: 10,1,1,1,0,0,0,0,10,60,0,0,";
        QTest::newRow("lone sign") << QByteArray("Sada=-") << "13: 10,1,1,1,0,0,0,0,10,60,0,0,";
        QTest::newRow("arabic digits") << QByteArray("Sada=١٢") << "13: 10,1,1,1,0,0,0,0,10,60,0,0,";
        row("File as written, ; and , included", QByteArray("[Audit]\nFile= /a;b, c.txt "),
            "0: 10,1,1,1,0,0,0,0,10,60,20,0,/a;b, c.txt");
        row("File of 40000 characters", "[Audit]\nFile=/" + QByteArray(40000, 'a'),
            "0: 10,1,1,1,0,0,0,0,10,60,20,0,/" + QString(40000, 'a'));
    }

    void load() {
        const auto [ini, expected] = fetch<QByteArray, QString>("ini", "expected");
        // A folder of its own for every row: QSettings does not notice a file rewritten in the same second.
        const QString folder = dir_.filePath(QTest::currentDataTag());
        IniSettingsStore store(folder);
        QDir(folder).mkpath(kAppName);
        QFile file(store.filePath(kAppName));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[Settings]\n" + ini) > 0 && file.flush());
        PracticeState s;
        int code = 0;
        QString detail;
        try {
            LoadSettings(s, store);
        } catch (const Failure& f) {
            code = f.code(), detail = f.detail();
        }
        QCOMPARE(QString::number(code) + ": " + fields(s), expected);
        if (QTest::currentDataTag() == QByteArray("bad middle key"))
            QCOMPARE(detail,
                     "Nastavení Krat v souboru " + store.filePath(kAppName) +
                         " má neplatnou hodnotu „x“. Toto a všechna následující nastavení se nenačetla.");
    }

    // Something that is no settings file is told once and the program starts on the defaults, without
    // waiting; a save there is refused and leaves it as it was.
    void hostileSettingsPaths_data() {
        QTest::addColumn<QString>("what");
        for (const char* what : {"named pipe", "folder", "file where the folder belongs"})
            QTest::newRow(what) << what;
    }
    void hostileSettingsPaths() {
        QFETCH(QString, what);
        IniSettingsStore store(dir_.filePath(what));
        const QString file = store.filePath(kAppName), parent = QFileInfo(file).path();
        QVERIFY(QDir().mkpath(what.startsWith("file") ? dir_.filePath(what) : parent));
        QVERIFY(what == "named pipe" ? ::mkfifo(QFile::encodeName(file).constData(), 0644) == 0
                : what == "folder"   ? QDir().mkdir(file)
                                     : QFile(parent).open(QIODevice::WriteOnly));
        PracticeState s;
        QString told;
        try {
            LoadSettings(s, store);
        } catch (const Failure& f) {
            told = f.messageText() + '\n' + f.detail();
        }
        QCOMPARE(fields(s), QStringLiteral("10,1,1,1,0,0,0,0,10,60,20,0,"));
        QCOMPARE(told, "Chyba č. 75 - Chyba přístupu k cestě nebo souboru\nSoubor nastavení " + file +
                           " nelze přečíst; platí výchozí nastavení.");
        const std::optional<Failure> saved = SaveSettings(s, store);
        QVERIFY(saved && saved->code() == 75 && saved->detail().contains(file));
        QCOMPARE(QFileInfo(file).isFile(), false);
    }

    void saveWritesPlainTextsThatLoadBack() {
        IniSettingsStore store(dir_.path());
        PracticeState s, back;
        s.nMaxValue = -5;
        s.bMinus = s.bLimitSady = s.bProtokol = true;
        s.ProtokolFile = QStringLiteral("/home/žák/\"protokol\", 1;") + QString(33000, u'a');
        QVERIFY(!SaveSettings(s, store));
        for (const QString kv : {"MaxValue=-5", "Plus=False", "Minus=True", "Sada=0"})
            QCOMPARE(store.read(kAppName, "Settings", kv.section('=', 0, 0), ""), kv.section('=', 1));
        LoadSettings(back, store);
        QCOMPARE(fields(back), fields(s));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
