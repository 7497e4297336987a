#include "platform/failure.h"
#include "platform/settings_store.h"
#include "reports/class_overview_pdf.h"
#include "reports/class_overview_window.h"
#include "reports/csv_export.h"
#include "support/data.h"
#include "support/fakes.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace numio;
using namespace numio::test;

// One examination as the writer records it, 7+8 missed in each.
static QString block(int day, int problems, int wrong) {
    QString t = QString(64, u'_') + "\r\nNumio - %1.3.2024 17:00:00\r\n" + QString(35, u'-') + "\r\n";
    t += QString("7+8=15   <14>\r\n").repeated(wrong);
    return t.arg(day) +
           QString("\r\nPříkladů celkem : %1\r\nŠpatně : %2\r\nZnámka : 1\r\nÚspěšnost : 90%\r\n")
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

static void writeBytes(const QByteArray& nativePath, const QByteArray& bytes) {
    QFile f;
    QVERIFY(f.open(::fopen(nativePath.constData(), "wb"), QIODevice::WriteOnly, QFile::AutoCloseHandle));
    QCOMPARE(f.write(bytes), bytes.size());
}

// A pupil appends an examination while the reader is in the middle of the file.
struct GrowingFiles : LocalTextFiles {
    int reads = 0;
    QString readEntry(const FileEntry& entry) override {
        const QString text = LocalTextFiles::readEntry(entry);
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

static QStringList rows(const ClassOverviewWindow& w) {
    QStringList out;
    for (int r = 0; r < w.table()->rowCount(); ++r)
        out << w.table()->item(r, 0)->text() + ": " + w.table()->item(r, 1)->text();
    return out;
}

static QStringList unread(const ClassOverviewWindow& w) {
    QStringList out;
    for (int i = 0; i < w.unreadList()->count(); ++i)
        out << w.unreadList()->item(i)->text();
    return out;
}

class TestClassOverview : public QObject {
    Q_OBJECT
  private slots:
    void file_data() {
        columns<QString, int, QString>({"content", "exams", "problem"});
        row("two examinations", block(1, 20, 2) + block(3, 10, 0), 2, QString());
        row("empty journal", QString(), 0, QString());
        row("only an unfinished block", QString(64, u'_') + "\r\nNumio - 1.3.2024 8:00:00\r\n", 0, QString());
        row("not a journal", QString("Nákup:\r\nmléko\r\n"), 0, QString("Není to protokol zkoušení."));
        row("binary", QString::fromLatin1("PNG\0\x01", 5), 0, QString("Binární soubor, ne protokol."));
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
        QCOMPARE(p.problem, problem);
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

    void csvBytes() {
        Journal j;
        j.exams = {{QDateTime(QDate(2024, 3, 5), QTime(8, 4, 9)), 20, 3, 2, 85}, {{}, 6, 0, 1, 100}};
        QCOMPARE(examinationsCsv({{"Nový; \"Pepa\"", &j}, {"Eva", nullptr}}),
                 QByteArray("\xEF\xBB\xBF"
                            "Žák;Datum;Čas;Příkladů;Špatně;Známka;Úspěšnost\r\n"
                            "\"Nový; \"\"Pepa\"\"\";5.3.2024;8:04:09;20;3;2;85\r\n"
                            "\"Nový; \"\"Pepa\"\"\";;;6;0;1;100\r\n"));
    }

    // Whole or nothing: a folder that is not there leaves no file and says why; a full disk is told
    // as a full disk.
    void writers() {
        QTemporaryDir dir;
        const ClassReport report{"t", {}, {"Žák"}, {{"Eva"}}, {}, {{"Eva", {}}}, nullptr};
        const auto failure = [&](const QString& path) {
            try {
                writeClassPdf(report, path);
                return 0;
            } catch (const Failure& f) {
                return f.code();
            }
        };
        QCOMPARE(failure(dir.filePath("no/t.pdf")), int(kPathNotFound));
        QCOMPARE(failure("/dev/full"), int(kDiskFull));
        QCOMPARE(failure(dir.filePath("t.pdf")), 0);
        QFile pdf(dir.filePath("t.pdf"));
        QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-");
    }

    // Every file of a class folder is a row or in the unreadable list: journals in UTF-16 with the byte
    // order mark, with a NUL in a line, with a zeroed end, hidden ones (a pupil named "." too) and one
    // whose name is no UTF-8; only what holds nothing of a journal is refused.
    void everyFileIsAccountedFor() {
        QTemporaryDir dir;
        const QString two = block(1, 20, 2) + block(3, 10, 0);
        // As Notepad's "Unicode" and "Unicode big endian" save it: the byte order mark first.
        const auto utf16 = [&](bool little) {
            QByteArray bytes;
            for (const QChar c : QChar(0xFEFF) + two) {
                const char high = char(c.unicode() >> 8), low = char(c.unicode() & 0xFF);
                bytes.append(little ? low : high).append(little ? high : low);
            }
            return bytes;
        };
        const QByteArray folder = QFile::encodeName(dir.path()) + '/';
        writeBytes(folder + "Adam.txt", utf16(true));
        writeBytes(folder + "Bára.txt", utf16(false));
        QByteArray nul = windows1250(two);
        nul.insert(nul.indexOf("=15"), '\0'); // the first of two missed problems
        writeBytes(folder + "Cyril.txt", nul);
        writeBytes(folder + "Dana.txt", windows1250(two) + QByteArray(4096, '\0'));
        writeBytes(folder + ".Eva.txt", windows1250(two));
        writeBytes(folder + "..txt", windows1250(block(2, 10, 1)));
        const QByteArray foreign = folder + "\xC8"
                                            "en\xECk.txt"; // "Čeněk.txt" in Windows-1250
        const auto removeForeign = qScopeGuard([&] { ::unlink(foreign.constData()); });
        writeBytes(foreign, windows1250(two));
        writeBytes(folder + "obrázek.txt", QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
        IniSettingsStore store(dir.path());
        FakeDialogs dialogs;
        LocalTextFiles files;
        ClassOverviewWindow w(store, dialogs, files, nullptr, nullptr, nullptr);
        QVERIFY(readFolder(w, dir.path()));
        QStringList shown = rows(w);
        shown.sort();
        QCOMPARE(shown,
                 (QStringList{".: 1", ".Eva: 2", "Adam: 2", "Bára: 2", "Cyril: 2", "Dana: 2", "Čeněk: 2"}));
        QCOMPARE(unread(w), QStringList{"obrázek.txt: Binární soubor, ne protokol."});
        QCOMPARE(w.lblStav()->text(), QString("Žáků: 7, souborů, které nelze přečíst: 1."));
        // The NUL left its line unread; the zeroed end is no line at all.
        const auto pupil = [&](const QString& name) {
            for (const PupilJournal& p : w.pupils())
                if (p.name == name)
                    return p.journal;
            return Journal();
        };
        QCOMPARE(pupil("Cyril").unreadableLines, 1);
        QCOMPARE(pupil("Cyril").missed.value(0).count, 1);
        for (const char* name : {"Adam", "Bára", "Dana", "Čeněk"}) {
            QCOMPARE(pupil(name).unreadableLines, 0);
            QCOMPARE(pupil(name).missed.value(0).count, 2);
        }
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
        ClassOverviewWindow w(store, dialogs, files, nullptr, nullptr, nullptr);
        QVERIFY(readFolder(w, dir.filePath(folder)));
        QCOMPARE(w.lblStav()->text(), status);
        QCOMPARE(w.table()->rowCount(), 0);
    }

    // A save on a full disk is told as a full disk, for CSV and PDF alike, and the status line no
    // longer tells of the save before it.
    void fullDiskIsToldAndNoSuccessStays() {
        QTemporaryDir dir;
        write(dir.filePath("Eva.txt"), block(1, 20, 1));
        QVERIFY(QFile::link("/dev/full", dir.filePath("plný.csv")));
        QVERIFY(QFile::link("/dev/full", dir.filePath("plný.pdf")));
        IniSettingsStore store(dir.path());
        FakeDialogs dialogs;
        LocalTextFiles files;
        ClassOverviewWindow w(store, dialogs, files, nullptr, nullptr, nullptr);
        QVERIFY(readFolder(w, dir.path()));
        const auto save = [&](QPushButton* button, const QString& file) {
            dialogs.shown.clear();
            dialogs.chosenFiles = {dir.filePath(file)};
            dialogs.answers = {Dialogs::Answer::Yes, Dialogs::Answer::Ok}; // overwrite it; the failure
            button->click();
            return dialogs.texts().filter("Chyba č. ").join('|');
        };
        const QString shown = QDir::toNativeSeparators(dir.filePath("t.csv"));
        QCOMPARE(save(w.pbCsv(), "t.csv"), QString());
        QCOMPARE(w.lblStav()->text(), "Uloženo do souboru " + shown + ".");
        for (const QString file : {"plný.pdf", "plný.csv"}) {
            const QString target = QDir::toNativeSeparators(dir.filePath(file));
            QCOMPARE(save(file.endsWith(".pdf") ? w.pbPdf() : w.pbCsv(), file),
                     "Chyba č. 61 - Disk je plný\nPřehled se nepodařilo uložit do souboru " + target + ".");
            QCOMPARE(w.lblStav()->text(),
                     "Přehled se nepodařilo uložit do souboru " + target + ": Disk je plný.");
        }
        QVERIFY(QFileInfo(dir.filePath("plný.csv")).isSymLink());
    }

    void windowListsPupilsAndSortsAsNumbers() {
        QTemporaryDir dir;
        QString many;
        for (int day = 1; day <= 12; ++day)
            many += block(day, 20, day % 2);
        write(dir.filePath("Adam.txt"), many);
        write(dir.filePath("Bára.txt"), block(1, 10, 1) + block(2, 10, 0) + block(3, 10, 0));
        write(dir.filePath("Cyril.txt"), QString());
        write(dir.filePath("seznam.txt"), "mléko\r\n");
        QVERIFY(QDir(dir.path()).mkdir("x.txt"));
        IniSettingsStore store(dir.path());
        FakeDialogs dialogs;
        LocalTextFiles files;
        ClassOverviewWindow w(store, dialogs, files, nullptr, nullptr, nullptr);
        QVERIFY(readFolder(w, dir.path()));
        QCOMPARE(w.table()->rowCount(), 3);
        QCOMPARE(w.unreadList()->count(), 2);
        w.table()->sortItems(1, Qt::AscendingOrder); // "12" sorts after "3"
        QCOMPARE(w.table()->item(0, 0)->text() + w.table()->item(2, 0)->text(), QString("CyrilAdam"));
        QCOMPARE(w.classMissedTable()->item(0, 0)->text() + w.classMissedTable()->item(0, 1)->text(),
                 QString("7 + 8 = 157"));
    }
};

QTEST_MAIN(TestClassOverview)
#include "test_class_overview.moc"
