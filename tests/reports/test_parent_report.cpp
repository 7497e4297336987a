#include "reports/class_overview_model.h"
#include "reports/parent_report.h"
#include "support/data.h"
#include "support/files.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace numio;
using namespace numio::test;

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(18, 0)); // a Wednesday

// A journal of finished examinations: days before kNow and wrong answers of ten problems each.
Journal journalOf(const QList<std::pair<int, int>>& exams) {
    QString text;
    for (const auto& [daysBefore, wrong] : exams)
        text += QString(64, u'_') +
                QStringLiteral("\r\nNumio - %1 17:00:00\r\n")
                    .arg(kNow.date().addDays(-daysBefore).toString(QStringLiteral("d.M.yyyy"))) +
                QString(35, u'-') +
                QStringLiteral("\r\n\r\nPříkladů celkem : 10\r\nŠpatně : %1\r\n").arg(wrong) +
                QStringLiteral("Známka : 1\r\nÚspěšnost : 100%\r\n");
    return parseJournal(text);
}

StoredSettings timesTables() {
    StoredSettings s;
    s.bKrat = true;
    s.nMaxValueX = 10;
    return s;
}

// Tries at times-tables facts (a, b, outcomes), the oldest fact first.
Knowledge knowledgeOf(const QList<std::tuple<int, int, QList<bool>>>& facts) {
    KnowledgeBuilder builder;
    qint64 at = kNow.addDays(-3).toSecsSinceEpoch();
    for (const auto& [a, b, rights] : facts)
        for (const bool right : rights)
            builder.add({3, a, b}, {at += 60, right ? AnswerOutcome::Right : AnswerOutcome::Wrong, 1500});
    return builder.finish().facts;
}

} // namespace

class TestParentReport : public QObject {
    Q_OBJECT
  private slots:
    void trend_data() {
        columns<QList<std::pair<int, int>>, QString>({"exams", "trend"});
        row("better", QList<std::pair<int, int>>{{9, 5}, {8, 5}, {7, 5}, {2, 1}, {1, 1}, {0, 1}},
            QString("lépe než minulý týden"));
        row("worse", QList<std::pair<int, int>>{{9, 1}, {8, 1}, {7, 1}, {2, 5}, {1, 5}, {0, 5}},
            QString("hůře než minulý týden"));
        row("same within a few points",
            QList<std::pair<int, int>>{{9, 2}, {8, 2}, {7, 2}, {2, 2}, {1, 2}, {0, 2}},
            QString("stejně jako minulý týden"));
        row("two last week are too few", QList<std::pair<int, int>>{{8, 5}, {7, 5}, {2, 1}, {1, 1}, {0, 1}},
            QString());
    }
    void trend() {
        const auto [exams, trend] = fetch<QList<std::pair<int, int>>, QString>("exams", "trend");
        QCOMPARE(periodTrend(journalOf(exams), periodAround(PeriodChoice::Week, kNow.date())), trend);
    }

    void next() {
        // Not known before learning, the longest unpractised first; never asked fills in.
        const Knowledge k = knowledgeOf({{6, 7, {true, false, true}},
                                         {7, 8, {false}},
                                         {2, 2, {true, true, true}},
                                         {9, 6, {true, false}},
                                         {4, 8, {false}}});
        QCOMPARE(factsToPractise(k, timesTables(), 3000, kNow.toSecsSinceEpoch()),
                 (QList<Fact>{{3, 7, 8}, {3, 9, 6}, {3, 4, 8}, {3, 6, 7}, {3, 1, 1}}));
    }

    void pages_data() {
        columns<QStringList, bool, QStringList>({"pupils", "answers", "expected"});
        row("one pupil", QStringList{"Jana Nováková"}, true,
            QStringList{"Zpráva pro rodiče – Jana Nováková", "tento týden (7.12.2026 – 13.12.2026)",
                        "Zkoušení: 3", "lépe než minulý týden", "Co umí", "1. 7 × 8 – neumí",
                        "2. 6 × 7 – učí se", "3. 1 × 1 – ještě nezkoušeno",
                        "Umí 1, učí se 1, neumí 1, ještě nezkoušeno 97 ze 100 příkladů", "Poznámka učitele"});
        row("no answers yet", QStringList{"Petr Malý"}, false,
            QStringList{"Zatím nelze říci, co umí: zatím nemá žádné zapamatované odpovědi.", "Ukáže se"});
        row("a class in its order", QStringList{"Cyril", "Adam", "Bára"}, true, QStringList{});
    }
    void pages() {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        const auto [pupils, answers, expected] =
            fetch<QStringList, bool, QStringList>("pupils", "answers", "expected");
        QTemporaryDir dir;
        const Period week = periodAround(PeriodChoice::Week, kNow.date());
        ParentReport report{weekText(week), week, timesTables(), kNow, {}};
        for (const QString& name : pupils)
            report.pupils.push_back(
                {name,
                 journalOf({{9, 5}, {8, 5}, {7, 5}, {2, 1}, {1, 1}, {0, 1}}),
                 {},
                 answers ? std::optional(knowledgeOf(
                               {{6, 7, {true, false, true}}, {7, 8, {false}}, {2, 2, {true, true, true}}}))
                         : std::nullopt,
                 {}});
        const QString pdf = dir.filePath("zprava.pdf");
        writeParentReportPdf(report, pdf);
        const QStringList pages = pdfText(pdf, {"-layout"}).split(u'\f', Qt::SkipEmptyParts);
        QCOMPARE(pages.size(), pupils.size());
        for (qsizetype i = 0; i < pages.size(); ++i)
            QVERIFY2(pages[i].contains(parentReportTitle(pupils[i])), qPrintable(pupils[i]));
        // Spaces as the PDF's text keeps them or not.
        const QString text = pages.join(u' ').simplified().remove(u' ');
        for (const QString& s : expected)
            QVERIFY2(text.contains(QString(s).remove(u' ')), qPrintable(s));
        for (const char* s : {".txt", ".sqlite", "/", "p.b."})
            QVERIFY2(!text.contains(s), s);
    }
};

QTEST_MAIN(TestParentReport)
#include "test_parent_report.moc"
