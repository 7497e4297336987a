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

// The fields in key order, the path last:
// "nMaxValue,nMaxValueX,Plus,...,Active,JenVybrane...,ZvukPriChybe,OdpovediVedleProtokolu,File"
static QString fields(const PracticeState& s) {
    QStringList f;
    for (int n : {+s.nMaxValue, +s.nMaxValueX, +s.bPlus, +s.bMinus, +s.bKrat, +s.bDeleno, +s.bLimit,
                  +s.bLimitSady, +s.nLimit, +s.nLimitSady, +s.nSada, +s.bProtokol, +s.chosenTablesOnly,
                  +s.chosenTables.bits(), int(s.crossingTen), +s.soundOnError, +s.answersBeside})
        f << QString::number(n);
    return f.join(',') + ',' + s.ProtokolFile;
}

// Writes the file and loads it: "code: fields", the failure's detail into `detail`.
// A null `bytes` loads the file as it stands.
static QString loaded(IniSettingsStore& store, const QByteArray& bytes, QString* detail = nullptr) {
    QDir().mkpath(QFileInfo(store.filePath(kAppName)).path());
    QFile file(store.filePath(kAppName));
    if (!bytes.isNull() &&
        (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush()))
        return "unwritten";
    PracticeState s;
    const std::optional<Failure> failure = thrown([&] { LoadSettings(s, store); });
    if (failure && detail)
        *detail = failure->detail();
    return QString::number(failure ? failure->code() : 0) + ": " + fields(s);
}

