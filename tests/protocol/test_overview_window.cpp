#include "protocol/overview_window.h"
#include "support/fakes.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
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
    j.missed = {{"2*2", "2,2,4,3", 3, QDateTime(QDate(2024, 3, 5), QTime(17, 0))}, {"6:2", "6,2,3,4", 1, {}}};
    j.totalProblems = 240, j.totalWrong = 4;
    return j;
}

class TestOverviewWindow : public QObject {
    Q_OBJECT

  private slots:
    // Each row names a label; twChyby stands for the first of the missed problems.
    void showsTotals_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("lblZkouseni") << "12";
        QTest::newRow("lblPriklady") << "240";
        QTest::newRow("lblUspesnost") << "98 %";
        QTest::newRow("lblPredchozi") << "úspěšnost 90,0 %, známka 1,0 (jen 2)";
        QTest::newRow("lblZmena") << "zlepšení o 10,0 procentního bodu";
        QTest::newRow("twChyby") << "2 * 2 = 4";
    }
    void showsTotals() {
        QFETCH(QString, text);
        test::FakeDialogs dialogs;
        OverviewWindow w(twelveDays(), dialogs, true, nullptr);
        const QString name = QTest::currentDataTag();
        const QTableWidget* t = w.missedTable();
        QCOMPARE(name == u"twChyby" ? t->item(0, 0)->text() : w.findChild<QLabel*>(name)->text(), text);
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
        test::FakeDialogs dialogs;
        OverviewWindow w(j, dialogs, canPractise, nullptr);
        QStringList entries;
        connect(&w, &OverviewWindow::practiseRequested, [&](const QStringList& e) { entries += e; });
        w.show();
        QTest::mouseClick(w.pbPractise(), Qt::LeftButton);
        const bool enabled = canPractise && missed > 0;
        QCOMPARE(w.pbPractise()->isEnabled(), enabled);
        QCOMPARE(entries.size(), enabled ? 150 : 0);
        QCOMPARE(entries.value(0) + ' ' + entries.value(149), enabled ? "1,1,2,1 150,1,151,1" : " ");
    }

    void savesPdf() {
        QTemporaryDir dir;
        test::FakeDialogs dialogs;
        dialogs.chosenFiles.push_back(dir.filePath("overview")); // the suffix is added
        OverviewWindow w(twelveDays(), dialogs, true, nullptr);
        QTest::mouseClick(w.pbPdf(), Qt::LeftButton);
        QFile pdf(dir.filePath("overview.pdf"));
        QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-");
    }
};

QTEST_MAIN(TestOverviewWindow)
#include "test_overview_window.moc"
