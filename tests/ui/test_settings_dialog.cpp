#include "core/settings.h"
#include "support/fakes.h"
#include "ui/settings_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace numio;
using test::FakeDialogs;

namespace {

const QStringList kKeys{
    "Settings/MaxValue",  "Settings/MaxValueX",     "Settings/Plus",  "Settings/Minus",
    "Settings/Krat",      "Settings/Deleno",        "Settings/Limit", "Settings/LimitSady",
    "Settings/TimeLimit", "Settings/TimeLimitSada", "Settings/Sada",  "Audit/Active",
    "Audit/File"};
const QStringList kDefaults{"10",    "1",  "True", "True", "False", "False", "False",
                            "False", "10", "60",   "20",   "False", ""};

// The defaults with "MaxValue=100 File=/p.txt" style changes, one text per key.
QStringList values(const QString& changes) {
    QStringList v = kDefaults;
    for (const QString& change : changes.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString key = change.section(QLatin1Char('='), 0, 0);
        const qsizetype i = kKeys.indexOf(QRegularExpression(QStringLiteral(".*/") + key));
        Q_ASSERT(i >= 0);
        v[i] = change.section(QLatin1Char('='), 1);
    }
    return v;
}

QStringList shown(const SettingsDialog& d) {
    auto box = [](const QCheckBox* c) { return booleanToText(c->isChecked()); };
    return {d.cmbMaxValue->currentText(),
            d.cmbMaxValueX->currentText(),
            box(d.cbPlus),
            box(d.cbMinus),
            box(d.cbKrat),
            box(d.cbDeleno),
            box(d.cbLimit),
            box(d.cbLimitSada),
            d.cmbLimit->currentText(),
            d.cmbLimitSada->currentText(),
            d.dfSady->text(),
            box(d.cbProtokol),
            d.dfFile->text()};
}

// Notes every write in order and passes it on to the INI store, if any.
class RecordingStore : public SettingsStore {
public:
    explicit RecordingStore(SettingsStore* inner = nullptr) : inner_(inner) {}
    QString read(const QString& a, const QString& s, const QString& k, const QString& d) override {
        return inner_ ? inner_->read(a, s, k, d) : d;
    }
    void write(const QString& a, const QString& s, const QString& k, const QString& v) override {
        writes << s + QLatin1Char('/') + k + QLatin1Char('=') + v;
        if (inner_)
            inner_->write(a, s, k, v);
    }
    QStringList writes;

private:
    SettingsStore* inner_;
};

// The record as the store would hold it: one text per key.
QStringList values(const PracticeState& s) {
    RecordingStore r;
    numio::SaveSettings(s, r);
    QStringList v;
    for (const QString& w : r.writes)
        v << w.section(QLatin1Char('='), 1);
    return v;
}

// Stores the texts and loads them into a fresh record, as start-up does.
PracticeState record(const QStringList& v, SettingsStore& store) {
    for (qsizetype i = 0; i < kKeys.size(); ++i)
        store.write(kAppName, kKeys[i].section(QLatin1Char('/'), 0, 0), kKeys[i].section(QLatin1Char('/'), 1),
                    v[i]);
    PracticeState s;
    LoadSettings(s, store);
    return s;
}

// "click cbKrat", "pick cmbLimit 20", "type dfSady 1a2", "clear dfSady": what a user does.
void act(SettingsDialog& d, const QStringList& actions) {
    for (const QString& a : actions) {
        const QStringList w = a.split(QLatin1Char(' '));
        auto* target = d.findChild<QWidget*>(w[1]);
        QVERIFY2(target, qPrintable(a));
        if (w[0] == QLatin1String("click")) {
            qobject_cast<QAbstractButton*>(target)->click();
        } else if (w[0] == QLatin1String("pick")) {
            auto* c = qobject_cast<QComboBox*>(target);
            QVERIFY2(c->findText(w[2]) >= 0, qPrintable(a));
            c->setCurrentIndex(c->findText(w[2]));
        } else if (w[0] == QLatin1String("type")) {
            QTest::keyClicks(target, w[2]);
        } else {
            QTest::keyClick(target, Qt::Key_End);
            for (int i = 0; i < 3; ++i)
                QTest::keyClick(target, Qt::Key_Backspace);
        }
    }
}

} // namespace

