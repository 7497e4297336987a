#include "answers/sqlite_answer_store.h"
#include "core/practice_state.h"
#include "core/pupils.h"
#include "platform/failure.h"
#include "platform/settings_store.h"
#include "pupil/pupil_list.h"
#include "reports/class_overview_pdf.h"
#include "reports/class_overview_window.h"
#include "reports/csv_export.h"
#include "reports/date_field.h"
#include "reports/saving.h"
#include "support/data.h"
#include "support/fakes.h"
#include "support/files.h"
#include "support/window_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

#include <optional>

#include <sys/stat.h>
#include <unistd.h>

using namespace numio;
using namespace numio::test;

// Every window and model of these tests reads the pupils' answers through it.
static SqliteAnswerStores answerStores;

// One examination as the writer records it, 7+8 missed in each; `head` (who, what) under the dashes.
static QString block(int day, int problems, int wrong, const QString& head = {},
                     const QString& month = ".3.2024") {
    QString t = QString(64, u'_') + "\r\nNumio - %1" + month + " 17:00:00\r\n" + QString(35, u'-') + "\r\n";
    t = t.arg(day) + head + QString("7+8=15   <14>\r\n").repeated(wrong);
    return t + QString("\r\nPříkladů celkem : %1\r\nŠpatně : %2\r\nZnámka : 1\r\nÚspěšnost : 90%\r\n")
                   .arg(problems)
                   .arg(wrong);
}

static void write(const QString& path, const QString& text, QIODevice::OpenMode mode = QIODevice::WriteOnly) {
    QFile f(path);
    QVERIFY(f.open(mode));
    f.write(QStringEncoder("windows-1250").encode(text));
}

static QByteArray windows1250(const QString& text) {
    return QStringEncoder("windows-1250").encode(text);
}

static QString head(const QString& pupil, const QString& practice) {
    return "Žák : " + pupil + "\r\nCvičení : " + practice + "\r\n";
}

// A class as its teacher finds it on Wednesday 18.3.2026: journals of this school half-year and the
// last one, an old one without names, new ones that name the pupil and what was practised, an
// interrupted examination, a repeat of missed problems and a pupil who never finished one.
struct Class {
    QTemporaryDir dir;
    IniSettingsStore store{dir.path()};
    FakeDialogs dialogs;
    LocalTextFiles files;
    FixedClock clock{QDateTime(QDate(2026, 3, 18), QTime(9, 0))};
    std::unique_ptr<ClassOverviewWindow> w;

    Class() {
        const QString set = "sada 20 příkladů; sčítání do 20", start = QString(64, u'_') + "\r\nNumio - ";
        const QString dashes = " 17:00:00\r\n" + QString(35, u'-') + "\r\n";
        write(dir.filePath("Zuzana.txt"), block(2, 20, 2, {}, ".9.2025") + block(17, 10, 0, {}, ".3.2026"));
        write(dir.filePath("kral.txt"), block(10, 20, 4, head("Šimon Král", set), ".2.2026"));
        write(dir.filePath("adamek.txt"), block(2, 20, 1, head("Štěpán Adámek", set), ".3.2026"));
        write(dir.filePath("vesela.txt"), block(16, 10, 5, head("Sára Veselá", "volné počítání"), ".3.2026") +
                                              start + "17.3.2026" + dashes +
                                              head("Sára Veselá", "volné počítání") +
                                              "7+8=15   <14>\r\n7+8=15   <16>\r\n"
                                              "Odpovězeno před přerušením : 7, z toho špatně : 2\r\n"
                                              "Přerušeno zásahamem uživatele v průběhu zkoušení\r\n");
        write(dir.filePath("novak.txt"),
              block(18, 20, 0, head("Tomáš Šťastný", set), ".3.2026") +
                  block(18, 3, 0, head("Tomáš Šťastný", "oprava chybných příkladů"), ".3.2026"));
        write(dir.filePath("mala.txt"), block(1, 20, 2, head("Žofie Malá", set), ".1.2026"));
        write(dir.filePath("dlouhy.txt"), start + "1.3.2026" + dashes + head("=Cyril Dlouhý", set));
        // Three are pupils of this computer: Tomáš knows 3 · 4 (three quick right answers), not 7 · 8,
        // found by his name (his journal here is a copy); Sára, who must answer within a second, knows
        // nothing yet; Šimon's answers cannot be read. Beside their journals: Zuzana's too few
        // answers, a FIFO of Žofie's.
        const QString data = dir.filePath("data");
        const auto pupil = [&](const QString& name, const QString& journal, const QString& seconds) {
            const QString id = PupilList(store).add(name, StoredSettings{}).id;
            store.write(pupilSettingsApp(id),
                        {{"Audit", "File", dir.filePath(journal)}, {"Procvicovani", "UmiDoSekund", seconds}});
            return answerStorePath(data, id);
        };
        const auto answers = [](const QString& path, const QList<std::pair<Fact, AnswerOutcome>>& tries) {
            const auto opened = SqliteAnswerStore::open(path);
            for (const auto& [fact, outcome] : tries)
                opened.store->record(
                    {1773800000, {}, AnswerMode::Set, fact, fact.result(), {}, outcome, 1500});
        };
        const Fact threeFour{3, 3, 4}, sevenEight{3, 7, 8};
        for (const QString& path :
             {pupil("Tomas STASTNY", "jinde/novak.txt", "3"), pupil("Sára Veselá", "vesela.txt", "1")})
            answers(path, {{threeFour, AnswerOutcome::Right},
                           {threeFour, AnswerOutcome::Right},
                           {threeFour, AnswerOutcome::Right},
                           {sevenEight, AnswerOutcome::Wrong}});
        write(pupil("Šimon Král", "kral.txt", "3"), "žádná databáze");
        answers(dir.filePath("Zuzana.odpovedi.sqlite"),
                {{threeFour, AnswerOutcome::Right}, {sevenEight, AnswerOutcome::Wrong}});
        ::mkfifo(QFile::encodeName(dir.filePath("mala.odpovedi.sqlite")).constData(), 0644);
        w = std::make_unique<ClassOverviewWindow>(store, dialogs, files, answerStores, clock, nullptr,
                                                  nullptr, nullptr, data);
        w->show();
    }
    // The first word of every row's name, with a column when given, in the table's order.
    QString rows(int column = 0) const {
        QStringList out;
        for (int r = 0; r < w->table()->rowCount(); ++r)
            out << w->table()->item(r, 0)->text().section(' ', 0, 0) +
                       (column > 0 ? ' ' + w->table()->item(r, column)->text() : QString());
        return out.join(", ");
    }
    int rowOf(const QString& name) const {
        return w->table()->findItems(name, Qt::MatchExactly).value(0)->row();
    }
};

