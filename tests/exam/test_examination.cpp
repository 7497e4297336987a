#include "support/data.h"
#include "support/window_fixture.h"

#include <QGroupBox>
#include <QProgressBar>
#include <QPushButton>

using namespace numio;
using namespace numio::test;

namespace {

// Ticks of the countdown, each followed by the correction it may bring having run its course.
void tick(WindowFixture& f, int n) {
    for (int i = 0; i < n; ++i) {
        f.timer.tick();
        f.pacer.runOut();
    }
}

const QString kRepeatEnded = QStringLiteral("Režim opravy minule chybných příkladů byl ukončen");
const QString kSetTimeOut = QStringLiteral("Časový limit pro počítání sady VYPRŠEL !!");

} // namespace

class TestExamination : public QObject {
    Q_OBJECT
  private slots:
    void perProblemTimeout() {
        WindowFixture f("Audit Limit=True");
        FrmMain& w = f.start(&FrmMain::mnuPocitej);
        QCOMPARE(w.Progress->maximum(), 10000);
        const QString correct = w.lbLeft->text() + '=' + QString::number(w.state.C);
        tick(f, 100);
        QCOMPARE(w.state.nPrikladID, 0);
        tick(f, 1); // the 101st tick after the problem showed
        QCOMPARE(w.state.nPrikladID, 1);
        QCOMPARE(w.state.nSpatne, 1);
        QCOMPARE(f.pacer.beeps, 1);
        QCOMPARE(f.protocolLines().last(), correct + QStringLiteral("   <>"));
        QCOMPARE(w.state.nSpatnePriklady, 0); // counted, not listed

        // A right answer typed but not confirmed counts as done.
        QTest::keyClicks(w.dfResult, QString::number(w.state.C));
        tick(f, 101);
        QCOMPARE(w.state.nPrikladID, 2);
        QCOMPARE(w.state.nSpatne, 1);
        // Only timeouts were wrong: nothing to repeat, so no offer.
        f.command(w.mnuStop);
        QVERIFY(f.dialogs.shown.empty() && !w.mnuOpakujSpatne->isEnabled() && !f.timer.isEnabled());
    }

    void timeoutOnTheLastProblemEnds_data() {
        QTest::addColumn<bool>("repeat");
        QTest::newRow("set") << false;
        QTest::newRow("repeat run") << true;
    }
    void timeoutOnTheLastProblemEnds() {
        QFETCH(bool, repeat);
        WindowFixture f("Limit=True TimeLimit=1 Sada=2");
        FrmMain& w = f.start();
        if (repeat) {
            w.mnuPocitej->trigger();
            f.answerWrong();
            f.answerWrong();
            f.command(w.mnuStop); // Yes to the offer
            QVERIFY(w.state.bOpravy);
        } else {
            w.mnuPocitejSady->trigger();
        }
        f.dialogs.answers = {Dialogs::Answer::No};
        f.answerRight();
        tick(f, 11);
        QVERIFY(!w.state.modeRunning() && !f.timer.isEnabled());
        QCOMPARE(w.state.nPrikladID, 2);
        if (repeat)
            QCOMPARE(f.dialogs.shown.back().text, kRepeatEnded);
    }

    // The set's time runs out on its own, or while a correction blinks: then the answer in hand
    // is counted first. Either way the LIMIT record, the card, then the message.
    void setLimit_data() {
        QTest::addColumn<bool>("duringCorrection");
        QTest::newRow("between answers") << false;
        QTest::newRow("during a correction") << true;
    }
    void setLimit() {
        QFETCH(bool, duringCorrection);
        WindowFixture f("Audit LimitSady=True TimeLimitSada=1");
        FrmMain& w = f.start();
        QVERIFY(!w.sbMain->panelVisible(6));
        w.mnuPocitejSady->trigger();
        QCOMPARE(f.status(), QStringLiteral("Zbývající čas : 1min."));
        QCOMPARE(w.sbMain->panelPicture(6), int(StatusBar::ProtokolSet));
        for (int i = 0; i < 6; ++i)
            f.answerRight();
        QStringList order;
        f.dialogs.onMessage = [&](const FakeDialogs::Shown& m) {
            order << (w.reportCardShown() ? "card+" : "") + m.title;
        };
        if (duringCorrection) {
            f.enter(QString::number(w.state.C + 1));
            f.timer.tick();
            QVERIFY(w.state.bPocitejSady);
            f.pacer.runOut();
        } else {
            f.answerWrong();
            QCOMPARE(f.status(), QStringLiteral("Zbývající čas : 1min."));
            tick(f, 1);
        }
        QVERIFY(!w.state.modeRunning() && !w.dfResult->isVisible() && !w.mnuStop->isEnabled());
        QCOMPARE(order, QStringList{"card+Oznámení"});
        QCOMPARE(f.dialogs.shown.back().text, kSetTimeOut);
        const QStringList lines = f.protocolLines();
        QCOMPARE(lines.mid(lines.size() - 7, 4),
                 (QStringList{QString(), QStringLiteral("Limit na počítání sady vypršel !! (1.min)"),
                              QString(), QStringLiteral("Příkladů celkem : 7")}));
        QVERIFY(!w.sbMain->panelVisible(6));
        f.dialogs.answers = {Dialogs::Answer::No};
        f.pacer.runOut();
        w.pbOK->click(); // then the offer
        QCOMPARE(f.dialogs.shown.back().title, QStringLiteral("Upozornění"));
    }

