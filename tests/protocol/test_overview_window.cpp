#include "core/practice_state.h"
#include "protocol/overview_window.h"
#include "support/fakes.h"

#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScatterSeries>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QValueAxis>

using namespace numio;

namespace {

const QString kRule(64, u'_');
const QString kDashes(35, u'-');

QStringList block(const QString& when, const QStringList& logs, int problems, int wrong) {
    return QStringList{kRule, QStringLiteral("Numio - ") + when, kDashes} + logs +
           QStringList{QString(), QStringLiteral("Příkladů celkem : %1").arg(problems),
                       QStringLiteral("Špatně : %1").arg(wrong), QStringLiteral("Známka : 1"),
                       QStringLiteral("Úspěšnost : 0%")};
}

Journal journalOf(const QStringList& lines) {
    return parseJournal(lines.join(QStringLiteral("\r\n")));
}

// Twelve examinations in March: 20 problems, two wrong in the first two, none later; 2*2 missed
// three times, 7+8 and 6:2 once.
Journal twelveDays() {
    QStringList lines;
    for (int day = 1; day <= 12; ++day) {
        QStringList logs;
        if (day <= 2)
            logs << "2*2=4   <5>" << (day == 1 ? "7+8=15   <14>" : "6:2=3   <2>");
        if (day == 5)
            logs << "2*2=4   <8>";
        lines << block(QStringLiteral("%1.3.2024 17:00:00").arg(day), logs, 20, day <= 2 ? 2 : 0);
    }
    return journalOf(lines);
}

QString labelText(const OverviewWindow& w, const char* name) {
    const auto* label = w.findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<none>");
}

int pdfPages(const QByteArray& pdf) {
    return int(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page "));
}

} // namespace

class TestOverviewWindow : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

  private slots:
    void showsTotals() {
        test::FakeDialogs dialogs;
        OverviewWindow w(twelveDays(), dialogs, true, nullptr);
        QCOMPARE(w.objectName(), "frmPrehled");
        QCOMPARE(w.windowTitle(), "Přehled výsledků");
        QCOMPARE(labelText(w, "lblZkouseni"), "12");
        QCOMPARE(labelText(w, "lblObdobi"), "1.3.2024 – 12.3.2024");
        QCOMPARE(labelText(w, "lblPriklady"), "240");
        QCOMPARE(labelText(w, "lblSpatne"), "4");
        QCOMPARE(labelText(w, "lblUspesnost"), "98 %");
        QCOMPARE(labelText(w, "lblZnamka"), "1");
        // The last ten are all right; the two before had 90 %.
        QCOMPARE(labelText(w, "lblPosledni"), "úspěšnost 100,0 %, známka 1,0");
        QCOMPARE(labelText(w, "lblPredchozi"), "úspěšnost 90,0 %, známka 1,0 (jen 2)");
        QCOMPARE(labelText(w, "lblZmena"), "zlepšení o 10,0 procentního bodu");

        QTableWidget* t = w.missedTable();
        QCOMPARE(t->rowCount(), 3);
        QCOMPARE(t->item(0, 0)->text(), "2 * 2 = 4");
        QCOMPARE(t->item(0, 1)->text(), "3");
        QCOMPARE(t->item(0, 2)->text(), "5.3.2024");
        QCOMPARE(t->item(1, 0)->text(), "6 : 2 = 3");
        QCOMPARE(t->item(2, 0)->text(), "7 + 8 = 15");
        QCOMPARE(t->horizontalHeaderItem(2)->text(), "Naposledy");
    }

