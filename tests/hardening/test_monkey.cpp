// A monkey on the real window: keys (also in bursts with nothing in between), menu commands, timer
// ticks, steps of the blinking correction and the sliding report card, and answers to every message
// box and dialog, over random settings. The window's rules are checked after every event. Each row is one
// seeded run; replay a failure by its row name (test_monkey monkey:"seed N"); NUMIO_MONKEY_SEED moves all
// seeds.

#include "support/window_fixture.h"
#include "ui/settings_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>

namespace numio::test {

constexpr int kRuns = 100, kEventsPerRun = 1000;
constexpr char kFlag[] = "True,False|TRUE,false,1,0,-1, true ,2.5";
// Each key's usual values, then after '|' what a hand could leave in the file.
const std::pair<const char*, const char*> kSettings[] = {
    {"MaxValue", "10,12,20,30,45,60,100|0,1,2,-7,999,32767, 20 ,+15,12.5"},
    {"MaxValueX", "1,2,3,5,7,10|0,-1,11,3276,3277,32767,2.5"},
    {"TimeLimit", "1,1,2,3,5,10,20|0,-5,33,100,32767"},
    {"TimeLimitSada", "1,2,5|0,-3,32767"},
    {"Sada", "1,3,5,7,10,12|0,-1,999,32767"},
    {"Plus", kFlag},
    {"Minus", kFlag},
    {"Krat", kFlag},
    {"Deleno", kFlag},
    {"Limit", kFlag},
    {"LimitSady", kFlag}};
int hit[4], runs = 0; // events in practice, in sets, in repeating, with the report card; runs made

struct Monkey {
    std::mt19937 rng;
    int depth = 0, eventNo = 0;
    QString broken;
    WindowFixture f;
    QTimer closer; // after the fixture: stops before the window goes

    bool chance(int percent) { return int(rng() % 100) < percent; }
    template <class T> T pick(std::initializer_list<T> items) { return items.begin()[rng() % items.size()]; }
    void rule(bool kept, const QString& what) {
        if (!kept && broken.isEmpty())
            broken = what + QStringLiteral(" (event %1)").arg(eventNo);
    }

    explicit Monkey(unsigned seed) : rng(seed) {
        f.random = SeededRandom(rng());
        const int extremes = chance(20) ? 50 : 10;
        for (const auto& [key, values] : kSettings) {
            const QStringList from = QString(values).split(u'|')[chance(extremes)].split(u',');
            f.set(QStringLiteral("Settings/") + key, from[rng() % from.size()]);
        }
        f.set("Audit/Active", chance(50) ? "True" : "False");
        f.set("Audit/File", f.protocolPath());
        f.dialogs.onMessage = [this](const FakeDialogs::Shown& m) { // Yes to a share of the questions
            // A hand's value outside what the program can use is told; any other failure is a fault.
            rule(m.title != kFailureTitle || m.text.contains(QStringLiteral("má neplatnou hodnotu")),
                 QStringLiteral("failure message ") + m.text);
            const bool yes = chance(m.title == QStringLiteral("Potvrzení ukončení programu") ? 15 : 65);
            f.dialogs.answers = {m.buttons == Dialogs::Buttons::Ok ? Dialogs::Answer::Ok
                                 : yes                             ? Dialogs::Answer::Yes
                                                                   : Dialogs::Answer::No};
            if (depth < 2 && !f.ended && chance(30)) // a tick or a phase step behind the box waits
                ++depth, f.timer.tick(), f.pacer.step(), --depth;
            check(false);
        };
        closer.callOnTimeout([this] { closeModal(); }); // a modal dialog's own loop runs it
        closer.start(0);
    }

    void check(bool topLevel) {
        if (f.ended || !f.w)
            return;
        const FrmMain& w = *f.w;
        const PracticeState& s = w.exam().record();
        rule(s.nSpatnePriklady >= 0 && s.nSpatnePriklady <= PracticeState::kRepeatCapacity,
             QStringLiteral("repeat list of %1").arg(s.nSpatnePriklady));
        // During the correction the answer in hand is not yet counted.
        if (!topLevel || w.exam().phase().overlay == Overlay::Correction)
            return;
        rule(s.nSpatne >= 0 && s.nSpatne <= s.nPrikladID,
             QStringLiteral("%1 wrong of %2").arg(s.nSpatne).arg(s.nPrikladID));
        const std::pair<const char*, int> labels[] = {
            {"dfPrikladu", s.nPrikladID}, {"dfSpatne", s.nSpatne}, {"dfDobre", s.nPrikladID - s.nSpatne}};
        for (const auto& [name, value] : labels)
            rule(lbl(w, name)->text().isEmpty() || lbl(w, name)->text() == QString::number(value),
                 QStringLiteral("%1 shows %2, not %3").arg(name, lbl(w, name)->text()).arg(value));
        rule(w.exam().running() || (w.windowTitle() == " Numio" && !act(w, "mnuStop")->isEnabled()),
             QStringLiteral("idle with the examination's look"));
        hit[0] += s.bPocitej, hit[1] += s.bPocitejSady, hit[2] += s.bOpravy, hit[3] += cardShown(w);
    }

    void closeModal() { // the one on top, after a few changes, a file chosen or not
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        for (QComboBox* c : modal->findChildren<QComboBox*>())
            c->setCurrentIndex(chance(30) ? int(rng() % c->count()) : c->currentIndex());
        for (QCheckBox* c : modal->findChildren<QCheckBox*>())
            c->setChecked(c->isChecked() != chance(20));
        f.dialogs.chosenFiles = {pick({f.protocolPath(), f.dir.filePath("druhy.txt"), QString()})};
        auto* d = qobject_cast<SettingsDialog*>(modal);
        if (d && chance(15) && d->pbSelectFile->isEnabled())
            d->pbSelectFile->click();
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            d&& chance(60) ? d->pbOK->click() : d || chance(50) ? dialog->reject() : dialog->accept();
        else
            modal->close();
    }

