// The protocol file failing under the running program: a full disk, a folder that disappears
// while the file is open, and a second window taking the file while the first reopens it.

#include "hardening/protocol_lines.h"
#include "support/window_fixture.h"
#include "ui/settings_dialog.h"

#include <QApplication>
#include <QFileInfo>
#include <QPushButton>
#include <QTimer>

using namespace numio;
using namespace numio::test;

namespace {

const QString kDiskFullText = QStringLiteral("Chyba č. 61 - Disk je plný");
const QString kPathNotFoundText = QStringLiteral("Chyba č. 76 - Cesta nenalezena");
const QString kNoFileText = QStringLiteral("Chyba č. 52 - Chybný název nebo číslo souboru");
const QString kAccessDeniedText = QStringLiteral("Chyba č. 70 - Přístup odepřen");

QStringList failures(const FakeDialogs& d) {
    QStringList texts;
    for (const auto& m : d.shown) {
        if (m.title == kFailureTitle)
            texts << m.text;
    }
    return texts;
}

// Answers OK boxes with OK and questions with No, whatever comes in between.
void answerNo(FakeDialogs& d) {
    d.onMessage = [&d](const FakeDialogs::Shown& m) {
        d.answers = {m.buttons == Dialogs::Buttons::Ok ? Dialogs::Answer::Ok : Dialogs::Answer::No};
    };
}

// Confirms the settings dialog as soon as it runs, as a user pressing OK without changes.
void confirmSettingsWhenShown() {
    auto* poll = new QTimer;
    poll->setInterval(0);
    QObject::connect(poll, &QTimer::timeout, [poll] {
        auto* dialog = qobject_cast<SettingsDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll->stop();
        poll->deleteLater();
        dialog->pbOK->click();
    });
    poll->start();
}

// Runs a hook just before each file is opened for appending.
// Runs a hook once, at the next touch of the protocol file (an open or a look-up).
class HookedFiles : public LocalTextFiles {
public:
    std::unique_ptr<AppendStream> openForAppending(const QString& path) override {
        runHook();
        return LocalTextFiles::openForAppending(path);
    }
    FileEntry lookUp(const QString& path) override {
        runHook();
        return LocalTextFiles::lookUp(path);
    }
    std::function<void()> beforeOpen;

private:
    void runHook() {
        if (beforeOpen) {
            auto hook = std::move(beforeOpen);
            beforeOpen = nullptr;
            hook();
        }
    }
};

} // namespace

class TestFailingFiles : public QObject {
    Q_OBJECT
private slots:
    // Every line of every record fails on its own with its message; the examination goes on.
    void fullDisk_data() {
        QTest::addColumn<QString>("limit");
        QTest::newRow("no limit") << "False";
        QTest::newRow("per-answer limit, reopened at the end") << "True";
    }
    void fullDisk() {
        QFETCH(QString, limit);
        if (!QFileInfo(QStringLiteral("/dev/full")).isWritable())
            QSKIP("/dev/full is not writable here");
        WindowFixture f;
        f.set("Audit/Active", "True");
        f.set("Audit/File", "/dev/full");
        f.set("Settings/Limit", limit);
        answerNo(f.dialogs);
        FrmMain& w = f.start();
        QCOMPARE(failures(f.dialogs), QStringList()); // opening it works; only writing fails

        w.mnuPocitej->trigger();
        QCOMPARE(failures(f.dialogs), QStringList(3, kDiskFullText)); // INIT: three lines
        QVERIFY(w.state.bPocitej && w.state.bProtokol);
        f.answerWrong();
        for (int i = 0; i < 4; ++i)
            f.answerRight();
        f.answerWrong();
        QCOMPARE(failures(f.dialogs), QStringList(5, kDiskFullText)); // two LOG lines
        QCOMPARE(w.state.nPrikladID, 6);
        QCOMPARE(w.state.nSpatne, 2);
        QCOMPARE(w.dfPrikladu->text(), QStringLiteral("6"));

        w.mnuStop->trigger();
        QCOMPARE(failures(f.dialogs), QStringList(10, kDiskFullText)); // FINISH: five lines
        QVERIFY(w.reportCardShown());
        QCOMPARE(w.lbVizo->text(), QStringLiteral("2"));
        w.pbOK->click();
        QCOMPARE(f.dialogs.shown.back().title, QStringLiteral("Upozornění"));
        QCOMPARE(w.windowTitle(), QStringLiteral(" Numio"));

        // Runs on: the next examination, and the shutdown line fails the same way.
        w.mnuPocitej->trigger();
        QVERIFY(w.state.bPocitej);
        f.answerRight();
        QCOMPARE(w.state.nPrikladID, 1);
        QCOMPARE(failures(f.dialogs).size(), 13);
        f.dialogs.onMessage = nullptr;
        w.close();
        QCOMPARE(f.ended, 1);
        QCOMPARE(failures(f.dialogs), QStringList(14, kDiskFullText));
    }

