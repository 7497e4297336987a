#include "core/settings.h"
#include "exam/examination.h"
#include "platform/settings_store.h"
#include "platform/text_files.h"
#include "support/data.h"
#include "support/fakes.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <utility>

using namespace numio;
using namespace numio::exam;
using namespace numio::test;

namespace {

// Writes down what the examination shows that a script checks: beeps, message boxes, the card's
// arrival and the remaining time or problems.
class RecordingView : public ExamView {
  public:
    QStringList events;
    QString typed;
    QString place; // of the problem in a set
    QString grade; // on the report card

    void showProblem(const QString&, const QString&, const QString& shownPlace) override {
        place = shownPlace;
    }
    QString typedAnswer() const override { return typed; }
    void clearAnswer() override { typed.clear(); }
    void focusAnswer() override {}
    void showCounts(const Counts&) override {}
    void showGradeBox(bool shown) override {
        events << (shown ? QString() : "card");
    } // hidden when the card is in
    void showResultsTitle(const QString&) override {}
    void showCorrection(const QString&, Blink) override {}
    void showProgress(bool, int, int) override {}
    void showCard(int, const QString& shownGrade) override { grade = shownGrade; }
    void showStatus(const QString& text) override {
        if (text.startsWith(QStringLiteral("Zbývající čas : ")))
            events << "time:" + text.section(' ', 3).chopped(4);
        else if (text.startsWith(QStringLiteral("Zbývá přezkoušet")))
            events << "left:" + text.section(' ', 2, 2);
    }
    void showLook(const Look&) override {}
    void showSettings(const PracticeState&) override {}
    void beep() override { events << "beep"; }
};

// The examination over real settings and a real journal in a temporary folder, fakes at the doors.
// Who practises keeps each answer as "<mode><outcome><ms>": "2+1500" a right answer in a set after
// 1.5 s, "1t1000=" a timeout in plain practice with nothing typed; while `full` he refuses every one,
// throwing the first time only, as the door promises.
struct RecordingPractiser : Practiser {
    QString name;
    bool open = false;
    bool full = false;
    bool told = false;
    QStringList kept;
    QString journalName() const override { return name; }
    bool remembersAnswers() const override { return open; }
    void openAnswers() override {}
    bool answersOpen() const override { return open; }
    void keepAnswer(const AnswerRecord& a) override {
        if (full && !std::exchange(told, true))
            throw Failure(0, "Disk je plný.");
        static const char* const kOutcomes[] = {"+", "-", "t"};
        if (!full)
            kept << QString::number(int(a.mode)) + kOutcomes[int(a.outcome)] + QString::number(a.ms) +
                        (a.outcome == AnswerOutcome::TimedOut ? "=" + a.typed : QString());
    }
    KnowledgeReader answersReader() const override {
        return [](const std::atomic<bool>&) { return KnowledgeRead{}; };
    }
};

struct Rig {
    QTemporaryDir dir;
    IniSettingsStore store{dir.path()};
    LocalTextFiles files;
    SeededRandom random{7};
    FixedClock clock;
    FakeDialogs dialogs;
    ManualPacer pacer;
    ManualTimer timer{&clock};
    RecordingView view;
    RecordingPractiser practiser;
    Examination exam{{random, clock, dialogs, pacer, timer, files}, view};

    // Settings as "Limit=True TimeLimit=1"; "Audit" turns the journal on.
    explicit Rig(const QString& settings) {
        for (const QString& kv : settings.split(u' ', Qt::SkipEmptyParts)) {
            if (kv == u"Audit") {
                store.write("Numio2", "Audit", "Active", "True");
                store.write("Numio2", "Audit", "File", dir.filePath("p.txt"));
            } else {
                store.write("Numio2", "Settings", kv.section(u'=', 0, 0), kv.section(u'=', 1));
            }
        }
        StoredSettings s;
        LoadSettings(s, store);
        exam.setPractiser(&practiser);
        exam.changeSettings(s);
        dialogs.onMessage = [this](const FakeDialogs::Shown& m) { view.events << "box:" + m.title; };
    }

