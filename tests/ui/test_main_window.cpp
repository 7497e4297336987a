#include "support/data.h"
#include "support/files.h"
#include "support/window_fixture.h"

#include "answers/sqlite_answer_store.h"
#include "core/settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileInfo>
#include <QGroupBox>
#include <QPushButton>
#include <QTimer>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace numio;
using namespace numio::test;

namespace {

// The real stores, whose answers cannot be kept once `full`.
struct FillingStores : SqliteAnswerStores {
    bool full = false;
    struct Store : AnswerStore {
        std::unique_ptr<AnswerStore> real;
        const bool& full;
        Store(std::unique_ptr<AnswerStore> store, const bool& f) : real(std::move(store)), full(f) {}
        void record(const AnswerRecord& a) override { full ? throw Failure(kDiskFull) : real->record(a); }
        KnowledgeReader reader() const override { return real->reader(); }
        const QString& path() const override { return real->path(); }
    };
    OpenedAnswerStore open(const QString& path, const QString& pupil) override {
        OpenedAnswerStore opened = SqliteAnswerStores::open(path, pupil);
        return {std::make_unique<Store>(std::move(opened.store), full), opened.warning};
    }
};

} // namespace

namespace {
QString results(FrmMain& w) {
    QStringList texts;
    for (const char* name : {"dfPrikladu", "dfDobre", "dfSpatne", "dfUspech", "dfZnamka"})
        texts << lbl(w, name)->text();
    return texts.join(' ');
}
// The status bar's pictures shown.
QList<QLabel*> pictures(const FrmMain& w) {
    QList<QLabel*> shown = child<StatusBar>(w, "sbMain")->findChildren<QLabel*>();
    shown.removeIf([](const QLabel* l) { return l->isHidden() || l->pixmap().isNull(); });
    return shown;
}
// The time limit's picture shown, by the name a screen reader gives it.
QString limitPicture(const FrmMain& w) {
    for (const QLabel* picture : pictures(w))
        if (picture->accessibleName().startsWith("Časový limit"))
            return picture->accessibleName();
    return {};
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
        WindowFixture f("Sada=1");
        FrmMain& w = f.start();
        QVERIFY(lbl(w, "idleHint")->isVisible() && !act(w, "mnuOpakujSpatne")->isEnabled());
        f.dialogs.answers = {Dialogs::Answer::No};
        if (start == "mnuOpakujSpatne") { // leave one wrong answer behind
            act(w, "mnuPocitej")->trigger();
            f.answerWrong();
            act(w, "mnuStop")->trigger();
            QCOMPARE(
                lbl(w, "idleHint")->text(),
                "Shift+F5 počítej · F5 sada příkladů · F6 opakuj chybné · F8 co ještě neumí · F1 nápověda");
        }
        act(w, qPrintable(start))->trigger();
        QCOMPARE(w.windowTitle(), caption);
        QCOMPARE(act(w, "mnuStop")->isEnabled(), stopItem);
        QCOMPARE(btn(w, "pbStop")->isVisible(), stopButton);
        QCOMPARE(child<QGroupBox>(w, "Frame1")->title(), frame);
        QVERIFY(lbl(w, "lbLeft")->isVisible() && box(w)->isVisible() && !lbl(w, "idleHint")->isVisible());
        for (const char* item : {"mnuPocitej", "mnuPocitejSady", "mnuNastaveni", "mnuOpakujSpatne"})
            QVERIFY(!act(w, item)->isEnabled());
        QVERIFY(!child<QMenu>(w, "mnuProtokol")->isEnabled() && results(w) == "0 0 0  ");
        f.answerRight(); // ends the set of one; the others are stopped
        if (stopButton)
            btn(w, "pbStop")->click();
        QVERIFY(w.windowTitle() == " Numio" && !act(w, "mnuStop")->isEnabled() && !box(w)->isVisible());
        QVERIFY(act(w, "mnuPocitej")->isEnabled() && act(w, "mnuNastaveni")->isEnabled());
    }

