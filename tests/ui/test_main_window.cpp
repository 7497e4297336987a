#include "support/data.h"
#include "support/window_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QPushButton>
#include <QTimer>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace numio;
using namespace numio::test;

namespace {
QString results(FrmMain& w) {
    return QStringList{w.dfPrikladu->text(), w.dfDobre->text(), w.dfSpatne->text(), w.dfUspech->text(),
                       w.dfZnamka->text()}
        .join(' ');
}
} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
  private slots:
    // Each mode's look, and the idle look after it ends.
    void modeLooks_data() {
        columns<QString, QString, bool, bool, QString>(
            {"start", "caption", "stopItem", "stopButton", "frame"});
        row("plain practice", "mnuPocitej", " Numio - zkoušení příkladů", true, true, "Výsledky");
        row("set", "mnuPocitejSady", " Numio - zkoušení příkladů v sadách", false, false, "Výsledky");
        row("repeat", "mnuOpakujSpatne", " Numio - přezkoušení příkladů na které bylo chybně odpovězeno",
            false, true, "Výsledky oprav ");
    }
    void modeLooks() {
        const auto [start, caption, stopItem, stopButton, frame] =
            fetch<QString, QString, bool, bool, QString>("start", "caption", "stopItem", "stopButton",
                                                         "frame");
        WindowFixture f("Audit Sada=3");
        FrmMain& w = f.start();
        QCOMPARE(w.windowTitle(), QStringLiteral(" Numio"));
        QVERIFY(!w.mnuOpakujSpatne->isEnabled() && !w.dfResult->isVisible() && !w.pbStop->isVisible());
        QVERIFY(f.protocolBytes().isEmpty()); // start-up writes no record
        f.dialogs.answers = {Dialogs::Answer::No, Dialogs::Answer::No};
        if (start == "mnuOpakujSpatne") { // leave one wrong answer behind
            w.mnuPocitej->trigger();
            f.answerWrong();
            w.mnuStop->trigger();
        }
        w.findChild<QAction*>(start)->trigger();

        QCOMPARE(w.windowTitle(), caption);
        QCOMPARE(w.mnuStop->isEnabled(), stopItem);
        QCOMPARE(w.pbStop->isVisible(), stopButton);
        QCOMPARE(w.Frame1->title(), frame);
        QVERIFY(w.lbLeft->isVisible() && w.dfResult->isVisible() && !w.lbLeft->text().isEmpty());
        for (QAction* a :
             {w.mnuPocitej, w.mnuPocitejSady, w.mnuNastaveni, w.mnuOpakujSpatne, w.mnuProtokol->menuAction()})
            QVERIFY(!a->isEnabled());
        QCOMPARE(w.dfPrikladu->text(), QStringLiteral("0"));

        // A set cannot be stopped: it ends after its three problems, with no fourth one drawn.
        if (start == "mnuPocitejSady") {
            for (int i = 0; i < 3; ++i)
                f.answerRight();
            QCOMPARE(w.dfPrikladu->text(), QStringLiteral("3"));
        } else {
            w.pbStop->click();
        }
        QCOMPARE(w.windowTitle(), QStringLiteral(" Numio"));
        QVERIFY(!w.state.modeRunning() && !w.mnuStop->isEnabled() && !w.dfResult->isVisible());
        QVERIFY(w.mnuPocitej->isEnabled() && w.mnuNastaveni->isEnabled() && w.mnuProtokol->isEnabled());
    }

    void answering() {
        WindowFixture f("Audit");
        FrmMain& w = f.start(&FrmMain::mnuPocitej);
        // Digits only, three at most, however they arrive.
        QTest::keyClicks(w.dfResult, QStringLiteral("a-,1.2x34"));
        QCOMPARE(w.dfResult->text(), QStringLiteral("123"));
        w.dfResult->clear();
        QGuiApplication::clipboard()->setText(QStringLiteral("1a"));
        w.dfResult->paste();
        QCOMPARE(w.dfResult->text(), QString());
        QTest::keyClick(w.dfResult, Qt::Key_Return); // nothing to judge
        QCOMPARE(w.state.nPrikladID, 0);

        f.answerRight();
        QCOMPARE(results(w), QStringLiteral("1 1 0 100% 1"));
        const QString problem = w.lbLeft->text() + '=' + QString::number(w.state.C);
        const QString entry = repeatEntry(w.state.A, w.state.B, w.state.C, w.state.nRezim);
        f.answer(QStringLiteral("999"));
        QCOMPARE(f.pacer.beeps, 1);
        QCOMPARE(f.pacer.started, 10); // ten colour phases
        QCOMPARE(w.state.SpatnePriklady[1], entry);
        QCOMPARE(f.protocolLines().last(), problem + QStringLiteral("   <999>"));
        QVERIFY(w.dfResult->isEnabled() && w.dfResult->text().isEmpty() && w.dfSpravne->text().isEmpty());
        f.answerRight();
        QCOMPARE(results(w), QStringLiteral("3 2 1 66% 2"));
    }

    // Any key ends the correction at once and is typed nowhere; nothing else gets in meanwhile,
    // and the countdown's tick waits for it.
    void keysDuringTheCorrection_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("digit") << int(Qt::Key_5);
        QTest::newRow("enter") << int(Qt::Key_Return);
    }
    void keysDuringTheCorrection() {
        QFETCH(int, key);
        WindowFixture f("LimitSady=True TimeLimitSada=5 Sada=9");
        FrmMain& w = f.start(&FrmMain::mnuPocitejSady);
        f.enter(QString::number(w.state.C + 1));
        QVERIFY(!w.dfResult->isEnabled() && !w.mnuStop->isEnabled() && !w.pbStop->isVisible());
        QCOMPARE(f.status(), QStringLiteral("Chyba !!!"));
        QVERIFY(!w.mnuPocitej->isEnabled() && !w.mnuNastaveni->isEnabled());
        f.timer.tick();
        QCOMPARE(w.state.nNow, 0);
        QTest::keyClick(&w, Qt::Key(key));
        QVERIFY(!f.pacer.pending() && w.phase().overlay == Overlay::None);
        QCOMPARE(f.pacer.started, 1);
        QCOMPARE(w.state.nPrikladID, 1);
        QCOMPARE(w.state.nNow, 1); // the minute counted once the answer had
        QCOMPARE(f.status(), QStringLiteral("Zbývající čas : 4min."));
        QVERIFY(w.state.bPocitejSady && w.dfResult->text().isEmpty() && w.dfResult->isEnabled());
    }

    // Keys sent with no pause between them: each is handled after the one before has ended, so an
    // answer and a command never interleave and a typed-ahead answer meets its problem.
    void keysInABurst() {
        for (int run = 0; run < 20; ++run) {
            WindowFixture f("Audit");
            f.random = SeededRandom(run);
            FrmMain& w = f.start();
            w.activateWindow(); // shortcuts need it, as under a pupil's hands
            QVERIFY(QTest::qWaitForWindowActive(&w));
            // F5 and an answer typed ahead while idle: judged against the problem it now shows.
            QTest::keyClick(&w, Qt::Key_F5);
            const QString shown = w.lbLeft->text();
            f.answer(QStringLiteral("999"));
            QVERIFY(!shown.isEmpty() && f.protocolLines().size() == 4);
            QVERIFY(f.protocolLines().last().startsWith(shown + '='));
            QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier); // leave the set: Yes
            w.close();

            WindowFixture g;
            g.random = SeededRandom(run);
            FrmMain& v = g.start(&FrmMain::mnuPocitej);
            QStringList missed;
            for (int i = 0; i < 2; ++i) {
                missed << v.lbLeft->text();
                g.answerWrong();
            }
            // Stop queued right behind a right answer: it waits until the answer has been dealt with.
            QMetaObject::invokeMethod(v.mnuStop, &QAction::trigger, Qt::QueuedConnection);
            QTest::keyClicks(v.dfResult, QString::number(v.state.C));
            QTest::keyClick(v.dfResult, Qt::Key_Return);
            QVERIFY(v.state.bPocitej);
            QCOMPARE(v.state.nPrikladID, 3);
            QCoreApplication::processEvents(); // Stop, then Yes to the offer
            QVERIFY(v.state.bOpravy);
            QCOMPARE(v.lbLeft->text(), missed[0]);
            QCOMPARE(g.status(), QStringLiteral("Zbývá přezkoušet 2 příkladů."));
        }
    }

    // The countdown does not run out behind the exit question, nor anything else that is open.
    void questionHoldsTheCountdown() {
        WindowFixture f("Limit=True TimeLimit=1");
        FrmMain& w = f.start(&FrmMain::mnuPocitej);
        f.dialogs.onMessage = [&](const FakeDialogs::Shown&) {
            for (int i = 0; i < 50; ++i)
                f.timer.tick();
        };
        f.dialogs.answers = {Dialogs::Answer::No};
        w.mnuKonec->trigger();
        QCOMPARE(w.state.nPrikladID, 0);
        QCOMPARE(w.state.nNow, 100); // one tick kept its turn
        QCOMPARE(f.pacer.beeps, 0);
    }

    void startUp_data() {
        // message: empty: none
        columns<QString, QString, QString, bool>({"key", "value", "message", "protocolAfter"});
        const auto row = [](const char* name, const char* key, const char* value, const char* message) {
            QTest::newRow(name) << QString(key) << QString(value) << QString(message) << (key[0] == 'A');
        };
        row("empty store", "", "", "");
        row("bad stored value", "Settings/Krat", "abc", "Chyba č. 13 - Neshoda typů");
        row("protocol locked by another copy", "lock", "", "Chyba č. 70 - Přístup odepřen");
        row("protocol folder missing", "Audit/File", "/nonexistent-numio/p.txt",
            "Chyba č. 76 - Cesta nenalezena");
    }
    void startUp() {
        const auto [key, value, message, protocolAfter] =
            fetch<QString, QString, QString, bool>("key", "value", "message", "protocolAfter");
        WindowFixture f;
        int lockFd = -1;
        if (key.startsWith("Audit") || key == "lock")
            f.protocolOn();
        if (key == "lock") {
            lockFd = ::open(QFile::encodeName(f.protocolPath()).constData(), O_WRONLY | O_CREAT, 0644);
            QVERIFY(::flock(lockFd, LOCK_EX | LOCK_NB) == 0);
        } else if (!key.isEmpty()) {
            f.set(key, value);
        }
        FrmMain& w = f.start();
        if (lockFd >= 0)
            ::close(lockFd);
        QStringList firstLines = f.dialogs.texts(); // the second line names the file
        for (QString& text : firstLines)
            text = text.section('\n', 0, 0);
        QCOMPARE(firstLines, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(w.state.bProtokol, protocolAfter);
        QVERIFY(w.windowTitle() == " Numio" && !w.dfResult->isVisible());
        if (key == "lock") // for this run only
            QCOMPARE(f.store.read("Numio2", "Audit", "Active", ""), QStringLiteral("True"));
    }

    void leaving_data() {
        columns<QString, bool>({"mode", "byMenu"});
        QTest::newRow("idle, window closed") << "" << false;
        QTest::newRow("practice, window closed") << "mnuPocitej" << false;
        QTest::newRow("set, Konec") << "mnuPocitejSady" << true;
        QTest::newRow("idle, Konec") << "" << true;
    }
    void leaving() {
        const auto [mode, byMenu] = fetch<QString, bool>("mode", "byMenu");
        WindowFixture f("Audit");
        FrmMain& w = f.start();
        if (!mode.isEmpty())
            w.findChild<QAction*>(mode)->trigger();
        const auto linesBefore = f.protocolLines().size();
        auto leave = [&] { byMenu ? w.mnuKonec->trigger() : void(w.close()); };
        const bool asks = !mode.isEmpty();
        if (asks) {
            f.dialogs.answers = {Dialogs::Answer::No};
            leave();
            QCOMPARE(f.dialogs.shown.back().text, QStringLiteral("Skutečně si přejete ukončit aplikaci ?"));
            QVERIFY(f.ended == 0 && w.isVisible() && w.state.modeRunning());
        }
        f.dialogs.answers = {Dialogs::Answer::Yes};
        leave();
        QCOMPARE(f.dialogs.shown.size(), std::size_t(asks ? 2 : 0));
        QCOMPARE(f.ended, 1);
        const QStringList lines = f.protocolLines();
        QCOMPARE(lines.size(), linesBefore + (byMenu ? 0 : 1)); // the shutdown line only on close
        if (!byMenu)
            QCOMPARE(lines.last(), QStringLiteral("Přerušeno zásahamem uživatele v průběhu zkoušení"));
    }

    void menuRules() {
        // Division with table 1 admits no problem.
        WindowFixture f("Plus=False Minus=False Deleno=True");
        FrmMain& w = f.start();
        QCOMPARE(f.status(), QStringLiteral("Není aktivní žádný režim zkoušení !!"));
        QVERIFY(!w.mnuPocitej->isEnabled() && !w.mnuPocitejSady->isEnabled());
        QCOMPARE(w.sbMain->panelPicture(5), int(StatusBar::Deleno));
        QVERIFY(!w.sbMain->panelVisible(2));

        WindowFixture g("Sada=0");
        FrmMain& v = g.start();
        emit v.mnuNumio->aboutToShow();
        QVERIFY(v.mnuPocitej->isEnabled() && !v.mnuPocitejSady->isEnabled());
        v.mnuPocitejSady->trigger(); // F5 with an empty set does nothing
        QVERIFY(!v.state.modeRunning() && !v.mnuProtokol->isEnabled());

        v.state.pnlStatus->setText(QStringLiteral("před"));
        v.surfaceHovered(); // without the banner nothing changes
        v.statusBarHovered();
        v.statusBarHovered();
        QCOMPARE(g.status(), QStringLiteral("Numio 1.02 [Prague 2002]"));
        v.surfaceHovered();
        QCOMPARE(g.status(), QStringLiteral("před"));
    }

    void protocolMenu() {
        WindowFixture f("Audit");
        FrmMain& w = f.start();
        emit w.mnuProtokol->aboutToShow();
        QVERIFY(!w.mnuShowProtokol->isEnabled() && !w.mnuDelete->isEnabled() && !w.mnuPrehled->isEnabled());
        w.mnuPocitej->trigger();
        w.mnuStop->trigger();
        emit w.mnuProtokol->aboutToShow();
        QVERIFY(w.mnuShowProtokol->isEnabled() && w.mnuDelete->isEnabled() && w.mnuPrehled->isEnabled());
        f.dialogs.answers = {Dialogs::Answer::Yes};
        w.mnuDelete->trigger(); // an empty file, open again for the next examination
        QVERIFY(QFile::exists(f.protocolPath()) && f.protocolBytes().isEmpty());
        w.mnuPocitej->trigger();
        QCOMPARE(f.protocolLines().first(), QString(64, QLatin1Char('_')));
    }

    // However the settings dialog closes, the settings are applied; a protocol that cannot be
    // opened then is reported like at start-up.
    void settingsCommandAppliesAfterClosing() {
        WindowFixture f;
        FrmMain& w = f.start();
        w.state.bProtokol = true;
        w.state.ProtokolFile = QStringLiteral("/nonexistent-numio/p.txt");
        QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
        w.mnuNastaveni->trigger();
        QCOMPARE(f.dialogs.texts(), QStringList{"Chyba č. 76 - Cesta nenalezena\nSoubor protokolu "
                                                "/nonexistent-numio/p.txt nelze otevřít."});
        QCOMPARE(f.store.read("Numio2", "Audit", "Active", "unset"), QStringLiteral("unset"));
    }

    // The overview's practice button repeats the journal's most-missed problems first.
    void practiseTheMostMissed() {
        WindowFixture f("Audit MaxValue=20");
        QFile journal(f.protocolPath());
        QVERIFY(journal.open(QIODevice::WriteOnly));
        const QByteArray head =
            QByteArray(64, '_') + "\r\nNumio - 14.3.2002 10:05:17\r\n" + QByteArray(35, '-') + "\r\n";
        journal.write(head + "9-4=5   <1>\r\n7+5=12   <3>\r\n" + head + "7+5=12   <13>\r\n");
        journal.close();
        FrmMain& w = f.start();
        QTimer::singleShot(0, [] {
            for (QPushButton* b : QApplication::activeModalWidget()->findChildren<QPushButton*>())
                if (b->text().contains(QStringLiteral("Procvičit")))
                    b->click();
        });
        w.mnuPrehled->trigger();
        QVERIFY(w.state.bOpravy);
        QCOMPARE(w.lbLeft->text(), QStringLiteral("7+5"));
        f.answerRight();
        QCOMPARE(w.lbLeft->text(), QStringLiteral("9-4"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
