#include "core/generator.h"
#include "reports/worksheet.h"
#include "reports/worksheet_dialog.h"
#include "support/data.h"
#include "support/fakes.h"
#include "support/files.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace numio;
using namespace numio::test;

namespace {

// ops out of "+-*:"; `table` the largest times table, `sum` the largest sum.
StoredSettings rules(const QString& ops, int sum, int table, CrossingTen crossing = CrossingTen::Any) {
    StoredSettings s;
    s.bPlus = ops.contains('+'), s.bMinus = ops.contains('-'), s.bKrat = ops.contains('*');
    s.bDeleno = ops.contains(':');
    s.nMaxValue = Integer(sum), s.nMaxValueX = Integer(table), s.crossingTen = crossing;
    return s;
}

// Each fact missed once: not known.
Knowledge missed(const QVector<Fact>& facts) {
    Knowledge k;
    for (const Fact& f : facts)
        k[f].add({0, AnswerOutcome::Wrong, 2000});
    return k;
}

QString line(const Fact& f, int n) {
    return QStringLiteral("%1) %2 %3 %4 =").arg(n).arg(f.a).arg(QString("+−·:")[f.op - 1]).arg(f.b);
}

} // namespace

class TestWorksheet : public QObject {
    Q_OBJECT
  private slots:
    // admitted: the facts the rules leave; 0 where too few to keep each to a tenth of the sheet.
    void draw_data() {
        columns<StoredSettings, QVector<Fact>, int, int>({"rules", "weak", "count", "admitted"});
        const QVector<Fact> weak{{3, 7, 8}, {3, 6, 9}, {3, 4, 7}};
        row("times tables, three weak", rules("*", 20, 10), weak, 40, 100);
        row("three columns", rules("*:", 20, 10), weak, 60, 200);
        row("no answers yet", rules("+-", 20, 10, CrossingTen::With), QVector<Fact>{}, 20, 72);
        row("answers outside the rules", rules("+", 10, 10), weak, 20, 45);
        row("one row of ten", rules("*", 20, 1), QVector<Fact>{{3, 1, 1}, {3, 1, 2}}, 40, 0);
    }
    void draw() {
        const auto [s, weak, count, admitted] =
            fetch<StoredSettings, QVector<Fact>, int, int>("rules", "weak", "count", "admitted");
        SeededRandom random(7);
        bool ordinary = false;
        const QVector<Fact> drawn = drawWorksheet(s, missed(weak), 3000, 1000, count, random, &ordinary);
        QCOMPARE(drawn.size(), count);
        const int rows = worksheetRows(count);
        int weakDrawn = 0;
        for (int i = 0; i < count; ++i) {
            const Fact& f = drawn[i];
            QVERIFY2(problemAdmitted(s, f.op, f.a, f.b, f.result()), qPrintable(f.text()));
            QVERIFY2(i < 1 || drawn[i - 1] != f, qPrintable(f.text()));
            QVERIFY2(i < rows || drawn[i - rows] != f, qPrintable(f.text()));
            weakDrawn += weak.contains(f) ? 1 : 0;
        }
        QCOMPARE(ordinary, weakDrawn == 0);
        // Against a uniform draw's share of the weak facts, at least three times as many; yet no fact
        // fills the sheet.
        QVERIFY(ordinary || !admitted || weakDrawn * admitted >= 3 * count * int(weak.size()));
        for (const Fact& f : drawn)
            QVERIFY2(!admitted || drawn.count(f) <= count / 10, qPrintable(f.text()));
    }

    void pdf_data() {
        columns<QStringList, bool>({"pupils", "key"});
        row("one pupil with key", QStringList{"Jana Nováková"}, true);
        row("without key", QStringList{"Jana Nováková"}, false);
        row("class of three", QStringList{"Adam", "Bára", "Cyril"}, true);
    }
    void pdf() {
        const auto [pupils, key] = fetch<QStringList, bool>("pupils", "key");
        QVector<Worksheet> sheets;
        SeededRandom random;
        for (const QString& p : pupils)
            sheets.push_back({worksheetTitle(p, "8.12.2026"), p, "8.12.2026",
                              drawWorksheet(rules("+*", 20, 10), {}, 3000, 0, 20, random), true});
        QTemporaryDir dir;
        const QString path = dir.filePath("list.pdf");
        writeWorksheetPdf(sheets, key, path);
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        // In the order drawn, a problem a line.
        QStringList pages = pdfText(path, {"-raw"}).split('\f');
        pages.removeAll(QString()); // after the last form feed
        QCOMPARE(pages.size(), sheets.size() * (key ? 2 : 1));
        for (qsizetype s = 0; s < sheets.size(); ++s) {
            const QStringList sheet = pages[s].split('\n');
            QVERIFY(pages[s].contains("Jméno: " + pupils[s]) && pages[s].contains("nemá zapamatované"));
            const QStringList answers = key ? pages[sheets.size() + s].split('\n') : QStringList();
            QVERIFY(!key || answers.contains("Řešení – " + sheets[s].title));
            for (int i = 0; i < 20; ++i) {
                const Fact& f = sheets[s].problems[i];
                const QString result = line(f, i + 1) + ' ' + QString::number(f.result());
                QVERIFY2(sheet.contains(line(f, i + 1)) && !sheet.contains(result), qPrintable(result));
                QVERIFY2(!key || answers.contains(result), qPrintable(result));
            }
        }
    }

    // OK only when something can be drawn; settings that ask nothing name what to change.
    void dialogSaysWhatToChange_data() {
        columns<StoredSettings, bool, QString>({"rules", "uncheck", "status"});
        row("ready", rules("*", 20, 10), false, QString());
        row("table too small", rules("*", 20, 0), false, settingToChange(rules("*", 20, 0)));
        row("nothing chosen", rules("*", 20, 10), true, QString("Vyberte aspoň jednu početní operaci."));
    }
    void dialogSaysWhatToChange() {
        const auto [s, uncheck, status] = fetch<StoredSettings, bool, QString>("rules", "uncheck", "status");
        FakeDialogs dialogs;
        WorksheetDialog d(s, "Jana – 8.12.2026", dialogs, nullptr, nullptr);
        QVERIFY(!d.operationBox(1) && d.operationBox(3) && d.keyBox()->isChecked());
        d.operationBox(3)->setChecked(!uncheck);
        QVERIFY(d.lblStatus()->text().contains(status));
        QCOMPARE(d.buttons()->buttons().front()->isEnabled(), status.isEmpty());
    }
};

QTEST_MAIN(TestWorksheet)
#include "test_worksheet.moc"
