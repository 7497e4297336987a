// A monkey on the real window: random keys, menu commands, timer ticks, answers to every message
// box and dialog, events injected inside the blinking correction and the sliding report card,
// with random settings. The window's rules are checked after every event.
//
// Replay: NUMIO_MONKEY_SEED=<seed> [NUMIO_MONKEY_ONLY=<row>:<scenario>] test_monkey
// NUMIO_MONKEY_EVENTS sets the number of top-level events (default 100000).

#include "core/generator.h"
#include "hardening/replay_guard.h"
#include "support/window_fixture.h"
#include "ui/settings_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <deque>
#include <random>

using namespace numio;
using namespace numio::test;

namespace {

unsigned envNumber(const char* name, unsigned fallback) {
    bool ok = false;
    const unsigned v = qEnvironmentVariable(name).toUInt(&ok);
    return ok ? v : fallback;
}

struct Row {
    const char* name;
    const char* limit;     // "True", "False" or nullptr for a random value
    const char* limitSady;
    int protocolPercent;   // chance the protocol is on
    int extremePercent;    // chance a key gets a hand-edited extreme
};

const Row kRows[] = {
    {"no limit", "False", "False", 50, 10},
    {"per-answer limit", "True", "False", 50, 10},
    {"set limit", "False", "True", 50, 10},
    {"both limits", "True", "True", 50, 10},
    {"protocol on", nullptr, nullptr, 100, 10},
    {"hand-edited extremes", nullptr, nullptr, 50, 50},
};
constexpr int kRowCount = int(std::size(kRows));

// What the monkey has seen, so a run that never reached the interesting places fails.
struct Coverage {
    long events = 0;
    long nested = 0;
    int scenarios = 0;
    int practice = 0;
    int sets = 0;
    int repeats = 0;
    int reportCards = 0;
    int modals = 0;
    int messages = 0;
    int ends = 0;
    int inactive = 0; // the window would not become active
    Coverage& operator+=(const Coverage& o) {
        events += o.events;
        nested += o.nested;
        scenarios += o.scenarios;
        practice += o.practice;
        sets += o.sets;
        repeats += o.repeats;
        reportCards += o.reportCards;
        modals += o.modals;
        messages += o.messages;
        ends += o.ends;
        inactive += o.inactive;
        return *this;
    }
};

class Monkey {
public:
    Monkey(const Row& row, std::seed_seq& seed) : row_(row), rng_(seed) {
        f.random = SeededRandom(rng_());
        drawSettings();
        f.dialogs.onMessage = [this](const FakeDialogs::Shown& m) { answer(m); };
        // Waits let queued events (repaints above all) through in a share of the scenarios only: they
        // cost most of the time and add little the injected events do not.
        f.pump.realEvents = percent(25);
        f.pump.duringWait = [this] { duringWait(); };
        // Modal dialogs run their own loop; this closes whatever is on top, from inside it.
        closer_.setInterval(0);
        QObject::connect(&closer_, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget())
                closeModal(modal);
        });
        closer_.start();
        f.start();
        activate();
        note(QStringLiteral("start-up"));
        check(true);
    }

    // Runs up to n top-level events; stops early when the program ends or a rule breaks.
    void run(int n, const QString& where) {
        for (int i = 0; i < n && !done(); ++i) {
            ReplayGuard::at((where + QStringLiteral(", event %1").arg(i)).toUtf8());
            event();
            ++cover.events;
            if (!f.ended)
                check(true);
            f.dialogs.shown.clear();
        }
        if (f.ended)
            ++cover.ends;
    }

    bool done() const { return !broken.isEmpty() || f.ended > 0; }

    QString broken; // the first broken rule, with the events that led to it
    Coverage cover;
    WindowFixture f;