// A pupil appends an examination while the reader is in the middle of the file.
struct GrowingFiles : LocalTextFiles {
    int reads = 0;
    QString readEntry(const FileEntry& entry, const std::atomic<bool>* stop) override {
        const QString text = LocalTextFiles::readEntry(entry, stop);
        if (++reads == 1)
            write(entry.path, block(2, 20, 0), QIODevice::Append);
        return text;
    }
};

// A folder the teacher may not read.
struct ClosedFolder : LocalTextFiles {
    QVector<FileEntry> listFolder(const QString&) override { throw Failure(kAccessDenied); }
};

// Reads the folder into the window as the teacher's choice does; false when it never finished.
static bool readFolder(ClassOverviewWindow& w, const QString& folder) {
    QSignalSpy loaded(&w, &ClassOverviewWindow::loaded);
    w.readFolder(folder);
    return loaded.count() == 1 || loaded.wait(20000);
}

// A class of long Czech names and long lists of misses; 20 examinations each.
static ClassReport classReport(int pupils) {
    ClassReport r;
    r.header = {{"Třída (složka):", "4.A"}, {"Období:", "1.9.2025 – 26.6.2026"}};
    r.columns = {"Žák",   "Zkoušení",          "Příkladů",      "Úspěšnost",        "Známka",
                 "Vývoj", "Poslední zkoušení", "Zná násobilku", "Nejčastější chyby"};
    QVector<Examination> exams(20, {QDateTime(QDate(2025, 11, 15), QTime(8, 0)), 20, 2, 2, 90});
    for (int i = 1; i <= pupils; ++i) {
        const QString name =
            QString("Svatopluk Maximilián Přemysl Kryštof Ctibor Šťastný z Dobrovic %1").arg(i);
        r.rows << QStringList{
            name,
            "20",
            "400",
            "90 %",
            "2",
            "−12,5 p. b.",
            "15.11.2025",
            "57",
            "17 − 9 = 8, 8 · 7 = 56, 63 : 9 = 7, 6 + 7 = 13, 9 · 9 = 81, 54 : 6 = 9, 14 − 6 = 8"};
        r.pupils.push_back({name, {{"Protokol:", QString("žák%1.txt").arg(i)}}, exams});
    }
    r.missedColumns = {"Příklad", "Počet chyb", "Žáků"};
    r.missed = {{"8 · 7 = 56", "1 234", "27"}, {"17 − 9 = 8", "980", "25"}};
    r.unread = {"obrázek.txt: Binární soubor, ne protokol."};
    return r;
}

