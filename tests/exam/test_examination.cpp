#include "support/window_fixture.h"

#include <QApplication>
#include <QGroupBox>
#include <QProgressBar>
#include <QPushButton>

using namespace numio;
using namespace numio::test;

namespace {

// Fires the countdown timer n times.
void tick(WindowFixture& f, int n) {
    for (int i = 0; i < n; ++i)
        f.timer.tick();
}

const QString kRepeatEnded = QStringLiteral("Režim opravy minule chybných příkladů byl ukončen");
const QString kSetTimeOut = QStringLiteral("Časový limit pro počítání sady VYPRŠEL !!");

} // namespace

class TestExamination : public QObject {
    Q_OBJECT
private slots:
    void perProblemTimeout() {
        WindowFixture f;
        f.protocolOn();
        f.set("Settings/Limit", "True");
        FrmMain& w = f.start();
        w.mnuPocitej->trigger();
        QVERIFY(w.Progress->isVisible());
        QCOMPARE(w.Progress->maximum(), 10000);
        QCOMPARE(f.timer.interval(), 100);
        const QString first = w.lbLeft->text();
        const QString correct = first + '=' + QString::number(w.state.C);

        tick(f, 100);
        QCOMPARE(w.state.nPrikladID, 0);
        QCOMPARE(w.lbLeft->text(), first);
        tick(f, 1);
        QCOMPARE(w.state.nPrikladID, 1);
        QCOMPARE(w.state.nSpatne, 1);
        QCOMPARE(f.pump.beeps, 1);
        QCOMPARE(w.Progress->value(), 10000);
        QCOMPARE(f.protocolLines().last(), correct + QStringLiteral("   <>"));
        QCOMPARE(w.state.nSpatnePriklady, 0); // timeouts are counted but not listed
        QVERIFY(f.timer.isEnabled());
        QCOMPARE(w.state.nNow, 0);

        // A right answer typed but not confirmed counts as done, not wrong.
        QTest::keyClicks(w.dfResult, QString::number(w.state.C));
        tick(f, 101);
        QCOMPARE(w.state.nPrikladID, 2);
        QCOMPARE(w.state.nSpatne, 1);
        QCOMPARE(f.pump.beeps, 1);

        // Stopped with only timeouts wrong: nothing listed, so no offer.
        w.mnuStop->trigger();
        QVERIFY(f.dialogs.shown.empty());
        QVERIFY(!w.mnuOpakujSpatne->isEnabled());
        QVERIFY(!f.timer.isEnabled());
    }

    void timeoutOnTheLastProblemEnds_data() {
        QTest::addColumn<bool>("repeat");
        QTest::newRow("set") << false;
        QTest::newRow("repeat run") << true;
    }
    void timeoutOnTheLastProblemEnds() {
        QFETCH(bool, repeat);
        WindowFixture f;
        f.set("Settings/Limit", "True");
        f.set("Settings/TimeLimit", "1");
        f.set("Settings/Sada", "2");
        FrmMain& w = f.start();
        if (repeat) {
            w.mnuPocitej->trigger();
            f.answerWrong();
            f.answerWrong();
            f.dialogs.answers = {Dialogs::Answer::Yes};
            w.mnuStop->trigger();
            QVERIFY(w.state.bOpravy);
        } else {
            w.mnuPocitejSady->trigger();
        }
        f.dialogs.answers = {Dialogs::Answer::No};
        f.answerRight();
        tick(f, 11);
        QVERIFY(!w.state.modeRunning());
        QCOMPARE(w.state.nPrikladID, 2);
        QVERIFY(!f.timer.isEnabled());
        if (repeat)
            QCOMPARE(f.dialogs.shown.back().text, kRepeatEnded);
    }

    void setLimit() {
        WindowFixture f;
        f.protocolOn();
        f.set("Settings/LimitSady", "True");
        f.set("Settings/TimeLimitSada", "1");
        FrmMain& w = f.start();
        QVERIFY(!w.sbMain->panelVisible(6));
        w.mnuPocitejSady->trigger();
        QCOMPARE(f.status(), QStringLiteral("Zbývající čas : 1min."));
        QCOMPARE(f.timer.interval(), 60000);
        QCOMPARE(w.sbMain->panelPicture(6), int(StatusBar::ProtokolSet));
        QVERIFY(!w.Progress->isVisible());
        for (int i = 0; i < 6; ++i)
            f.answerRight();
        f.answerWrong();
        QCOMPARE(f.status(), QStringLiteral("Zbývající čas : 1min."));

        QStringList order;
        f.dialogs.onMessage = [&](const FakeDialogs::Shown& m) {
            order << (w.reportCardShown() ? "card+" : "") + m.title;
        };
        tick(f, 1);
        QVERIFY(!w.state.bPocitejSady);
        QVERIFY(w.reportCardShown());
        QCOMPARE(order, QStringList{"card+Oznámení"});
        QCOMPARE(f.dialogs.shown.back().text, kSetTimeOut);
        const QStringList lines = f.protocolLines();
        QCOMPARE(lines.mid(lines.size() - 7, 2),
                 (QStringList{QString(), QStringLiteral("Limit na počítání sady vypršel !! (1.min)")}));
        QCOMPARE(lines.last(), QStringLiteral("Úspěšnost : 85%"));
        QVERIFY(!w.sbMain->panelVisible(6));
        QCOMPARE(f.status(), QString());

        // The card's OK then offers the repeat.
        f.dialogs.answers = {Dialogs::Answer::No};
        w.pbOK->click();
        QCOMPARE(f.dialogs.shown.back().title, QStringLiteral("Upozornění"));
    }