    // The answers read aside, handed back when the script says; nothing once given up.
    std::function<void()> pendingRead;
    void readAside() {
        exam.readAside = [this](KnowledgeReader read, std::function<void(const ReadOutcome&)> done) {
            auto stop = std::make_shared<std::atomic<bool>>(false);
            pendingRead = [=] {
                if (!stop->load())
                    done({read(*stop), {}});
            };
            return stop;
        };
    }

    // One step of a script: P S R start (W V what is not known yet, freely and as a set), X Stop, O the
    // card's OK, K a key ends the correction, +N N right answers, - a wrong one, wN N wrong ones each ended
    // by a key, ~ the right answer typed, not confirmed, tN N ticks, cN a tick N ms late (as one held behind
    // a box), b the blink or slide runs out, aN the about box open N ms with the timer ticking behind it, eN
    // the exit question open N ms, then the end, n another pupil (the same settings), q no sound on errors,
    // p the problem's place in a set, g the card's grade, j the journal names the pupil, ? the counts
    // ("idle" when nothing runs); A the answers read aside from then on, L they come, l they come behind
    // the about box.
    void step(const QString& s) {
        const int n = s.size() > 1 ? s.mid(1).toInt() : 1;
        const PracticeState& st = exam.record();
        const auto ticking = [&] {
            exam.modal([&] {
                for (qint64 end = clock.elapsed + n; clock.elapsed < end;)
                    timer.tick();
            });
        };
        static const Command commands[] = {Command::StartPractice,
                                           Command::StartSet,
                                           Command::StartRepeat,
                                           Command::Stop,
                                           Command::CardOk,
                                           Command::EndCorrection,
                                           Command::StartWeakPractice,
                                           Command::StartWeakSet};
        if (const auto i = QStringLiteral("PSRXOKWV").indexOf(s[0]); i >= 0)
            return exam.run(commands[i]);
        switch (s[0].toLatin1()) {
        case '+':
            for (int i = 0; i < n; ++i)
                exam.answer(QString::number(st.C));
            return;
        case '-':
            return exam.answer(QString::number(st.C + 1));
        case 'w':
            for (int i = 0; i < n; ++i)
                exam.answer(QString::number(st.C + 1)), exam.run(Command::EndCorrection);
            return;
        case 'c':
            clock.elapsed += n;
            return exam.run(Command::Tick);
        case 'd':
            clock.elapsed += n;
            return;
        case 'e':
            return exam.guarded([&] { ticking(), exam.end(true); });
        case 'n':
            return exam.switchPupil(exam.settings(), true);
        case '~':
            view.typed = QString::number(st.C);
            return;
        case 't':
            for (int i = 0; i < n; ++i)
                timer.tick();
            return;
        case 'b':
            return pacer.runOut();
        case 'q': {
            StoredSettings quiet = exam.settings();
            quiet.soundOnError = false;
            return exam.changeSettings(quiet);
        }
        case 'a':
            return exam.run(Command::About, ticking);
        case 'p':
            view.events << "place:" + view.place;
            return;
        case 'g':
            view.events << "grade:" + view.grade;
            return;
        case 'j':
            practiser.name = QStringLiteral("Anna");
            return;
        case 'A':
            return readAside();
        case 'L':
            return pendingRead();
        case 'l':
            return exam.run(Command::About, [&] { exam.modal([&] { pendingRead(); }); });
        case '?':
            view.events << QStringLiteral("%1=%2/%3")
                               .arg(exam.running() ? "" : "idle")
                               .arg(st.nPrikladID)
                               .arg(st.nSpatne);
            return;
        }
        QFAIL(qPrintable("unknown step " + s));
    }

    // The journal's records in order: INIT, LOG, LIMIT, FINISH.
    QString records() const {
        QFile f(dir.filePath("p.txt"));
        QStringList kinds;
        for (const QString& line :
             f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()).split("\r\n") : QStringList())
            kinds << (line.startsWith("Numio - ")   ? "INIT"
                      : line.endsWith('>')          ? "LOG"
                      : line.startsWith("Limit na") ? "LIMIT"
                      : line.startsWith("Odpov")
                          ? "ANSWERED" + line.section(':', 1, 1).remove(QRegularExpression("\\D")) + '/' +
                                line.section(':', 2).trimmed()
                      : line.startsWith("P") && !line.contains(':') ? "END"
                      : line.startsWith("P")                        ? "FINISH"
                                                                    : "");
        kinds.removeAll(QString());
        return kinds.join(' ');
    }
};

} // namespace

