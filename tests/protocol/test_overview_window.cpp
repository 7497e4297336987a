#include "platform/settings_store.h"
#include "protocol/overview_window.h"
#include "support/fakes.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace numio;

// Twelve examinations in March, two wrong in each of the first two; 2*2 missed most.
static Journal twelveDays() {
    Journal j;
    for (int day = 1; day <= 12; ++day)
        j.exams.push_back(
            {QDateTime(QDate(2024, 3, day), QTime(17, 0)), 20, day > 2 ? 0 : 2, 1, day > 2 ? 100 : 90});
    j.missed = {{"8*7", "8,7,56,3", 3, QDateTime(QDate(2024, 3, 5), QTime(17, 0))},
                {"6:2", "6,2,3,4", 1, {}}};
    j.totalProblems = 240, j.totalWrong = 4;
    return j;
}

// An overview over a real settings file and a protocol path in a temporary folder.
struct Overview {
    QTemporaryDir dir;
    IniSettingsStore store{dir.path()};
    test::FakeDialogs dialogs;
    std::unique_ptr<OverviewWindow> w;
    OverviewWindow& open(const QString& protocol = "protokol.txt", const Journal& j = twelveDays(),
                         bool canPractise = true) {
        w = std::make_unique<OverviewWindow>(j, dir.filePath(protocol), store, dialogs, canPractise, nullptr);
        return *w;
    }
};

class TestOverviewWindow : public QObject {
    Q_OBJECT

    QList<QUrl> opened;
  public slots:
    void openUrl(const QUrl& url) { opened << url; }