    // The set's time running out while a correction blinks ends the set after the answer counts.
    void setTimeRunsOutDuringTheCorrection() {
        WindowFixture f;
        f.protocolOn();
        f.set("Settings/LimitSady", "True");
        f.set("Settings/TimeLimitSada", "1");
        FrmMain& w = f.start();
        w.mnuPocitejSady->trigger();
        f.answerRight();
        f.pump.duringWait = [&] {
            f.pump.duringWait = nullptr;
            tick(f, 1);
            QVERIFY(w.state.bPocitejSady); // still running while the correction shows
        };
        f.dialogs.answers = {Dialogs::Answer::No};
        f.answerWrong();
        QVERIFY(!w.state.modeRunning());
        QVERIFY(!w.dfResult->isVisible() && !w.pbStop->isVisible() && !w.mnuStop->isEnabled());
        const QStringList lines = f.protocolLines();
        QCOMPARE(lines.mid(lines.size() - 4, 2), (QStringList{QStringLiteral("Příkladů celkem : 2"),
                                                                QStringLiteral("Špatně : 1")}));
        QCOMPARE(f.dialogs.shown.back().text, kSetTimeOut);
    }

    void bothLimitsRunThePerProblemOne() {
        WindowFixture f;
        f.set("Settings/Limit", "True");
        f.set("Settings/LimitSady", "True");
        FrmMain& w = f.start();
        w.mnuPocitejSady->trigger();
        QCOMPARE(f.timer.interval(), 100);
        QVERIFY(w.Progress->isVisible());
        QCOMPARE(w.sbMain->panelPicture(6), int(StatusBar::Time));
        f.answerWrong();
        QVERIFY(!f.status().startsWith(QStringLiteral("Zbývající")));
    }