class TestClassOverview : public QObject {
    Q_OBJECT
  private slots:
    void file_data() {
        columns<QString, int, QString>({"content", "exams", "problem"});
        row("two examinations", block(1, 20, 2) + block(3, 10, 0), 2, QString());
        row("empty journal", QString(), 0, QString("prázdný soubor"));
        row("only an unfinished block", QString(64, u'_') + "\r\nNumio - 1.3.2024 8:00:00\r\n", 0, QString());
        row("not a journal", QString("Nákup:\r\nmléko\r\n"), 0, QString("Není to protokol zkoušení."));
        row("folder", QString("/"), 0, QString("Je to složka, ne soubor."));
        row("dangling link", QString("->"), 0, QString("Soubor mezitím zmizel."));
    }
    void file() {
        const auto [content, exams, problem] = fetch<QString, int, QString>("content", "exams", "problem");
        QTemporaryDir dir;
        const QString path = dir.filePath("Eva Malá.TXT");
        if (content == "/")
            QVERIFY(QDir(dir.path()).mkdir("Eva Malá.TXT"));
        else if (content == "->")
            QVERIFY(QFile::link(dir.filePath("gone"), path));
        else
            write(path, content);
        write(dir.filePath("poznámky.doc"), "x");
        LocalTextFiles files;
        const QVector<FileEntry> entries = journalFiles(dir.path(), files);
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries[0].path, path);
        const PupilJournal p = readPupilJournal(path, files);
        QCOMPARE(p.name, QString("Eva Malá"));
        QCOMPARE(p.journal.exams.size(), exams);
        QCOMPARE(p.problem(), problem);
    }

    void growingJournalIsReadAgain() {
        QTemporaryDir dir;
        write(dir.filePath("a.txt"), block(1, 20, 1));
        GrowingFiles files;
        const PupilJournal p = readPupilJournal(dir.filePath("a.txt"), files);
        QCOMPARE(files.reads, 2);
        QCOMPARE(p.journal.exams.size(), 2);
        QVERIFY(!p.changing);
    }

    // A text from outside that a spreadsheet would run as a formula is kept a text; quoted as CSV needs.
    void csvText_data() {
        columns<QString, QString>({"text", "field"});
        for (const char* formula : {"=1+1", "+420", "-Jan", "@Eva", "\tx"})
            row(formula, QString(formula), "'" + QString(formula));
        row("CR", QString("\rx"), QString("\"'\rx\""));
        row("formula with a semicolon", QString("=a;b"), QString("\"'=a;b\""));
        row("quotes", QString("Nový \"Pepa\""), QString("\"Nový \"\"Pepa\"\"\""));
        row("a name", QString("Jan-Petr"), QString("Jan-Petr"));
    }
    void csvText() {
        const auto [text, field] = fetch<QString, QString>("text", "field");
        QCOMPARE(numio::csvText(text), field);
    }

    // Every file of a class folder is a row or in the unreadable list: a journal in UTF-16 as Notepad's
    // "Unicode" saves it, one with a NUL in a line, hidden ones (a pupil named "." too) and one whose
    // name is no UTF-8; only what holds nothing of a journal is refused.
    void everyFileIsAccountedFor() {
        QTemporaryDir dir;
        const QString two = block(1, 20, 2) + block(3, 10, 0);
        const QByteArray folder = QFile::encodeName(dir.path()) + '/';
        QVERIFY(writeNativeFile(folder + "Adam.txt", QStringEncoder(QStringConverter::Utf16LE,
                                                                    QStringConverter::Flag::WriteBom)(two)));
        QByteArray nul = windows1250(two);
        nul.insert(nul.indexOf("=15"), '\0'); // the first of two missed problems
        QVERIFY(writeNativeFile(folder + "Cyril.txt", nul));
        QVERIFY(writeNativeFile(folder + ".Eva.txt", windows1250(two)));
        QVERIFY(writeNativeFile(folder + "..txt", windows1250(block(2, 10, 1))));
        const QByteArray foreign = folder + "\xC8"
                                            "en\xECk.txt"; // "Čeněk.txt" in Windows-1250
        const auto removeForeign = qScopeGuard([&] { ::unlink(foreign.constData()); });
        QVERIFY(writeNativeFile(foreign, windows1250(two)));
        QVERIFY(writeNativeFile(folder + "obrázek.txt", QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)));
        IniSettingsStore store(dir.path());
        FakeDialogs dialogs;
        LocalTextFiles files;
        FixedClock clock;
        ClassOverviewWindow w(store, dialogs, files, answerStores, clock, nullptr, nullptr, nullptr);
        QVERIFY(readFolder(w, dir.path()));
        QStringList shown;
        for (int r = 0; r < w.table()->rowCount(); ++r)
            shown << w.table()->item(r, 0)->text() + ": " + w.table()->item(r, 1)->text();
        shown.sort();
        QCOMPARE(shown, (QStringList{".: 1", ".Eva: 2", "Adam: 2", "Cyril: 2", "Čeněk: 2"}));
        QCOMPARE(w.unreadList()->count(), 1);
        QCOMPARE(w.unreadList()->item(0)->text(), "obrázek.txt: Binární soubor, ne protokol.");
        QCOMPARE(w.lblStatus()->text(), QString("Žáků: 5, souborů, které nelze přečíst: 1."));
        // The NUL left its line unread: eight of the nine misses of 7 + 8 count.
        QCOMPARE(w.classMissedTable()->item(0, 1)->text() + ' ' + w.classMissedTable()->item(0, 2)->text(),
                 "8 5");
    }

    // A folder that cannot be listed says so and why, rather than that it holds no journal.
    void unlistableFolderSaysWhy_data() {
        columns<QString, QString>({"folder", "status"});
        row("no permission", QString("zavřená"),
            QString("Složku nelze přečíst: přístup odepřen (chybí oprávnění číst její obsah)."));
        row("not there", QString("nikde"), QString("Složku nelze otevřít: není dostupná."));
        row("empty", QString("prázdná"), QString("Ve složce nejsou žádné protokoly (*.txt)."));
    }
    void unlistableFolderSaysWhy() {
        const auto [folder, status] = fetch<QString, QString>("folder", "status");
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("zavřená") && QDir(dir.path()).mkdir("prázdná"));
        IniSettingsStore store(dir.path());
        FakeDialogs dialogs;
        // Root reads every folder, so the refusal comes from a door that refuses.
        ClosedFolder closed;
        LocalTextFiles local;
        TextFiles& files = folder == "zavřená" ? static_cast<TextFiles&>(closed) : local;
        FixedClock clock;
        ClassOverviewModel model(store, files, answerStores, dialogs, clock, nullptr, dir.path());
        QSignalSpy loaded(&model, &ClassOverviewModel::loaded);
        model.readFolder(dir.filePath(folder));
        QVERIFY(loaded.wait(20000));
        QCOMPARE(model.readingText(), status);
        QCOMPARE(model.rows().size(), 0);
    }

    // A save on a full disk is told as a full disk, for CSV and PDF alike, and the status line no longer
    // tells of the save before it; nothing is left. (A folder that is not there is the text files' and
    // the results overview's.)
    // The parents' pages: one per row in the table's order, or of the rows selected; no file named.
    void parentReports_data() {
        columns<QList<int>>({"selected"});
        row("every row", QList<int>{});
        row("three selected", QList<int>{5, 1, 3});
    }
    void parentReports() {
        const auto [selected] = fetch<QList<int>>("selected");
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        Class c;
        QVERIFY(readFolder(*c.w, c.dir.path()));
        QStringList names = c.rows().split(", "), expected = selected.isEmpty() ? names : QStringList();
        c.w->table()->clearSelection();
        for (const int r : {1, 3, 5})
            if (selected.contains(r)) {
                expected << names[r];
                c.w->table()->selectionModel()->select(c.w->table()->model()->index(r, 0),
                                                       QItemSelectionModel::Select |
                                                           QItemSelectionModel::Rows);
            }
        c.dialogs.chosenFiles = {c.dir.filePath("z.pdf")};
        c.dialogs.answers = {Dialogs::Answer::No};
        QSignalSpy saved(c.w.get(), &ClassOverviewWindow::saveFinished);
        c.w->pbReports()->click();
        QVERIFY(saved.wait(20000));
        // "Žofie" comes out with the ligature fi.
        const QStringList pages = pdfText(c.dir.filePath("z.pdf"))
                                      .normalized(QString::NormalizationForm_KC)
                                      .split('\f', Qt::SkipEmptyParts);
        QCOMPARE(pages.size(), expected.size());
        for (qsizetype i = 0; i < pages.size(); ++i)
            QVERIFY2(pages[i].startsWith("Zpráva pro rodiče – " + expected[i]), qPrintable(expected[i]));
        QVERIFY(!pages.join(' ').contains(".txt") && !pages.join(' ').contains(".sqlite"));
    }

    void fullDiskIsToldAndNoSuccessStays() {
        QTemporaryDir dir;
        write(dir.filePath("Eva.txt"), block(1, 20, 1));
        QVERIFY(QFile::link("/dev/full", dir.filePath("plný.csv")));
        QVERIFY(QFile::link("/dev/full", dir.filePath("plný.pdf")));
        IniSettingsStore store(dir.path());
        FakeDialogs dialogs;
        LocalTextFiles files;
        FixedClock clock;
        ClassOverviewWindow w(store, dialogs, files, answerStores, clock, nullptr, nullptr, nullptr);
        QVERIFY(readFolder(w, dir.path()));
        const auto save = [&](const QString& file) {
            dialogs.shown.clear();
            dialogs.chosenFiles = {dir.filePath(file)};
            dialogs.answers = {Dialogs::Answer::Yes, Dialogs::Answer::Ok}; // overwrite it; the failure
            QSignalSpy saved(&w, &ClassOverviewWindow::saveFinished);
            file.endsWith(".pdf") ? w.pbPdf()->click() : w.csvExamsAction()->trigger();
            return saved.wait(20000) ? dialogs.texts().filter("Chyba č. ").join('|') : "never ended";
        };
        const QString shown = QDir::toNativeSeparators(dir.filePath("t.csv"));
        QCOMPARE(save("t.csv"), QString());
        QCOMPARE(w.lblStatus()->text(), "Uloženo do souboru " + shown + ".");
        for (const QString file : {"plný.pdf", "plný.csv"}) {
            const QString target = QDir::toNativeSeparators(dir.filePath(file));
            QCOMPARE(save(file),
                     "Chyba č. 61 - Disk je plný\nPřehled se nepodařilo uložit do souboru " + target + ".");
            QCOMPARE(w.lblStatus()->text(),
                     "Přehled se nepodařilo uložit do souboru " + target + ": Disk je plný.");
        }
        QVERIFY(QFileInfo(dir.filePath("plný.csv")).isSymLink());
    }

    // Nothing of the class report is cut: every word of it comes out whole, the table's heads and the
    // running head with the class and the period stand on every page they continue to, and each
    // page says its number of all.
    void classPdfKeepsEveryWord_data() {
        columns<int>({"pupils"});
        row("one page of the table", 3);
        row("the table over pages", 40);
    }
    void classPdfKeepsEveryWord() {
        const auto [pupils] = fetch<int>("pupils");
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        QTemporaryDir dir;
        const ClassReport report = classReport(pupils);
        writeClassPdf(report, dir.filePath("t.pdf"));
        QStringList pages = pdfText(dir.filePath("t.pdf"), {"-layout"}).split('\f');
        pages.removeLast();
        const QStringList words = pages.join(' ').split(QRegularExpression("\\s+"));
        QStringList expected = report.columns + report.missedColumns + report.unread +
                               QStringList{"Nejčastější chyby třídy", "Soubory, které nelze přečíst"};
        for (const QStringList& cells : report.rows + report.missed)
            expected += cells;
        for (const QString& text : expected)
            for (const QString& word : text.split(' '))
                QVERIFY2(words.contains(word), qPrintable(word));
        int tablePages = 0;
        for (int i = 0; i < pages.size(); ++i) {
            const QString page = pages[i].simplified();
            QVERIFY(page.contains(QString("Strana %1 z %2").arg(i + 1).arg(pages.size())));
            QVERIFY(i == 0 || page.contains("Třída (složka): 4.A · Období: 1.9.2025 – 26.6.2026"));
            if (page.contains("15.11.2025")) // a pupil's row
                tablePages += page.contains("Úspěšnost");
        }
        QCOMPARE(tablePages > 1, pupils > 20);
    }

    // A save in the background: one that ends at once shows no dialog; Zrušit or Escape in the dialog
    // (its one focus, named for a screen reader) stops the writer, the document is not written and the
    // status line says so.
    void saveInBackground_data() {
        columns<int, QString>({"key", "status"});
        row("saved", 0, QString("Uloženo do souboru %1."));
        row("Zrušit", int(Qt::Key_Space), QString("Ukládání zrušeno; soubor %1 nebyl uložen."));
        row("Escape", int(Qt::Key_Escape), QString("Ukládání zrušeno; soubor %1 nebyl uložen."));
    }
    void saveInBackground() {
        const auto [key, status] = fetch<int, QString>("key", "status");
        QTemporaryDir dir;
        const QString path = dir.filePath("t.pdf");
        FakeDialogs dialogs;
        QWidget owner;
        QLabel line(&owner);
        owner.show();
        // Looks for the dialog while the save goes on.
        QTimer press;
        press.setInterval(10);
        QObject::connect(&press, &QTimer::timeout, [&] {
            if (!qobject_cast<QProgressDialog*>(QApplication::activeModalWidget()) ||
                !QApplication::focusWidget())
                return;
            press.stop();
            QCOMPARE(QApplication::focusWidget()->accessibleName(), "Zrušit ukládání");
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        });
        if (key)
            press.start();
        const QDeadlineTimer giveUp(20000); // should the dialog never come
        std::optional<bool> saved;
        numio::saveInBackground(
            dialogs, &owner, &line, path,
            [&](SaveProgress& p) {
                while (key && !p.cancelled() && !giveUp.hasExpired())
                    QThread::yieldCurrentThread();
                writeClassPdf(classReport(1), path, &p);
            },
            [&](const WorkOutcome& o) { saved = tellSaved(&line, path, "Uloženo do souboru %1.", o); });
        QTRY_VERIFY_WITH_TIMEOUT(saved.has_value(), 20000);
        QCOMPARE(line.text(), status.arg(path));
        QCOMPARE(QFile::exists(path), *saved);
        QCOMPARE(*saved, !key);
    }

    // The rows in Czech order from the start, by surname or first name, or by a column either way,
    // chosen from the keyboard or by the header; what is missing stays last. The pupil chosen in the
    // table stays chosen.
    void order_data() {
        columns<int, bool, int, QString>({"downs", "descending", "headerClicks", "names"});
        row("surname", 0, false, 0, QString("Štěpán, =Cyril, Šimon, Žofie, Tomáš, Sára, Zuzana"));
        row("first name", 1, false, 0, QString("=Cyril, Sára, Šimon, Štěpán, Tomáš, Zuzana, Žofie"));
        row("success rate", 4, false, 0, QString("Sára, Šimon, Žofie, Zuzana, Štěpán, Tomáš, =Cyril"));
        row("header twice", 0, false, 2, QString("Tomáš, Štěpán, Zuzana, Žofie, Šimon, Sára, =Cyril"));
        row("latest first", 7, true, 0, QString("Tomáš, Sára, Zuzana, Štěpán, Šimon, Žofie, =Cyril"));
        row("knows most", 8, true, 0, QString("Tomáš, Sára, Zuzana, Štěpán, =Cyril, Šimon, Žofie"));
        row("knows least", 8, false, 0, QString("Zuzana, Sára, Tomáš, Štěpán, =Cyril, Šimon, Žofie"));
    }
    void order() {
        const auto [downs, descending, headerClicks, names] =
            fetch<int, bool, int, QString>("downs", "descending", "headerClicks", "names");
        Class c;
        QVERIFY(readFolder(*c.w, c.dir.path()));
        c.w->table()->setCurrentCell(c.rows().split(", ").indexOf("Sára"), 0);
        for (int i = 0; i < downs; ++i)
            QTest::keyClick(c.w->orderBox(), Qt::Key_Down);
        if (descending)
            QTest::keyClick(c.w->descendingBox(), Qt::Key_Space);
        QHeaderView* header = c.w->table()->horizontalHeader();
        for (int i = 0; i < headerClicks; ++i)
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(3) + 4, 4));
        QCOMPARE(c.rows(), names);
        QCOMPARE(names.split(", ").value(c.w->table()->currentRow()), "Sára");
        // The box, the direction and the header's arrow say the same, and so does the table to a
        // screen reader.
        const QString column = c.w->table()->horizontalHeaderItem(header->sortIndicatorSection())->text();
        QVERIFY(c.w->orderBox()->currentText().startsWith(column));
        QCOMPARE(header->sortIndicatorOrder() == Qt::DescendingOrder, c.w->descendingBox()->isChecked());
        QVERIFY(c.w->table()->accessibleDescription().contains(c.w->orderBox()->currentText()));
    }

    // The periods around today: the week from Monday, the month, and the school half-year, which runs
    // from September to January and from February to August.
    void periodsAroundToday_data() {
        columns<QDate, QString, QString, QString>({"today", "week", "month", "halfYear"});
        row("in January", QDate(2026, 1, 15), QString("12.1.2026 – 18.1.2026"),
            QString("1.1.2026 – 31.1.2026"), QString("1.9.2025 – 31.1.2026"));
        row("31 January", QDate(2026, 1, 31), QString("26.1.2026 – 1.2.2026"),
            QString("1.1.2026 – 31.1.2026"), QString("1.9.2025 – 31.1.2026"));
        row("1 February", QDate(2026, 2, 1), QString("26.1.2026 – 1.2.2026"), QString("1.2.2026 – 28.2.2026"),
            QString("1.2.2026 – 31.8.2026"));
        row("29 February", QDate(2024, 2, 29), QString("26.2.2024 – 3.3.2024"),
            QString("1.2.2024 – 29.2.2024"), QString("1.2.2024 – 31.8.2024"));
        row("31 August", QDate(2026, 8, 31), QString("31.8.2026 – 6.9.2026"), QString("1.8.2026 – 31.8.2026"),
            QString("1.2.2026 – 31.8.2026"));
        row("1 September", QDate(2026, 9, 1), QString("31.8.2026 – 6.9.2026"),
            QString("1.9.2026 – 30.9.2026"), QString("1.9.2026 – 31.1.2027"));
        row("New Year's Eve", QDate(2025, 12, 31), QString("29.12.2025 – 4.1.2026"),
            QString("1.12.2025 – 31.12.2025"), QString("1.9.2025 – 31.1.2026"));
    }
    void periodsAroundToday() {
        const auto [today, week, month, halfYear] =
            fetch<QDate, QString, QString, QString>("today", "week", "month", "halfYear");
        QTemporaryDir dir;
        IniSettingsStore store(dir.path());
        FakeDialogs dialogs;
        LocalTextFiles files;
        FixedClock clock{QDateTime(today, QTime(23, 59))};
        ClassOverviewModel model(store, files, answerStores, dialogs, clock, nullptr, dir.path());
        const auto text = [&](PeriodChoice choice) {
            model.setPeriod(choice);
            return model.periodText();
        };
        QCOMPARE(text(PeriodChoice::Week), "tento týden (" + week + ')');
        QCOMPARE(text(PeriodChoice::Month), "tento měsíc (" + month + ')');
        QCOMPARE(text(PeriodChoice::HalfYear), "toto pololetí (" + halfYear + ')');
        // A range of days starts as this half-year up to today.
        QCOMPARE(text(PeriodChoice::Range), halfYear.section(" – ", 0, 0) + " – " + czechDate(today));
    }

    // Every period counts the rows, the class's most-missed problems and the pupil's own overview
    // anew from the journals already read; the overview shows his row's figures under his name.
    void period_data() {
        columns<int, QString, QString, QString>({"downs", "exams", "missed", "period"});
        row("whole history", 0, QString("Štěpán 1, =Cyril 0, Šimon 1, Žofie 1, Tomáš 1, Sára 2, Zuzana 2"),
            QString("16 5"), QString("celá historie (2.9.2025 – 18.3.2026)"));
        row("this week", 1, QString("Štěpán 0, =Cyril 0, Šimon 0, Žofie 0, Tomáš 1, Sára 2, Zuzana 1"),
            QString("7 1"), QString("tento týden (16.3.2026 – 22.3.2026)"));
        row("this month", 2, QString("Štěpán 1, =Cyril 0, Šimon 0, Žofie 0, Tomáš 1, Sára 2, Zuzana 1"),
            QString("8 2"), QString("tento měsíc (1.3.2026 – 31.3.2026)"));
        row("this half-year", 3, QString("Štěpán 1, =Cyril 0, Šimon 1, Žofie 0, Tomáš 1, Sára 2, Zuzana 1"),
            QString("12 3"), QString("toto pololetí (1.2.2026 – 31.8.2026)"));
        row("the last half-year", 4,
            QString("Štěpán 0, =Cyril 0, Šimon 0, Žofie 1, Tomáš 0, Sára 0, Zuzana 1"), QString("4 2"),
            QString("1.9.2025 – 31.1.2026"));
    }
    void period() {
        const auto [downs, exams, missed, period] =
            fetch<int, QString, QString, QString>("downs", "exams", "missed", "period");
        Class c;
        QVERIFY(readFolder(*c.w, c.dir.path()));
        QVERIFY(QFile::remove(c.dir.filePath("Zuzana.txt"))); // the period does not read the files again
        for (int i = 0; i < downs; ++i)
            QTest::keyClick(c.w->periodBox(), Qt::Key_Down);
        QCOMPARE(c.w->fromEdit()->isVisible(), downs == 4);
        c.w->toEdit()->setDate(QDate(2026, 1, 31));
        c.w->fromEdit()->setDate(QDate(2025, 9, 1));
        QCOMPARE(c.rows(1), exams);
        QCOMPARE(c.w->classMissedTable()->item(0, 1)->text() + ' ' +
                     c.w->classMissedTable()->item(0, 2)->text(),
                 missed);
        QCOMPARE(c.w->model().periodText(), period);
        QStringList overview;
        QTimer::singleShot(0, [&] {
            QWidget& pupil = *QApplication::activeModalWidget();
            for (const char* name : {"lblZkouseni", "lblUspesnost", "lblZnamka"})
                overview << lbl(pupil, name)->text();
            overview << child<QLineEdit>(pupil, "dfJmeno")->text();
            btn(pupil, "pbClose")->click();
        });
        c.w->table()->setCurrentCell(c.rowOf("Sára Veselá"), 0);
        QTest::keyClick(c.w->table(), Qt::Key_Return);
        const int r = c.rowOf("Sára Veselá");
        QCOMPARE(overview, (QStringList{c.w->table()->item(r, 1)->text(), c.w->table()->item(r, 3)->text(),
                                        c.w->table()->item(r, 4)->text(), "Sára Veselá"}));
    }

    // A date typed over the field's selection is taken whole when the typing ends, or refused and
    // said beside the fields; "od" after "do" counts the days between them and says so.
    void typedDates_data() {
        columns<bool, QString, QString, QString>({"to", "typed", "period", "note"});
        row("whole day", true, QString("30.11.2026"), QString("1.11.2026 – 30.11.2026"), QString());
        row("single digits", false, QString("1.2.2026"), QString("1.2.2026 – 7.12.2026"), QString());
        row("spaced", false, QString(" 1. 2. 2026"), QString("1.2.2026 – 7.12.2026"), QString());
        row("31 February", true, QString("31.2.2026"), QString("1.11.2026 – 7.12.2026"),
            QString("„31.2.2026“ není datum"));
        row("letters", true, QString("abc"), QString("1.11.2026 – 7.12.2026"), QString("„abc“ není datum"));
        row("short year", true, QString("30.11.26"), QString("1.11.2026 – 7.12.2026"),
            QString("„30.11.26“ není datum"));
        row("from after to", false, QString("8.12.2026"), QString("7.12.2026 – 8.12.2026"),
            QString("„od“ je pozdější než „do“"));
    }
    void typedDates() {
        const auto [to, typed, period, note] =
            fetch<bool, QString, QString, QString>("to", "typed", "period", "note");
        Class c;
        c.w->periodBox()->setCurrentIndex(int(PeriodChoice::Range));
        c.w->fromEdit()->setDate(QDate(2026, 11, 1));
        c.w->toEdit()->setDate(QDate(2026, 12, 7));
        DateField* field = to ? c.w->toEdit() : c.w->fromEdit();
        const QString before = field->text();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, typed);
        // Nothing typed counts until the typing ends.
        QCOMPARE(c.w->model().periodText(), "1.11.2026 – 7.12.2026");
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(c.w->model().periodText(), period);
        QCOMPARE(lbl(*c.w, "lblObdobi")->text(), "Období: " + period);
        QLabel* shown = lbl(*c.w, "lblDatum");
        QCOMPARE(shown->isVisible(), !note.isEmpty());
        QVERIFY2(shown->accessibleName().contains(note), qPrintable(shown->accessibleName()));
        // A refused text leaves the field showing the day still counted.
        if (note.contains("není datum"))
            QCOMPARE(field->text(), before);
    }

    // A sheet a pupil in the table's order, then their keys; a store that cannot be read gives a sheet
    // drawn by the rules that says so.
    void worksheetsForTheClass() {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        Class c;
        QVERIFY(readFolder(*c.w, c.dir.path()));
        c.dialogs.chosenFiles = {c.dir.filePath("listy.pdf")};
        c.dialogs.answers = {Dialogs::Answer::No}; // not opened
        QTimer::singleShot(
            0, [] { QApplication::activeModalWidget()->findChild<QPushButton*>("pbOK")->click(); });
        QSignalSpy saved(c.w.get(), &ClassOverviewWindow::saveFinished);
        c.w->pbWorksheets()->click();
        QVERIFY(saved.wait(20000));
        QStringList pages = pdfText(c.dir.filePath("listy.pdf"), {"-raw"}).split('\f'), heads, expected;
        pages.removeLast();
        for (const QString& page : pages)
            heads << page.section('\n', 0, 0);
        for (const QString key : {"", "Řešení – "})
            for (int r = 0; r < c.w->table()->rowCount(); ++r)
                expected << key + c.w->table()->item(r, 0)->text() + " – 18.3.2026";
        QCOMPARE(heads, expected);
        QVERIFY(pages[c.rowOf("Šimon Král")].contains("nepodařilo přečíst"));
    }

    // Both documents of a month, byte for byte: the table in its order, every examination with its
    // mode, and a name that would run as a formula kept a text.
    void csvFiles() {
        Class c;
        QVERIFY(readFolder(*c.w, c.dir.path()));
        c.w->periodBox()->setCurrentIndex(2);
        const auto save = [&](QAction* action) {
            c.dialogs.chosenFiles = {c.dir.filePath("out.csv")};
            c.dialogs.answers = {Dialogs::Answer::Yes}; // over the one before
            QSignalSpy saved(c.w.get(), &ClassOverviewWindow::saveFinished);
            action->trigger();
            return saved.wait(20000) ? fileBytes(c.dir.filePath("out.csv")) : QByteArray();
        };
        QCOMPARE(save(c.w->csvTableAction()),
                 "\xEF\xBB\xBF" +
                     QString("Žák;Zkoušení;Příkladů;Úspěšnost (%);Známka;Vývoj (p. b.);Poslední zkoušení;"
                             "Zná násobilku (ze 100);Nejčastější chyby\r\n"
                             "Štěpán Adámek;1;20;95;1;;2.3.2026;—;7 + 8 = 15\r\n"
                             "'=Cyril Dlouhý;0;0;;;;;—;\r\n"
                             "Šimon Král;0;0;;;;;—;\r\n"
                             "Žofie Malá;0;0;;;;;—;\r\n"
                             "Tomáš Šťastný;1;20;100;1;;18.3.2026;1;\r\n"
                             "Sára Veselá;2;17;58;3;;17.3.2026;0;7 + 8 = 15\r\n"
                             "Zuzana;1;10;100;1;;17.3.2026;málo odpovědí;\r\n")
                         .toUtf8());
        // Each cell of the column says in words what it shows; the stores not read are listed.
        QStringList said;
        for (const char* name : {"Šimon Král", "Žofie Malá", "Štěpán Adámek", "Zuzana", "Tomáš Šťastný"}) {
            const QTableWidgetItem* cell = c.w->table()->item(c.rowOf(name), 7);
            said << cell->data(Qt::AccessibleTextRole).toString().section(':', 0, 0);
        }
        for (int i = 0; i < c.w->unreadList()->count(); ++i)
            said << c.w->unreadList()->item(i)->text().section(':', 0, 0);
        QCOMPARE(said.join(", "),
                 "paměť odpovědí nelze přečíst, paměť odpovědí nelze přečíst, žádné odpovědi, "
                 "málo odpovědí, umí 1 ze 100 příkladů násobilky, simon-kral.sqlite, "
                 "mala.odpovedi.sqlite");
        QCOMPARE(c.w->model().rows()[c.rowOf("Zuzana")].answers->store,
                 c.dir.filePath("Zuzana.odpovedi.sqlite"));
        QCOMPARE(save(c.w->csvExamsAction()),
                 "\xEF\xBB\xBF" +
                     QString("Žák;Datum;Čas;Režim;Přerušeno;Příkladů;Špatně;Známka;Úspěšnost (%)\r\n"
                             "Štěpán Adámek;2.3.2026;17:00:00;sada;ne;20;1;1;95\r\n"
                             "Tomáš Šťastný;18.3.2026;17:00:00;sada;ne;20;0;1;100\r\n"
                             "Tomáš Šťastný;18.3.2026;17:00:00;oprava chyb;ne;3;0;1;100\r\n"
                             "Sára Veselá;16.3.2026;17:00:00;volné počítání;ne;10;5;3;50\r\n"
                             "Sára Veselá;17.3.2026;17:00:00;volné počítání;ano;7;2;;71\r\n"
                             "Zuzana;17.3.2026;17:00:00;—;ne;10;0;1;100\r\n")
                         .toUtf8());
    }

    // Closing while the folder is listed, a journal read or the class saved returns at once; the
    // reading ends on its own later and nothing of it reaches the window that is gone; the save stops
    // with nothing written.
    void closingNeverWaits_data() {
        columns<int>({"stage"});
        row("listing the folder", 0);
        row("reading a journal", 1);
        row("saving the examinations", 2);
    }
    void closingNeverWaits() {
        const auto [stage] = fetch<int>("stage");
        QTemporaryDir dir;
        write(dir.filePath("a.txt"), block(1, 20, 1));
        IniSettingsStore store(dir.path());
        FakeDialogs dialogs;
        FixedClock clock;
        HeldFiles files;
        files.holdListing = stage == 0;
        QSemaphore saving; // holds the saving thread, so the save is still to run when the window goes
        if (stage == 2) {
            files.released.release(10);
            savingPool().start([&] { saving.acquire(); });
        }
        {
            // The held threads go on once the window has gone, also after a failure.
            const auto letGo = qScopeGuard([&] {
                files.released.release(10);
                saving.release();
            });
            ClassOverviewWindow w(store, dialogs, files, answerStores, clock, nullptr, nullptr, nullptr);
            w.show();
            QSignalSpy loaded(&w, &ClassOverviewWindow::loaded);
            w.readFolder(dir.path());
            if (stage == 2) {
                QVERIFY(loaded.wait(20000));
                dialogs.chosenFiles = {dir.filePath("t.csv")};
                w.csvExamsAction()->trigger();
                QVERIFY(w.saving() && !w.pbPdf()->isEnabled() && !w.csvTableAction()->isEnabled());
            }
            QTRY_VERIFY_WITH_TIMEOUT(files.entered.available() > 0, 20000);
            btn(w, "pbClose")->click();
            QVERIFY(!w.isVisible() && !w.saving());
            QCoreApplication::processEvents();
            QCOMPARE(loaded.count(), stage == 2 ? 1 : 0);
        }
        journalReadingPool().waitForDone();
        savingPool().waitForDone();
        QCoreApplication::sendPostedEvents();
        QVERIFY(!QFile::exists(dir.filePath("t.csv")));
    }

    // As a teacher goes: Protokol, Přehled třídy, a folder of journals; a pupil's own overview gives
    // him his full name and saves his CSV; the class goes out as CSV and PDF; the next opening starts
    // in the same folder.
    void teacherThroughTheMenu() {
        WindowFixture f;
        const QString folder = f.dir.filePath("3.B"), out = f.dir.filePath("out/");
        QVERIFY(QDir().mkpath(folder) && QDir().mkpath(out));
        QString adam; // ten examinations at 80 %, then ten at 95 %
        for (int day = 1; day <= 20; ++day)
            adam += block(day, 20, day <= 10 ? 4 : 1);
        write(folder + "/Adam.txt", adam);
        write(folder + "/Bára.txt",
              block(1, 10, 1).replace("7+8=15", "6*7=42") + block(2, 10, 0) + block(3, 10, 0));
        write(folder + "/Cyril.txt", QString(64, u'_') + "\r\nNumio - 1.3.2024 8:00:00\r\n");
        write(folder + "/seznam.txt", "mléko\r\n");
        f.dialogs.chosenFiles = {folder, out + "adam", out + "tabulka", out + "trida"};
        f.dialogs.answers = {Dialogs::Answer::No}; // the PDF is not opened
        QStringList shown;
        QTimer::singleShot(0, [&] {
            QWidget& d = *QApplication::activeModalWidget();
            auto* table = child<QTableWidget>(d, "twTrida");
            QTRY_VERIFY_WITH_TIMEOUT(lbl(d, "lblStav")->text().startsWith("Žáků: 3,"), 20000);
            for (int i = 0; i < 2; ++i) // by the examinations: 20 after 3
                QTest::keyClick(child<QComboBox>(d, "cbRadit"), Qt::Key_Down);
            table->setCurrentCell(2, 0);
            QTimer::singleShot(0, [&] {
                QWidget& pupil = *QApplication::activeModalWidget();
                QLineEdit* name = child<QLineEdit>(pupil, "dfJmeno");
                shown << name->text();
                name->selectAll();
                QTest::keyClicks(name, "Adam Novak");
                btn(pupil, "pbCsv")->click();
                btn(pupil, "pbClose")->click();
            });
            QTest::keyClick(table, Qt::Key_Return);
            for (int r = 0; r < table->rowCount(); ++r)
                shown << table->item(r, 0)->text() + ' ' + table->item(r, 1)->text() + ' ' +
                             table->item(r, 5)->text();
            auto* missed = child<QTableWidget>(d, "twChybyTridy");
            shown << missed->item(0, 0)->text() + ' ' + missed->item(0, 1)->text() + ' ' +
                         missed->item(0, 2)->text();
            QSignalSpy saved(&d, SIGNAL(saveFinished())); // the plug-in's window, not this build's
            act(d, "actCsvTabulka")->trigger();
            QTRY_COMPARE_WITH_TIMEOUT(saved.count(), 1, 20000);
            btn(d, "pbPdf")->click();
            QTRY_COMPARE_WITH_TIMEOUT(saved.count(), 2, 20000);
            btn(d, "pbClose")->click();
        });
        act(f.start(), "mnuPrehledTridy")->trigger();
        QCOMPARE(shown, (QStringList{"Adam", "Cyril 0 —", "Bára 3 —", "Adam Novak 20 +15,0 p. b.",
                                     "7 + 8 = 15 50 1"}));
        const auto lines = [&](const QString& file) {
            return QString::fromUtf8(fileBytes(out + file)).split("\r\n");
        };
        QCOMPARE(lines("adam.csv").size(), 22);
        QCOMPARE(lines("adam.csv").value(20), "Adam Novak;20.3.2024;17:00:00;—;ne;20;1;1;95");
        QCOMPARE(lines("tabulka.csv").mid(1),
                 (QStringList{"Cyril;0;0;;;;;—;", "Bára;3;30;96;1;;3.3.2024;—;6 · 7 = 42",
                              "Adam Novak;20;400;87;2;15,0;20.3.2024;—;7 + 8 = 15", ""}));
        act(*f.w, "mnuPrehledTridy")->trigger(); // and cancelled
        QCOMPARE(f.dialogs.chooserCalls.back().value(2), folder);

        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        const QString body = pdfText(out + "trida.pdf").simplified();
        for (const char* s :
             {"Přehled třídy", "3.B", "Adam Novak", "Bára", "+15,0 p. b.",
              "celá historie (1.3.2024 – 20.3.2024)", "Srovnání bude k dispozici od 11. zkoušení",
              "žádné odpovědi: k protokolu není paměť odpovědí"})
            QVERIFY2(body.contains(QString::fromUtf8(s)), s);
    }
};

QTEST_MAIN(TestClassOverview)
#include "test_class_overview.moc"
