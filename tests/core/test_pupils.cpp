#include "core/pupils.h"
#include "core/settings.h"
#include "journal/protocol_file.h"
#include "pupil/pupil_list.h"
#include "support/data.h"
#include "support/fakes.h"
#include "support/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace numio;
using namespace numio::test;

static const QList<Pupil> kTwo{{"zofie", "Žofie Dvořáková"}, {"petr", "Petr Novák"}};

class TestPupils : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

  private slots:
    // Names: what the dialog refuses (the start of its message) and what it lets through.
    void names_data() {
        columns<QString, QString, QString>({"name", "renaming", "refused"});
        row("plain", "Jana", "", "");
        row("blanks only", "   ", "", "Napište");
        row("40 letters with diacritics", QString(40, u'ř'), "", "");
        row("41 letters, blanks around not counted", " " + QString(41, u'a') + " ", "",
            "Jméno může mít nejvýše 40");
        row("emoji count as one letter", QString(20, u'x') + QString::fromUcs4(U"🦊").repeated(20), "", "");
        row("tab", "Jana\tNováková", "", "Jméno nesmí obsahovat řídicí");
        row("zero-width space", QString::fromUtf8("\u200B"), "", "Jméno nesmí obsahovat neviditelné");
        row("combining marks only", QString::fromUtf8("\u0301\u030C"), "",
            "Jméno musí obsahovat aspoň jedno");
        row("punctuation only", "-.-", "", "Jméno musí obsahovat aspoň jedno");
        row("same but for case and diacritics", "zofie  DVORAKOVA", "",
            "Žák „Žofie Dvořáková“ už v seznamu je");
        row("renamed to its own name in capitals", "ŽOFIE DVOŘÁKOVÁ", "zofie", "");
        row("renamed to another's name", "petr novak", "zofie", "Žák „Petr Novák“");
    }
    void names() {
        const auto [name, renaming, refused] =
            fetch<QString, QString, QString>("name", "renaming", "refused");
        const QString problem = pupilNameProblem(name, kTwo, renaming);
        QVERIFY2(refused.isEmpty() ? problem.isEmpty() : problem.startsWith(refused), qPrintable(problem));
    }

    // taken: how many of the name's own ids the list holds already.
    void ids_data() {
        columns<QString, int, QString>({"name", "taken", "id"});
        row("diacritics dropped", "Žofie Dvořáková", 0, "zofie-dvorakova");
        row("taken id numbered", "Petr", 0, "petr-2");
        row("punctuation folded", "  Anna-Marie (3.B) ", 0, "anna-marie-3-b");
        row("nothing ASCII", "李明", 0, "zak");
        row("long names cut", QString(30, u'a') + " b", 0, QString(24, u'a'));
        row("the 1000th of a long stem still reads", QString(30, u'a'), 999, QString(23, u'a') + "-1000");
    }
    void ids() {
        const auto [name, taken, id] = fetch<QString, int, QString>("name", "taken", "id");
        QList<Pupil> pupils{{"petr", "Petr"}, {QString(24, u'a'), name}};
        for (int n = 2; n <= taken; ++n)
            pupils.push_back({QString(24, u'a') + '-' + QString::number(n), name});
        QCOMPARE(newPupilId(name, pupils.mid(0, taken + 1)), id);
        QVERIFY(validPupilId(id));
    }

    // Names stored and read back through the real file, again and again: exactly as they were.
    void namesComeBackAsStored_data() {
        columns<QString>({"name"});
        row("@@ and semicolon", QString("@@Nováková; Jana"));
        row("QSettings' own marks", QString("@String(Eva) @Invalid()"));
        row("equals, hash, brackets", QString("=Jana= #1 [3.B]"));
        row("quotes and backslashes", QString("\"Jana\" 'Nová' \\x41\\n \\"));
        row("every Czech letter", QString("áčďéěíňóřšťúůýž ÁČĎÉĚÍŇÓŘŠŤÚŮÝŽ"));
        row("40 characters, the last a comma", "@" + QString(38, u'ř') + ",");
    }
    void namesComeBackAsStored() {
        const auto [name] = fetch<QString>("name");
        IniSettingsStore ini(dir_.filePath(QTest::currentDataTag()));
        PupilList list(ini);
        const QString id = list.add(name, {}).id;
        for (const char* other : {"Adam", "Bára", "Cyril"})
            list.add(other, {});
        list.rename(id, name);
        PupilList back(ini);
        QCOMPARE(back.find(id).value_or(Pupil{}).name, name);
        QCOMPARE(back.pupils().size() + back.damaged().size(), 4);
    }

    // An entry that cannot be used is told with its name, kept in the file through every change of the
    // others, and can be renamed (a bad id anew, its settings with it) or removed.
    void damagedEntryKept_data() {
        columns<QString, QByteArray, QString>({"id", "stored", "reason"});
        row("empty name", "eva", QByteArray(), "Záznam nemá jméno");
        row("NUL", "eva", QByteArray("Ev\\0a"), "Jméno nesmí obsahovat řídicí");
        row("lone surrogate", "eva", QByteArray("Ev\\xd800"), "Jméno nesmí obsahovat řídicí");
        row("upper-case id", "Eva", QByteArray("Eva"), "Záznam má neplatné označení „Eva“");
        row("id of 29 characters", QString(29, u'e'), QByteArray("Eva"), "Záznam má neplatné označení");
        row("the same name but for case", "eva", QByteArray("JANA"), "Žák „Jana“ už v seznamu je");
    }
    void damagedEntryKept() {
        const auto [id, stored, reason] = fetch<QString, QByteArray, QString>("id", "stored", "reason");
        IniSettingsStore ini(dir_.filePath(QTest::currentDataTag()));
        QDir().mkpath(QFileInfo(ini.location(pupilSettingsApp(id))).path());
        QFile file(ini.location(kAppName)), own(ini.location(pupilSettingsApp(id)));
        QVERIFY(file.open(QIODevice::WriteOnly) && own.open(QIODevice::WriteOnly));
        file.write("[PupilList]\nIds=jana, " + id.toUtf8() + "\nName-jana=Jana\nName-" + id.toUtf8() + "=" +
                   stored + "\nChosen=" + id.toUtf8() + "\n");
        own.write("[Settings]\nMaxValue=33\n");
        file.close(), own.close();
        const QString name = ini.read(kAppName, "PupilList", "Name-" + id, "");

        PupilList list(ini);
        QCOMPARE(list.pupils().size(), 1);
        QCOMPARE(list.damaged().size(), 1);
        QVERIFY2(list.damaged()[0].reason.startsWith(reason), qPrintable(list.damaged()[0].reason));
        const std::optional<Failure> told = thrown([&] { list.checkIntact(); });
        QVERIFY(told);
        QVERIFY2(told->detail().contains(name.isEmpty() ? id : shownPupilName(name)),
                 qPrintable(told->detail()));
        list.add("Petr", {});
        list.remove(list.add("Adam", {}).id);
        PupilList again(ini);
        QCOMPARE(again.pupils().size() + again.damaged().size(), 3);
        QVERIFY(again.find(id) || again.damaged().value(0).id == id);
        // QSettings cannot write a lone surrogate: that name alone comes back without it.
        QCOMPARE(ini.read(kAppName, "PupilList", "Name-" + id, ""), QString(name).remove(QChar(0xD800)));

        // A removed pupil's settings at the new id stay his.
        ini.write(pupilSettingsApp("eva-nova"), "Settings", "MaxValue", "44");
        const QString now = again.rename(id, "Eva Nová");
        QCOMPARE(now, validPupilId(id) ? id : "eva-nova-2");
        QVERIFY(PupilList(ini).find(now) && again.damaged().isEmpty());
        QCOMPARE(ini.read(pupilSettingsApp(now), "Settings", "MaxValue", ""), "33");
        QCOMPARE(ini.read(pupilSettingsApp("eva-nova"), "Settings", "MaxValue", ""), "44");
        again.remove(now);
        QCOMPARE(ini.read(kAppName, "PupilList", "Ids", ""),
                 again.pupils()[0].id + ',' + again.pupils()[1].id);
    }

    // The first pupil keeps what was set up before there were pupils; the next one starts afresh with a
    // journal of his own; each keeps his settings apart and the program's own settings stay untouched.
    void settingsKeptApartPerPupil() {
        IniSettingsStore ini(dir_.filePath("apart"));
        PracticeState before, s;
        before.nMaxValueX = 1, before.nMaxValue = 50, before.nSada = 15, before.bKrat = true,
        before.bProtokol = true, before.ProtokolFile = "/old/protokol.txt";
        SaveSettings(before, ini);
        PupilList list(ini);
        QVERIFY(list.empty() && !list.chosen());
        const Pupil jana = list.add("Jana", before), adam = list.add(" Adam  Novák", before);
        const auto figures = [&](const Pupil& p) {
            loadPupilSettingsFile(s, ini, p);
            return QString::asprintf("%d %d %d %d ", +s.nMaxValue, s.bKrat, s.bProtokol, +s.nSada) +
                   s.ProtokolFile;
        };
        QCOMPARE(figures(jana), "50 1 1 15 /old/protokol.txt");
        QCOMPARE(figures(adam), "10 0 1 20 " + proposedPupilJournal("Adam Novák"));
        QVERIFY(s.ProtokolFile.endsWith("/Numio/Adam Novák.txt"));
        PupilList again(ini);
        QCOMPARE(again.pupils().front().name + ", " + again.pupils().back().name + ", " +
                     again.chosen()->name,
                 "Adam Novák, Jana, Jana");

        // A pupil's change goes to his file alone; the journal is kept out of the program's folder.
        PupilSettingsStore own(ini);
        own.setPupil(adam.id);
        QCOMPARE(own.programLocation(kAppName), ini.location(kAppName));
        s.nSada = 7;
        SaveSettings(s, own);
        QCOMPARE(figures(jana), "50 1 1 15 /old/protokol.txt");
        LoadSettings(s, ini);
        QCOMPARE(s.nMaxValue, 50);
        QCOMPARE(again.namesByJournal().value("/old/protokol.txt"), "Jana");
        // What belongs to the computer stays in the program's own file.
        own.write(kAppName, {{"ClassOverview", "Folder", "/class"}, {"Settings", "Sada", "8"}});
        QCOMPARE(ini.read(kAppName, "ClassOverview", "Folder", "") +
                     ini.read(kAppName, "Settings", "Sada", ""),
                 "/class15");
        QCOMPARE(PupilList(own).pupils().size(), 2);

        again.rename(adam.id, "Adam");
        again.remove(jana.id);
        QCOMPARE(again.journalOf(jana.id), "/old/protokol.txt");
        PupilList last(ini);
        QCOMPARE(QString::number(last.pupils().size()) + last.chosen()->name, "1Adam");
        // Adam's journal is still named after his old name: a new pupil of that name gets another.
        QCOMPARE(last.journalOf(last.add("Adam Novák", s).id), proposedPupilJournal("Adam Novák (2)"));
    }

    // The first pupil without a journal named gets his own, switched on, as every later pupil does.
    void firstPupilWithoutJournal() {
        IniSettingsStore ini(dir_.filePath("first"));
        StoredSettings before, s;
        before.nMaxValue = 10, before.nMaxValueX = 1, before.nSada = 7;
        loadPupilSettingsFile(s, ini, PupilList(ini).add("Tomáš", before));
        QVERIFY(s.bProtokol && s.nSada == 7 && s.ProtokolFile == proposedPupilJournal("Tomáš"));
    }

    // What a removed pupil left under the id a new pupil's name gives (his settings, his answers) is
    // the new pupil's only when taken over; a name the list tells apart never gets it, nor his journal.
    void removedPupilsFiles_data() {
        columns<QString, bool, bool, QString, QString>({"added", "answersOnly", "takeOver", "id", "journal"});
        row("same name, a new pupil", "Jan Novák", false, false, "jan-novak-2", "Jan Novák (2)");
        row("same name, taken back", "Jan Novák", false, true, "jan-novak", "Jan Novák");
        row("a name folding to the same id", "Jan-Novák", false, false, "jan-novak-2", "Jan-Novák");
        row("taken over by a name told apart", "Jan-Novák", false, true, "jan-novak-2", "Jan-Novák");
        row("only his answers left", "Jan Novák", true, false, "jan-novak-2", "Jan Novák");
    }
    void removedPupilsFiles() {
        const auto [added, answersOnly, takeOver, id, journal] =
            fetch<QString, bool, bool, QString, QString>("added", "answersOnly", "takeOver", "id", "journal");
        IniSettingsStore ini(dir_.filePath(QTest::currentDataTag()));
        PupilList list(ini);
        bool removed = false; // his answers stay when he goes
        list.setOtherFiles([&](const QString& at) {
            return removed && at == "jan-novak" ? QStringList{"x"} : QStringList{};
        });
        StoredSettings s;
        s.nMaxValue = 10, s.nMaxValueX = 1;
        list.add("Eva", s);
        const Pupil jan = list.add("Jan Novák", s);
        ini.write(pupilSettingsApp(jan.id), "Settings", "Sada", "7");
        list.remove(jan.id);
        removed = true;
        if (answersOnly)
            QVERIFY(QFile::remove(list.settingsFileOf(jan.id)));
        QCOMPARE(list.removedName(jan.id), "Jan Novák");
        QCOMPARE(list.leftFiles(jan.id).size(), answersOnly ? 1 : 2);
        const Pupil again = list.add(added, s, takeOver ? "jan-novak" : "");
        QCOMPARE(again.id, id);
        loadPupilSettingsFile(s, ini, again);
        QCOMPARE(QString::number(s.nSada) + ' ' + QFileInfo(s.ProtokolFile).completeBaseName(),
                 (id == jan.id ? "7 " : "20 ") + journal);
        QCOMPARE(list.removedName(jan.id).isEmpty(), id == jan.id);
        QCOMPARE(ini.read(pupilSettingsApp(jan.id), "Settings", "Sada", ""), answersOnly ? "" : "7");
    }

    // The list's lock as another copy, a crash or a hand left it: taken over when its copy is gone,
    // waited for a moment only while a running copy keeps it, told at once when none could take it.
    void lockKinds_data() {
        columns<QString, QByteArray, int, QString>({"kind", "content", "age", "told"});
        const QByteArray here = "\nnumio\n" + QSysInfo::machineHostName().toUtf8() + '\n';
        const QByteArray self = QByteArray::number(QCoreApplication::applicationPid()) + here;
        const QString held = "Nastavení právě ukládá jiná spuštěná kopie programu";
        row("its copy gone", "file", "2147483647" + here, 0, "");
        row("read-only, its copy gone", "read-only", "2147483647" + here, 0, "");
        row("another program under its pid", "sleep", QByteArray(), 0, "");
        row("made before the computer started", "file", self + "id\nanother boot\n", 0, "");
        row("junk, a minute old", "file", QByteArray("\x01junk"), 60, "");
        row("nobody keeps it, a minute old", "file", self, 60, "");
        row("junk, being written", "file", QByteArray(), 0, held);
        row("another computer's copy", "file", QByteArray("1\nnumio\nelsewhere\n"), 0, held);
        row("a running copy keeps it", "kept", QByteArray(), 0, held);
        row("a folder in its place", "folder", QByteArray(), 0, "Na místě zámku");
        row("a link in its place", "link", QByteArray(), 0, "není obyčejný soubor");
    }
    void lockKinds() {
        auto [kind, content, age, told] =
            fetch<QString, QByteArray, int, QString>("kind", "content", "age", "told");
        IniSettingsStore ini(dir_.filePath(QTest::currentDataTag()));
        PupilList list(ini);
        const QString lock = QFileInfo(ini.location(kAppName)).dir().filePath("pupils.lock");
        QVERIFY(QDir().mkpath(QFileInfo(lock).path()));
        QLockFile running(lock);
        QFile file(lock);
        QProcess sleep; // alive, and naming itself in the lock as QLockFile would
        if (kind == "sleep") {
            sleep.start("sleep", {"60"});
            QVERIFY(sleep.waitForStarted());
            content = QByteArray::number(sleep.processId()) + "\nsleep\n" +
                      QSysInfo::machineHostName().toUtf8() + '\n';
        }
        if (kind == "folder")
            QVERIFY(QDir().mkdir(lock));
        else if (kind == "link")
            QVERIFY(QFile::link("nowhere", lock));
        else if (kind == "kept")
            QVERIFY(running.tryLock(0));
        else
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size() &&
                    file.flush() &&
                    file.setFileTime(QDateTime::currentDateTime().addSecs(-age),
                                     QFileDevice::FileModificationTime) &&
                    file.setPermissions(kind == "read-only" ? QFile::ReadOwner : file.permissions()));
        file.close();
        const std::optional<Failure> failure = thrown([&] { list.add("Jana", {}); });
        QVERIFY2(told.isEmpty() ? !failure
                                : failure && failure->detail().contains(told) &&
                                      failure->detail().contains(displayPath(lock)),
                 failure ? qPrintable(failure->detail()) : "taken");
        QCOMPARE(PupilList(ini).empty(), bool(failure));
        QCOMPARE(QFileInfo::exists(lock) || QFileInfo(lock).isSymLink(),
                 bool(failure)); // dropped after the change
        sleep.kill();
        sleep.waitForFinished();
    }

    // A missing or damaged pupil file: told once, naming the file, the pupil on a new pupil's settings.
    void damagedPupilFile_data() {
        columns<QByteArray>({"content"});
        row("missing", QByteArray());
        row("bad value", QByteArray("[Settings]\nMaxValue=abc\n[Audit]\nActive=True\n"));
        row("empty", QByteArray("\n"));
        row("not a settings file", QByteArray("\x7f"
                                              "ELF\x01\x01"));
    }
    void damagedPupilFile() {
        const auto [content] = fetch<QByteArray>("content");
        IniSettingsStore ini(dir_.filePath(QTest::currentDataTag()));
        PracticeState s;
        PupilList list(ini);
        list.add("Jana", s);
        const Pupil petr = list.add("Petr", s);
        const QString file = ini.location(pupilSettingsApp(petr.id));
        QFile::remove(file);
        if (!content.isEmpty())
            QVERIFY(writeFile(file, content));
        s.nMaxValue = 99;
        const std::optional<Failure> told = thrown([&] { loadPupilSettingsFile(s, ini, petr); });
        QVERIFY(told);
        QVERIFY2(told->detail().contains(displayPath(file)) && told->detail().contains("zapsán znovu"),
                 qPrintable(told->detail()));
        QCOMPARE(QList<int>({s.nMaxValue, s.bPlus, s.bProtokol}), QList<int>({10, 1, 1}));
        loadPupilSettingsFile(s, ini, petr);
    }

    // A pupil's journal in the settings folder or another pupil's journal: told when he is chosen,
    // no journal this run. A settings file that is another pupil's too is read and never written.
    void sharedFiles_data() {
        columns<QString>({"told"});
        row("journal in the settings folder", QString("Chyba č. 75"));
        row("another pupil's journal", QString("mají týž soubor protokolu"));
        row("settings file a link to another pupil's", QString("je zároveň souborem žáka Jana"));
    }
    void sharedFiles() {
        const auto [told] = fetch<QString>("told");
        const QString tag = QTest::currentDataTag();
        IniSettingsStore ini(dir_.filePath(tag));
        PupilList list(ini);
        const Pupil jana = list.add("Jana", StoredSettings());
        const Pupil petr = list.add("Petr", StoredSettings());
        PupilSettingsStore own(ini);
        own.setPupil(petr.id);
        StoredSettings s;
        loadPupilSettingsFile(s, ini, petr);
        s.ProtokolFile = tag.startsWith("journal in") ? QFileInfo(ini.location(kAppName)).path() + "/x.txt"
                                                      : list.journalOf(jana.id);
        SaveSettings(s, own);
        const QString janasFile = ini.location(pupilSettingsApp(jana.id));
        if (tag.startsWith("settings"))
            QVERIFY(QFile::remove(own.location(kAppName)) && QFile::link(janasFile, own.location(kAppName)));
        QFile before(janasFile);
        QVERIFY(before.open(QIODevice::ReadOnly));
        PupilSettingsStore practice(ini);
        const PupilSettings loaded = loadPupilSettings(practice, ini, petr, list);
        QVERIFY(!loaded.journalUsable);
        QVERIFY(std::any_of(loaded.problems.begin(), loaded.problems.end(),
                            [&](const Failure& f) { return f.boxText().contains(told); }));
        QCOMPARE(bool(thrown([&] { SaveSettings(loaded.settings, practice); })), tag.startsWith("settings"));
        QFile after(janasFile);
        QVERIFY(after.open(QIODevice::ReadOnly) && after.readAll() == before.readAll());
    }

    // Two copies of the program for two pupils write at once; a third for one of them is refused with
    // the usual 70 until the first leaves that pupil. A journal folder that cannot be made leaves the
    // pupil without a journal.
    void journalsPerCopy() {
        IniSettingsStore ini(dir_.filePath("copies"));
        LocalTextFiles files;
        PracticeState a, b, c;
        a.nMaxValue = b.nMaxValue = 10, a.nMaxValueX = b.nMaxValueX = 1;
        a.bProtokol = true, a.ProtokolFile = dir_.filePath("copies/Numio/Jana.txt");
        PupilList list(ini), other(ini);
        const Pupil jana = list.add("Jana", a);
        PupilSettingsStore pa(ini), pb(ini), pc(ini);
        pb.setPupil(list.add("Petr", a).id);
        b.bProtokol = true, b.ProtokolFile = dir_.filePath("copies/Numio/Petr.txt");
        SaveSettings(b, pb);
        const auto open = [&](PracticeState& s, PupilSettingsStore& p, std::optional<Pupil> pupil) {
            s.fso = &files;
            const PupilSettings loaded = loadPupilSettings(p, ini, pupil, list);
            if (!loaded.problems.empty())
                return -1;
            closeProtocol(s);
            s.stored() = loaded.settings;
            return failureCode([&] { openProtocol(s); });
        };
        QCOMPARE(open(a, pa, jana), 0);
        QCOMPARE(open(b, pb, list.find("petr")), 0);
        QCOMPARE(open(c, pc, jana), int(kAccessDenied));
        QCOMPARE(open(a, pa, std::nullopt), 0);
        QVERIFY(!a.bProtokolOpen && a.ProtokolFile.isEmpty());
        QCOMPARE(open(c, pc, jana), 0);
        // A copy that read the list before the others added to it loses none of them.
        other.add("Eva", a);
        QCOMPARE(PupilList(ini).pupils().size(), 3);

        QFile(dir_.filePath("copies/plain")).open(QIODevice::WriteOnly);
        c.ProtokolFile = dir_.filePath("copies/plain/Numio/x.txt");
        const std::optional<Failure> folder = thrown([&] { prepareJournalFolder(c); });
        QVERIFY(folder && folder->detail().contains("plain/Numio"));
    }
};

QTEST_GUILESS_MAIN(TestPupils)
#include "test_pupils.moc"
