#include "platform/failure.h"
#include "platform/settings_store.h"
#include "protocol/class_overview_pdf.h"
#include "protocol/class_overview_window.h"
#include "protocol/csv_export.h"
#include "support/data.h"
#include "support/fakes.h"

#include <QFile>
#include <QListWidget>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

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

// A pupil appends an examination while the reader is in the middle of the file.
struct GrowingFiles : LocalTextFiles {
    int reads = 0;
    QString readAll(const QString& path) override {
        const QString text = LocalTextFiles::readAll(path);
        if (++reads == 1)
            write(path, block(2, 20, 0), QIODevice::Append);
        return text;
    }
};

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
        QCOMPARE(journalPaths(dir.path()), QStringList{path});
        LocalTextFiles files;
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

    // Whole or nothing: a folder that is not there leaves no file and says why.
    void writers() {
        QTemporaryDir dir;
        const ClassReport report{"t", {}, {"Žák"}, {{"Eva"}}, {}, {{"Eva", {}}}, nullptr};
        QCOMPARE(writeClassPdf(report, dir.filePath("no/t.pdf")), int(kPathNotFound));
        QCOMPARE(writeCsvFile("x", dir.filePath("no/t.csv")), int(kPathNotFound));
        QCOMPARE(writeClassPdf(report, dir.filePath("t.pdf")) + writeCsvFile("x", dir.filePath("t.csv")), 0);
        QFile pdf(dir.filePath("t.pdf"));
        QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-");
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
        QSignalSpy loaded(&w, &ClassOverviewWindow::loaded);
        w.readFolder(dir.path());
        QVERIFY(loaded.wait(20000));
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