class TestSettingsDialog : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<IniSettingsStore> ini_;
    FakeDialogs dialogs_;

    QByteArray iniBytes() const {
        QFile f(ini_->filePath(kAppName));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void init() {
        QFile::remove(IniSettingsStore(dir_.path()).filePath(kAppName));
        ini_ = std::make_unique<IniSettingsStore>(dir_.path());
        dialogs_ = FakeDialogs();
    }

    void opensFixedOnTheFirstTab() {
        PracticeState s = record(kDefaults, *ini_);
        SettingsDialog d(s, *ini_, dialogs_, nullptr);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QCOMPARE(d.windowTitle(), QStringLiteral(" Nastavení parametrů zkoušení"));
        QCOMPARE(d.minimumSize(), QSize(416, 351));
        QCOMPARE(d.maximumSize(), QSize(416, 351));
        QCOMPARE(d.SSTab->currentIndex(), 0);
        QCOMPARE(d.findChildren<QPushButton*>().size(), 2); // OK and "Zvol soubor": no Cancel
        // Places on a tab count from the tab panel's corner, whatever the height of the tab row.
        QCOMPARE(d.cmbMaxValue->mapTo(&d, QPoint()), QPoint(7 + 168, 7 + 35));
    }

    void fill_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("chooser"); // scripted answers; "" cancels
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("selectEnabled");

        QTest::newRow("defaults") << "" << QStringList() << "" << false;
        QTest::newRow("both limits: the set limit wins")
            << "Limit=True LimitSady=True" << QStringList() << "LimitSady=True" << false;
        QTest::newRow("values off the lists take the nearest entry")
            << "MaxValue=27 MaxValueX=0 TimeLimit=25 TimeLimitSada=70" << QStringList()
            << "MaxValue=25 MaxValueX=1 TimeLimit=20 TimeLimitSada=60" << false;
        QTest::newRow("ties take the smaller entry")
            << "MaxValue=65 TimeLimitSada=3" << QStringList() << "MaxValue=60 TimeLimitSada=1" << false;
        QTest::newRow("set size clamped above") << "Sada=1500" << QStringList() << "Sada=999" << false;
        QTest::newRow("set size clamped below") << "Sada=-4" << QStringList() << "Sada=0" << false;
        QTest::newRow("protocol with a path: no chooser")
            << "Active=True File=/p.txt" << QStringList() << "Active=True File=/p.txt" << true;
        QTest::newRow("protocol without a path: chooser picks")
            << "Active=True" << QStringList{"/new.txt"} << "Active=True File=/new.txt" << true;
        QTest::newRow("protocol without a path: chooser cancelled")
            << "Active=True" << QStringList{""} << "" << false;
    }

    void fill() {
        QFETCH(QString, stored);
        QFETCH(QStringList, chooser);
        QFETCH(QString, expected);
        QFETCH(bool, selectEnabled);
        PracticeState s = record(values(stored), *ini_);
        dialogs_.chosenFiles.assign(chooser.begin(), chooser.end());
        SettingsDialog d(s, *ini_, dialogs_, nullptr);

        QCOMPARE(shown(d), values(expected));
        QCOMPARE(d.pbSelectFile->isEnabled(), selectEnabled);
        QCOMPARE(int(dialogs_.chooserCalls.size()), int(chooser.size()));
        if (!chooser.isEmpty()) {
            QCOMPARE(dialogs_.chooserCalls[0][0], QStringLiteral("Volba souboru protokolu"));
            QCOMPARE(dialogs_.chooserCalls[0][1], QStringLiteral("Soubory protokolu (*.txt)"));
        }
        QCOMPARE(values(s), values(stored)); // loading changes nothing
    }

    void ok_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<QStringList>("chooser");
        QTest::addColumn<QString>("expected");
        using L = QStringList;

        QTest::newRow("unchanged defaults") << "" << L() << L() << "";
        QTest::newRow("both limits stored: only the set limit saved")
            << "Limit=True LimitSady=True" << L() << L() << "LimitSady=True";
        QTest::newRow("answer limit unchecks the set limit")
            << "LimitSady=True" << L{"click cbLimit"} << L() << "Limit=True";
        QTest::newRow("lists") << ""
                               << L{"pick cmbMaxValue 100", "pick cmbMaxValueX 10", "pick cmbLimit 20",
                                    "pick cmbLimitSada 80"}
                               << L() << "MaxValue=100 MaxValueX=10 TimeLimit=20 TimeLimitSada=80";
        QTest::newRow("all four kinds off")
            << "" << L{"click cbPlus", "click cbMinus"} << L() << "Plus=False Minus=False";
        QTest::newRow("empty set size stores 0") << "" << L{"clear dfSady"} << L() << "Sada=0";
        QTest::newRow("leading zeros") << "" << L{"clear dfSady", "type dfSady 007"} << L() << "Sada=7";
        QTest::newRow("fourth digit and letters refused")
            << "" << L{"clear dfSady", "type dfSady 1a-2x34"} << L() << "Sada=123";
        QTest::newRow("check with empty path: chosen")
            << "" << L{"click cbProtokol"} << L{"/c.txt"} << "Active=True File=/c.txt";
        QTest::newRow("check with empty path: cancelled") << "" << L{"click cbProtokol"} << L{""} << "";
        QTest::newRow("check with a path shown: no chooser")
            << "File=/a.txt" << L{"click cbProtokol"} << L() << "Active=True File=/a.txt";
        QTest::newRow("unchecking keeps the path")
            << "Active=True File=/a.txt" << L{"click cbProtokol"} << L() << "File=/a.txt";
        QTest::newRow("Zvol soubor picks") << "Active=True File=/a.txt" << L{"click pbSelectFile"}
                                           << L{"/b.txt"} << "Active=True File=/b.txt";
        QTest::newRow("Zvol soubor cancelled empties and unchecks")
            << "Active=True File=/a.txt" << L{"click pbSelectFile"} << L{""} << "";
    }

    void ok() {
        QFETCH(QString, stored);
        QFETCH(QStringList, actions);
        QFETCH(QStringList, chooser);
        QFETCH(QString, expected);
        PracticeState s = record(values(stored), *ini_);
        RecordingStore store(ini_.get());
        SettingsDialog d(s, store, dialogs_, nullptr);
        dialogs_.chosenFiles.assign(chooser.begin(), chooser.end());
        act(d, actions);
        QCOMPARE(int(dialogs_.chooserCalls.size()), int(chooser.size()));
        QCOMPARE(d.pbSelectFile->isEnabled(), d.cbProtokol->isChecked());

        d.show();
        QTest::mouseClick(d.pbOK, Qt::LeftButton);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(!d.isVisible());

        const QStringList v = values(expected);
        QCOMPARE(values(s), v);
        QStringList writes;
        for (qsizetype i = 0; i < kKeys.size(); ++i)
            writes << kKeys[i] + QLatin1Char('=') + v[i];
        QCOMPARE(store.writes, writes);
        for (qsizetype i = 0; i < kKeys.size(); ++i) {
            const QString section = kKeys[i].section(QLatin1Char('/'), 0, 0);
            QCOMPARE(
                ini_->read(kAppName, section, kKeys[i].section(QLatin1Char('/'), 1), QStringLiteral("?")),
                v[i]);
        }
    }

    void setSizeKeys_data() {
        QTest::addColumn<QTestEventList>("keys");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<bool>("menuPaste"); // as the context menu's "Paste" does
        QTest::addColumn<QString>("expected");

        QTestEventList enter, ctrlV, shiftIns, leave;
        enter.addKeyClick(Qt::Key_Return);
        ctrlV.addKeyClick(Qt::Key_V, Qt::ControlModifier);
        shiftIns.addKeyClick(Qt::Key_Insert, Qt::ShiftModifier);
        leave.addKeyClick(Qt::Key_Backspace);
        leave.addKeyClick(Qt::Key_Tab);
        QTest::newRow("Enter does not press OK") << enter << "" << false << "1";
        QTest::newRow("Ctrl+V swallowed") << ctrlV << "5" << false << "1";
        QTest::newRow("Shift+Insert swallowed") << shiftIns << "5" << false << "1";
        QTest::newRow("pasted letters refused") << QTestEventList() << "4x" << true << "1";
        QTest::newRow("pasted blank refused") << QTestEventList() << " 4" << true << "1";
        QTest::newRow("pasted digits taken") << QTestEventList() << "45" << true << "145";
        QTest::newRow("left empty becomes 0") << leave << "" << false << "0";
    }

    void setSizeKeys() {
        QFETCH(QTestEventList, keys);
        QFETCH(QString, clipboard);
        QFETCH(bool, menuPaste);
        QFETCH(QString, expected);
        PracticeState s = record(values("Sada=1"), *ini_);
        SettingsDialog d(s, *ini_, dialogs_, nullptr);
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        d.dfSady->setFocus();
        d.dfSady->end(false);
        QApplication::clipboard()->setText(clipboard);
        keys.simulate(d.dfSady);
        if (menuPaste)
            d.dfSady->paste();
        QCOMPARE(d.dfSady->text(), expected);
        QVERIFY(d.isVisible());
    }

    void closingWithoutOkChangesNothing_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("close box") << 0;
        QTest::newRow("reject") << 1;
        QTest::newRow("Escape") << 2;
    }

    void closingWithoutOkChangesNothing() {
        QFETCH(int, how);
        const QStringList before = values("MaxValue=20 Krat=True LimitSady=True Sada=30 File=/a.txt");
        PracticeState s = record(before, *ini_);
        const QByteArray bytes = iniBytes();
        RecordingStore store(ini_.get());
        SettingsDialog d(s, store, dialogs_, nullptr);
        dialogs_.chosenFiles = {QStringLiteral("/b.txt")};
        d.show();
        act(d, {"pick cmbMaxValue 100", "click cbKrat", "click cbLimit", "clear dfSady", "type dfSady 5",
                "click cbProtokol", "click pbSelectFile"});
        if (how == 0)
            d.close();
        else if (how == 1)
            d.reject();
        else
            QTest::keyClick(d.cmbMaxValue, Qt::Key_Escape);
        QVERIFY(!d.isVisible());
        QCOMPARE(values(s), before);
        QCOMPARE(store.writes, QStringList());
        QCOMPARE(iniBytes(), bytes);
    }

    void chooserStartsWhereAFileCanBeCreated() {
        QCOMPARE(protocolChooserFolder(dir_.path()), dir_.path());
        QCOMPARE(protocolChooserFolder(dir_.filePath(QStringLiteral("missing"))),
                 QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    }
};

QTEST_MAIN(TestSettingsDialog)
#include "test_settings_dialog.moc"