    void notice_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("notice");
        const QStringList good = block("1.3.2024 17:00:00", {}, 20, 0);
        QTest::newRow("all read") << good << QString();
        QTest::newRow("one line") << good + QStringList{"?"} << "Nepodařilo se přečíst 1 řádek protokolu.";
        QTest::newRow("three lines") << good + QStringList(3, "?")
                                     << "Nepodařilo se přečíst 3 řádky protokolu.";
        QTest::newRow("five lines") << good + QStringList(5, "?")
                                    << "Nepodařilo se přečíst 5 řádků protokolu.";
        QTest::newRow("undated")
            << block("včera", {}, 20, 0)
            << "U 1 zkoušení chybí čitelné datum, v grafu jsou zkoušení řazena podle pořadí.";
    }
    void notice() {
        QFETCH(QStringList, lines);
        QFETCH(QString, notice);
        test::FakeDialogs dialogs;
        OverviewWindow w(journalOf(lines), dialogs, true, nullptr);
        const auto* label = w.findChild<QLabel*>("lblUpozorneni");
        QCOMPARE(label->text(), notice);
        QCOMPARE(label->isVisibleTo(&w), !notice.isEmpty());
    }

    void chartAxis_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("axis");
        QTest::addColumn<int>("points");
        const QStringList first = block("1.3.2024 17:00:00", {}, 20, 1);
        QTest::newRow("dated") << first + block("2.3.2024 17:00:00", {}, 20, 0) << "QDateTimeAxis" << 2;
        QTest::newRow("one undated") << first + block("?", {}, 20, 0) << "QValueAxis" << 2;
        QTest::newRow("dates out of order")
            << first + block("1.2.2024 17:00:00", {}, 20, 0) << "QValueAxis" << 2;
        QTest::newRow("nothing finished") << QStringList{kRule} << "" << 0;
    }
    void chartAxis() {
        QFETCH(QStringList, lines);
        QFETCH(QString, axis);
        QFETCH(int, points);
        test::FakeDialogs dialogs;
        OverviewWindow w(journalOf(lines), dialogs, true, nullptr);
        QChart* chart = w.chartView()->chart();
        const QList<QAbstractAxis*> x = chart->axes(Qt::Horizontal);
        QCOMPARE(x.isEmpty() ? QString() : QString::fromLatin1(x[0]->metaObject()->className()), axis);
        int graded = 0;
        for (QAbstractSeries* s : chart->series()) {
            if (auto* scatter = qobject_cast<QScatterSeries*>(s)) {
                graded += int(scatter->count());
                // Each grade's series labels its points with the grade.
                QCOMPARE(scatter->pointLabelsFormat(), scatter->name().right(1));
            }
        }
        QCOMPARE(graded, points);
    }

    void practice_data() {
        QTest::addColumn<bool>("canPractise");
        QTest::addColumn<bool>("missed");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("offered") << true << true << true;
        QTest::newRow("examination running") << false << true << false;
        QTest::newRow("nothing missed") << true << false << false;
    }
    void practice() {
        QFETCH(bool, canPractise);
        QFETCH(bool, missed);
        QFETCH(bool, enabled);
        test::FakeDialogs dialogs;
        QStringList logs;
        if (missed) {
            // 160 different problems, 9+9 twice: more than the repeat list holds.
            for (int a = 1; a <= 160; ++a)
                logs << QStringLiteral("%1+1=%2   <0>").arg(a).arg(a + 1);
            logs << "9+9=18   <1>"
                 << "9+9=18   <2>";
        }
        OverviewWindow w(journalOf(block("1.3.2024 17:00:00", logs, 200, int(logs.size()))), dialogs,
                         canPractise, nullptr);
        QSignalSpy spy(&w, &OverviewWindow::practiseRequested);
        QCOMPARE(w.pbPractise()->isEnabled(), enabled);
        QCOMPARE(w.pbPractise()->text(), "Procvičit nejčastější chyby");
        w.show();
        QTest::mouseClick(w.pbPractise(), Qt::LeftButton);
        if (!enabled) {
            QCOMPARE(spy.count(), 0);
            QVERIFY(w.isVisible());
            return;
        }
        QCOMPARE(spy.count(), 1);
        const QStringList entries = spy[0][0].toStringList();
        QCOMPARE(entries.size(), PracticeState::kRepeatCapacity);
        QCOMPARE(entries.mid(0, 3), (QStringList{"9,9,18,1", "1,1,2,1", "10,1,11,1"}));
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QVERIFY(!w.isVisible());
    }

    void savesPdf_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QList<Dialogs::Answer>>("answers");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QStringList>("messages");
        const QString replace =
            "Soubor " + dir_.filePath("old.pdf") + " již existuje.\r\nPřeješ si ho přepsat ?";
        QTest::newRow("new file") << "new.pdf" << false << QList<Dialogs::Answer>{} << "new.pdf"
                                  << QStringList{};
        QTest::newRow("suffix added")
            << "plain" << false << QList<Dialogs::Answer>{} << "plain.pdf" << QStringList{};
        QTest::newRow("replaced on Yes") << "old.pdf" << true << QList<Dialogs::Answer>{Dialogs::Answer::Yes}
                                         << "old.pdf" << QStringList{replace};
        QTest::newRow("kept by default")
            << "old.pdf" << true << QList<Dialogs::Answer>{} << "" << QStringList{replace};
        QTest::newRow("cancelled") << "" << false << QList<Dialogs::Answer>{} << "" << QStringList{};
        QTest::newRow("folder missing")
            << "gone/x.pdf" << false << QList<Dialogs::Answer>{} << ""
            << QStringList{"Přehled se nepodařilo uložit do souboru " + dir_.filePath("gone/x.pdf") + "."};
    }
    void savesPdf() {
        QFETCH(QString, chosen);
        QFETCH(bool, exists);
        QFETCH(QList<Dialogs::Answer>, answers);
        QFETCH(QString, written);
        QFETCH(QStringList, messages);
        for (const char* name : {"new.pdf", "plain.pdf", "old.pdf"})
            QFile::remove(dir_.filePath(name));
        if (exists) {
            QFile old(dir_.filePath("old.pdf"));
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old");
        }
        test::FakeDialogs dialogs;
        if (!chosen.isEmpty())
            dialogs.chosenFiles.push_back(dir_.filePath(chosen));
        dialogs.answers.assign(answers.begin(), answers.end());
        OverviewWindow w(twelveDays(), dialogs, true, nullptr);
        QTest::mouseClick(w.pbPdf(), Qt::LeftButton);

        QCOMPARE(dialogs.chooserCalls.size(), std::size_t(1));
        QCOMPARE(dialogs.chooserCalls[0].mid(0, 2),
                 (QStringList{"Uložit přehled jako PDF", "Dokumenty PDF (*.pdf)"}));
        QCOMPARE(dialogs.texts(), messages);
        for (const char* name : {"new.pdf", "plain.pdf", "old.pdf"}) {
            QFile f(dir_.filePath(name));
            const QByteArray head = f.open(QIODevice::ReadOnly) ? f.read(5) : QByteArray();
            QCOMPARE(head.startsWith("%PDF-"), name == written);
        }
    }

    void longListGoesOnFurtherPages() {
        QStringList logs;
        for (int a = 1; a <= 180; ++a)
            logs << QStringLiteral("%1*2=%2   <0>").arg(a).arg(2 * a);
        const Journal j = journalOf(block("1.3.2024 17:00:00", logs, 200, 180));
        test::FakeDialogs dialogs;
        OverviewWindow w(j, dialogs, true, nullptr);
        w.show();
        const QSizeF shown = w.chartView()->chart()->size();
        const QString path = dir_.filePath("long.pdf");
        QVERIFY(saveOverviewPdf(j, w.chartView(), path));
        // Printing leaves the chart on screen as it was.
        QCOMPARE(w.chartView()->chart()->size(), shown);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const int pages = pdfPages(f.readAll());
        QVERIFY2(pages >= 3 && pages <= 8, qPrintable(QString::number(pages)));
    }
};

QTEST_MAIN(TestOverviewWindow)
#include "test_overview_window.moc"