    // Hand-edited limits: no overflow at the start, no instant timeouts; both on runs per answer.
    void unusualLimits_data() {
        columns<QString, int>({"settings", "ticksToTimeout"});
        QTest::newRow("per answer 0") << "Limit=True TimeLimit=0" << 11;
        QTest::newRow("per answer -5") << "Limit=True TimeLimit=-5" << 11;
        QTest::newRow("per answer 100") << "Limit=True TimeLimit=100" << 321;
        QTest::newRow("set 0") << "LimitSady=True TimeLimitSada=0" << 1;
        QTest::newRow("both limits") << "Limit=True LimitSady=True TimeLimit=1" << 11;
    }
    void unusualLimits() {
        const auto [settings, ticksToTimeout] = fetch<QString, int>("settings", "ticksToTimeout");
        WindowFixture f(settings);
        const bool perAnswer = settings.startsWith("Limit=");
        FrmMain& w = f.start();
        f.dialogs.answers = {Dialogs::Answer::No};
        w.mnuPocitejSady->trigger();
        QVERIFY(f.dialogs.shown.empty());
        tick(f, ticksToTimeout - 1);
        QCOMPARE(w.state.nPrikladID, 0);
        tick(f, 1);
        QCOMPARE(w.state.nPrikladID, perAnswer ? 1 : 0);
        QCOMPARE(w.state.modeRunning(), perAnswer);
        QVERIFY(!f.status().startsWith(QStringLiteral("Zbývající")) || !perAnswer);
        const QString limit = settings.section(' ', -1);
        QCOMPARE(f.store.read("Numio2", "Settings", limit.section('=', 0, 0), ""), limit.section('=', 1));
    }

    void reportCard_data() {
        columns<int, int, QString>({"problems", "wrong", "grade"});
        QTest::newRow("6, none wrong") << 6 << 0 << "1";
        QTest::newRow("8, 3 wrong") << 8 << 3 << "2";
        QTest::newRow("all wrong") << 7 << 7 << "5";
    }
    void reportCard() {
        const auto [problems, wrong, grade] = fetch<int, int, QString>("problems", "wrong", "grade");
        WindowFixture f;
        FrmMain& w = f.start(&FrmMain::mnuPocitej);
        for (int i = 0; i < problems; ++i)
            i < wrong ? f.answerWrong() : f.answerRight();
        bool sliding = true; // OK disabled and no examination can start under the sliding card
        w.mnuStop->trigger();
        while (f.pacer.pending()) {
            sliding &= !w.pbOK->isEnabled() && !w.mnuPocitej->isEnabled() && w.mnuKonec->isEnabled();
            w.mnuPocitej->trigger();
            QTest::keyClick(&w, Qt::Key_Return);
            sliding &= !w.state.modeRunning() && w.reportCardShown();
            f.pacer.step();
        }
        QVERIFY(sliding);
        QVERIFY(w.reportCardShown() && w.frmVysvedceni->x() == 0 && w.pbOK->isEnabled());
        QCOMPARE(w.lbVizo->text(), grade);
        QVERIFY(!w.dfZnamka->isVisible() && !w.mnuNumio->isEnabled() && !w.mnuProtokol->isEnabled());
        QVERIFY(f.dialogs.shown.empty()); // the offer waits for the card

        f.dialogs.answers = {Dialogs::Answer::No};
        QTest::keyClick(&w, Qt::Key_Return); // the card's OK by keyboard
        QVERIFY(!w.reportCardShown() && w.mnuNumio->isEnabled());
        for (QLabel* l : {w.dfPrikladu, w.dfDobre, w.dfSpatne, w.dfUspech, w.dfZnamka})
            QCOMPARE(l->text(), QString());
        QCOMPARE(f.dialogs.shown.size(), std::size_t(wrong > 0 ? 1 : 0));
        if (wrong > 0)
            QVERIFY(f.dialogs.shown[0].text.contains(QStringLiteral("- [%1] !").arg(wrong)));
        w.mnuPocitej->trigger();
        QVERIFY(w.dfZnamka->isVisible() && w.dfPrikladu->text() == "0");
    }

    void repeatRun() {
        WindowFixture f;
        FrmMain& w = f.start(&FrmMain::mnuPocitej);
        QStringList missed;
        for (int i = 0; i < 152; ++i) { // only the first 150 are listed
            if (i < 3)
                missed << w.lbLeft->text();
            f.answerWrong();
        }
        f.answerRight();
        f.command(w.mnuStop);
        w.pbOK->click(); // the offer follows the card; Yes

        QVERIFY(f.dialogs.shown[0].text.contains(QStringLiteral("- [152] !")));
        QCOMPARE(w.state.nSpatnePriklady, 150);

        // Asked in order; wrong answers count but the list does not grow; it stays for next time.
        for (int round = 0; round < 2; ++round) {
            QVERIFY(w.state.bOpravy);
            QCOMPARE(w.Frame1->title(), QStringLiteral("Výsledky oprav "));
            for (int i = 0; i < 3; ++i) {
                QCOMPARE(w.lbLeft->text(), missed[i]);
                QCOMPARE(f.status(), QStringLiteral("Zbývá přezkoušet %1 příkladů.").arg(150 - i));
                f.answerWrong();
            }
            QCOMPARE(w.state.nSpatnePriklady, 150);
            w.pbStop->click(); // ends the run with its message, no offer, no card
            QVERIFY(!w.state.bOpravy && !w.reportCardShown());
            QCOMPARE(f.dialogs.shown.back().text, kRepeatEnded);
            w.mnuOpakujSpatne->trigger();
        }
        const std::size_t before = f.dialogs.shown.size();
        w.close(); // closing during a repeat run asks nothing
        QCOMPARE(f.dialogs.shown.size(), before);
        QCOMPARE(f.ended, 1);
    }
};

QTEST_MAIN(TestExamination)
#include "test_examination.moc"
