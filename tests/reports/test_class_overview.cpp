#include "platform/failure.h"
#include "platform/settings_store.h"
#include "reports/class_overview_pdf.h"
#include "reports/class_overview_window.h"
#include "reports/csv_export.h"
#include "support/data.h"
#include "support/fakes.h"
#include "support/window_fixture.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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
        row("empty journal", QString(), 0, QString("prázdný soubor"));
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

    // Every file of a class folder is a row or in the unreadable list: journals in UTF-16 with the byte
    // order mark, with a NUL in a line, with a zeroed end, hidden ones (a pupil named "." too) and one
    // whose name is no UTF-8; only what holds nothing of a journal is refused.
    void everyFileIsAccountedFor() {
        QTemporaryDir dir;
        const QString two = block(1, 20, 2) + block(3, 10, 0);
        // As Notepad's "Unicode" and "Unicode big endian" save it: the byte order mark first.
        const auto utf16 = [&](QStringConverter::Encoding order) {
            QStringEncoder encode(order, QStringConverter::Flag::WriteBom);
            return QByteArray(encode(two));
        };
        const QByteArray folder = QFile::encodeName(dir.path()) + '/';
        writeBytes(folder + "Adam.txt", utf16(QStringConverter::Utf16LE));
        writeBytes(folder + "Bára.txt", utf16(QStringConverter::Utf16BE));
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
        // The NUL left its line unread: twelve of the thirteen misses of 7 + 8 count.
        QCOMPARE(w.classMissedTable()->item(0, 1)->text() + ' ' + w.classMissedTable()->item(0, 2)->text(),
                 "12 7");
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

    // A save on a full disk is told as a full disk, for CSV and PDF alike, one into a folder that is
    // not there as such, and the status line no longer tells of the save before it; nothing is left.
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
        for (const QString file : {"plný.pdf", "plný.csv", "chybí/t.pdf", "chybí/t.csv"}) {
            const QString target = QDir::toNativeSeparators(dir.filePath(file));
            const QString why = file.startsWith("plný") ? "Disk je plný" : "Cesta nenalezena";
            QCOMPARE(save(file.endsWith(".pdf") ? w.pbPdf() : w.pbCsv(), file),
                     "Chyba č. " + QString(why == "Disk je plný" ? "61" : "76") + " - " + why +
                         "\nPřehled se nepodařilo uložit do souboru " + target + ".");
            QCOMPARE(w.lblStav()->text(),
                     "Přehled se nepodařilo uložit do souboru " + target + ": " + why + ".");
        }
        QVERIFY(QFileInfo(dir.filePath("plný.csv")).isSymLink() && !QFile::exists(dir.filePath("chybí")));
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
        f.dialogs.chosenFiles = {folder, out + "adam", out + "trida", out + "trida"};
        f.dialogs.answers = {Dialogs::Answer::No}; // the PDF is not opened
        QStringList shown;
        QTimer::singleShot(0, [&] {
            QWidget& d = *QApplication::activeModalWidget();
            auto* table = child<QTableWidget>(d, "twTrida");
            QTRY_VERIFY_WITH_TIMEOUT(lbl(d, "lblStav")->text().startsWith("Žáků: 3,"), 20000);
            table->sortItems(1, Qt::AscendingOrder); // by the examinations: "20" after "3"
            table->setCurrentCell(2, 0);
            QTimer::singleShot(0, [] {
                QWidget& pupil = *QApplication::activeModalWidget();
                QTest::keyClicks(child<QLineEdit>(pupil, "dfJmeno"), "Adam Novak");
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
            btn(d, "pbCsv")->click();
            btn(d, "pbPdf")->click();
            btn(d, "pbClose")->click();
        });
        act(f.start(), "mnuPrehledTridy")->trigger();
        QCOMPARE(shown,
                 (QStringList{"Cyril 0 —", "Bára 3 —", "Adam Novak 20 +15,0 p. b.", "7 + 8 = 15 50 1"}));
        const auto lines = [&](const QString& file) {
            QFile csv(out + file);
            return csv.open(QIODevice::ReadOnly) ? QString::fromUtf8(csv.readAll()).split("\r\n")
                                                 : QStringList();
        };
        QCOMPARE(lines("adam.csv").size(), 22);
        QCOMPARE(lines("adam.csv").value(20), "Adam Novak;20.3.2024;17:00:00;20;1;1;95");
        const QStringList csv = lines("trida.csv");
        QVERIFY(csv.size() == 25 && csv[1] == "Bára;1.3.2024;17:00:00;10;1;1;90");
        QCOMPARE(csv[4], "Adam Novak;1.3.2024;17:00:00;20;4;2;80");
        act(*f.w, "mnuPrehledTridy")->trigger(); // and cancelled
        QCOMPARE(f.dialogs.chooserCalls.back().value(2), folder);

        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        QProcess text;
        text.start("pdftotext", {out + "trida.pdf", "-"});
        QVERIFY(text.waitForFinished());
        const QString body = QString::fromUtf8(text.readAllStandardOutput()).simplified();
        for (const char* s :
             {"Přehled třídy", "3.B", "Adam Novak", "Bára", "+15,0 p. b.", "1.3.2024 – 20.3.2024"})
            QVERIFY2(body.contains(QString::fromUtf8(s)), s);
    }
};

QTEST_MAIN(TestClassOverview)
#include "test_class_overview.moc"