  private slots:
    void initTestCase() { QDesktopServices::setUrlHandler("file", this, "openUrl"); }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler("file"); }

    // Each row names a label; twChyby stands for the first of the missed problems.
    void showsTotals_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("lblZkouseni") << "12";
        QTest::newRow("lblUspesnost") << "98 %";
        QTest::newRow("lblPredchozi") << "úspěšnost 90,0 %, známka 1,0 (jen 2 zkoušení)";
        QTest::newRow("lblZmena") << "zlepšení o 10,0 procentního bodu";
        QTest::newRow("twChyby") << "8 · 7 = 56";
    }
    void showsTotals() {
        QFETCH(QString, text);
        Overview o;
        OverviewWindow& w = o.open();
        const QString name = QTest::currentDataTag();
        const QTableWidget* t = w.missedTable();
        QCOMPARE(name == u"twChyby" ? t->item(0, 0)->text() : w.findChild<QLabel*>(name)->text(), text);
        QCOMPARE(t->item(1, 0)->text(), "6 : 2 = 3");
    }

    void practice_data() {
        QTest::addColumn<bool>("canPractise");
        QTest::addColumn<int>("missed");
        QTest::newRow("offered") << true << 160; // more than the repeat list holds
        QTest::newRow("examination running") << false << 160;
        QTest::newRow("nothing missed") << true << 0;
    }
    void practice() {
        QFETCH(bool, canPractise);
        QFETCH(int, missed);
        Journal j;
        for (int a = 1; a <= missed; ++a)
            j.missed.push_back({"", QStringLiteral("%1,1,%2,1").arg(a).arg(a + 1), 200 - a, {}});
        Overview o;
        OverviewWindow& w = o.open("protokol.txt", j, canPractise);
        QStringList entries;
        connect(&w, &OverviewWindow::practiseRequested, [&](const QStringList& e) { entries += e; });
        w.show();
        QTest::mouseClick(w.pbPractise(), Qt::LeftButton);
        const bool enabled = canPractise && missed > 0;
        QCOMPARE(w.pbPractise()->isEnabled(), enabled);
        QCOMPARE(entries.size(), enabled ? 150 : 0);
        QCOMPARE(entries.value(0) + ' ' + entries.value(149), enabled ? "1,1,2,1 150,1,151,1" : " ");
    }

    // Tab from the name visits the summary, the table once and every button, then wraps.
    void tabCycle() {
        Overview o;
        OverviewWindow& w = o.open();
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.dfJmeno()->setFocus();
        QList<QWidget*> visited{w.dfJmeno()};
        for (int i = 0; i < 10 && (visited.size() == 1 || visited.last() != w.dfJmeno()); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget();
        }
        const QList<QWidget*> expected{w.dfJmeno(), w.summary(), w.missedTable(), w.pbPractise(),
                                       w.pbPdf(),   w.pbClose(), w.dfJmeno()};
        QCOMPARE(visited, expected);
        w.missedTable()->setFocus();
        QTest::keyClick(w.missedTable(), Qt::Key_Down); // arrows stay inside
        QCOMPARE(QApplication::focusWidget(), w.missedTable());
        QCOMPARE(w.missedTable()->currentRow(), 1);
        QTest::keyClick(w.missedTable(), Qt::Key_Escape);
        QVERIFY(!w.isVisible());
    }

    // The name belongs to the protocol file it was typed for, whatever its path holds.
    void remembersPupilPerProtocol() {
        Overview o;
        const QString odd = "sub/a\\b;c=d.txt";
        o.open(odd).dfJmeno()->setText("Jana Nováková");
        o.w->reject();
        QCOMPARE(o.open("protokol.txt").dfJmeno()->text(), QString());
        QCOMPARE(o.open(odd).dfJmeno()->text(), "Jana Nováková");
    }

    // The chooser proposes a dated name in a folder that exists; a name without suffix gets one;
    // the document names the pupil, the protocol and the period, and may be opened at once.
    void savesPdf() {
        Overview o;
        OverviewWindow& w = o.open();
        w.dfJmeno()->setText("Petr Dvořák");
        o.dialogs.chosenFiles.push_back(o.dir.filePath("prehled"));
        opened.clear();
        QTest::mouseClick(w.pbPdf(), Qt::LeftButton);
        const QFileInfo proposed(o.dialogs.chooserCalls.at(0).at(2));
        QCOMPARE(proposed.fileName(),
                 "prehled-vysledku-" + QDate::currentDate().toString("d.M.yyyy") + ".pdf");
        QVERIFY(proposed.dir().exists());
        const QString pdf = o.dir.filePath("prehled.pdf");
        QVERIFY(QFile::exists(pdf));
        QVERIFY(w.lblStav()->text().contains(pdf));
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(pdf)});
        QCOMPARE(o.open().dfJmeno()->text(), "Petr Dvořák"); // kept by the save alone

        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        QProcess text, info;
        text.start("pdftotext", {pdf, "-"});
        info.start("pdfinfo", {pdf});
        QVERIFY(text.waitForFinished() && info.waitForFinished());
        const QString body = QString::fromUtf8(text.readAllStandardOutput()).simplified();
        const QString title =
            QString::fromUtf8(info.readAllStandardOutput()).section("Title:", 1).section('\n', 0, 0);
        for (const char* s : {"Petr Dvořák", "protokol.txt", "1.3.2024 – 12.3.2024"}) {
            QVERIFY2(body.contains(QString::fromUtf8(s)), s);
            QVERIFY2(title.contains(QString::fromUtf8(s)), qPrintable(title));
        }
        QVERIFY(body.contains("8 · 7 = 56"));
    }

    // A folder that cannot hold the file: reported with the file's name, nothing left behind.
    void failedSaveLeavesNothing() {
        Overview o;
        QFile blocker(o.dir.filePath("file-not-dir"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        o.dialogs.chosenFiles.push_back(o.dir.filePath("file-not-dir/out.pdf"));
        OverviewWindow& w = o.open();
        QTest::mouseClick(w.pbPdf(), Qt::LeftButton);
        QCOMPARE(o.dialogs.texts(),
                 QStringList{"Chyba č. 76 - Cesta nenalezena\nPřehled se nepodařilo uložit do "
                             "souboru " +
                             o.dir.filePath("file-not-dir/out.pdf") + "."});
        QCOMPARE(QDir(o.dir.path()).entryList(QDir::Files), QStringList{"file-not-dir"});
    }
};

QTEST_MAIN(TestOverviewWindow)
#include "test_overview_window.moc"