    // Digits only, however they arrive; the counts, the correction and any key that ends it.
    void answering() {
        WindowFixture f("Audit");
        FrmMain& w = f.start("mnuPocitej");
        QTest::keyClicks(box(w), QStringLiteral("a-,1.2x34"));
        QCOMPARE(box(w)->text(), QStringLiteral("123"));
        box(w)->clear();
        QGuiApplication::clipboard()->setText(QStringLiteral("1a"));
        box(w)->paste();
        QCOMPARE(box(w)->text(), QString());
        QTest::keyClick(box(w), Qt::Key_Return); // nothing to judge
        f.answerRight();
        QCOMPARE(results(w), QStringLiteral("1 1 0 100% 1"));
        const QString problem = lbl(w, "lbLeft")->text() + '=' + QString::number(f.state().C);
        f.enter(QStringLiteral("999"));
        QVERIFY(!box(w)->isEnabled() && !btn(w, "pbStop")->isVisible() && f.status() == "Chyba !!!");
        QCOMPARE(lbl(w, "dfSpravne")->text(), problem);
        QCOMPARE(f.protocolLines().last(), problem + QStringLiteral("   <999>"));
        QTest::keyClick(&w, Qt::Key_5); // ends the correction, typed nowhere
        QVERIFY(box(w)->isEnabled() && box(w)->text().isEmpty() && lbl(w, "dfSpravne")->text().isEmpty());
        QCOMPARE(f.pacer.beeps, 1);
        f.answerRight();
        QCOMPARE(results(w), QStringLiteral("3 2 1 66% 2"));
    }

