#include "platform/failure.h"
#include "platform/settings_store.h"
#include "platform/text_files.h"
#include "reports/overview_chart.h"
#include "reports/overview_window.h"
#include "support/data.h"
#include "support/fakes.h"
#include "support/files.h"

#include <QApplication>
#include <QCategoryAxis>
#include <QChartView>
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
#include <QXYSeries>

using namespace numio;
using namespace numio::test;

// Twelve examinations in March, two wrong in each of the first two; 8*7 missed most.
static Journal twelveDays(int days = 12) {
    Journal j;
    for (int day = 1; day <= days; ++day)
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
        std::optional<StoredSettings> rules;
        if (can) { // everything up to the largest tables
            rules.emplace();
            rules->nMaxValue = 999, rules->nMaxValueX = 10;
            rules->bPlus = rules->bMinus = rules->bKrat = rules->bDeleno = true;
        }
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

    // The previous figures, the change once both sides can tell it, and the missed problems as a
    // school writes them.
    void showsTotals_data() {
        columns<int, QString, QString>({"days", "previous", "trend"});
        row("two before ten", 12, QString("úspěšnost 90,0 %, známka 1,0 (jen 2 zkoušení)"),
            QString("Zlepšení či zhoršení se ukáže, až budou v obou desítkách aspoň 3 zkoušení s alespoň 6 "
                    "příklady."));
        row("three before ten", 13, QString("úspěšnost 93,3 %, známka 1,0 (jen 3 zkoušení)"),
            QString("zlepšení o 6,7 procentního bodu"));
    }
    void showsTotals() {
        const auto [days, previous, trend] = fetch<int, QString, QString>("days", "previous", "trend");
        Overview o;
        OverviewWindow& w = o.open("protokol.txt", twelveDays(days));
        const QTableWidget* t = w.missedTable();
        QCOMPARE(QStringList({w.findChild<QLabel*>("lblPredchozi")->text(),
                              w.findChild<QLabel*>("lblZmena")->text(), t->item(0, 0)->text(),
                              t->item(1, 0)->text()}),
                 QStringList({previous, trend, "8 · 7 = 56", "6 : 2 = 3"}));
    }

    // A journal not yet created, or still empty, opens on the empty state with nothing to print.
    void emptyJournal() {
        Overview o;
        LocalTextFiles files;
        const QString path = o.dir.filePath("protokol.txt");
        for (const bool exists : {false, true}) {
            QVERIFY(!exists || QFile(path).open(QIODevice::WriteOnly));
            OverviewWindow& w = o.open("protokol.txt", readJournal(files, path));
            QCOMPARE(w.findChild<QChartView*>()->chart()->title() + ' ' +
                         w.findChild<QLabel*>("lblZkouseni")->text() + (w.pbPdf()->isEnabled() ? " PDF" : ""),
                     "Zatím žádné dokončené zkoušení 0");
        }
        QVERIFY(o.dialogs.shown.empty());
    }

    // The store cannot take the pupil's name (its file is a folder): the failure is told and the
    // window closes all the same.
    void closesWhenTheNameCannotBeKept() {
        Overview o;
        QVERIFY(QDir().mkpath(o.store.filePath("Numio2")));
        OverviewWindow& w = o.open();
        w.show();
        w.dfName()->setText("Jana");
        QTest::mouseClick(w.pbClose(), Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QCOMPARE(o.dialogs.texts().value(0).section('\n', 0, 0), Failure(kPathFileAccess).messageText());
    }

    // The time axis has its lines at midnight, of days or for long spans of Mondays, and each
    // examination stands at its own time between them.
    void timeAxis_data() {
        columns<QDateTime, QDateTime, QString>({"first", "last", "lines"});
        const QDate saturday(2026, 12, 5);
        row("8:00 and 17:00 of consecutive days", QDateTime(saturday, QTime(8, 0)),
            QDateTime(saturday.addDays(1), QTime(17, 0)), "5.12. 6.12. 7.12.");
        row("one evening", QDateTime(saturday, QTime(17, 0)), QDateTime(saturday, QTime(17, 30)),
            "5.12. 6.12.");
        row("five weeks", QDateTime(saturday, QTime(8, 0)), QDateTime(QDate(2027, 1, 4), QTime(17, 0)),
            "30.11.2026 7.12.2026 14.12.2026 21.12.2026 28.12.2026 4.1.2027 11.1.2027");
    }
    void timeAxis() {
        const auto [first, last, lines] = fetch<QDateTime, QDateTime, QString>("first", "last", "lines");
        Journal j;
        for (const QDateTime& t : {first, last})
            j.exams.push_back({t, 20, 0, 1, 100});
        Overview o;
        const QChart* chart = o.open("protokol.txt", j).findChild<QChartView*>()->chart();
        auto* axis = qobject_cast<QCategoryAxis*>(chart->axes(Qt::Horizontal).value(0));
        QVERIFY(axis);
        QCOMPARE(axis->categoriesLabels().join(' '), lines);
        for (const QDateTime& line : timeAxisLines(first, last))
            QCOMPARE(line.time(), QTime(0, 0));
        const auto* rates = static_cast<const QXYSeries*>(chart->series().value(0));
        QCOMPARE(rates->at(1).x() - rates->at(0).x(), double(first.msecsTo(last)));
        QCOMPARE(axis->min(), double(timeAxisLines(first, last).front().toMSecsSinceEpoch()));
    }

    void plurals() {
        QCOMPARE(QStringList(
                     {moreProblems(1), moreProblems(2), moreProblems(4), moreProblems(5), moreProblems(300)}),
                 QStringList({"… a ještě 1 další příklad.", "… a další 2 různé příklady.",
                              "… a další 4 různé příklady.", "… a dalších 5 různých příkladů.",
                              "… a dalších 300 různých příkladů."}));
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
        w.show();
        QTest::mouseClick(w.pbPractise(), Qt::LeftButton);
        const QStringList& entries = w.chosenEntries();
        const bool enabled = canPractise && missed > 0;
        QCOMPARE(entries.value(0) + ' ' + entries.value(149), enabled ? "1,1,2,1 150,1,151,1" : " ");
    }

    // Tab from the name visits the summary, the table once and every button, then wraps.
    void keyboard() {
        Overview o;
        OverviewWindow& w = o.open();
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.dfName()->setFocus();
        QList<QWidget*> visited{w.dfName()};
        for (int i = 0; i < 8; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget();
        }
        QCOMPARE(visited, (QList<QWidget*>{w.dfName(), w.summary(), w.missedTable(), w.pbPractise(),
                                           w.findChild<QPushButton*>("pbCsv"), w.pbPdf(), w.pbReport(),
                                           w.pbClose(), w.dfName()}));
    }

    // The name belongs to the protocol file it was typed for, whatever characters its path holds.
    void remembersPupilPerProtocol() {
        Overview o;
        o.open("sub/a\\b;c=d.txt").dfName()->setText("Jana Nováková");
        o.w->reject();
        QCOMPARE(o.open().dfName()->text(), QString());
        QCOMPARE(o.open("sub/a\\b;c=d.txt").dfName()->text(), "Jana Nováková");
        // A journal that names its pupil gives the name where none was typed for it.
        Journal named = twelveDays();
        named.pupil = "Eva Malá";
        QCOMPARE(o.open("sub/a\\b;c=d.txt", named).dfName()->text(), "Jana Nováková");
        QCOMPARE(o.open("eva.txt", named).dfName()->text(), "Eva Malá");
    }

    // A folder that cannot hold the file is reported with the file's name and nothing is left behind.
    // Then a dated name is proposed in a folder that exists, a typed name gets its suffix, the document
    // names the pupil, the protocol and the period, and it may be opened at once.
    void savesPdf() {
        Overview o;
        QVERIFY(QFile(o.dir.filePath("file-not-dir")).open(QIODevice::WriteOnly));
        const QString bad = o.dir.filePath("file-not-dir/out.pdf");
        o.dialogs.chosenFiles = {bad, o.dir.filePath("prehled")};
        Journal j = twelveDays();
        for (int a = 1; a <= 80; ++a) // the list runs over to further pages
            j.missed.push_back({"", QStringLiteral("%1,1,%2,1").arg(a).arg(a + 1), 1, {}});
        o.open("protokol.txt", j).dfName()->setText("Petr Dvořák");
        QTest::mouseClick(o.w->pbPdf(), Qt::LeftButton);
        QCOMPARE(o.dialogs.texts(),
                 {"Chyba č. 76 - Cesta nenalezena\nPřehled se nepodařilo uložit do souboru " + bad + "."});
        QCOMPARE(QDir(o.dir.path()).entryList(QDir::Files), QStringList{"file-not-dir"});
        QTest::mouseClick(o.w->pbPdf(), Qt::LeftButton);
        const QFileInfo proposed(o.dialogs.chooserCalls.at(0).at(2));
        QCOMPARE(proposed.fileName(),
                 "prehled-vysledku-petr-dvorak-" + QDate::currentDate().toString("d.M.yyyy") + ".pdf");
        QVERIFY(proposed.dir().exists());
        const QString pdf = o.dir.filePath("prehled.pdf");
        QVERIFY(o.w->lblStatus()->text().contains(pdf));
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(pdf)});
        QCOMPARE(o.open().dfName()->text(), "Petr Dvořák"); // kept by the save alone

        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext and pdfinfo (poppler-utils) are not installed");
        const QString body = pdfText(pdf);
        QProcess info;
        info.start("pdfinfo", {pdf});
        QVERIFY(info.waitForFinished());
        const QString title = QString::fromUtf8(info.readAllStandardOutput()).section('\n', 0, 0);
        for (const char* s : {"Petr Dvořák", "protokol.txt", "1.3.2024 – 12.3.2024"})
            QVERIFY2(body.simplified().contains(QString::fromUtf8(s)) && title.contains(QString::fromUtf8(s)),
                     s);
        // Every page says whose it is and which of how many.
        const QStringList pages = body.split('\f', Qt::SkipEmptyParts);
        QVERIFY(pages.size() > 1);
        for (int i = 0; i < pages.size(); ++i)
            QVERIFY(pages[i].simplified().contains("Jméno žáka: Petr Dvořák") &&
                    pages[i].contains(QString("Strana %1 z %2").arg(i + 1).arg(pages.size())));
    }
};

QTEST_MAIN(TestOverviewWindow)
#include "test_overview_window.moc"
