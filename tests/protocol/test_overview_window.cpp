#include "platform/settings_store.h"
#include "protocol/overview_window.h"
#include "support/data.h"
#include "support/fakes.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
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
using namespace numio::test;

// Twelve examinations in March, two wrong in each of the first two; 8*7 missed most.
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

// An overview over a real settings file, its protocol in a temporary folder.
struct Overview {
    QTemporaryDir dir;
    IniSettingsStore store{dir.path()};
    test::FakeDialogs dialogs;
    std::unique_ptr<OverviewWindow> w;
    OverviewWindow& open(const QString& protocol = "protokol.txt", const Journal& j = twelveDays(),
                         bool can = true) {
        std::optional<PracticeRules> rules;
        if (can) // everything up to the largest tables
            rules = PracticeRules{999, 10, {true, true, true, true}};
        w = std::make_unique<OverviewWindow>(j, dir.filePath(protocol), store, dialogs, rules, nullptr);
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

    // The previous figures, the change, and the missed problems as a school writes them.
    void showsTotals() {
        Overview o;
        OverviewWindow& w = o.open();
        const QTableWidget* t = w.missedTable();
        QCOMPARE(QStringList({w.findChild<QLabel*>("lblPredchozi")->text(),
                              w.findChild<QLabel*>("lblZmena")->text(), t->item(0, 0)->text(),
                              t->item(1, 0)->text()}),
                 QStringList({"úspěšnost 90,0 %, známka 1,0 (jen 2 zkoušení)",
                              "zlepšení o 10,0 procentního bodu", "8 · 7 = 56", "6 : 2 = 3"}));
    }

    void practice_data() {
        columns<bool, int>({"canPractise", "missed"});
        QTest::newRow("offered") << true << 160; // more than the repeat list holds
        QTest::newRow("examination running") << false << 160;
        QTest::newRow("nothing missed") << true << 0;
    }
    void practice() {
        const auto [canPractise, missed] = fetch<bool, int>("canPractise", "missed");
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
        QCOMPARE(entries.value(0) + ' ' + entries.value(149), enabled ? "1,1,2,1 150,1,151,1" : " ");
    }

    // Tab from the name visits the summary, the table once and every button, then wraps.
    void keyboard() {
        Overview o;
        OverviewWindow& w = o.open();
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.dfJmeno()->setFocus();
        QList<QWidget*> visited{w.dfJmeno()};
        for (int i = 0; i < 6; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget();
        }
        QCOMPARE(visited, (QList<QWidget*>{w.dfJmeno(), w.summary(), w.missedTable(), w.pbPractise(),
                                           w.pbPdf(), w.pbClose(), w.dfJmeno()}));
    }

    // The name belongs to the protocol file it was typed for, whatever characters its path holds.
    void remembersPupilPerProtocol() {
        Overview o;
        o.open("sub/a\\b;c=d.txt").dfJmeno()->setText("Jana Nováková");
        o.w->reject();
        QCOMPARE(o.open().dfJmeno()->text(), QString());
        QCOMPARE(o.open("sub/a\\b;c=d.txt").dfJmeno()->text(), "Jana Nováková");
    }

    // A folder that cannot hold the file is reported with the file's name and nothing is left behind.
    // Then a dated name is proposed in a folder that exists, a typed name gets its suffix, the document
    // names the pupil, the protocol and the period, and it may be opened at once.
    void savesPdf() {
        Overview o;
        QVERIFY(QFile(o.dir.filePath("file-not-dir")).open(QIODevice::WriteOnly));
        const QString bad = o.dir.filePath("file-not-dir/out.pdf");
        o.dialogs.chosenFiles = {bad, o.dir.filePath("prehled")};
        o.open().dfJmeno()->setText("Petr Dvořák");
        QTest::mouseClick(o.w->pbPdf(), Qt::LeftButton);
        QCOMPARE(o.dialogs.texts(),
                 {"Chyba č. 76 - Cesta nenalezena\nPřehled se nepodařilo uložit do souboru " + bad + "."});
        QCOMPARE(QDir(o.dir.path()).entryList(QDir::Files), QStringList{"file-not-dir"});
        QTest::mouseClick(o.w->pbPdf(), Qt::LeftButton);
        const QFileInfo proposed(o.dialogs.chooserCalls.at(0).at(2));
        QCOMPARE(proposed.fileName(),
                 "prehled-vysledku-" + QDate::currentDate().toString("d.M.yyyy") + ".pdf");
        QVERIFY(proposed.dir().exists());
        const QString pdf = o.dir.filePath("prehled.pdf");
        QVERIFY(o.w->lblStav()->text().contains(pdf));
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(pdf)});
        QCOMPARE(o.open().dfJmeno()->text(), "Petr Dvořák"); // kept by the save alone

        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext and pdfinfo (poppler-utils) are not installed");
        QProcess text, info;
        text.start("pdftotext", {pdf, "-"});
        info.start("pdfinfo", {pdf});
        QVERIFY(text.waitForFinished() && info.waitForFinished());
        const QString body = QString::fromUtf8(text.readAllStandardOutput()).simplified();
        const QString title = QString::fromUtf8(info.readAllStandardOutput()).section('\n', 0, 0);
        for (const char* s : {"Petr Dvořák", "protokol.txt", "1.3.2024 – 12.3.2024"})
            QVERIFY2(body.contains(QString::fromUtf8(s)) && title.contains(QString::fromUtf8(s)), s);
    }
};

QTEST_MAIN(TestOverviewWindow)
#include "test_overview_window.moc"