    // Keys sent with no pause between them: each is handled after the one before has ended, so an
    // answer and a command never interleave and a typed-ahead answer meets its problem.
    void keysInABurst() {
        WindowFixture f("Audit");
        FrmMain& w = f.start();
        w.activateWindow(); // shortcuts need it, as under a pupil's hands
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_F5); // and an answer typed ahead: judged against its problem
        const QString shown = lbl(w, "lbLeft")->text();
        f.answer(QStringLiteral("999"));
        QVERIFY(!shown.isEmpty() && f.protocolLines().last().startsWith(shown + '='));
        QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier); // leave the set: Yes
        QCOMPARE(f.ended, 1);

        WindowFixture g;
        FrmMain& v = g.start("mnuPocitej");
        const QString missed = lbl(v, "lbLeft")->text();
        g.answerWrong();
        // Stop queued right behind a right answer: it waits until the answer has been dealt with.
        QMetaObject::invokeMethod(act(v, "mnuStop"), &QAction::trigger, Qt::QueuedConnection);
        g.enter(QString::number(g.state().C));
        QCOMPARE(g.state().nPrikladID, 2);
        QCoreApplication::processEvents(); // Stop, then Yes to the offer
        QVERIFY(g.state().bOpravy && lbl(v, "lbLeft")->text() == missed);
    }

    // The card slides in over the problem, answers Enter once it has arrived and then clears the counts.
    void reportCard() {
        WindowFixture f;
        FrmMain& w = f.start("mnuPocitej");
        for (int i = 0; i < 8; ++i)
            i < 3 ? f.answerWrong() : f.answerRight();
        act(w, "mnuStop")->trigger();
        QVERIFY(w.cursor().shape() == Qt::WaitCursor && !btn(w, "pbOK")->isEnabled());
        f.pacer.runOut();
        QVERIFY(child<QFrame>(w, "frmVysvedceni")->x() == 0 && btn(w, "pbOK")->isEnabled());
        QCOMPARE(lbl(w, "lbVizo")->text(), "2");
        QVERIFY(!lbl(w, "dfZnamka")->isVisible() && !child<QMenu>(w, "mnuNumio")->isEnabled());
        f.dialogs.answers = {Dialogs::Answer::No};
        QTest::keyClick(&w, Qt::Key_Return);
        QVERIFY(!cardShown(w) && child<QMenu>(w, "mnuNumio")->isEnabled() && results(w) == "    ");
        QCOMPARE(f.dialogs.shown.size(), std::size_t(1)); // the offer
    }

    void startUp_data() {
        // message: empty: none
        columns<QString, QString, QString, bool>({"key", "value", "message", "protocolAfter"});
        const auto row = [](const char* name, const char* key, const char* value, const char* message) {
            QTest::newRow(name) << QString(key) << QString(value) << QString(message)
                                << (key[0] == 'A' && QByteArray(value) != "@settings");
        };
        row("empty store", "", "", "");
        row("protocol locked by another copy", "lock", "", "Chyba č. 70 - Přístup odepřen");
        row("protocol is the settings file", "Audit/File", "@settings",
            "Chyba č. 75 - Chyba přístupu k cestě nebo souboru");
        row("protocol path of 2,000,000 characters", "Audit/File", "@long",
            "Chyba č. 52 - Chybný název nebo číslo souboru");
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
            f.set(key, value == "@settings" ? f.store.filePath("Numio2")
                       : value == "@long"   ? '/' + QString("a/").repeated(999990) + "p.txt"
                                            : value);
        }
        const qint64 settingsSize = QFileInfo(f.store.filePath("Numio2")).size();
        FrmMain& w = f.start();
        for (const QString& text : f.dialogs.texts()) // no message lays out megabytes
            QVERIFY(text.size() < 1000);
        if (lockFd >= 0)
            ::close(lockFd);
        QStringList firstLines = f.dialogs.texts(); // the second line names the file
        for (QString& text : firstLines)
            text = text.section('\n', 0, 0);
        QCOMPARE(firstLines, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(w.exam().record().protocolOn(), protocolAfter);
        if (value == "@settings") { // not a line of the journal goes into the settings
            w.close();
            QCOMPARE(QFileInfo(f.store.filePath("Numio2")).size(), settingsSize);
        }
        QVERIFY(w.windowTitle() == " Numio" && !box(w)->isVisible());
        if (key == "lock") { // for this run only: OK in the settings stores it on and tries again
            QTimer::singleShot(0, [] { btn(*QApplication::activeModalWidget(), "pbOK")->click(); });
            act(w, "mnuNastaveni")->trigger();
            QCOMPARE(f.store.read("Numio2", "Audit", "Active", ""), QStringLiteral("True"));
            QVERIFY(w.exam().record().protocolOn() && w.exam().record().bProtokolOpen);
        }
    }

    void leaving_data() {
        columns<QString, bool>({"mode", "byMenu"});
        QTest::newRow("idle, window closed") << "" << false;
        QTest::newRow("practice, window closed") << "mnuPocitej" << false;
        QTest::newRow("set, Konec") << "mnuPocitejSady" << true;
    }
    void leaving() {
        const auto [mode, byMenu] = fetch<QString, bool>("mode", "byMenu");
        WindowFixture f("Audit");
        storePupilName(f.store, f.protocolPath(), "Eva"); // named: closing tells the answers
        FrmMain& w = f.start();
        if (!mode.isEmpty())
            w.findChild<QAction*>(mode)->trigger();
        const auto linesBefore = f.protocolLines().size();
        auto leave = [&] { byMenu ? act(w, "mnuKonec")->trigger() : void(w.close()); };
        const bool asks = w.exam().running();
        if (asks) {
            f.dialogs.answers = {Dialogs::Answer::No};
            leave();
            QCOMPARE(f.dialogs.shown.back().text, QStringLiteral("Skutečně si přejete ukončit aplikaci ?"));
            QVERIFY(f.ended == 0 && w.isVisible() && w.exam().running());
        }
        f.dialogs.answers = {Dialogs::Answer::Yes};
        leave();
        QCOMPARE(f.dialogs.shown.size(), std::size_t(asks ? 2 : 0));
        QCOMPARE(f.ended, 1);
        const QStringList lines = f.protocolLines();
        // The shutdown line only on close; before it, what a running examination had answered.
        QCOMPARE(lines.size(), linesBefore + (byMenu ? 0 : asks ? 2 : 1));
        if (!byMenu)
            QCOMPARE(lines.last(), QStringLiteral("Přerušeno zásahamem uživatele v průběhu zkoušení"));
        if (!byMenu && asks)
            QCOMPARE(lines.value(lines.size() - 2),
                     QStringLiteral("Odpovězeno před přerušením : 0, z toho špatně : 0"));
    }

    void menuRules() {
        // Division with table 1 admits no problem.
        WindowFixture f("Plus=False Minus=False Deleno=True");
        FrmMain& w = f.start();
        QCOMPARE(f.status(), QStringLiteral("Není aktivní žádný režim zkoušení !!"));
        QCOMPARE(lbl(w, "idleHint")->accessibleName(),
                 "F2 nastavení – dělení: „Maximální povolená násobilka“ musí být aspoň 2 · F1 nápověda");
        QVERIFY(!act(w, "mnuPocitej")->isEnabled() && !act(w, "mnuPocitejSady")->isEnabled());
        QVERIFY(pictures(w).size() == 1 && pictures(w)[0]->accessibleName().startsWith("Dělení"));

        WindowFixture g("Sada=0");
        FrmMain& v = g.start();
        emit child<QMenu>(v, "mnuNumio")->aboutToShow();
        QVERIFY(act(v, "mnuPocitej")->isEnabled() && !act(v, "mnuPocitejSady")->isEnabled());
        QCOMPARE(lbl(v, "idleHint")->text(), "Shift+F5 počítej · F8 co ještě neumí · F1 nápověda");
        act(v, "mnuPocitejSady")->trigger(); // F5 with an empty set does nothing
        // The class overview keeps the Protokol menu open without a journal.
        QVERIFY(!v.exam().running() && child<QMenu>(v, "mnuProtokol")->isEnabled());
    }

    // The time-limit picture follows the mode: the set's only while a set runs, the answer's always.
    // The pointer over the pictures shows the banner; over the window's surface the text from before
    // comes back (moved there first, it changes nothing).
    void statusBar_data() {
        columns<QString, QString, QString, QString>({"settings", "start", "idle", "running"});
        row("set limit, practice", "LimitSady=True", "mnuPocitej", "", "");
        row("set limit, set", "LimitSady=True", "mnuPocitejSady", "", "Časový limit na sadu");
        row("both limits, set", "Limit=True LimitSady=True", "mnuPocitejSady", "Časový limit na odpověď",
            "Časový limit na odpověď");
    }
    void statusBar() {
        const auto [settings, start, idle, running] =
            fetch<QString, QString, QString, QString>("settings", "start", "idle", "running");
        WindowFixture f(settings + " Sada=1");
        FrmMain& w = f.start();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(limitPicture(w), idle);
        act(w, qPrintable(start))->trigger();
        QCOMPARE(limitPicture(w), running);
        const QString before = f.status();
        QTest::mouseMove(w.centralWidget(), QPoint(2, 2));
        for (QLabel* picture : pictures(w)) // more than once over the bar: the banner is not kept
            QTest::mouseMove(picture);
        QCOMPARE(f.status(), QStringLiteral("Numio 1.02 [Prague 2002]"));
        QTest::mouseMove(w.centralWidget(), QPoint(4, 4));
        QCOMPARE(f.status(), before);
        f.answerRight(); // ends the set of one
        QCOMPARE(limitPicture(w), start.endsWith("Sady") ? idle : running);
    }

    // Viewing and deleting need a journal with content; the overview only a named one.
    void protocolMenu() {
        WindowFixture f("Audit");
        FrmMain& w = f.start();
        const auto items = [&] {
            emit child<QMenu>(w, "mnuProtokol")->aboutToShow();
            return QString("%1%2%3")
                .arg(act(w, "mnuShowProtokol")->isEnabled())
                .arg(act(w, "mnuDelete")->isEnabled())
                .arg(act(w, "mnuPrehled")->isEnabled());
        };
        QCOMPARE(items(), "001");
        act(w, "mnuPocitej")->trigger();
        act(w, "mnuStop")->trigger();
        QCOMPARE(items(), "111");
        f.dialogs.answers = {Dialogs::Answer::Yes};
        act(w, "mnuDelete")->trigger(); // an empty file, open again for the next examination
        QVERIFY(QFile::exists(f.protocolPath()) && f.protocolBytes().isEmpty());
        act(w, "mnuPocitej")->trigger();
        QCOMPARE(f.protocolLines().first(), QString(64, QLatin1Char('_')));
    }

    // The pupil's store opens as the first examination starts, never at start-up, and keeps every
    // answer; switched off, no file is made; a file that is no store is kept aside, told once, and a
    // new one takes the answers; with no place for them the weak-facts items say why they are grey.
    void answerMemory_data() {
        columns<QString, QByteArray, bool, int>({"settings", "found", "remembered", "told"});
        row("remembered", "", QByteArray(), true, 0);
        row("switched off", "Procvicovani/PamatovatOdpovedi=False", QByteArray(), false, 0);
        row("no place for them", "", QByteArray(), false, 0);
        row("a file that is no store", "", QByteArray("junk"), true, 1);
    }
    void answerMemory() {
        const auto [settings, found, remembered, told] =
            fetch<QString, QByteArray, bool, int>("settings", "found", "remembered", "told");
        WindowFixture f;
        for (const QString& kv : settings.split(' ', Qt::SkipEmptyParts))
            f.set(kv.section('=', 0, 0), kv.section('=', 1));
        const QString path = answerStorePath(f.dataFolder, {});
        QDir().mkpath(QFileInfo(path).path());
        if (!remembered && settings.isEmpty())
            f.dataFolder.clear();
        if (!found.isEmpty())
            QVERIFY(writeFile(path, found));
        FrmMain& w = f.start();
        QVERIFY(!f.session->answersOpen() && !QFile::exists(path) == found.isEmpty());
        QCOMPARE(act(w, "mnuCoNeumi")->isEnabled(), remembered);
        QCOMPARE(act(w, "mnuCoNeumi")->statusTip().contains("HOME"), f.dataFolder.isEmpty());
        act(w, remembered ? "mnuCoNeumi" : "mnuPocitej")->trigger();
        QCOMPARE(f.session->answersOpen(), remembered);
        QCOMPARE(int(f.dialogs.shown.size()), told);
        QTRY_VERIFY_WITH_TIMEOUT(w.exam().running(), 20000); // F8 once its answers are read aside
        f.answerRight();
        f.answerWrong();
        int tries = 0;
        for (const FactHistory& h : SqliteAnswerStore::readKnowledge(path).facts)
            tries += h.tries;
        QCOMPARE(tries, remembered ? 2 : 0);
        QCOMPARE(QFile::exists(path), remembered);
        const QStringList aside = QDir(QFileInfo(path).path()).entryList({"*necitelny*"}, QDir::Files);
        QCOMPARE(aside.size(), found.isEmpty() ? 0 : 1);
    }

    // While F8's answers are read the window only waits for them; Esc gives the reading up.
    void weakReadingGivenUp() {
        WindowFixture f;
        FrmMain& w = f.start();
        act(w, "mnuCoNeumi")->trigger();
        QVERIFY(!act(w, "mnuPocitej")->isEnabled() && act(w, "mnuStop")->isEnabled());
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(act(w, "mnuPocitej")->isEnabled() && !act(w, "mnuStop")->isEnabled());
        QVERIFY(!w.exam().running());
    }

    // A store that cannot be made is told once, however many examinations start and the settings
    // change.
    void refusedStoreToldOnce() {
        WindowFixture f;
        QFile blocker(f.dataFolder); // a file where the data folder should be
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        FrmMain& w = f.start();
        for (int i = 0; i < 2; ++i) {
            f.session->applySettings(w.exam().settings());
            act(w, "mnuPocitej")->trigger();
            f.answerRight();
            act(w, "mnuStop")->trigger();
        }
        QCOMPARE(int(f.dialogs.shown.size()), 1);
        QVERIFY(!act(w, "mnuCoNeumi")->isEnabled());
    }

    // Who practises changes by a pick, or when he leaves the list; another copy choosing a pupil for
    // its next start does not move him.
    void followsTheList_data() {
        columns<QString, QString>({"then", "practising"});
        row("another copy chose Bára", "", "Adam");
        row("Bára picked", "bara", "Bára");
        row("Adam removed", "-adam", "Bára");
    }
    void followsTheList() {
        const auto [then, practising] = fetch<QString, QString>("then", "practising");
        WindowFixture f;
        StoredSettings s;
        LoadSettings(s, f.store);
        PupilList(f.store).add("Adam", s);
        f.start();
        PupilList other(f.store);
        other.add("Bára", s);
        other.choose("bara");
        f.session->add("Cyril", s); // the list as stored now
        if (then.startsWith('-'))
            f.session->remove(then.mid(1));
        QVERIFY(f.session->followList(then.startsWith('-') ? QString() : then).isEmpty());
        QCOMPARE(f.session->pupilName(), practising);
    }

    // The open store follows the settings and the pupil, is closed before its file goes, and one
    // that cannot keep answers is told once.
    void storeFollows_data() {
        columns<QString, bool, int>({"then", "open", "told"});
        row("nothing", "", true, 0);
        row("remembering switched off", "off", false, 0);
        row("another pupil", "pupil", false, 0);
        row("his answers forgotten", "forget", false, 0);
        row("the disk full, two answers", "full", true, 1);
    }
    void storeFollows() {
        const auto [then, open, told] = fetch<QString, bool, int>("then", "open", "told");
        WindowFixture f;
        FillingStores stores;
        f.storesDoor = &stores;
        StoredSettings s;
        LoadSettings(s, f.store);
        PupilList(f.store).add("Adam", s);
        FrmMain& w = f.start("mnuPocitej");
        f.answerRight();
        stores.full = then == "full";
        f.answerRight();
        f.answerRight();
        act(w, "mnuStop")->trigger();
        s = w.exam().settings();
        s.rememberAnswers = then != "off";
        f.session->applySettings(s);
        if (then == "pupil")
            QVERIFY(f.session->practise(f.session->add("Bára", s).pupil).isEmpty());
        if (then == "forget")
            f.session->forgetAnswers("adam");
        QCOMPARE(f.session->answersOpen(), open);
        QCOMPARE(int(f.dialogs.shown.size()), told);
    }

    // A journal switched off while the card slides in gets nothing more, not even the shutdown line.
    void switchedOffJournal() {
        WindowFixture f("Audit Sada=6");
        FrmMain& w = f.start("mnuPocitejSady");
        f.answerWrong();
        for (int i = 0; i < 5; ++i)
            f.enter(QString::number(f.state().C));
        QTimer::singleShot(0, [] {
            QWidget* dialog = QApplication::activeModalWidget();
            dialog->findChild<QCheckBox*>("cbProtokol")->setChecked(false);
            dialog->findChild<QPushButton*>("pbOK")->click();
        });
        act(w, "mnuNastaveni")->trigger();
        const QByteArray journal = f.protocolBytes();
        f.pacer.runOut();
        btn(w, "pbOK")->click(); // Yes to the offer
        QVERIFY(f.state().bOpravy);
        w.close();
        QCOMPARE(f.ended, 1);
        QCOMPARE(f.protocolBytes(), journal);
    }

    // The answer box takes the longest result the settings can produce.
    void answerLength_data() {
        columns<QString, int>({"settings", "digits"});
        row("sums to 32767", QString("MaxValue=32767 Minus=False"), 5);
        row("tables to 3276", QString("Plus=False Minus=False Krat=True MaxValueX=3276"), 5);
    }
    void answerLength() {
        const auto [settings, digits] = fetch<QString, int>("settings", "digits");
        WindowFixture f(settings);
        FrmMain& w = f.start("mnuPocitej");
        QCOMPARE(box(w)->maxLength(), digits);
        f.answerRight();
        QCOMPARE(f.state().nSpatne, 0);
    }

    // The overview's practice button repeats the journal's most-missed problems first.
    void practiseTheMostMissed() {
        WindowFixture f("Audit MaxValue=20");
        const QByteArray head =
            QByteArray(64, '_') + "\r\nNumio - 14.3.2002 10:05:17\r\n" + QByteArray(35, '-') + "\r\n";
        QVERIFY(writeFile(f.protocolPath(),
                          head + "9-4=5   <1>\r\n7+5=12   <3>\r\n" + head + "7+5=12   <13>\r\n"));
        FrmMain& w = f.start();
        QTimer::singleShot(0, [] {
            for (QPushButton* b : QApplication::activeModalWidget()->findChildren<QPushButton*>())
                if (b->text().contains(QStringLiteral("Procvičit")))
                    b->click();
        });
        act(w, "mnuPrehled")->trigger();
        QVERIFY(w.exam().record().bOpravy);
        QCOMPARE(lbl(w, "lbLeft")->text(), QStringLiteral("7+5"));
        f.answerRight();
        QCOMPARE(lbl(w, "lbLeft")->text(), QStringLiteral("9-4"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
