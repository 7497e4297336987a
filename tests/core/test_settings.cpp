#include "core/settings.h"
#include "platform/failure.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace numio;

class TestSettings : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString iniPath() const { return dir_.filePath(QStringLiteral("Numio2/Numio2.conf")); }
    void writeIni(const QByteArray& text) {
        QDir().mkpath(dir_.filePath(QStringLiteral("Numio2")));
        QFile f(iniPath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }

private slots:
    void init() { QFile::remove(iniPath()); }

    void load_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("failure"); // 0: none
        // nMaxValue, nMaxValueX, Plus, Minus, Krat, Deleno, Limit, LimitSady, nLimit, nLimitSady,
        // nSada, Active, File
        QTest::addColumn<QString>("expected");

        QTest::newRow("empty store gives the defaults")
            << QByteArray() << 0 << "10,1,1,1,0,0,0,0,10,60,20,0,";
        QTest::newRow("bad first key leaves everything at zero")
            << QByteArray("[Settings]\nMaxValue=abc\nSada=30\n") << 13 << "0,0,0,0,0,0,0,0,0,0,0,0,";
        QTest::newRow("bad middle key stops there")
            << QByteArray("[Settings]\nMaxValue=50\nKrat=abc\nDeleno=True\n[Audit]\nFile=/x.txt\n") << 13
            << "50,1,1,1,0,0,0,0,0,0,0,0,";
        QTest::newRow("set size beyond 16 bits overflows")
            << QByteArray("[Settings]\nSada=40000\n") << 6 << "10,1,1,1,0,0,0,0,10,60,0,0,";
        QTest::newRow("blanks around a number are ignored")
            << QByteArray("[Settings]\nSada=\" 25 \"\n") << 0 << "10,1,1,1,0,0,0,0,10,60,25,0,";
        QTest::newRow("numeric and lower-case booleans")
            << QByteArray("[Settings]\nPlus=0\nMinus=false\nKrat=-1\nDeleno=TRUE\n") << 0
            << "10,1,0,0,1,1,0,0,10,60,20,0,";
        QTest::newRow("empty integer text is a type mismatch")
            << QByteArray("[Settings]\nMaxValueX=\n") << 13 << "10,0,0,0,0,0,0,0,0,0,0,0,";
        QTest::newRow("negative values load as they stand")
            << QByteArray("[Settings]\nTimeLimit=-5\n[Audit]\nActive=True\nFile=/tmp/p \xc4\x8d.txt\n") << 0
            << QStringLiteral("10,1,1,1,0,0,0,0,-5,60,20,1,/tmp/p č.txt");
    }

    void load() {
        QFETCH(QByteArray, ini);
        QFETCH(int, failure);
        QFETCH(QString, expected);
        if (!ini.isEmpty())
            writeIni(ini);
        IniSettingsStore store(dir_.path());
        PracticeState s;
        int code = 0;
        try {
            LoadSettings(s, store);
        } catch (const Failure& f) {
            code = f.code();
        }
        QCOMPARE(code, failure);
        const QStringList fields{QString::number(s.nMaxValue), QString::number(s.nMaxValueX),
                                 QString::number(s.bPlus),     QString::number(s.bMinus),
                                 QString::number(s.bKrat),     QString::number(s.bDeleno),
                                 QString::number(s.bLimit),    QString::number(s.bLimitSady),
                                 QString::number(s.nLimit),    QString::number(s.nLimitSady),
                                 QString::number(s.nSada),     QString::number(s.bProtokol),
                                 s.ProtokolFile};
        QCOMPARE(fields.join(QLatin1Char(',')), expected);
    }

    void saveWritesPlainTextsThatLoadBack() {
        IniSettingsStore store(dir_.path());
        PracticeState s;
        s.nMaxValue = 100;
        s.nMaxValueX = 7;
        s.bPlus = false;
        s.bMinus = true;
        s.bKrat = true;
        s.bLimitSady = true;
        s.nLimit = 3;
        s.nLimitSady = 15;
        s.nSada = 0;
        s.bProtokol = true;
        s.ProtokolFile = QStringLiteral("/home/žák/protokol, 1.txt");
        SaveSettings(s, store);

        const QStringList expected{"MaxValue", "100", "MaxValueX", "7",  "Plus", "False", "Minus", "True",
                                   "Krat",     "True", "Deleno",   "False", "Limit", "False", "LimitSady", "True",
                                   "TimeLimit", "3",  "TimeLimitSada", "15", "Sada", "0"};
        for (int i = 0; i < expected.size(); i += 2)
            QCOMPARE(store.read(kAppName, "Settings", expected[i], "?"), expected[i + 1]);
        QCOMPARE(store.read(kAppName, "Audit", "Active", "?"), QStringLiteral("True"));
        QCOMPARE(store.read(kAppName, "Audit", "File", "?"), s.ProtokolFile);

        PracticeState back;
        LoadSettings(back, store);
        QCOMPARE(back.nMaxValue, s.nMaxValue);
        QCOMPARE(back.bPlus, false);
        QCOMPARE(back.nSada, 0);
        QCOMPARE(back.ProtokolFile, s.ProtokolFile);
        QVERIFY(QFile::exists(iniPath()));
    }

    void conversions_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("failure");
        QTest::newRow("plain") << "100" << 100 << 0;
        QTest::newRow("signs") << "-32768" << -32768 << 0;
        QTest::newRow("largest") << "32767" << 32767 << 0;
        QTest::newRow("one past largest") << "32768" << 0 << 6;
        QTest::newRow("huge") << QString(400, QLatin1Char('9')) << 0 << 6;
        QTest::newRow("blank") << "   " << 0 << 13;
        QTest::newRow("letters") << "12a" << 0 << 13;
        QTest::newRow("inner blank") << "1 2" << 0 << 13;
        QTest::newRow("non-ascii digits") << QStringLiteral("١٢") << 0 << 13;
        QTest::newRow("lone sign") << "-" << 0 << 13;
    }

    void conversions() {
        QFETCH(QString, text);
        QFETCH(int, value);
        QFETCH(int, failure);
        int code = 0;
        int got = 0;
        try {
            got = textToInteger(text);
        } catch (const Failure& f) {
            code = f.code();
        }
        QCOMPARE(code, failure);
        QCOMPARE(got, value);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
