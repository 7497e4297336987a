#include "support/window_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

using namespace numio;
using namespace numio::test;

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    // Each mode's look, and the idle look after it ends.
    void modeLooks_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("stopItem");
        QTest::addColumn<bool>("stopButton");
        QTest::addColumn<QString>("frame");
        QTest::newRow("plain practice") << "mnuPocitej" << " Numio - zkoušení příkladů" << true << true << "Výsledky";
        QTest::newRow("set") << "mnuPocitejSady" << " Numio - zkoušení příkladů v sadách" << false << false
                             << "Výsledky";
        QTest::newRow("repeat") << "mnuOpakujSpatne"
                                << " Numio - přezkoušení příkladů na které bylo chybně odpovězeno" << false << true
                                << "Výsledky oprav ";
    }
    void modeLooks() {
        QFETCH(QString, start);
        QFETCH(QString, caption);
        QFETCH(bool, stopItem);
        QFETCH(bool, stopButton);
        QFETCH(QString, frame);
        WindowFixture f;
        f.protocolOn();
        FrmMain& w = f.start();
        QCOMPARE(w.windowTitle(), QStringLiteral(" Numio"));
        QVERIFY(!w.mnuOpakujSpatne->isEnabled());
        QVERIFY(!w.lbLeft->isVisible() && !w.dfResult->isVisible() && !w.pbStop->isVisible());
        QVERIFY(f.protocolBytes().isEmpty()); // start-up writes no record

        if (start == "mnuOpakujSpatne") {
            // Leave one wrong answer behind in a short practice, and say No to the offer.
            w.mnuPocitej->trigger();
            f.answerWrong();
            f.dialogs.answers = {Dialogs::Answer::No};
            w.mnuStop->trigger();
            QVERIFY(w.mnuOpakujSpatne->isEnabled());
        }
        w.findChild<QAction*>(start)->trigger();

        QCOMPARE(w.windowTitle(), caption);
        QCOMPARE(w.mnuStop->isEnabled(), stopItem);
        QCOMPARE(w.pbStop->isVisible(), stopButton);
        QCOMPARE(w.Frame1->title(), frame);
        QVERIFY(w.lbLeft->isVisible() && w.lb1->isVisible() && w.dfResult->isVisible());
        QVERIFY(!w.lbLeft->text().isEmpty());
        for (QAction* a : {w.mnuPocitej, w.mnuPocitejSady, w.mnuNastaveni, w.mnuOpakujSpatne})
            QVERIFY(!a->isEnabled());
        QVERIFY(!w.mnuProtokol->isEnabled());
        QCOMPARE(w.dfPrikladu->text(), QStringLiteral("0"));
        QVERIFY(!w.Progress->isVisible());

        // Stop where it is offered; a set cannot be stopped, so it is played to its end.
        f.dialogs.answers = {Dialogs::Answer::No};
        if (start == "mnuPocitejSady") {
            for (int i = 0; i < 20; ++i)
                f.answerRight();
            QVERIFY(w.reportCardShown());
            w.pbOK->click();
        } else {
            w.pbStop->click();
        }
        QCOMPARE(w.windowTitle(), QStringLiteral(" Numio"));
        QVERIFY(!w.state.modeRunning());
        QVERIFY(!w.mnuStop->isEnabled() && !w.pbStop->isVisible() && !w.dfResult->isVisible());
        QVERIFY(w.mnuPocitej->isEnabled() && w.mnuNastaveni->isEnabled() && w.mnuProtokol->isEnabled());
    }

    void answerBoxTakesDigitsOnly() {
        WindowFixture f;
        FrmMain& w = f.start();
        w.mnuPocitej->trigger();
        QTest::keyClicks(w.dfResult, QStringLiteral("a-,1.2x34"));
        QCOMPARE(w.dfResult->text(), QStringLiteral("123")); // at most three digits
        QTest::keyClick(w.dfResult, Qt::Key_Backspace);
        QCOMPARE(w.dfResult->text(), QStringLiteral("12"));

        w.dfResult->clear();
        QGuiApplication::clipboard()->setText(QStringLiteral("1a"));
        w.dfResult->paste();
        QCOMPARE(w.dfResult->text(), QString());
        QGuiApplication::clipboard()->setText(QStringLiteral("42"));
        w.dfResult->paste();
        QCOMPARE(w.dfResult->text(), QStringLiteral("42"));

        // Enter on an empty box changes nothing.
        w.dfResult->clear();
        const QString problem = w.lbLeft->text();
        QTest::keyClick(w.dfResult, Qt::Key_Return);
        QCOMPARE(w.state.nPrikladID, 0);
        QCOMPARE(w.lbLeft->text(), problem);
        QCOMPARE(f.pump.beeps, 0);
    }

    void scoringAfterASequence() {
        WindowFixture f;
        f.protocolOn();
        FrmMain& w = f.start();
        w.mnuPocitej->trigger();
        f.answerRight();
        QCOMPARE(w.dfResult->text(), QString());
        QStringList shown{w.dfPrikladu->text(), w.dfDobre->text(), w.dfSpatne->text(), w.dfUspech->text(),
                          w.dfZnamka->text()};
        QCOMPARE(shown.join(' '), QStringLiteral("1 1 0 100% 1"));

        const QString wrongProblem = w.lbLeft->text();
        const QString entry = QStringLiteral("%1,%2,%3,%4").arg(w.state.A).arg(w.state.B).arg(w.state.C).arg(w.state.nRezim);
        const QString typed = QString::number(w.state.C + 1);
        f.answer(typed);
        QCOMPARE(f.pump.beeps, 1);
        QCOMPARE(f.pump.waits, 10); // ten colour phases
        QCOMPARE(w.state.SpatnePriklady[1], entry);
        QCOMPARE(f.protocolLines().last(),
                 wrongProblem + '=' + QString::number(w.state.SpatnePriklady[1].section(',', 2, 2).toInt()) +
                     "   <" + typed + '>');
        QVERIFY(w.dfResult->isEnabled() && w.dfResult->text().isEmpty());
        QCOMPARE(w.dfSpravne->text(), QString());
        QCOMPARE(f.status(), QString());

        f.answerRight();
        shown = QStringList{w.dfPrikladu->text(), w.dfDobre->text(), w.dfSpatne->text(), w.dfUspech->text(),
                            w.dfZnamka->text()};
        QCOMPARE(shown.join(' '), QStringLiteral("3 2 1 66% 2"));
    }

    // Any key ends the correction at once and is typed nowhere; during it nothing else gets in.
    void keysDuringTheCorrection_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("digit") << int(Qt::Key_5);
        QTest::newRow("enter") << int(Qt::Key_Return);
        QTest::newRow("letter") << int(Qt::Key_A);
    }
    void keysDuringTheCorrection() {
        QFETCH(int, key);
        WindowFixture f;
        FrmMain& w = f.start();
        w.mnuPocitej->trigger();
        int phasesSeen = 0;
        f.pump.duringWait = [&] {
            ++phasesSeen;
            QVERIFY(w.state.bChyba);
            QVERIFY(!w.dfResult->isEnabled() && !w.mnuStop->isEnabled() && !w.pbStop->isVisible());
            QCOMPARE(f.status(), QStringLiteral("Chyba !!!"));
            // Start and stop commands must do nothing now.
            w.mnuPocitejSady->trigger();
            w.mnuStop->trigger();
            w.pbStop->click();
            QTest::keyClick(&w, Qt::Key(key));
        };
        f.answerWrong();
        f.pump.duringWait = nullptr;
        QCOMPARE(phasesSeen, 1);
        QCOMPARE(w.state.nPrikladID, 1);
        QCOMPARE(w.state.nSpatne, 1);
        QVERIFY(w.state.bPocitej);
        QVERIFY(!w.state.bChyba && !w.state.bChybaKonec);
        QCOMPARE(w.dfResult->text(), QString());
        QVERIFY(w.dfResult->isEnabled());
        QVERIFY(w.mnuStop->isEnabled() && w.pbStop->isVisible());
    }

    void setEndsAfterItsCount() {
        WindowFixture f;
        f.set("Settings/Sada", "3");
        FrmMain& w = f.start();
        w.mnuPocitejSady->trigger();
        f.answerRight();
        f.answerWrong();
        f.dialogs.answers = {Dialogs::Answer::No};
        const int drawsBefore = f.random.draws;
        f.answerRight();
        QCOMPARE(f.random.draws, drawsBefore); // no fourth problem
        QVERIFY(!w.state.bPocitejSady);
        QVERIFY(!w.dfResult->isVisible());
        QCOMPARE(w.dfPrikladu->text(), QStringLiteral("3"));
        QVERIFY(!w.reportCardShown()); // fewer than six
        QCOMPARE(f.dialogs.shown.size(), std::size_t(1));
        QVERIFY(f.dialogs.shown[0].text.contains(QStringLiteral("- [1] !\r\n")));
    }

    void startUp_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message"); // empty: none
        QTest::addColumn<bool>("protocolAfter");
        QTest::newRow("empty store") << "" << "" << "" << false;
        QTest::newRow("bad stored value") << "Settings/Krat" << "abc" << "Chyba č. 13 - Neshoda typů" << false;
        QTest::newRow("protocol locked by another copy") << "lock" << "" << "Chyba č. 70 - Přístup odepřen" << false;
        QTest::newRow("protocol folder missing") << "Audit/File" << "/nonexistent-numio/p.txt"
                                                 << "Chyba č. 76 - Cesta nenalezena" << true;
    }
    void startUp() {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, message);
        QFETCH(bool, protocolAfter);
        WindowFixture f;
        int lockFd = -1;
        if (key == "lock") {
            f.protocolOn();
            lockFd = ::open(QFile::encodeName(f.protocolPath()).constData(), O_WRONLY | O_CREAT, 0644);
            QVERIFY(::flock(lockFd, LOCK_EX | LOCK_NB) == 0);
        } else if (key.startsWith("Audit")) {
            f.protocolOn();
            f.set(key, value);
        } else if (!key.isEmpty()) {
            f.set(key, value);
        }
        FrmMain& w = f.start();
        if (lockFd >= 0)
            ::close(lockFd);
        QCOMPARE(f.dialogs.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty())
            QCOMPARE(f.dialogs.shown[0].title, QStringLiteral("Chybové hlášení"));
        QCOMPARE(w.state.bProtokol, protocolAfter);
        QCOMPARE(w.windowTitle(), QStringLiteral(" Numio"));
        QVERIFY(!w.dfResult->isVisible());
        // The stored setting is untouched either way.
        if (key == "lock")
            QCOMPARE(f.store.read("Numio2", "Audit", "Active", ""), QStringLiteral("True"));
    }

    void leaving_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("byMenu");
        QTest::addColumn<bool>("asks");
        QTest::newRow("idle, window closed") << "" << false << false;
        QTest::newRow("practice, window closed") << "mnuPocitej" << false << true;
        QTest::newRow("set, Konec") << "mnuPocitejSady" << true << true;
        QTest::newRow("idle, Konec") << "" << true << false;
    }
    void leaving() {
        QFETCH(QString, mode);
        QFETCH(bool, byMenu);
        QFETCH(bool, asks);
        WindowFixture f;
        f.protocolOn();
        FrmMain& w = f.start();
        if (!mode.isEmpty())
            w.findChild<QAction*>(mode)->trigger();
        const int linesBefore = int(f.protocolLines().size());

        auto leave = [&] { byMenu ? w.mnuKonec->trigger() : void(w.close()); };
        if (asks) {
            f.dialogs.answers = {Dialogs::Answer::No};
            leave();
            QCOMPARE(f.dialogs.shown.back().text, QStringLiteral("Skutečně si přejete ukončit aplikaci ?"));
            QCOMPARE(f.dialogs.shown.back().title, QStringLiteral("Potvrzení ukončení programu"));
            QCOMPARE(f.ended, 0);
            QVERIFY(w.isVisible());
            QVERIFY(w.state.modeRunning());
        }
        const std::size_t messagesBefore = f.dialogs.shown.size();
        f.dialogs.answers = {Dialogs::Answer::Yes};
        leave();
        QCOMPARE(f.dialogs.shown.size(), messagesBefore + (asks ? 1 : 0));
        QCOMPARE(f.ended, 1);
        const QStringList lines = f.protocolLines();
        if (byMenu) {
            QCOMPARE(lines.size(), linesBefore);
        } else {
            QCOMPARE(lines.size(), linesBefore + 1);
            QCOMPARE(lines.last(), QStringLiteral("Přerušeno zásahamem uživatele v průběhu zkoušení"));
        }
    }

    void menuRules() {
        WindowFixture f;
        f.set("Settings/Plus", "False");
        f.set("Settings/Minus", "False");
        f.set("Settings/Deleno", "True"); // division with table 1 admits no problem
        FrmMain& w = f.start();
        QCOMPARE(f.status(), QStringLiteral("Není aktivní žádný režim zkoušení !!"));
        QVERIFY(!w.mnuPocitej->isEnabled() && !w.mnuPocitejSady->isEnabled());
        w.mnuPocitejSady->trigger();
        QVERIFY(!w.state.modeRunning());
        for (int p = 2; p <= 5; ++p)
            QCOMPARE(w.sbMain->panelVisible(p), p == 5);

        WindowFixture g;
        g.set("Settings/Sada", "0");
        FrmMain& v = g.start();
        emit v.mnuNumio->aboutToShow();
        QVERIFY(v.mnuPocitej->isEnabled());
        QVERIFY(!v.mnuPocitejSady->isEnabled());
        v.mnuPocitejSady->trigger(); // F5 with an empty set does nothing
        QVERIFY(!v.state.modeRunning());
        QVERIFY(!v.mnuProtokol->isEnabled()); // protocol off
    }

    void protocolMenuFollowsTheFileSize() {
        WindowFixture f;
        f.protocolOn();
        FrmMain& w = f.start();
        emit w.mnuProtokol->aboutToShow();
        QVERIFY(!w.mnuShowProtokol->isEnabled() && !w.mnuDelete->isEnabled());
        w.mnuPocitej->trigger();
        emit w.mnuProtokol->aboutToShow();
        QVERIFY(w.mnuShowProtokol->isEnabled() && w.mnuDelete->isEnabled());

        // Deleting leaves an empty file, open again for the next examination.
        w.mnuStop->trigger();
        f.dialogs.answers = {Dialogs::Answer::Yes};
        w.mnuDelete->trigger();
        QCOMPARE(f.dialogs.shown.back().title, QStringLiteral("Potvrzení vymazání"));
        QVERIFY(QFile::exists(f.protocolPath()));
        QVERIFY(f.protocolBytes().isEmpty());
        w.mnuPocitej->trigger();
        QCOMPARE(f.protocolLines().first(), QString(64, QLatin1Char('_')));
    }

    // However the settings dialog closes, the settings are applied; a protocol that cannot be
    // opened then is reported like at start-up and the program runs on.
    void settingsCommandAppliesAfterClosing() {
        WindowFixture f;
        FrmMain& w = f.start();
        w.state.bProtokol = true;
        w.state.ProtokolFile = QStringLiteral("/nonexistent-numio/p.txt");
        QTimer::singleShot(0, [] {
            if (QWidget* dialog = QApplication::activeModalWidget())
                dialog->close(); // the close box: nothing is saved
        });
        w.mnuNastaveni->trigger();
        QCOMPARE(f.dialogs.texts(), QStringList{"Chyba č. 76 - Cesta nenalezena"});
        QVERIFY(w.mnuPocitej->isEnabled());
        QCOMPARE(f.store.read("Numio2", "Audit", "Active", "unset"), QStringLiteral("unset"));
    }

    // The overview's practice button repeats the journal's most-missed problems, most-missed first.
    void practiseTheMostMissed() {
        WindowFixture f;
        f.protocolOn();
        FrmMain& w = f.start();
        w.mnuPocitej->trigger();
        const QString once = w.lbLeft->text();
        f.answerWrong();
        QString twice = w.lbLeft->text();
        while (twice == once) { // a different problem for the second place
            f.answerRight();
            twice = w.lbLeft->text();
        }
        const int a = w.state.A, b = w.state.B, c = w.state.C;
        f.answerWrong();
        f.dialogs.answers = {Dialogs::Answer::No};
        w.mnuStop->trigger();
        // The same problem missed again in a second examination.
        w.mnuPocitej->trigger();
        w.state.A = a, w.state.B = b, w.state.C = Integer(c);
        w.state.Rezim = twice.contains('+') ? "+" : twice.contains('-') ? "-" : twice.contains('*') ? "*" : ":";
        f.answerWrong();
        f.dialogs.answers = {Dialogs::Answer::No};
        w.mnuStop->trigger();

        emit w.mnuProtokol->aboutToShow();
        QVERIFY(w.mnuPrehled->isEnabled());
        QTimer::singleShot(0, [] {
            QWidget* overview = QApplication::activeModalWidget();
            QVERIFY(overview);
            for (QPushButton* button : overview->findChildren<QPushButton*>())
                if (button->text().contains(QStringLiteral("Procvičit")))
                    button->click();
        });
        w.mnuPrehled->trigger();
        QVERIFY(w.state.bOpravy);
        QCOMPARE(w.state.nSpatnePriklady, 2);
        QCOMPARE(w.lbLeft->text(), twice);
        f.answerRight();
        QCOMPARE(w.lbLeft->text(), once);
    }

    void hoverBanner() {
        WindowFixture f;
        FrmMain& w = f.start();
        w.state.pnlStatus->setText(QStringLiteral("před"));
        w.surfaceHovered(); // without the banner nothing changes
        QCOMPARE(f.status(), QStringLiteral("před"));
        w.statusBarHovered();
        w.statusBarHovered();
        QCOMPARE(f.status(), QStringLiteral("Numio 1.02 [Prague 2002]"));
        w.surfaceHovered();
        QCOMPARE(f.status(), QStringLiteral("před"));
    }

    // A failure that escapes a handler is reported and the program goes on.
    void failureInAHandlerIsReported() {
        WindowFixture f;
        f.protocolOn();
        FrmMain& w = f.start();
        QFile::remove(f.protocolPath());
        QDir(f.dir.path()).mkdir(QStringLiteral("protokol.txt")); // a folder where the file was
        f.dialogs.answers = {Dialogs::Answer::Yes};
        w.state.fileProtokol.reset();
        w.mnuDelete->trigger(); // the delete and the reopen both fail
        QVERIFY(f.dialogs.shown.size() >= 2);
        QVERIFY(f.dialogs.shown.back().text.startsWith(QStringLiteral("Chyba č. ")));
        w.mnuPocitej->trigger();
        QVERIFY(w.state.bPocitej);
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
