#include "core/settings.h"
#include "support/data.h"
#include "support/fakes.h"
#include "support/window_fixture.h"

#include "answers/sqlite_answer_store.h"
#include "ui/answers_place.h"
#include "ui/pupil_chooser.h"
#include "ui/pupils_dialog.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace numio;
using namespace numio::test;

class TestPupilsDialog : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    static QString pupilShown(const FrmMain& w) {
        const QLabel* panel = lbl(w, "pnlPupil");
        return panel->isVisible() ? panel->text().trimmed() : QString();
    }

  private slots:
    // A journal proposed for a pupil goes under the test's own home.
    void initTestCase() { qputenv("HOME", QFile::encodeName(dir_.path())); }

    // Start-up: without pupils nothing new, not even in the settings file; one pupil is named and
    // writes his own journal, nothing asked; a pupil whose file is gone is told once and gets one.
    void startUp_data() {
        columns<QString, int, QString>({"pupil", "told", "journal"});
        row("no pupil", "", 0, "protokol.txt");
        row("one pupil", "Jana", 0, "Jana.txt");
        row("file gone", "Petr", 1, "Numio/Petr.txt");
    }
    void startUp() {
        const auto [pupil, told, journal] = fetch<QString, int, QString>("pupil", "told", "journal");
        WindowFixture f("Audit");
        if (!pupil.isEmpty()) {
            PracticeState s;
            s.nMaxValue = 10, s.nMaxValueX = 1;
            s.bProtokol = true, s.ProtokolFile = f.dir.filePath(pupil + ".txt");
            PupilList(f.store).add(pupil, s);
            if (told)
                QVERIFY(QFile::remove(f.store.location(pupilSettingsApp(pupil.toLower()))));
        }
        f.start();
        QCOMPARE(pupilShown(*f.w), pupil);
        QCOMPARE(int(f.dialogs.shown.size()), told);
        QVERIFY(f.state().bProtokolOpen);
        QCOMPARE(f.state().ProtokolFile, (told ? dir_.path() : f.dir.path()) + "/" + journal);
        QCOMPARE(fileBytes(f.store.location(kAppName)).contains("PupilList"), !pupil.isEmpty());
    }

    // Switching from the menu: the other pupil's settings and journal. (What of the examination goes
    // with the pupil is the examination's; the journal let go, the pupils'.)
    void switching() {
        WindowFixture f;
        PracticeState s;
        s.bProtokol = true, s.ProtokolFile = f.dir.filePath("adam.txt"), s.nSada = 5;
        s.bPlus = true, s.nMaxValue = 10;
        PupilList list(f.store);
        list.add("Adam", s);
        list.add("Bára", s);
        QTimer::singleShot(0, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); });
        f.start();
        QCOMPARE(pupilShown(*f.w), "Adam");
        QVERIFY(f.state().nSada == 5 && f.state().bProtokolOpen);
        act(*f.w, "mnuPocitej")->trigger();
        f.answerRight();
        act(*f.w, "mnuStop")->trigger();
        // Whose settings and journal a window shows stands in its caption.
        QStringList captions;
        for (const char* item : {"mnuNastaveni", "mnuShowProtokol"}) {
            QTimer::singleShot(0, [&] {
                captions << QApplication::activeModalWidget()->windowTitle();
                QApplication::activeModalWidget()->close();
            });
            act(*f.w, item)->trigger();
        }
        QCOMPARE(captions, QStringList({" Nastavení parametrů zkoušení – Adam", "Protokol – Adam"}));
        f.dialogs.answers = {Dialogs::Answer::No};
        act(*f.w, "mnuDelete")->trigger();
        QCOMPARE(f.dialogs.texts().last(),
                 "Skutečně si přejete smazat soubor protokolu ?\nProtokol patří: Adam");
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<PupilsDialog*>(QApplication::activeModalWidget());
            dialog->pupilList()->setCurrentRow(1);
            dialog->pickSelected();
        });
        act(*f.w, "mnuZaci")->trigger();
        QCOMPARE(pupilShown(*f.w), "Bára");
        QVERIFY(f.state().nSada == 20 && f.state().bProtokolOpen);
        QCOMPARE(f.state().ProtokolFile, dir_.filePath("Numio/Bára.txt"));
        // His journal names him and what he practised.
        const QString journal = QStringDecoder("windows-1250")(fileBytes(f.dir.filePath("adam.txt")));
        QVERIFY(journal.contains("Žák : Adam\r\nCvičení : volné počítání; sčítání do 10\r\n"));
    }

    // The first pupil takes over the answers remembered without pupils; removing him asks whether they
    // go too.
    void answersFollowThePupil() {
        WindowFixture f;
        f.start("mnuPocitej");
        f.answerRight();
        act(*f.w, "mnuStop")->trigger();
        const QString none = answerStorePath(f.dataFolder, {}), adam = answerStorePath(f.dataFolder, "adam");
        const auto inDialog = [&](const std::function<void(PupilsDialog&)>& what) {
            QTimer::singleShot(0, [what] {
                auto* dialog = qobject_cast<PupilsDialog*>(QApplication::activeModalWidget());
                what(*dialog);
                dialog->close();
            });
            act(*f.w, "mnuZaci")->trigger();
        };
        inDialog([](PupilsDialog& d) { d.nameEdit()->setText("Adam"), d.add(); });
        QVERIFY(!QFile::exists(none) && SqliteAnswerStore::readKnowledge(adam).facts.size() == 1);
        f.dialogs.answers = {Dialogs::Answer::Yes, Dialogs::Answer::Yes};
        inDialog([](PupilsDialog& d) { d.pupilList()->setCurrentRow(0), d.removeSelected(); });
        QVERIFY(!QFile::exists(adam));
        QVERIFY(f.dialogs.texts().last().startsWith("Smazat i zapamatované odpovědi"));
    }

    // A pupil removed with his answers kept, then a pupil of a name giving his id: asked whether it is
    // he, by the same name only; the first pupil taken back has the answers without pupils joined.
    void removedPupilsAnswers_data() {
        columns<bool, QString, bool, QString, QString, int>({"first", "name", "same", "id", "told", "tries"});
        row("same name but for case, taken back", false, "JAN NOVÁK", true, "jan-novak",
            "Přidáno: JAN NOVÁK. Převzato jeho dřívější nastavení, protokol ~/Numio/Jan Novák.txt. Převzaty "
            "i "
            "jeho dřívější zapamatované odpovědi.",
            2);
        row("a name folding to his id, not asked", false, "Jan-Novák", false, "jan-novak-2",
            "Přidáno: Jan-Novák, protokol ~/Numio/Jan-Novák.txt. Soubory dříve odebraného žáka zůstávají "
            "stranou, jak byly.",
            0);
        row("first, taken back: answers joined", true, "Jan Novák", true, "jan-novak",
            "Přidáno: Jan Novák. Převzato jeho dřívější nastavení, protokol ~/Numio/Jan Novák.txt. Převzaty "
            "i "
            "jeho dřívější zapamatované odpovědi. Připojeny k nim i odpovědi zapamatované bez žáků.",
            3);
        row("first, a new pupil: answers moved", true, "Jan Novák", false, "jan-novak-2",
            "Přidáno: Jan Novák. Převzato dosavadní nastavení, protokol ~/Numio/Jan Novák (2).txt. Převzaty "
            "i "
            "zapamatované odpovědi. Soubory dříve odebraného žáka zůstávají stranou, jak byly.",
            1);
    }
    void removedPupilsAnswers() {
        const auto [first, name, same, id, told, tries] =
            fetch<bool, QString, bool, QString, QString, int>("first", "name", "same", "id", "told", "tries");
        QTemporaryDir dir;
        IniSettingsStore ini(dir.path());
        const auto storeOf = [&](const QString& pupil) { return answerStorePath(dir.path(), pupil); };
        const auto remember = [&](const QString& pupil, int count) {
            const auto store = SqliteAnswerStore::open(storeOf(pupil)).store;
            for (int n = 0; n < count; ++n)
                store->record({1700000000 + n, {}, AnswerMode::Plain, {3, 7, 8}, 56, "56", {}, 900});
        };
        PupilList list(ini);
        list.setOtherFiles([&](const QString& pupil) { return answerStoreFiles(storeOf(pupil)); });
        PracticeState current;
        current.nMaxValue = 10, current.nMaxValueX = 1;
        if (!first)
            list.add("Eva", current);
        const QString jan = list.add("Jan Novák", current).id;
        remember(jan, 2);
        list.remove(jan);
        remember({}, 1); // practised without pupils since, or by Eva's family
        FakeDialogs dialogs;
        dialogs.answers = {same ? Dialogs::Answer::Yes : Dialogs::Answer::No};
        SqliteAnswerStores stores;
        PupilSession session(ini, stores, dir.path());
        PupilsDialog dialog(session, current, dialogs);
        dialog.nameEdit()->setText(name);
        dialog.add();
        QCOMPARE(dialog.message()->text(), told);
        QVERIFY(PupilList(ini).find(id));
        QCOMPARE(dialogs.texts().value(0).section(',', 0, 0),
                 name == "Jan-Novák" ? "" : "Žák Jan Novák byl dříve odebrán ze seznamu");
        const auto count = [&](const QString& pupil) {
            return SqliteAnswerStore::readKnowledge(storeOf(pupil)).facts.value(Fact{3, 7, 8}).tries;
        };
        QCOMPARE(count(id), tries);
        QCOMPARE(count(jan), id == jan ? tries : 2); // left as they were
        QCOMPARE(QFile::exists(storeOf({})), !first);
    }

    // Answers beside the journal switched on or off: the store goes along with every answer, a store
    // already at the new place is asked about, and the session then uses the one the settings name.
    // Answers at each place: -1 no store.
    void answersPlace_data() {
        using A = Dialogs::Answer;
        // With "journal moved" the answers are beside the journal before and after, and "data" counts
        // those beside the old one.
        columns<bool, bool, int, int, A, bool, int, int>(
            {"journalMoved", "on", "old", "new", "answer", "beside", "data", "journal"});
        row("on: moved", false, true, 3, -1, A::Ok, true, -1, 3);
        row("on, one there, Ano: joined", false, true, 3, 2, A::Yes, true, -1, 5);
        row("on, one there, Ne: that one used", false, true, 3, 2, A::No, true, 3, 2);
        row("on, one there, Zrušit: stays off", false, true, 3, 2, A::Cancel, false, 3, 2);
        row("off: moved back", false, false, 3, -1, A::Ok, false, 3, -1);
        row("journal moved, Ano: answers follow", true, true, 3, -1, A::Yes, true, -1, 3);
        row("journal moved, Ne: answers stay", true, true, 3, -1, A::No, true, 3, -1);
    }
    void answersPlace() {
        const auto [journalMoved, on, old, moved, answer, beside, data, journal] =
            fetch<bool, bool, int, int, Dialogs::Answer, bool, int, int>(
                "journalMoved", "on", "old", "new", "answer", "beside", "data", "journal");
        QTemporaryDir dir;
        IniSettingsStore ini(dir.path());
        SqliteAnswerStores stores;
        PupilSession session(ini, stores, dir.path());
        StoredSettings before;
        before.ProtokolFile = dir.filePath("trida/jan.txt"), before.answersBeside = !on || journalMoved;
        StoredSettings next = before;
        next.answersBeside = on;
        if (journalMoved)
            next.ProtokolFile = dir.filePath("jinde/jan.txt");
        const QString atData = journalMoved ? answerStoreBeside(before.ProtokolFile)
                                            : answerStorePath(dir.path(), {}),
                      atJournal = answerStoreBeside(next.ProtokolFile);
        const auto remember = [&](const QString& path, int count) {
            for (int n = 0; n < count; ++n)
                SqliteAnswerStore::open(path).store->record(
                    {1700000000 + n, {}, AnswerMode::Plain, {3, 7, 8}, 56, "56", {}, 900});
        };
        remember(on ? atData : atJournal, old);
        remember(on ? atJournal : atData, moved);
        SaveSettings(next, session.settingsStore()); // as the dialog's OK does
        FakeDialogs dialogs;
        dialogs.answers = {answer};
        followAnswersPlace(session, dialogs, before, next);
        const auto count = [](const QString& path) {
            return QFile::exists(path)
                       ? SqliteAnswerStore::readKnowledge(path).facts.value(Fact{3, 7, 8}).tries
                       : -1;
        };
        QCOMPARE(next.answersBeside, beside);
        QCOMPARE(session.answersPath(), beside ? atJournal : atData);
        QCOMPARE(count(atData), data);
        QCOMPARE(count(atJournal), journal);
        QCOMPARE(dialogs.texts().value(dialogs.texts().size() - 1).startsWith("Odpovědi se od teď"),
                 on && beside && !journalMoved);
    }

    // The chooser by keys alone: the last pupil stands selected, Escape keeps him.
    void chooser_data() {
        columns<QString, QString>({"keys", "chosen"});
        row("Enter", "Enter", "b");
        row("Down, Enter", "Down Enter", "c");
        row("Up, Up, Enter stops at the top", "Up Up Enter", "a");
        row("Down, Escape", "Down Escape", "b");
    }
    void chooser() {
        const auto [keys, chosen] = fetch<QString, QString>("keys", "chosen");
        FakeDialogs dialogs;
        PupilChooser chooser({{"a", "Adam"}, {"b", "Bára"}, {"c", "Cyril"}}, "b", dialogs);
        chooser.show();
        QVERIFY(QTest::qWaitForWindowActive(&chooser));
        for (const QString& key : keys.split(' '))
            QTest::keyClick(chooser.focusWidget(), key == "Enter"    ? Qt::Key_Return
                                                   : key == "Escape" ? Qt::Key_Escape
                                                   : key == "Down"   ? Qt::Key_Down
                                                                     : Qt::Key_Up);
        QCOMPARE(chooser.chosenId(), chosen);
    }

    // Damaged entries: told once at start-up, shown marked in the dialog, repaired or removed there.
    void damagedEntries() {
        WindowFixture f;
        StoredSettings s;
        s.nMaxValue = 10, s.nMaxValueX = 1;
        PupilList(f.store).add("Jana", s);
        f.set("PupilList/Ids", "jana,EVA,x");
        f.set("PupilList/Name-EVA", "Eva\u200B");
        f.start();
        QCOMPARE(f.dialogs.texts().size(), 1);
        QVERIFY2(
            f.dialogs.texts()[0].contains("jsou záznamy, které nelze použít:\n– „Eva�“: Záznam má neplatné "
                                          "označení „EVA“") &&
                f.dialogs.texts()[0].contains("– záznam x: Záznam nemá jméno."),
            qPrintable(f.dialogs.texts()[0]));
        f.dialogs.answers = {Dialogs::Answer::Yes};
        PupilsDialog dialog(*f.session, f.state(), f.dialogs);
        QCOMPARE(dialog.pupilList()->item(1)->text(), "(poškozený záznam) „Eva�“");
        QCOMPARE(dialog.pupilList()->item(2)->text(), "(poškozený záznam) bez jména");
        dialog.pupilList()->setCurrentRow(1);
        QVERIFY(!dialog.pickButton()->isEnabled() &&
                dialog.message()->text().startsWith("Záznam má neplatné"));
        QCOMPARE(dialog.nameEdit()->text(), "Eva");
        dialog.renameButton()->click();
        QCOMPARE(dialog.message()->text(), "Záznam je opraven, jméno je teď Eva.");
        QCOMPARE(dialog.pupilList()->currentItem()->text(), "Eva");
        dialog.pupilList()->setCurrentRow(2);
        dialog.removeButton()->click();
        QCOMPARE(dialog.message()->text(), "Poškozený záznam x je odebrán.");
        QCOMPARE(PupilList(f.store).pupils().size(), 2);
        QCOMPARE(f.store.read(kAppName, "PupilList", "Ids", ""), "eva,jana");
    }

    // Typing names and pressing Enter: what the dialog says, and the list it leaves.
    void dialogByKeys() {
        IniSettingsStore ini(dir_.path());
        SqliteAnswerStores stores;
        PupilSession session(ini, stores, {});
        PracticeState current;
        current.ProtokolFile = "/tmp/old.txt";
        FakeDialogs dialogs;
        dialogs.answers = {Dialogs::Answer::Yes};
        PupilsDialog dialog(session, current, dialogs);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        const auto type = [&](const QString& text) {
            dialog.nameEdit()->clear();
            QTest::keyClicks(dialog.nameEdit(), text);
            QTest::keyClick(dialog.nameEdit(), Qt::Key_Return);
            return dialog.message()->text();
        };
        QVERIFY(type("Jana").contains("Převzato dosavadní nastavení"));
        QVERIFY(type("Petr").contains("/Numio/Petr.txt"));
        QCOMPARE(dialog.pupilList()->count(), 2);
        QCOMPARE(dialog.message()->accessibleName(), dialog.message()->text());
        dialog.pupilList()->setCurrentRow(1); // Petr, renamed
        dialog.nameEdit()->clear();
        QTest::keyClicks(dialog.nameEdit(), " Petra  Nova");
        QTest::mouseClick(dialog.renameButton(), Qt::LeftButton);
        QCOMPARE(dialog.message()->text(), "Přejmenováno: Petr se teď jmenuje Petra Nova.");
        QCOMPARE(dialog.pupilList()->currentItem()->text() + '|' + PupilList(ini).find("petr")->name,
                 "Petra Nova|Petra Nova");

        // Enter follows the default button: Jana's name edited renames her, as it stands picks her.
        dialog.pupilList()->setCurrentRow(0);
        QVERIFY(dialog.pickButton()->isDefault());
        dialog.nameEdit()->setFocus();
        QTest::keyClicks(dialog.nameEdit(), " Nova");
        QVERIFY(dialog.renameButton()->isDefault());
        QTest::keyClick(dialog.nameEdit(), Qt::Key_Return);
        QCOMPARE(dialog.message()->text(), "Přejmenováno: Jana se teď jmenuje Jana Nova.");
        QCOMPARE(dialog.pupilList()->count(), 2);
        QTest::mouseClick(dialog.removeButton(), Qt::LeftButton);
        QVERIFY(dialogs.texts().value(0).contains("se nesmaže, zůstane v souboru /tmp/old.txt"));
        QCOMPARE(dialog.message()->text(),
                 "Odebráno ze seznamu: Jana Nova. Protokol zůstává v souboru /tmp/old.txt.");
        dialog.pupilList()->setFocus();
        QTest::keyClick(dialog.pupilList(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.pickedId(), "petr");
        QCOMPARE(PupilList(ini).chosen()->name, "Petra Nova");
        // Who practises now is marked, for the eye and the screen reader alike.
        PupilsDialog again(session, current, dialogs);
        QCOMPARE(again.pupilList()->item(0)->text(), "Petra Nova (právě cvičí)");
    }
};

QTEST_MAIN(TestPupilsDialog)
#include "test_pupils_dialog.moc"