private:
    FrmMain& w() { return *f.w; }
    bool percent(int p) { return int(rng_() % 100) < p; }

    // Shortcuts need the window active, as it is under a pupil's hands.
    void activate() {
        if (QApplication::activeWindow() == &w())
            return;
        w().activateWindow();
        QCoreApplication::processEvents();
        if (QApplication::activeWindow() != &w())
            ++cover.inactive;
    }
    template <class T> T oneOf(std::initializer_list<T> items) { return items.begin()[rng_() % items.size()]; }

    void drawSettings() {
        auto pick = [this](QStringList normal, QStringList extreme) {
            const QStringList& from = percent(row_.extremePercent) ? extreme : normal;
            return from[int(rng_() % from.size())];
        };
        const QStringList flags{"True", "False"};
        const QStringList oddFlags{"TRUE", "false", "1", "0", "-1", " true ", "2.5"};
        f.set("Settings/MaxValue", pick({"10", "12", "14", "16", "18", "20", "25", "30", "35", "40", "45", "50",
                                         "60", "70", "80", "90", "100"},
                                        {"0", "1", "2", "3", "-7", "999", "32767", " 20 ", "+15", "12.5"}));
        f.set("Settings/MaxValueX", pick({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"},
                                         {"0", "-1", "11", "3276", "3277", "32767", "2.5"}));
        for (const char* op : {"Plus", "Minus", "Krat", "Deleno"})
            f.set(QStringLiteral("Settings/") + op, pick(flags, oddFlags));
        f.set("Settings/Limit", row_.limit ? QString::fromLatin1(row_.limit) : pick(flags, oddFlags));
        f.set("Settings/LimitSady", row_.limitSady ? QString::fromLatin1(row_.limitSady) : pick(flags, oddFlags));
        f.set("Settings/TimeLimit", pick({"1", "1", "2", "3", "5", "10", "20"}, {"0", "-5", "33", "100", "32767"}));
        f.set("Settings/TimeLimitSada", pick({"1", "2", "5"}, {"0", "-3", "32767"}));
        f.set("Settings/Sada", pick({"1", "3", "5", "6", "7", "10", "12"}, {"0", "-1", "999", "32767"}));
        f.set("Audit/Active", percent(row_.protocolPercent) ? "True" : "False");
        f.set("Audit/File", f.protocolPath());
    }

    void note(const QString& what) {
        trail_.push_back(QString(depth_ * 2, QLatin1Char(' ')) + what);
        if (trail_.size() > 40)
            trail_.pop_front();
    }

    void breakRule(const QString& rule) {
        if (!broken.isEmpty())
            return;
        QStringList t(trail_.begin(), trail_.end());
        broken = QString::fromUtf8(ReplayGuard::where()) + QStringLiteral(": ") + rule +
                 QStringLiteral("\nlast events:\n  ") + t.join(QStringLiteral("\n  "));
    }

    void answer(const FakeDialogs::Shown& m) {
        ++cover.messages;
        note(QStringLiteral("message [%1] %2").arg(m.title, m.text.left(70)));
        if (m.title == kFailureTitle)
            breakRule(QStringLiteral("unexpected failure message: ") + m.text);
        Dialogs::Answer a = Dialogs::Answer::Ok;
        if (m.buttons == Dialogs::Buttons::YesNo) {
            const bool quitting = m.title == QStringLiteral("Potvrzení ukončení programu");
            a = percent(quitting ? 15 : 65) ? Dialogs::Answer::Yes : Dialogs::Answer::No;
        }
        f.dialogs.answers = {a};
        if (m.title == QStringLiteral("Upozornění") && a == Dialogs::Answer::Yes)
            ++cover.repeats;
    }

    void closeModal(QWidget* modal) {
        ++cover.modals;
        note(QStringLiteral("modal ") + modal->objectName() + QLatin1Char(' ') + modal->metaObject()->className());
        if (auto* settings = qobject_cast<SettingsDialog*>(modal)) {
            if (percent(60)) {
                fiddle(*settings);
                note(QStringLiteral("  settings OK"));
                settings->pbOK->click();
            } else {
                settings->reject();
            }
        } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            percent(50) ? dialog->accept() : dialog->reject();
        } else {
            modal->close();
        }
    }

    // Changes some of the settings dialog's controls the way a user could.
    void fiddle(SettingsDialog& d) {
        for (QComboBox* c : {d.cmbMaxValue, d.cmbMaxValueX, d.cmbLimit, d.cmbLimitSada}) {
            if (percent(30))
                c->setCurrentIndex(int(rng_() % c->count()));
        }
        // The file chooser: the usual file, another one, or cancelled.
        const QString chosen = oneOf({f.protocolPath(), f.dir.filePath(QStringLiteral("druhy.txt")), QString()});
        f.dialogs.chosenFiles = {chosen};
        for (QCheckBox* c : {d.cbPlus, d.cbMinus, d.cbKrat, d.cbDeleno, d.cbLimit, d.cbLimitSada, d.cbProtokol}) {
            if (percent(20))
                c->setChecked(!c->isChecked());
        }
        if (percent(15) && d.pbSelectFile->isEnabled())
            d.pbSelectFile->click();
        f.dialogs.chosenFiles.clear();
        if (percent(20))
            d.dfSady->setText(percent(10) ? QString() : QString::number(rng_() % 15));
    }

    void duringWait() {
        check(false);
        if (depth_ >= 2 || done() || !percent(30))
            return;
        ++depth_;
        const int n = 1 + int(rng_() % 2);
        for (int i = 0; i < n && !done(); ++i) {
            event();
            ++cover.nested;
            check(false);
        }
        --depth_;
    }

    QWidget* keyTarget() {
        if (!w().dfResult->isHidden() && w().dfResult->isEnabled())
            return w().dfResult;
        return &w();
    }

    void key(QWidget* target, Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(target, k, mods);
    }

    // Types a number into the answer box over what is there and confirms it.
    void typeAnswer(int value) {
        DigitBox* box = w().dfResult;
        if (box->isHidden() || !box->isEnabled()) {
            key(&w(), Qt::Key_Return);
            return;
        }
        for (int i = 0; i < 3; ++i)
            key(box, Qt::Key_Backspace);
        QTest::keyClicks(box, QString::number(value));
        key(box, Qt::Key_Return);
    }

    void event() {
        enum Kind { Digit, Right, Wrong, Enter, Backspace, Letter, FKey, Menu, Ticks, Button, Close, Hover, Flush };
        static const std::pair<Kind, int> weights[] = {
            {Digit, 12}, {Right, 24}, {Wrong, 8}, {Enter, 8},   {Backspace, 4}, {Letter, 4}, {FKey, 8},
            {Menu, 8},   {Ticks, 10}, {Button, 6}, {Close, 1}, {Hover, 1},     {Flush, 2},
        };
        int total = 0;
        for (const auto& [k, weight] : weights)
            total += weight;
        int r = int(rng_() % total);
        Kind kind = Digit;
        for (const auto& [k, weight] : weights) {
            if (r < weight) {
                kind = k;
                break;
            }
            r -= weight;
        }
        const PracticeState& s = w().state;
        switch (kind) {
        case Digit: {
            const int d = int(rng_() % 10);
            note(QStringLiteral("digit %1").arg(d));
            key(keyTarget(), Qt::Key(Qt::Key_0 + d));
            break;
        }
        case Right:
            note(QStringLiteral("right answer %1").arg(s.C));
            typeAnswer(s.C);
            break;
        case Wrong: {
            const int v = (s.C + 1 + int(rng_() % 5)) % 1000;
            note(QStringLiteral("wrong answer %1").arg(v));
            typeAnswer(v);
            break;
        }
        case Enter:
            note(QStringLiteral("Enter"));
            key(keyTarget(), percent(80) ? Qt::Key_Return : Qt::Key_Enter);
            break;
        case Backspace:
            note(QStringLiteral("Backspace"));
            key(keyTarget(), Qt::Key_Backspace);
            break;
        case Letter: {
            const Qt::Key k = percent(70) ? Qt::Key(Qt::Key_A + int(rng_() % 26))
                                          : oneOf({Qt::Key_Space, Qt::Key_Minus, Qt::Key_Period, Qt::Key_Escape,
                                                   Qt::Key_Tab, Qt::Key_Delete, Qt::Key_Left});
            note(QStringLiteral("key %1").arg(QKeySequence(k).toString()));
            key(keyTarget(), k);
            break;
        }
        case FKey: {
            struct Combo {
                Qt::Key key;
                Qt::KeyboardModifiers mods;
            };
            Combo c = oneOf<Combo>({{Qt::Key_F5, Qt::NoModifier},
                                    {Qt::Key_F5, Qt::ShiftModifier},
                                    {Qt::Key_F6, Qt::NoModifier},
                                    {Qt::Key_F12, Qt::NoModifier},
                                    {Qt::Key_F1, Qt::NoModifier},
                                    {Qt::Key_F3, Qt::NoModifier},
                                    {Qt::Key_F10, Qt::NoModifier}});
            if (percent(4))
                c = {Qt::Key_F2, Qt::NoModifier}; // the settings dialog
            else if (percent(1))
                c = {Qt::Key_Q, Qt::ControlModifier};
            note(QStringLiteral("F-key %1").arg(QKeySequence(c.mods | c.key).toString()));
            if (depth_ == 0)
                activate();
            key(&w(), c.key, c.mods);
            break;
        }
        case Menu: {
            // Dialogs cost most of all, so they come in a share of the commands only.
            QAction* a = percent(80) ? oneOf<QAction*>({w().mnuPocitej, w().mnuPocitejSady, w().mnuOpakujSpatne,
                                                         w().mnuStop, w().mnuDelete})
                                     : oneOf<QAction*>({w().mnuNastaveni, w().mnuAbout, w().mnuShowProtokol});
            if (percent(1))
                a = w().mnuKonec;
            note(QStringLiteral("menu ") + a->objectName());
            // A command is reached by opening its menu, unless the menu is off.
            QMenu* menu = (a == w().mnuShowProtokol || a == w().mnuDelete) ? w().mnuProtokol : w().mnuNumio;
            if (menu->isEnabled())
                emit menu->aboutToShow();
            a->trigger();
            break;
        }
        case Ticks: {
            // Each tick repaints the progress bar at once, so long runs of ticks are kept rare.
            const int n = f.timer.interval() >= 60000 ? 1 + int(rng_() % 2)
                          : percent(10)                ? 1 + int(rng_() % 330)
                                                       : 1 + int(rng_() % 25);
            note(QStringLiteral("%1 ticks").arg(n));
            for (int i = 0; i < n && !done(); ++i)
                f.timer.tick();
            break;
        }
        case Button:
            if (percent(50)) {
                note(QStringLiteral("pbStop"));
                w().pbStop->click();
            } else {
                note(QStringLiteral("pbOK"));
                w().pbOK->click();
            }
            break;
        case Close:
            // Rare, as every end of the program ends the scenario.
            if (percent(90))
                break;
            note(QStringLiteral("close the window"));
            w().close();
            break;
        case Hover:
            note(QStringLiteral("hover"));
            percent(50) ? w().statusBarHovered() : w().surfaceHovered();
            break;
        case Flush:
            note(QStringLiteral("events flow"));
            QCoreApplication::processEvents();
            break;
        }
    }

    // The rules; the full set only between top-level events, when no handler is half way through.
    void check(bool topLevel) {
        if (f.ended || !broken.isEmpty())
            return;
        FrmMain& win = w();
        const PracticeState& s = win.state;
        const int flags = int(s.bPocitej) + int(s.bPocitejSady) + int(s.bOpravy);
        if (flags > 1)
            breakRule(QStringLiteral("%1 mode flags on").arg(flags));
        if (s.nSpatnePriklady < 0 || s.nSpatnePriklady > PracticeState::kRepeatCapacity)
            breakRule(QStringLiteral("repeat list holds %1").arg(s.nSpatnePriklady));
        if (!topLevel)
            return;

        if (s.nSpatne < 0 || s.nSpatne > s.nPrikladID)
            breakRule(QStringLiteral("wrong %1, answered %2").arg(s.nSpatne).arg(s.nPrikladID));
        auto agrees = [&](QLabel* label, int value, const char* name) {
            if (!label->text().isEmpty() && label->text() != QString::number(value))
                breakRule(QStringLiteral("%1 shows %2, the counter is %3").arg(name, label->text()).arg(value));
        };
        agrees(win.dfPrikladu, s.nPrikladID, "dfPrikladu");
        agrees(win.dfSpatne, s.nSpatne, "dfSpatne");
        agrees(win.dfDobre, s.nPrikladID - s.nSpatne, "dfDobre");
        if (s.bChyba || s.bChybaKonec)
            breakRule(QStringLiteral("the correction is still on between events"));
        if (win.reportCardShown() && s.modeRunning())
            breakRule(QStringLiteral("an examination runs under the report card"));

        if (s.modeRunning()) {
            if (s.bPocitej && !seen_.bPocitej)
                ++cover.practice;
            if (s.bPocitejSady && !seen_.bPocitejSady)
                ++cover.sets;
            if (win.dfResult->isHidden() || win.lbLeft->isHidden())
                breakRule(QStringLiteral("an examination runs without its problem in sight"));
            if (win.lbLeft->text() != problemText(s))
                breakRule(QStringLiteral("the window shows %1, the problem is %2").arg(win.lbLeft->text(), problemText(s)));
            bool sound = false;
            switch (s.nRezim) {
            case 1: sound = s.A + s.B == s.C && s.A > 0 && s.B > 0; break;
            case 2: sound = s.A - s.B == s.C && s.C >= 0; break;
            case 3: sound = s.A * s.B == s.C; break;
            case 4: sound = s.B * s.C == s.A && s.B != 0; break;
            }
            if (!sound)
                breakRule(QStringLiteral("unsound problem %1=%2 (kind %3)").arg(problemText(s)).arg(s.C).arg(s.nRezim));
            // A running countdown that has stopped would leave the pupil without a limit.
            const bool counting = s.bLimit || (s.bLimitSady && s.bPocitejSady);
            if (counting && !f.timer.isEnabled())
                breakRule(QStringLiteral("the countdown has stopped during an examination"));
        } else {
            if (win.windowTitle() != QStringLiteral(" Numio"))
                breakRule(QStringLiteral("idle with the caption [%1]").arg(win.windowTitle()));
            if (!win.dfResult->isHidden() || !win.pbStop->isHidden() || win.mnuStop->isEnabled() ||
                !win.Progress->isHidden())
                breakRule(QStringLiteral("idle, but the answer box, the stop controls or the progress bar remain"));
        }
        if (win.reportCardShown() && !wasCardShown_)
            ++cover.reportCards;
        wasCardShown_ = win.reportCardShown();
        seen_.bPocitej = s.bPocitej;
        seen_.bPocitejSady = s.bPocitejSady;
    }

    const Row& row_;
    std::mt19937 rng_;
    std::deque<QString> trail_;
    int depth_ = 0;
    bool wasCardShown_ = false;
    struct {
        bool bPocitej = false;
        bool bPocitejSady = false;
    } seen_;
    QTimer closer_; // declared after the fixture: stops before the window goes
};

} // namespace