    void event() {
        FrmMain& w = *f.w;
        const PracticeState& s = w.exam().record();
        const bool boxOpen = !box(w)->isHidden() && box(w)->isEnabled();
        QWidget* target = boxOpen ? static_cast<QWidget*>(box(w)) : &w;
        Qt::Key key = Qt::Key_F5;
        if (depth == 0 && QApplication::activeWindow() != &w) // shortcuts need it, as under a pupil's hands
            w.activateWindow(), QCoreApplication::processEvents();
        switch ("kkkkkkkkkkkkkaaaaaaaaaaaaaaaaffffmmmmtttttsssxxppppbb"[rng() % 53]) {
        case 'k': // digits, Enter and Backspace mostly, but any key
            QTest::keyClick(target, chance(45)   ? Qt::Key(Qt::Key_0 + rng() % 10)
                                    : chance(65) ? pick({Qt::Key_Return, Qt::Key_Enter, Qt::Key_Backspace})
                                    : chance(60) ? Qt::Key(Qt::Key_A + rng() % 26)
                                                 : pick({Qt::Key_Space, Qt::Key_Escape, Qt::Key_Tab}));
            break;
        case 's':
            btn(w, chance(50) ? "pbStop" : "pbOK")->click();
            break;
        case 'p': // the blink or the slide goes on, a step or to its end
            chance(70) ? void(f.pacer.step()) : f.pacer.runOut();
            break;
        case 'b': // keys as fast as a hand on the keyboard can send them: an answer, then a command
            QTest::keyClicks(target, QString::number(s.C));
            QTest::keyClick(target, Qt::Key_Return);
            QTest::keyClick(&w, pick({Qt::Key_F12, Qt::Key_F5, Qt::Key_F6, Qt::Key_Return, Qt::Key_5}));
            break;
        case 'a': // a whole answer over what is typed, right or (a quarter) wrong
            QTest::keyClicks(target, QString("\b\b\b\b\b%1\r").arg(s.C + chance(25) * int(rng() % 5 + 1)));
            break;
        case 'f': // F2 opens the settings, Ctrl+Q ends
            key = chance(4)   ? Qt::Key_F2
                  : chance(1) ? Qt::Key_Q
                              : pick({key, Qt::Key_F6, Qt::Key_F12, Qt::Key_F1, Qt::Key_F3, Qt::Key_F10});
            QTest::keyClick(&w, key,
                            key == Qt::Key_Q                  ? Qt::ControlModifier
                            : key == Qt::Key_F5 && chance(30) ? Qt::ShiftModifier
                                                              : Qt::NoModifier);
            break;
        case 'm': { // from its menu, if that opens
            const char* name =
                pick({"mnuPocitej", "mnuPocitejSady", "mnuOpakujSpatne", "mnuStop", "mnuDelete"});
            if (chance(20)) // dialogs cost most, so they come in a share of the commands only
                name = chance(95) ? pick({"mnuNastaveni", "mnuAbout", "mnuShowProtokol"}) : "mnuKonec";
            const bool protocol =
                name == QLatin1String("mnuShowProtokol") || name == QLatin1String("mnuDelete");
            if (QMenu* menu = child<QMenu>(w, protocol ? "mnuProtokol" : "mnuNumio"); menu->isEnabled())
                emit menu->aboutToShow();
            act(w, name)->trigger();
            break;
        }
        case 't': // every tick repaints, so long runs of ticks are rare; the set's limit ticks by the minute
            for (int n = 1 + rng() % (f.timer.interval() > 100 ? 2 : chance(10) ? 330 : 25); n-- && !f.ended;)
                f.timer.tick();
            break;
        default: // rarely the window closed, as that ends the program; else events flow, or a hover
            if (chance(5))
                w.close();
            else if (chance(50))
                QCoreApplication::processEvents();
            else
                chance(50) ? w.statusBarHovered() : w.surfaceHovered();
        }
    }
};

class TestMonkey : public QObject {
    Q_OBJECT
  private slots:
    void monkey_data() {
        QTest::addColumn<unsigned>("seed");
        const unsigned first = qEnvironmentVariableIsSet("NUMIO_MONKEY_SEED")
                                   ? qEnvironmentVariableIntValue("NUMIO_MONKEY_SEED")
                                   : 20020314;
        for (unsigned seed = first; seed < first + kRuns; ++seed)
            QTest::addRow("seed %u", seed) << seed;
    }
    void monkey() {
        QFETCH(unsigned, seed);
        Monkey m(seed);
        for (; m.eventNo < kEventsPerRun && m.broken.isEmpty(); ++m.eventNo) {
            if (!m.f.w || m.f.ended) // the program starts again whenever it ends (the old window goes first)
                m.f.w.reset(), m.f.ended = 0, m.f.start();
            m.event();
            m.check(true);
        }
        QVERIFY2(m.broken.isEmpty(), qPrintable(m.broken));
        if (++runs == kRuns) // after all of them: each kind of examination ran, report cards slid in
            QVERIFY(hit[0] > 0 && hit[1] > 0 && hit[2] > 0 && hit[3] > 0);
    }
};

} // namespace numio::test

QTEST_MAIN(numio::test::TestMonkey)
#include "test_monkey.moc"