class TestSettings : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

  private slots:
    // Loading, and with it the conversion of texts to numbers, truth values and rows.
    void load_data() {
        // ini: after "[Settings]"
        // expected: failure code (0: none): the fields loaded
        columns<QByteArray, QString>({"ini", "expected"});
        QTest::newRow("defaults") << QByteArray() << "0: 10,1,1,1,0,0,0,0,10,60,20,0,0,0,0,1,0,";
        row("numeric and lower-case booleans", QByteArray("Plus=0\nMinus=false\nKrat=-1\nDeleno=TRUE"),
            "0: 10,1,0,0,1,1,0,0,10,60,20,0,0,0,0,1,0,");
        row("blanks ignored, smallest, largest",
            QByteArray("Sada=\" 25 \"\nTimeLimit=-32768\nMaxValue=32767"),
            "0: 32767,1,1,1,0,0,0,0,-32768,60,25,0,0,0,0,1,0,");
        row("one past the largest, 400 nines", "Sada=32768\nMaxValue=" + QByteArray(400, '9'),
            "6: 10,1,1,1,0,0,0,0,10,60,20,0,0,0,0,1,0,");
        row("long fractions round",
            "Sada=12." + QByteArray(400, '0') + "1\nTimeLimit=-0." + QByteArray(400, '0') + '7',
            "0: 10,1,1,1,0,0,0,0,0,60,12,0,0,0,0,1,0,");
        row("inner blank, arabic digits", QByteArray("Sada=1 2\nTimeLimit=١٢"),
            "13: 10,1,1,1,0,0,0,0,10,60,20,0,0,0,0,1,0,");
        row("File as written, ; and , included", QByteArray("[Audit]\nFile= /a;b, c.txt "),
            "0: 10,1,1,1,0,0,0,0,10,60,20,0,0,0,0,1,0,/a;b, c.txt");
        row("File of 40000 characters", "[Audit]\nFile=/" + QByteArray(40000, 'a'),
            "0: 10,1,1,1,0,0,0,0,10,60,20,0,0,0,0,1,0,/" + QString(40000, 'a'));
        row("rows 1 and 10, blanks around",
            QByteArray("[Procvicovani]\nNasobilky=\" 1 , 10\"\nPrechodPresDesitku=2"),
            "0: 10,1,1,1,0,0,0,0,10,60,20,0,0,1026,2,1,0,");
        // Nothing the program can work with: its default, told.
        for (const char* bad : {"MaxValue=-5", "MaxValue=0", "MaxValueX=3277", "MaxValueX=0"})
            row(bad, QByteArray(bad), "13: 10,1,1,1,0,0,0,0,10,60,20,0,0,0,0,1,0,");
        for (const char* bad : {"Nasobilky=0", "Nasobilky=11", "Nasobilky=7,", "Nasobilky=7.5",
                                "PrechodPresDesitku=3", "PrechodPresDesitku=1.5"})
            row(bad, "[Procvicovani]\nJenVybraneNasobilky=1\nZvukPriChybe=False\n" + QByteArray(bad),
                "13: 10,1,1,1,0,0,0,0,10,60,20,0,1,0,0,0,0,");
    }

    void load() {
        const auto [ini, expected] = fetch<QByteArray, QString>("ini", "expected");
        // A folder of its own for every row: QSettings does not notice a file rewritten in the same second.
        IniSettingsStore store(dir_.filePath(QTest::currentDataTag()));
        QCOMPARE(loaded(store, "[Settings]\n" + ini), expected);
    }

    // A bad key in any place takes its default, named by its label; every other key loads, and a save
    // afterwards keeps them.
    void badKeyInEachPosition() {
        const QStringList keys =
            QString(
                "Settings/MaxValue=20|Maximální hodnota výpočtu;Settings/MaxValueX=7|Maximální povolená "
                "násobilka;Settings/Plus=False|Sčítání;Settings/Minus=False|Odčítání;Settings/Krat=True|"
                "Násobení;Settings/Deleno=True|Dělení;Settings/Limit=True|Limitovat odpovědi;Settings/"
                "LimitSady=True|Časový limit na sadu příkladů;Settings/TimeLimit=5|Limit pro odpovědi;"
                "Settings/TimeLimitSada=5|Časový limit na sadu příkladů (min.);Settings/Sada=6|Velikost "
                "zkoušené sady;Audit/Active=True|Protokolování do souboru;Procvicovani/JenVybraneNasobilky="
                "True|Jen vybrané násobilky;Procvicovani/Nasobilky=7|Vybrané násobilky;Procvicovani/"
                "PrechodPresDesitku=2|Přechod přes desítku;Procvicovani/ZvukPriChybe=False|Zvuk při chybě;"
                "Procvicovani/OdpovediVedleProtokolu=True|Odpovědi ukládat vedle protokolu")
                .split(';');
        const auto file = [&](qsizetype bad) {
            QByteArray ini;
            for (qsizetype i = 0; i < keys.size(); ++i) {
                const QString key = keys[i].section('/', 1).section('|', 0, 0);
                ini += "[" + keys[i].section('/', 0, 0).toUtf8() + "]\n" +
                       (i == bad ? key.section('=', 0, 0) + "=x" : key).toUtf8() + '\n';
            }
            return ini + "[Audit]\nFile=/p\n";
        };
        // A folder for every file: a file rewritten at once to the same size is not noticed.
        IniSettingsStore first(dir_.filePath("good")), second(dir_.filePath("defaults"));
        const QStringList good = loaded(first, file(-1)).split(','), defaults = loaded(second, "").split(',');
        QCOMPARE(good.join(','), "0: 20,7,0,0,1,1,1,1,5,5,6,1,1,128,2,0,1,/p");
        for (qsizetype i = 0; i < keys.size(); ++i) {
            IniSettingsStore store(dir_.filePath(QString::number(i)));
            QString detail;
            QStringList expected = good;
            expected[i] = defaults[i];
            expected[0] = "13: " + expected[0].section(' ', 1);
            QCOMPARE(loaded(store, file(i), &detail), expected.join(','));
            QVERIFY2(detail.contains("„" + keys[i].section('|', 1) + "“ v souboru " +
                                     store.filePath(kAppName) +
                                     " má neplatnou hodnotu „x“; platí jeho výchozí hodnota „"),
                     qPrintable(detail));
            PracticeState s;
            QVERIFY_THROWS_EXCEPTION(Failure, LoadSettings(s, store));
            SaveSettings(s, store);
            QCOMPARE(loaded(store, QByteArray()), "0: " + expected.join(',').section(' ', 1));
        }
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
        const std::optional<Failure> failure = thrown([&] { LoadSettings(s, store); });
        QCOMPARE(fields(s), QStringLiteral("10,1,1,1,0,0,0,0,10,60,20,0,0,0,0,1,0,"));
        QVERIFY(failure);
        QCOMPARE(failure->messageText() + '\n' + failure->detail(),
                 "Chyba č. 75 - Chyba přístupu k cestě nebo souboru\nSoubor nastavení " + file +
                     " nelze přečíst; platí výchozí nastavení.");
        const std::optional<Failure> saved = thrown([&] { SaveSettings(s, store); });
        QVERIFY(saved && saved->code() == 75 && saved->detail().contains(file));
        QCOMPARE(QFileInfo(file).isFile(), false);
    }

    // A file holding none of the program's groups is told once and kept as it is: a pupil's name is not
    // written into it; a save from the dialog replaces it and keeps it beside as .bak.
    void foreignFileKept_data() {
        columns<QByteArray, bool>({"bytes", "told"});
        const QString utf16 = QStringLiteral("\uFEFF[Settings]\r\nMaxValue=20\r\n");
        row("UTF-16", QByteArray(reinterpret_cast<const char*>(utf16.utf16()), utf16.size() * 2), true);
        row("CR line ends", QByteArray("[Settings]\rMaxValue=20\r"), true);
        row("junk", QByteArray("\x89PNG\r\n\x1a\nx=y"), true);
        row("blank lines", QByteArray("\n \n"), false);
        row("only pupils", QByteArray("[Pupils]\nx=Jana\n"), false);
        // Lines QSettings cannot parse: the save replaces them, and is not told as failed.
        row("a journal block appended",
            QByteArray("[Settings]\r\nPlus=True\r\n\r\n====\r\nNumio - 1.1.2004 0:00:00\r\n3*4=12   <>\r\n"
                       "P\xf8\xedklad\xf9 celkem : 50\r\n"),
            false);
    }
    void foreignFileKept() {
        const auto [bytes, told] = fetch<QByteArray, bool>("bytes", "told");
        IniSettingsStore store(dir_.filePath(QTest::currentDataTag()));
        const QString path = store.filePath(kAppName);
        QString detail;
        QCOMPARE(loaded(store, bytes, &detail),
                 (told ? "13: " : "0: ") + QString("10,1,1,1,0,0,0,0,10,60,20,0,0,0,0,1,0,"));
        QCOMPARE(detail.startsWith("Soubor nastavení " + path + " neobsahuje"), told);
        store.write(kAppName, "Pupils", "x", "Eva");
        QFile file(path), kept(path + ".bak");
        QCOMPARE(file.open(QIODevice::ReadOnly) && file.readAll() == bytes, told);
        PracticeState s;
        s.nMaxValue = 30, s.nMaxValueX = 1;
        SaveSettings(s, store);
        QCOMPARE(kept.open(QIODevice::ReadOnly) && kept.readAll() == bytes, told);
        QCOMPARE(loaded(store, QByteArray()).left(5), "0: 30");
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