class TestExamination : public QObject {
    Q_OBJECT
  private slots:
    // Scripts of commands and ticks; the message boxes are answered by their default (Yes, OK)
    // unless the row gives the answers ("N").
    void scripts_data() {
        columns<QString, QString, QString, QString, QString>(
            {"settings", "answers", "script", "events", "records"});
        const QString set1 = "Audit LimitSady=True TimeLimitSada=1";
        // Part of the faults this engine was made to mend.
        row("set time ends in a correction: the repeat run starts at its first entry",
            set1 + " Plus=True Minus=False MaxValue=2", "", "S - K - t b ?",
            "time:1 beep time:1 beep time:1 time:0 box:Upozornění left:2 box:Oznámení =0/0",
            "INIT LOG LOG LIMIT FINISH INIT");
        row("time runs behind the about box: the timeout follows when it closes",
            "Audit Limit=True TimeLimit=2", "", "P a4000 ? b ?", "beep =0/0 =1/1", "INIT LOG");
        row("the set's minute runs behind a box", set1, "", "S a60000 ?",
            "time:1 time:0 box:Oznámení idle=0/0", "INIT LIMIT");
        row("the limit message waits for the card", set1, "N", "S + + + + + + t ? b O",
            "time:1 time:0 idle=6/0 card box:Oznámení", "INIT LIMIT FINISH");
        row("the set's second minute not before 120 s", "Audit LimitSady=True TimeLimitSada=2", "",
            "S + c116300 ? c3700 ?", "time:2 time:1 =1/0 time:0 box:Oznámení idle=1/0", "INIT LIMIT FINISH");
        row("nothing after the shutdown line: a timeout held behind the exit question",
            "Audit Limit=True TimeLimit=3", "", "P + e5000 b", "", "INIT END");
        row("nothing after the shutdown line: the set's time ran out behind the exit question", set1, "",
            "S + e60000 b", "time:1", "INIT END");
        row("a pupil's switch ends the last pupil's examination", "Audit", "N", "P - b X n ? R ?",
            "beep box:Upozornění idle=0/0 idle=0/0", "INIT LOG FINISH");
        row("a pupil's switch while the card slides in leaves its grade", "", "N", "q P w6 X n b g",
            "card grade:5", "");
        row("the window closed in a correction counts the wrong answer", "Audit", "", "j P + + - e0", "beep",
            "INIT LOG ANSWERED3/1 END");
        row("the window closed in a timeout's correction counts it", "Audit Limit=True TimeLimit=1", "",
            "j P + t11 e0", "beep", "INIT LOG ANSWERED2/1 END");
        row("6,554 wrong answers: grade 5, no overflow", "", "N", "q P w6554 ? X b", "=6554/6554 card", "");
        row("the counters' limit ends the examination with a message", "", "", "P +32767 b ?",
            "card box:Oznámení idle=32767/0", "");
        // Faults mended earlier.
        row("the set's minute in a correction counts after the answer", set1, "YN",
            "S + + + + + + - t ? b ? O",
            "time:1 beep =6/0 time:1 time:0 card box:Oznámení idle=7/1 box:Upozornění",
            "INIT LOG LIMIT FINISH");
        row("Stop and Enter during the correction do nothing", "", "", "P - X + ? K ?", "beep =0/0 =1/1", "");
        row("the card's OK only once the card has arrived", "", "N", "P - K + + + + + X O ? b O",
            "beep idle=6/1 card box:Upozornění", "");
        // Time limits.
        row("timeout on the 101st tick", "Audit Limit=True", "", "P t100 ? t b ?", "=0/0 beep =1/1",
            "INIT LOG");
        row("a right answer typed is done at the timeout", "Limit=True TimeLimit=1", "", "P ~ t11 ?", "=1/0",
            "");
        row("timeout on the set's last problem ends it", "Limit=True TimeLimit=1 Sada=2", "", "S + t11 b ?",
            "beep idle=2/1", "");
        row("timeout on a repeat run's last problem ends it", "Limit=True TimeLimit=1", "", "P - b X t11 b ?",
            "beep box:Upozornění left:1 beep box:Opravný režim idle=1/1", "");
        row("a set tells each problem's place", "Sada=3", "", "S p + p + p",
            "place:Příklad 1 z 3 place:Příklad 2 z 3 place:Příklad 3 z 3", "");
        row("plain practice tells none", "", "", "P p + p", "place: place:", "");
        row("plain practice tells none", "", "", "P p + p", "place: place:", "");
        row("per-answer limit 0 runs as 1 s", "Limit=True TimeLimit=0", "", "P t10 ? t", "=0/0 beep", "");
        row("set limit 0 runs as 1 min", "LimitSady=True TimeLimitSada=0", "", "S t ?",
            "time:1 time:0 box:Oznámení idle=0/0", "");
        row("both limits: only the per-answer one", "Limit=True LimitSady=True TimeLimit=1", "", "S t11 ?",
            "beep =0/0", "");
        // Repeat runs and sound.
        row("a repeat run asks the listed problems and ends with its message", "Audit", "",
            "P - b - b + X - b + ?", "beep beep box:Upozornění left:2 beep left:1 box:Opravný režim idle=2/1",
            "INIT LOG LOG FINISH INIT LOG FINISH");
        row("only wrong answers are listed, timeouts are not", "Limit=True TimeLimit=1", "", "P t11 b X R ?",
            "beep idle=1/1", "");
        row("no sound on errors when switched off", "Limit=True TimeLimit=1", "N", "q P - b t11 b X",
            "box:Upozornění", "");
    }
    // Each answer reaches the answer store with its mode, outcome and time; a store that fails is
    // told once and the examination goes on.
    void answersRemembered_data() {
        columns<QString, QString, bool, QString, QString>({"settings", "script", "full", "kept", "events"});
        row("right after 1.5 s, wrong at once", "", "P d1500 + - K", false, "1+1500 1-0", "beep");
        row("a set, then its repeat run", "Sada=2", "S - K + +", false, "2-0 2+0 3+0",
            "beep box:Upozornění left:1 box:Opravný režim");
        row("a timeout keeps what was typed; a right answer typed counts as right", "Limit=True TimeLimit=1",
            "P t11 b ~ t11", false, "1t1100= 1+1100", "beep");
        row("what the pupil does not know yet, freely and as a set", "Sada=1", "W + X V + W +", false,
            "4+0 5+0 4+0", "");
        row("a full disk is told once; counting goes on", "", "P + + ?", true, "",
            "box:Chybové hlášení =2/0");
        row("read aside: the practice starts once the answers have come", "", "A W ? V L + ?", false, "4+0",
            "idle=0/0 =1/0");
        row("read aside: Stop gives the reading up", "", "A W X L ? P + ?", false, "1+0", "idle=0/0 =1/0");
        row("read aside: the answers wait for the box", "", "A W l + ?", false, "4+0", "=1/0");
    }
    void answersRemembered() {
        const auto [settings, script, full, kept, events] =
            fetch<QString, QString, bool, QString, QString>("settings", "script", "full", "kept", "events");
        Rig rig(settings);
        rig.practiser.open = true;
        rig.practiser.full = full;
        for (const QString& s : script.split(' '))
            rig.step(s);
        rig.view.events.removeAll(QString());
        QCOMPARE(rig.practiser.kept.join(' '), kept);
        QCOMPARE(rig.view.events.join(' '), events);
    }
    void scripts() {
        const auto [settings, answers, script, events, records] =
            fetch<QString, QString, QString, QString, QString>("settings", "answers", "script", "events",
                                                               "records");
        Rig rig(settings);
        for (QChar a : answers)
            rig.dialogs.answers.push_back(a == 'N' ? Dialogs::Answer::No : Dialogs::Answer::Yes);
        for (const QString& s : script.split(' '))
            rig.step(s);
        rig.view.events.removeAll(QString());
        QCOMPARE(rig.view.events.join(' '), events);
        if (settings.contains("Audit"))
            QCOMPARE(rig.records(), records);
    }
};

QTEST_GUILESS_MAIN(TestExamination)
#include "test_examination.moc"