    // Lines still go to the open (now nameless) file; the next reopen reports the missing folder
    // once, later records fail line by line, and the program runs on.
    void folderRemovedWhileOpen_data() {
        QTest::addColumn<bool>("timed");
        QTest::newRow("end of a timed examination") << true;
        QTest::newRow("settings confirmed") << false;
    }
    void folderRemovedWhileOpen() {
        QFETCH(bool, timed);
        WindowFixture f;
        QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("sub")));
        const QString folder = f.dir.filePath(QStringLiteral("sub"));
        const QString path = folder + QStringLiteral("/protokol.txt");
        f.set("Audit/Active", "True");
        f.set("Audit/File", path);
        f.set("Settings/Limit", timed ? "True" : "False");
        answerNo(f.dialogs);
        FrmMain& w = f.start();
        w.mnuPocitej->trigger();
        QVERIFY(QFile::exists(path));
        QVERIFY(QDir(folder).removeRecursively());

        f.answerWrong();
        f.answerRight();
        QCOMPARE(failures(f.dialogs), QStringList());
        w.mnuStop->trigger();
        if (!timed) {
            QCOMPARE(failures(f.dialogs), QStringList());
            confirmSettingsWhenShown();
            w.mnuNastaveni->trigger();
        }
        const QStringList shown = failures(f.dialogs);
        QCOMPARE(shown.count(kPathNotFoundText), 1);
        for (const QString& text : shown)
            QVERIFY2(text == kPathNotFoundText || text == kNoFileText, qPrintable(text));
        QVERIFY(!w.state.modeRunning());
        QCOMPARE(w.windowTitle(), QStringLiteral(" Numio"));
        emit w.mnuProtokol->aboutToShow();
        QVERIFY(!w.mnuShowProtokol->isEnabled() && !w.mnuDelete->isEnabled());

        // Runs on without a file.
        w.mnuPocitej->trigger();
        QVERIFY(w.state.bPocitej);
        f.answerRight();
        f.answerWrong();
        QCOMPARE(w.state.nPrikladID, 2);
        w.mnuStop->trigger();
        QCOMPARE(failures(f.dialogs).count(kPathNotFoundText), timed ? 2 : 1); // a timed end reopens again
        for (const QString& text : failures(f.dialogs))
            QVERIFY2(text == kPathNotFoundText || text == kNoFileText, qPrintable(text));

        // With the folder back, confirming the settings opens the file again.
        QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("sub")));
        const int before = int(failures(f.dialogs).size());
        confirmSettingsWhenShown();
        w.mnuNastaveni->trigger();
        QCOMPARE(int(failures(f.dialogs).size()), before);
        w.mnuPocitej->trigger();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QStringList lines;
        QVERIFY(checkProtocolBytes(file.readAll(), &lines).isEmpty());
        QCOMPARE(lines.size(), 3);
    }

    // A second window started in the instant the first applies its settings again (the end of a
    // timed examination) is the one refused; the first keeps its file and its protocol.
    void secondWindowDuringReopen() {
        WindowFixture first;
        first.protocolOn();
        first.set("Settings/Limit", "True");
        answerNo(first.dialogs);
        HookedFiles files;
        first.w = std::make_unique<FrmMain>(
            Doors{first.store, files, first.random, first.clock, first.dialogs, first.pump, first.timer});
        first.w->onEnd = [] {};
        first.w->Form_Load();
        FrmMain& w = *first.w;
        w.mnuPocitej->trigger();
        first.answerRight();

        WindowFixture second;
        second.set("Audit/Active", "True");
        second.set("Audit/File", first.protocolPath());
        answerNo(second.dialogs);
        files.beforeOpen = [&] { second.start(); };
        w.mnuStop->trigger();
        QVERIFY(second.w);

        QCOMPARE(failures(second.dialogs), QStringList{kAccessDeniedText});
        QCOMPARE(failures(first.dialogs), QStringList());
        QVERIFY(w.state.bProtokol);
    }
};

QTEST_MAIN(TestFailingFiles)
#include "test_failing_files.moc"