class TestMonkey : public QObject {
    Q_OBJECT
    std::unique_ptr<ReplayGuard> guard_;
    Coverage all_;

private slots:
    void initTestCase() {
        // Every settings change syncs the INI file to disk; in memory that costs nothing.
        if (QFileInfo(QStringLiteral("/dev/shm")).isWritable() && qEnvironmentVariableIsEmpty("TMPDIR"))
            qputenv("TMPDIR", "/dev/shm");
        guard_ = std::make_unique<ReplayGuard>();
    }
    void cleanupTestCase() {
        guard_.reset();
        qInfo("monkey: %ld events (+%ld inside waits), %d scenarios, %d practice runs, %d sets, %d repeat runs, "
              "%d report cards, %d modal dialogs, %d messages, %d program ends, %d failed activations",
              all_.events, all_.nested, all_.scenarios, all_.practice, all_.sets, all_.repeats, all_.reportCards,
              all_.modals, all_.messages, all_.ends, all_.inactive);
    }

    // The monkey's F-keys reach the commands, as a pupil's would.
    void fKeysReachTheCommands() {
        WindowFixture f;
        FrmMain& w = f.start();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_F5);
        QVERIFY(w.state.bPocitejSady);
    }

    void monkey_data() {
        QTest::addColumn<int>("row");
        for (int i = 0; i < kRowCount; ++i)
            QTest::newRow(kRows[i].name) << i;
    }
    void monkey() {
        QFETCH(int, row);
        const unsigned seed = envNumber("NUMIO_MONKEY_SEED", 20020314u);
        const long total = envNumber("NUMIO_MONKEY_EVENTS", 100000u);
        const long perRow = (total + kRowCount - 1) / kRowCount;
        int onlyRow = -1;
        int onlyScenario = -1;
        const QStringList only = qEnvironmentVariable("NUMIO_MONKEY_ONLY").split(QLatin1Char(':'));
        if (only.size() == 2) {
            onlyRow = only[0].toInt();
            onlyScenario = only[1].toInt();
            if (onlyRow != row)
                QSKIP("replaying another row");
        }

        Coverage rowCover;
        for (int scenario = 0; rowCover.events < perRow; ++scenario) {
            std::seed_seq scenarioSeed{seed, unsigned(row), unsigned(scenario)};
            std::mt19937 lengths(scenarioSeed);
            const int length = 150 + int(lengths() % 1500);
            if (onlyScenario >= 0 && scenario != onlyScenario) {
                rowCover.events += length; // keeps the numbering of the full run
                continue;
            }
            const QString where = QStringLiteral("NUMIO_MONKEY_SEED=%1 NUMIO_MONKEY_ONLY=%2:%3")
                                      .arg(seed).arg(row).arg(scenario);
            ReplayGuard::at(where.toUtf8());
            Coverage c;
            {
                Monkey m(kRows[row], scenarioSeed);
                m.run(length, where);
                QVERIFY2(m.broken.isEmpty(), qPrintable(m.broken));
                c = m.cover;
            }
            c.scenarios = 1;
            rowCover += c;
            if (onlyScenario >= 0)
                break;
        }
        all_ += rowCover;
        qInfo("%s: %ld events, %d scenarios, %d practice runs, %d sets, %d repeat runs, %d report cards, "
              "%d modal dialogs",
              kRows[row].name, rowCover.events, rowCover.scenarios, rowCover.practice, rowCover.sets,
              rowCover.repeats, rowCover.reportCards, rowCover.modals);
        if (onlyScenario < 0) {
            // The monkey got round: every kind of examination ran, and report cards slid in.
            QVERIFY(rowCover.practice > 0);
            QVERIFY(rowCover.sets > 0);
            QVERIFY(rowCover.repeats > 0);
            QVERIFY(rowCover.reportCards > 0);
        }
    }
};

QTEST_MAIN(TestMonkey)
#include "test_monkey.moc"