    // Hand-edited limits: no overflow at the start, no instant timeouts.
    void unworkableStoredLimits_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("ticksToTimeout");
        QTest::newRow("per answer 0") << "TimeLimit" << "0" << 11;
        QTest::newRow("per answer -5") << "TimeLimit" << "-5" << 11;
        QTest::newRow("per answer 100") << "TimeLimit" << "100" << 321;
        QTest::newRow("set 0") << "TimeLimitSada" << "0" << 1;
    }
    void unworkableStoredLimits() {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(int, ticksToTimeout);
        WindowFixture f;
        const bool perAnswer = key == "TimeLimit";
        f.set(perAnswer ? "Settings/Limit" : "Settings/LimitSady", "True");
        f.set("Settings/" + key, value);
        FrmMain& w = f.start();
        f.dialogs.answers = {Dialogs::Answer::No};
        w.findChild<QAction*>(perAnswer ? "mnuPocitej" : "mnuPocitejSady")->trigger();
        QVERIFY(f.dialogs.shown.empty());
        tick(f, ticksToTimeout - 1);
        QVERIFY(w.state.modeRunning());
        QCOMPARE(w.state.nPrikladID, 0);
        tick(f, 1);
        if (perAnswer)
            QCOMPARE(w.state.nPrikladID, 1);
        else
            QVERIFY(!w.state.modeRunning());
        QCOMPARE(f.store.read("Numio2", "Settings", key, ""), value);
    }

    void reportCardGrades_data() {
        QTest::addColumn<int>("problems");
        QTest::addColumn<int>("wrong");
        QTest::addColumn<QString>("grade");
        QTest::newRow("6, none wrong") << 6 << 0 << "1";
        QTest::newRow("6, 3 wrong") << 6 << 3 << "3";
        QTest::newRow("8, 1 wrong") << 8 << 1 << "2";
        QTest::newRow("8, 3 wrong") << 8 << 3 << "2";
        QTest::newRow("8, 5 wrong") << 8 << 5 << "4";
        QTest::newRow("all wrong") << 7 << 7 << "5";
    }
    void reportCardGrades() {
        QFETCH(int, problems);
        QFETCH(int, wrong);
        QFETCH(QString, grade);
        WindowFixture f;
        FrmMain& w = f.start();
        w.mnuPocitej->trigger();
        for (int i = 0; i < problems; ++i)
            i < wrong ? f.answerWrong() : f.answerRight();

        bool okDisabledWhileSliding = true;
        bool startsRefused = true;
        f.pump.duringWait = [&] {
            if (!w.reportCardShown())
                return;
            okDisabledWhileSliding &= !w.pbOK->isEnabled();
            // No examination may start under the sliding card.
            w.mnuPocitej->trigger();
            w.mnuPocitejSady->trigger();
            w.mnuOpakujSpatne->trigger();
            startsRefused &= !w.state.modeRunning();
        };
        w.mnuStop->trigger();
        f.pump.duringWait = nullptr;
        QVERIFY(okDisabledWhileSliding);
        QVERIFY(startsRefused);
        QVERIFY(w.reportCardShown());
        QCOMPARE(w.frmVysvedceni->x(), 0);
        QCOMPARE(w.lbVizo->text(), grade);
        QVERIFY(w.pbOK->isEnabled());
        QVERIFY(!w.dfZnamka->isVisible());
        QVERIFY(!w.mnuNumio->isEnabled() && !w.mnuProtokol->isEnabled());
        QVERIFY(f.dialogs.shown.empty()); // the offer waits for the card

        f.dialogs.answers = {Dialogs::Answer::No};
        QTest::keyClick(&w, Qt::Key_Return); // the card's OK by keyboard
        QVERIFY(!w.reportCardShown());
        QVERIFY(w.mnuNumio->isEnabled());
        for (QLabel* l : {w.dfPrikladu, w.dfDobre, w.dfSpatne, w.dfUspech, w.dfZnamka})
            QCOMPARE(l->text(), QString());
        QCOMPARE(f.dialogs.shown.size(), std::size_t(wrong > 0 ? 1 : 0));
        if (wrong > 0)
            QVERIFY(f.dialogs.shown[0].text.contains(QStringLiteral("- [%1] !").arg(wrong)));

        w.mnuPocitej->trigger();
        QVERIFY(w.dfZnamka->isVisible());
        QCOMPARE(w.dfPrikladu->text(), QStringLiteral("0"));
    }

    void repeatRun() {
        WindowFixture f;
        f.protocolOn();
        FrmMain& w = f.start();
        w.mnuPocitej->trigger();
        QStringList wrongProblems;
        for (int i = 0; i < 3; ++i) {
            wrongProblems << w.lbLeft->text();
            f.answerWrong();
        }
        f.answerRight();
        f.dialogs.answers = {Dialogs::Answer::Yes};
        w.mnuStop->trigger();
        QVERIFY(f.dialogs.shown[0].text.contains(QStringLiteral("- [3] !")));
        QCOMPARE(f.dialogs.shown[0].defaultButton, Dialogs::Answer::Yes);

        // The repeat asks the listed problems in order; wrong answers count but are not listed.
        for (int round = 0; round < 2; ++round) {
            QVERIFY(w.state.bOpravy);
            QCOMPARE(w.Frame1->title(), QStringLiteral("Výsledky oprav "));
            QStringList asked;
            for (int i = 0; i < 3; ++i) {
                asked << w.lbLeft->text();
                QCOMPARE(f.status(), QStringLiteral("Zbývá přezkoušet %1 příkladů.").arg(3 - i));
                f.answerWrong();
            }
            QCOMPARE(asked, wrongProblems);
            QVERIFY(!w.state.bOpravy);
            QCOMPARE(w.state.nSpatne, 3);
            QCOMPARE(w.state.nSpatnePriklady, 3);
            QCOMPARE(f.dialogs.shown.back().text, kRepeatEnded);
            QVERIFY(!w.reportCardShown());
            QVERIFY(w.mnuOpakujSpatne->isEnabled());
            w.mnuOpakujSpatne->trigger();
        }
        // Stop ends the run with its message and no offer; closing during a run asks nothing.
        const std::size_t before = f.dialogs.shown.size();
        w.pbStop->click();
        QCOMPARE(f.dialogs.shown.size(), before + 1);
        QCOMPARE(f.dialogs.shown.back().text, kRepeatEnded);
        w.mnuOpakujSpatne->trigger();
        w.close();
        QCOMPARE(f.dialogs.shown.size(), before + 1);
        QCOMPARE(f.ended, 1);
    }

    void repeatListHoldsAtMost150() {
        WindowFixture f;
        FrmMain& w = f.start();
        w.mnuPocitej->trigger();
        for (int i = 0; i < 152; ++i)
            f.answerWrong();
        QCOMPARE(w.state.nSpatne, 152);
        QCOMPARE(w.state.nSpatnePriklady, 150);
        f.dialogs.answers = {Dialogs::Answer::No};
        w.mnuStop->trigger();
        w.pbOK->click();
        QVERIFY(f.dialogs.shown.back().text.contains(QStringLiteral("- [152] !")));
    }
};

QTEST_MAIN(TestExamination)
#include "test_examination.moc"
