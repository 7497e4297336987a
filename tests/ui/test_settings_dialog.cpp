#include "core/settings.h"
#include "support/data.h"
#include "support/fakes.h"
#include "support/files.h"
#include "ui/settings_dialog.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace numio;
using namespace numio::test;

// The INI store, noting every write as "Section/Key=text".
struct RecordingStore : IniSettingsStore {
    using IniSettingsStore::IniSettingsStore;
    void write(const QString& a, const QList<SettingsEntry>& entries) override {
        for (const SettingsEntry& e : entries)
            writes << e.section + '/' + e.key + '=' + e.value;
        IniSettingsStore::write(a, entries);
    }
    QByteArray bytes() const { return fileBytes(filePath(kAppName)); }
    QStringList writes;
};

class TestSettingsDialog : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    // Every key in key order as "Section/Key=text": the defaults with changes like "Limit=True File=/p".
    static QStringList keyed(const QString& changes) {
        QString v =
            "Settings/MaxValue=10 Settings/MaxValueX=1 Settings/Plus=True Settings/Minus=True "
            "Settings/Krat=False Settings/Deleno=False Settings/Limit=False Settings/LimitSady=False "
            "Settings/TimeLimit=10 Settings/TimeLimitSada=60 Settings/Sada=20 Audit/Active=False Audit/File= "
            "Procvicovani/JenVybraneNasobilky=False Procvicovani/Nasobilky= "
            "Procvicovani/PrechodPresDesitku=0 "
            "Procvicovani/ZvukPriChybe=True Procvicovani/PamatovatOdpovedi=True Procvicovani/UmiDoSekund=3 "
            "Procvicovani/OdpovediVedleProtokolu=False";
        for (const QString& c : changes.split(' ', Qt::SkipEmptyParts))
            v.replace(QRegularExpression('/' + c.section('=', 0, 0) + "=[^ ]*"), '/' + c);
        return v.split(' ');
    }

    // "click cbPlus", "type dfSady \b1a\r" (Backspace, Return), "pick cmbLimit 2", "paste dfSady 4x", "close"
    // (the close box): what a user does.
    static void act(SettingsDialog& d, const QStringList& actions) {
        for (const QString& a : actions) {
            QWidget* target = a == "close" ? &d : d.findChild<QWidget*>(a.section(' ', 1, 1));
            if (a.startsWith("click"))
                qobject_cast<QAbstractButton*>(target)->click();
            else if (a.startsWith("type"))
                QTest::keyClicks(target, a.section(' ', 2));
            else if (a.startsWith("pick")) // an entry of a list, by its place
                qobject_cast<QComboBox*>(target)->setCurrentIndex(a.section(' ', 2).toInt());
            else if (a.startsWith("paste"))
                qobject_cast<QLineEdit*>(target)->insert(a.section(' ', 2)); // what pasting and dropping do
            else
                target->close();
        }
    }

  private slots:
    void use_data() {
        // chooser: scripted answers, "" cancels
        // expected: what OK stores; after "close", or when OK is refused, what stood before
        columns<QString, QStringList, QStringList, QString>({"stored", "actions", "chooser", "expected"});
        using L = QStringList;
        const QString inSettings = "Active=True File=" + dir_.filePath("Numio2/p.txt");
        row("protocol in the settings folder refused", inSettings, L(), L(), inSettings);
        row("settings file chosen: refused", "Active=True File=/a.txt", L{"click pbSelectFile"},
            L{dir_.filePath("Numio2/Numio2.conf")}, "Active=True File=/a.txt");
        row("chosen tables without a row refused", "", L{"click cbChosenTables"}, L(), "");
        row("crossing ten, largest sum 10: refused", "MaxValue=10", L{"pick cmbCrossingTen 2"}, L(),
            "MaxValue=10");
        row("crossing ten, largest sum 12", "MaxValue=10", L{"pick cmbCrossingTen 2", "pick cmbMaxValue 1"},
            L(), "MaxValue=12 PrechodPresDesitku=2");
        row("rows 1 and 10, crossing, sound off, answers not remembered, known within 5 s",
            "JenVybraneNasobilky=True Nasobilky=7 UmiDoSekund=5",
            L{"click cbTable1", "click cbTable10", "click cbTable7", "click cbSoundOnError",
              "type cmbCrossingTen j", "click cbRememberAnswers"},
            L(),
            "JenVybraneNasobilky=True Nasobilky=1,10 PrechodPresDesitku=1 ZvukPriChybe=False "
            "PamatovatOdpovedi=False UmiDoSekund=5");
        row("hand-edited: both limits, values off the lists",
            "Limit=True LimitSady=True MaxValue=27 MaxValueX=0 TimeLimit=25 TimeLimitSada=70", L(), L(),
            "LimitSady=True MaxValue=25 MaxValueX=1 TimeLimit=20 TimeLimitSada=60");
        row("answers beside the journal", "Active=True File=/a.txt", L{"click cbAnswersBeside"}, L(),
            "Active=True File=/a.txt OdpovediVedleProtokolu=True");
        row("answers beside: not without remembering", "Active=True File=/a.txt PamatovatOdpovedi=False",
            L{"click cbAnswersBeside"}, L(), "Active=True File=/a.txt PamatovatOdpovedi=False");
        row("empty set size stores 0", "", L{"type dfSady \b\b"}, L(), "Sada=0");
        row("all four kinds off; set size: digits only, three at most, Enter ignored", "",
            L{"click cbPlus", "click cbMinus", "type dfSady \b\b1\r", "paste dfSady 4x", "paste dfSady 2",
              "type dfSady a-34"},
            L(), "Plus=False Minus=False Sada=123");
        row("check with empty path: chooser; uncheck keeps the path; check again: no chooser", "",
            L{"click cbProtokol", "click cbProtokol", "click cbProtokol"}, L{"/c.txt"},
            "Active=True File=/c.txt");
        row("empty path: chooser cancelled", "", L{"click cbProtokol"}, L{""}, "");
        row("Zvol soubor cancelled empties and unchecks", "Active=True File=/a.txt", L{"click pbSelectFile"},
            L{""}, "");
        row("close box changes nothing", "Krat=True File=/a.txt",
            L{"click cbKrat", "click cbProtokol", "click pbSelectFile", "close"}, L{"/b.txt"},
            "Krat=True File=/a.txt");
    }

    void use() {
        const auto [stored, actions, chooser, expected] =
            fetch<QString, QStringList, QStringList, QString>("stored", "actions", "chooser", "expected");
        RecordingStore store(dir_.path());
        QList<SettingsEntry> seed;
        for (const QString& kv : keyed(stored))
            seed.push_back(
                {kv.section('/', 0, 0), kv.section('/', 1).section('=', 0, 0), kv.section('=', 1)});
        store.IniSettingsStore::write(kAppName, seed); // unrecorded
        PracticeState s;
        thrown([&] { LoadSettings(s, store); }); // a hand-edited value takes its default, told
        const QByteArray bytes = store.bytes();
        test::FakeDialogs dialogs;
        dialogs.chosenFiles.assign(chooser.begin(), chooser.end());
        SettingsDialog d(s, store, dialogs);
        d.show();
        act(d, actions);
        QCOMPARE(int(dialogs.chooserCalls.size()), int(chooser.size()));
        QCOMPARE(d.pbSelectFile->isEnabled(), d.cbProtokol->isChecked());
        QCOMPARE(d.cmbMaxValueX->isEnabled(), !d.cbTables[5]->isEnabled());
        if (d.isVisible())
            QTest::mouseClick(d.pbOK, Qt::LeftButton);
        QCOMPARE(dialogs.shown.size(), std::size_t(QByteArray(QTest::currentDataTag()).endsWith("refused")));
        if (d.result() == QDialog::Rejected)
            QCOMPARE(store.bytes(), bytes);
        numio::SaveSettings(s, store); // adds what the record holds
        QCOMPARE(store.writes,
                 (d.result() == QDialog::Accepted ? keyed(expected) : QStringList()) + keyed(expected));
    }

    // The chooser starts in the current protocol's folder, else the documents folder, else home, never
    // the program's; a protocol in the settings folder is refused; a name without suffix gets ".txt".
    void chooserFolderAndRefusedPaths() {
        const QString d = dir_.path(), conf = d + "/cfg/Numio2/Numio2.conf";
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(d));
        QVERIFY(QDir(d).mkpath("prog") && QDir(d).mkpath("cfg/Numio2/sub"));
        QCOMPARE(protocolChooserFolder(d + "/prog/p.txt", d + "/bin"), d + "/prog");
        for (const QString& current : {d + "/prog/p.txt", d + "/missing/p.txt", QString()})
            QCOMPARE(protocolChooserFolder(current, d + "/prog"), d);
        QVERIFY(QDir(d).mkdir("Documents"));
        QCOMPARE(protocolChooserFolder("", d + "/prog"), d + "/Documents");
        qputenv("HOME", home);
        // A second name of a settings file, anywhere, is that file.
        QVERIFY(QFile(conf).open(QIODevice::WriteOnly) &&
                QFile(d + "/cfg/Numio2/sub/z.conf").open(QIODevice::WriteOnly));
        QCOMPARE(::link(QFile::encodeName(conf).constData(), QFile::encodeName(d + "/hard.txt").constData()),
                 0);
        QCOMPARE(::link(QFile::encodeName(d + "/cfg/Numio2/sub/z.conf").constData(),
                        QFile::encodeName(d + "/prog/z.txt").constData()),
                 0);
        QVERIFY(sameFile(d + "/hard.txt", conf) && !sameFile(d + "/prog/z.txt", conf));
        for (const QString& p : {conf, d + "/cfg/Numio2/p.txt", d + "/cfg/Numio2/sub/p.txt",
                                 d + "/cfg/x/../Numio2/p", d + "/hard.txt", d + "/prog/z.txt"})
            QVERIFY2(insideSettingsFolder(p, conf), qPrintable(p));
        for (const QString& p : {d + "/cfg/p.txt", d + "/cfg/Numio2x/p.txt", d + "/prog/Numio2.conf"})
            QVERIFY2(!insideSettingsFolder(p, conf), qPrintable(p));
        QCOMPARE(withSuffix("/home/ja/protokol", ".txt"), QStringLiteral("/home/ja/protokol.txt"));
        QCOMPARE(withSuffix("/home/ja/P.TXT", ".txt"), QStringLiteral("/home/ja/P.TXT"));
        // A pupil's new journal is proposed under his name.
        StoredSettings s;
        test::FakeDialogs dialogs;
        IniSettingsStore store(d);
        SettingsDialog pupils(s, store, dialogs, nullptr, "Tomáš Novák");
        pupils.cbProtokol->click();
        QVERIFY(dialogs.chooserCalls.at(0).at(2).endsWith("/Tomáš Novák.txt"));
    }

    // From every control the keyboard reaches: Ctrl+Tab and Ctrl+Shift+Tab change the tab, Enter
    // presses OK, except where Enter is the control's own (a button, the set size's key rule).
    void keysFromEveryControl() {
        PracticeState s;
        s.nMaxValue = 10, s.nMaxValueX = 10;
        RecordingStore store(dir_.path());
        test::FakeDialogs dialogs;
        SettingsDialog probe(s, store, dialogs);
        QStringList names;
        for (QWidget* w : probe.findChildren<QWidget*>())
            if (w->focusPolicy() & Qt::TabFocus && !w->objectName().isEmpty())
                names << w->objectName();
        QVERIFY(names.size() > 20);
        for (const QString& name : names) {
            SettingsDialog d(s, store, dialogs);
            d.show();
            QVERIFY(QTest::qWaitForWindowActive(&d));
            QWidget* w = d.findChild<QWidget*>(name);
            d.SSTab->setCurrentWidget(d.SSTab->widget(0));
            for (int tab = 0; tab < 3 && !w->isVisible(); ++tab)
                d.SSTab->setCurrentIndex(tab);
            const int tab = d.SSTab->currentIndex();
            w->setEnabled(true);
            w->setFocus();
            QTest::keyClick(w, Qt::Key_Tab, Qt::ControlModifier);
            QVERIFY2(d.SSTab->currentIndex() == (tab + 1) % 3, qPrintable(name));
            QTest::keyClick(d.focusWidget(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
            QVERIFY2(d.SSTab->currentIndex() == tab, qPrintable(name));
            if (qobject_cast<QPushButton*>(w) || name == "dfSady")
                continue;
            w->setFocus();
            QTest::keyClick(w, Qt::Key_Return);
            QVERIFY2(d.result() == QDialog::Accepted, qPrintable(name));
        }
    }

    // On Linux a screen reader names a list by its entry ("60"): each list needs a label of its own
    // that says what it is, not the group's title nor a bare unit.
    void listsAreLabelled() {
        PracticeState s;
        RecordingStore store(dir_.path());
        test::FakeDialogs dialogs;
        SettingsDialog d(s, store, dialogs);
        for (QComboBox* list : d.findChildren<QComboBox*>()) {
            const auto labels = QAccessible::queryAccessibleInterface(list)->relations(QAccessible::Label);
            QVERIFY2(!labels.isEmpty() && qobject_cast<QLabel*>(labels.first().first->object()) &&
                         labels.first().first->text(QAccessible::Name).contains(' '),
                     qPrintable(list->objectName()));
        }
    }
};

QTEST_MAIN(TestSettingsDialog)
#include "test_settings_dialog.moc"
