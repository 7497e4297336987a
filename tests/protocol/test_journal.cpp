#include "protocol/journal.h"
#include "protocol/protocol_file.h"
#include "protocol/protocol_writer.h"
#include "support/fakes.h"

#include <QRegularExpression>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

using namespace numio;

namespace {

// Writes through the program's own writer into a real file and reads it back decoded.
class Writing {
  public:
    explicit Writing(QLocale locale = QLocale(QLocale::Czech, QLocale::Czechia))
        : locale_(std::move(locale)) {
        s_.fso = &files_;
        s_.bProtokol = true;
        s_.ProtokolFile = dir_.filePath(QStringLiteral("protokol.txt"));
        OpenProtokol(s_);
    }
    Writing& init(const QDateTime& when) {
        clock_.time = when;
        return write("INIT");
    }
    Writing& log(int a, const char* sign, int b, int c, const QString& answer) {
        s_.A = a, s_.Rezim = QString::fromLatin1(sign), s_.B = b, s_.C = Integer(c);
        return write("LOG", answer);
    }
    Writing& limit(int minutes) {
        s_.nLimitSady = Integer(minutes);
        return write("LIMIT");
    }
    Writing& finish(int problems, int wrong) {
        s_.nPrikladID = Integer(problems), s_.nSpatne = Integer(wrong);
        return write("FINISH");
    }
    Writing& shutdown() {
        WriteShutdownLine(s_);
        OpenProtokol(s_);
        return *this;
    }
    QString text() { return files_.readAll(s_.ProtokolFile); }

  private:
    Writing& write(const QString& kind, const QString& answer = QString()) {
        WriteProtokol(kind, s_, answer, clock_, dialogs_, locale_);
        return *this;
    }

    QTemporaryDir dir_;
    LocalTextFiles files_;
    PracticeState s_;
    test::FakeDialogs dialogs_;
    test::FixedClock clock_;
    QLocale locale_;
};

QDateTime at(int day, int month, int hour, int minute) {
    return QDateTime(QDate(2024, month, day), QTime(hour, minute, 7));
}

// "14.3.2024 10:05:07 20/2 z1 90% L"; "?" for an unreadable date, L for a set out of time.
QStringList described(const QVector<Examination>& exams) {
    QStringList out;
    for (const Examination& e : exams)
        out << QStringLiteral("%1 %2/%3 z%4 %5%%6")
                   .arg(e.when.isValid() ? e.when.toString(u"d.M.yyyy H:mm:ss") : QStringLiteral("?"))
                   .arg(e.problems)
                   .arg(e.wrong)
                   .arg(e.grade)
                   .arg(e.successRate)
                   .arg(e.limitReached ? QStringLiteral(" L") : QString());
    return out;
}

QStringList described(const QVector<MissedProblem>& missed) {
    QStringList out;
    for (const MissedProblem& m : missed)
        out << QStringLiteral("%1 x%2 %3").arg(m.entry).arg(m.count).arg(m.last.toString(u"d.M. H:mm"));
    return out;
}

const QString kRule(64, u'_');
const QString kDashes(35, u'-');

QString crlf(const QStringList& lines) {
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

// A block as the writer makes it, for the damaged journals.
QStringList block(const QString& when, const QStringList& logs, int problems, int wrong, int grade,
                  int rate) {
    return QStringList{kRule, QStringLiteral("Numio - ") + when, kDashes} + logs +
           QStringList{QString(), QStringLiteral("Příkladů celkem : %1").arg(problems),
                       QStringLiteral("Špatně : %1").arg(wrong), QStringLiteral("Známka : %1").arg(grade),
                       QStringLiteral("Úspěšnost : %1%").arg(rate)};
}

// Exact figures by whole-number arithmetic, to check the scaled ones against.
Score exactScore(qint64 problems, qint64 wrong) {
    const qint64 sum = problems + 4 * wrong;
    qint64 grade = sum / problems;
    const qint64 twice = 2 * (sum % problems);
    if (twice > problems || (twice == problems && grade % 2 == 1))
        ++grade;
    return {int(grade), int(100 * (problems - wrong) / problems)};
}

Journal journalOf(const QList<int>& rates) {
    Journal j;
    for (int rate : rates)
        j.exams.push_back({QDateTime(), 100, 100 - rate, 1, rate, false});
    return j;
}

} // namespace

class TestJournal : public QObject {
    Q_OBJECT

  private slots:
    // A zone with daylight saving, whatever the machine's is.
    void initTestCase() {
        qputenv("TZ", "Europe/Prague");
        tzset();
    }

    void journals_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("exams");
        QTest::addColumn<QStringList>("missed");
        QTest::addColumn<int>("unreadable");

        const QStringList oneBlock = block("14.3.2024 10:05:07", {"7+8=15   <14>"}, 20, 1, 1, 95);
        const QStringList oneExam{"14.3.2024 10:05:07 20/1 z1 95%"};
        const QStringList oneMiss{"7,8,15,1 x1 14.3. 10:05"};

        QTest::newRow("written: two blocks, limit, closing line")
            << Writing()
                   .init(at(14, 3, 10, 5))
                   .log(7, "+", 8, 15, "14")
                   .log(12, "-", 5, 7, "6")
                   .finish(20, 2)
                   .init(at(14, 3, 10, 31))
                   .log(6, "*", 7, 42, "48")
                   .limit(10)
                   .finish(14, 1)
                   .shutdown()
                   .text()
            << QStringList{"14.3.2024 10:05:07 20/2 z1 90%", "14.3.2024 10:31:07 14/1 z1 92% L"}
            << QStringList{"6,7,42,3 x1 14.3. 10:31", "12,5,7,2 x1 14.3. 10:05", "7,8,15,1 x1 14.3. 10:05"}
            << 0;
        QTest::newRow("written: closed during an examination")
            << Writing()
                   .init(at(1, 4, 8, 0))
                   .log(12, ":", 3, 4, "3")
                   .shutdown()
                   .init(at(2, 4, 8, 0))
                   .finish(5, 5)
                   .text()
            << QStringList{"2.4.2024 8:00:07 5/5 z5 0%"} << QStringList{"12,3,4,4 x1 1.4. 8:00"} << 0;
        QTest::newRow("written: same problem on three days, timed out once")
            << Writing()
                   .init(at(3, 5, 9, 0))
                   .log(6, "*", 7, 42, "48")
                   .log(9, "-", 4, 5, "")
                   .finish(10, 2)
                   .init(at(5, 5, 9, 0))
                   .log(6, "*", 7, 42, "")
                   .finish(10, 1)
                   .init(at(4, 5, 9, 0))
                   .log(6, "*", 7, 42, "36")
                   .finish(10, 1)
                   .text()
            << QStringList{"3.5.2024 9:00:07 10/2 z2 80%", "5.5.2024 9:00:07 10/1 z1 90%",
                           "4.5.2024 9:00:07 10/1 z1 90%"}
            << QStringList{"6,7,42,3 x3 5.5. 9:00", "9,4,5,2 x1 3.5. 9:00"} << 0;
        QTest::newRow("written: midnight")
            << Writing().init(QDateTime(QDate(2024, 1, 1), QTime(0, 0))).finish(1, 0).text()
            << QStringList{"1.1.2024 0:00:00 1/0 z1 100%"} << QStringList{} << 0;
        QTest::newRow("written: US settings")
            << Writing(QLocale(QLocale::English, QLocale::UnitedStates))
                   .init(at(14, 3, 15, 5))
                   .finish(8, 3)
                   .text()
            << QStringList{"14.3.2024 15:05:07 8/3 z2 62%"} << QStringList{} << 0;

        QTest::newRow("LF endings") << crlf(oneBlock).replace("\r\n", "\n") << oneExam << oneMiss << 0;
        QTest::newRow("no break after the last line") << crlf(oneBlock).chopped(2) << oneExam << oneMiss << 0;
        QTest::newRow("blanks an editor left at line ends")
            << crlf(oneBlock).replace("\r\n", "  \r\n") << oneExam << oneMiss << 0;
        QStringEncoder cp1250("windows-1250");
        const QByteArray bytes = cp1250(crlf(oneBlock));
        QTest::newRow("read as Latin-1, not Windows-1250")
            << QString::fromLatin1(bytes) << QStringList{} << oneMiss << 4;
        QTest::newRow("examination still running")
            << crlf({kRule, "Numio - 14.3.2024 10:05:07", kDashes, "7+8=15   <14>"}) << QStringList{}
            << oneMiss << 0;
        QTest::newRow("cut inside FINISH") << crlf(oneBlock.mid(0, 6)) << QStringList{} << oneMiss << 1;
        QTest::newRow("FINISH without the wrong count")
            << crlf(QStringList(oneBlock).replaceInStrings(QRegularExpression("^Špatně.*"), ""))
            << QStringList{} << oneMiss << 3;
        QTest::newRow("more wrong than problems")
            << crlf(block("14.3.2024 10:05:07", {}, 5, 7, 5, 0)) << QStringList{} << QStringList{} << 4;
        QTest::newRow("printed figures disagree with the counts")
            << crlf(block("14.3.2024 10:05:07", {"7+8=15   <14>"}, 20, 1, 4, 12)) << oneExam << oneMiss << 0;
        QStringList lost = oneBlock;
        lost.removeAt(lost.indexOf(QRegularExpression("^Známka.*")));
        QTest::newRow("grade line lost in writing") << crlf(lost) << oneExam << oneMiss << 0;
        QTest::newRow("grade line garbled")
            << crlf(QStringList(oneBlock).replaceInStrings(QRegularExpression("^Známka.*"), "x")) << oneExam
            << oneMiss << 1;
        QTest::newRow("note typed into a block")
            << crlf(QStringList(oneBlock).replaceInStrings("7+8=15   <14>", "7+8=15   <14>\r\nbyl nemocný"))
            << oneExam << oneMiss << 1;
        QTest::newRow("rule line lost") << crlf(oneBlock.mid(1)) << oneExam << oneMiss << 0;
        QTest::newRow("date unreadable") << crlf(block("včera odpoledne", {}, 4, 0, 1, 100))
                                         << QStringList{"? 4/0 z1 100%"} << QStringList{} << 0;
        QTest::newRow("problems that do not add up")
            << crlf(block("14.3.2024 10:05:07",
                          {"7+8=16   <14>", "6*7=43   <42>", "12-5=8   <7>", "12:3=5   <4>", "7:0=0   <1>",
                           "200*200=40000   <1>", "7+8=15  <14>", "7+8=15   <14", "07+8=15   <14>",
                           "7+-8=-1   <1>"},
                          20, 1, 1, 95))
            << oneExam << QStringList{"7,-8,-1,1 x1 14.3. 10:05"} << 9;
        QTest::newRow("LOG after FINISH")
            << crlf(oneBlock + QStringList{"7+8=15   <14>"}) << oneExam << oneMiss << 1;
        QTest::newRow("counts not as the writer puts them")
            << crlf(block("14.3.2024 10:05:07", {}, 20, 1, 1, 95).replaceInStrings(" : 20", " : 020"))
            << QStringList{} << QStringList{} << 4;
        QTest::newRow("empty") << QString() << QStringList{} << QStringList{} << 0;
        QTest::newRow("one huge line") << QString(1 << 22, u'x') << QStringList{} << QStringList{} << 1;
    }
    void journals() {
        QFETCH(QString, text);
        QFETCH(QStringList, exams);
        QFETCH(QStringList, missed);
        QFETCH(int, unreadable);
        const Journal j = parseJournal(text);
        QCOMPARE(described(j.exams), exams);
        QCOMPARE(described(j.missed), missed);
        QCOMPARE(j.unreadableLines, unreadable);
        qint64 problems = 0, wrong = 0;
        for (const Examination& e : j.exams)
            problems += e.problems, wrong += e.wrong;
        QCOMPARE(j.totalProblems, problems);
        QCOMPARE(j.totalWrong, wrong);
    }

    void dateForms_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("expected");
        const QDateTime t(QDate(2002, 3, 14), QTime(10, 5, 17));
        const QDateTime noon(QDate(2002, 3, 4), QTime(13, 5, 17));
        QTest::newRow("ISO with T") << "2002-03-14T10:05:17" << t;
        QTest::newRow("US morning") << "3/14/02 10:05:17 AM Central European Standard Time" << t;
        QTest::newRow("US afternoon, month first") << "3/4/02 1:05:17 PM CET" << noon;
        QTest::newRow("US midnight") << "3/14/02 12:00:00 AM" << QDateTime(t.date(), QTime(0, 0));
        QTest::newRow("British, day first") << "04/03/2002 13:05:17" << noon;
        QTest::newRow("no seconds") << "14.3.2002 10:05" << QDateTime(t.date(), QTime(10, 5));
        QTest::newRow("date alone") << "14.3.2002" << QDateTime(t.date(), QTime(0, 0));
        QTest::newRow("31 February") << "31.2.2002 10:05:17" << QDateTime();
        QTest::newRow("hour 25") << "14.3.2002 25:05:17" << QDateTime();
        QTest::newRow("13 PM") << "3/14/02 13:05:17 PM" << QDateTime();
        QTest::newRow("three-digit year") << "14.3.202 10:05:17" << QDateTime();
        QTest::newRow("glued text") << "14.3.2002x10:05:17" << QDateTime();
        QTest::newRow("words") << "včera" << QDateTime();
        QTest::newRow("nothing") << "" << QDateTime();
    }
    void dateForms() {
        QFETCH(QString, text);
        QFETCH(QDateTime, expected);
        QCOMPARE(parseProtocolDateTime(text), expected);
    }

    // Whatever regional settings wrote the line, it reads back as the moment written.
    void writtenDatesReadBack_data() {
        QTest::addColumn<QLocale>("locale");
        for (const QLocale& l :
             {QLocale(QLocale::Czech, QLocale::Czechia), QLocale(QLocale::English, QLocale::UnitedStates),
              QLocale(QLocale::English, QLocale::UnitedKingdom), QLocale(QLocale::German, QLocale::Germany),
              QLocale(QLocale::Slovak, QLocale::Slovakia), QLocale(QLocale::Polish, QLocale::Poland),
              QLocale(QLocale::Swedish, QLocale::Sweden), QLocale(QLocale::Hungarian, QLocale::Hungary),
              QLocale::c()})
            QTest::newRow(qPrintable(l.name())) << l;
    }
    void writtenDatesReadBack() {
        QFETCH(QLocale, locale);
        for (const QDateTime& t :
             {QDateTime(QDate(2002, 3, 14), QTime(10, 5, 17)),
              QDateTime(QDate(2031, 12, 1), QTime(23, 59, 59)), QDateTime(QDate(2024, 2, 29), QTime(0, 0, 1)),
              QDateTime(QDate(2024, 7, 4), QTime(12, 30))})
            QCOMPARE(parseProtocolDateTime(protocolDateTime(t, locale)), t);
    }

    // The scaled ratio must land on the same grade and rate as exact arithmetic, also next to the
    // rate's steps and the grade's halves.
    void scoreOfLargeCounts_data() {
        QTest::addColumn<qint64>("problems");
        for (qint64 p : {6553LL, 6554LL, 6400LL * 3, 10007LL, 32768LL, 1000000LL, 4000037LL, 123456789012LL})
            QTest::newRow(qPrintable(QString::number(p))) << p;
    }
    void scoreOfLargeCounts() {
        QFETCH(qint64, problems);
        QList<qint64> wrongs{0, 1, problems - 1, problems};
        for (qint64 k = 1; k < 100; ++k) {
            const qint64 step = problems * k / 100; // rate steps
            wrongs << step - 1 << step << step + 1;
        }
        for (qint64 k = 1; k < 8; k += 2) {
            const qint64 half = problems * k / 8; // grade halves
            wrongs << half - 1 << half << half + 1;
        }
        for (qint64 w : wrongs) {
            if (w < 0 || w > problems)
                continue;
            const Score got = scoreOf(problems, w);
            const Score want = exactScore(problems, w);
            QVERIFY2(got.grade == want.grade && got.successRate == want.successRate,
                     qPrintable(QStringLiteral("%1 wrong: %2/%3, expected %4/%5")
                                    .arg(w)
                                    .arg(got.grade)
                                    .arg(got.successRate)
                                    .arg(want.grade)
                                    .arg(want.successRate)));
        }
    }

    void totalsAndOverallScore() {
        QVERIFY(!overallScore(Journal()));
        Writing w;
        for (int day = 1; day <= 30; ++day)
            w.init(at(day, 1, 17, 0)).finish(300, day % 4);
        const Journal j = parseJournal(w.text());
        QCOMPARE(j.exams.size(), 30);
        QCOMPARE(j.totalProblems, 9000);
        QCOMPARE(j.totalWrong, 45); // 7 x (1 + 2 + 3) + 1 + 2
        const std::optional<Score> s = overallScore(j);
        QVERIFY(s);
        QCOMPARE(s->successRate, 99);
        QCOMPARE(s->grade, 1);
        QVERIFY(j.chronological());
        QCOMPARE(j.undatedExams(), 0);
    }

    void movingAverage_data() {
        QTest::addColumn<QList<int>>("rates");
        QTest::addColumn<int>("window");
        QTest::addColumn<QList<double>>("expected");
        QTest::newRow("none") << QList<int>{} << 10 << QList<double>{};
        QTest::newRow("fewer than the window") << QList<int>{100, 50, 60} << 10 << QList<double>{100, 75, 70};
        QTest::newRow("sliding") << QList<int>{10, 20, 30, 40, 50} << 3 << QList<double>{10, 15, 20, 30, 40};
        QList<int> twelve{0, 0, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100};
        QTest::newRow("ten of twelve")
            << twelve << 10
            << QList<double>{0, 0, 100.0 / 3, 50, 60, 200.0 / 3, 500.0 / 7, 75, 700.0 / 9, 80, 90, 100};
    }
    void movingAverage() {
        QFETCH(QList<int>, rates);
        QFETCH(int, window);
        QFETCH(QList<double>, expected);
        const QVector<double> got = numio::movingAverage(journalOf(rates).exams, window);
        QCOMPARE(got.size(), expected.size());
        for (qsizetype i = 0; i < got.size(); ++i)
            QVERIFY2(qFuzzyCompare(1 + got[i], 1 + expected[i]), qPrintable(QString::number(i)));
    }

    void lastTenAgainstPreviousTen() {
        QList<int> rates;
        for (int i = 0; i < 10; ++i)
            rates << 90;
        QVERIFY(!compareLastTen(journalOf(rates)));

        rates.prepend(40); // eleven: one before the last ten
        std::optional<WindowComparison> c = compareLastTen(journalOf(rates));
        QVERIFY(c);
        QCOMPARE(c->previousCount, 1);
        QCOMPARE(c->change(), 50.0);

        // 25: the five oldest are in neither window.
        rates = {};
        for (int i = 0; i < 25; ++i)
            rates << (i < 5 ? 0 : i < 15 ? 70 + i % 2 * 10 : 60);
        c = compareLastTen(journalOf(rates));
        QCOMPARE(c->lastCount, 10);
        QCOMPARE(c->previousCount, 10);
        QCOMPARE(c->previousRate, 75.0);
        QCOMPARE(c->lastRate, 60.0);
        QCOMPARE(c->change(), -15.0);
    }

    void missedOrderAndPracticeEntries() {
        // 5+5 and 3+3 tie on count and last time: the problem's text decides. 9-9 has no date and
        // so counts as the oldest.
        const QStringList text{kRule,
                               "Numio - 1.3.2024 9:00:00",
                               kDashes,
                               "5+5=10   <1>",
                               "3+3=6   <1>",
                               "2*2=4   <1>",
                               kRule,
                               "Numio - ?",
                               kDashes,
                               "9-9=0   <1>",
                               "2*2=4   <1>",
                               kRule,
                               "Numio - 2.3.2024 9:00:00",
                               kDashes,
                               "4:2=2   <1>",
                               "2*2=4   <1>"};
        const Journal j = parseJournal(crlf(text));
        QCOMPARE(described(j.missed),
                 (QStringList{"2,2,4,3 x3 2.3. 9:00", "4,2,2,4 x1 2.3. 9:00", "3,3,6,1 x1 1.3. 9:00",
                              "5,5,10,1 x1 1.3. 9:00", "9,9,0,2 x1 "}));
        QCOMPARE(j.missed[0].problem, "2*2");
        QCOMPARE(practiceEntries(j, 2), (QStringList{"2,2,4,3", "4,2,2,4"}));
    }

    // Times around the spring change come out as the local clock showed them, an hour apart in fact.
    void daylightSavingChange() {
        const QStringList text =
            block("1.3.2024 1:30:00", {}, 1, 0, 1, 100) + block("31.3.2024 1:30:00", {}, 1, 0, 1, 100) +
            block("31.3.2024 3:30:00", {}, 1, 0, 1, 100) + block("30.4.2024 1:30:00", {}, 1, 0, 1, 100) +
            block("27.10.2024 3:30:00", {}, 1, 0, 1, 100);
        const Journal j = parseJournal(crlf(text));
        QCOMPARE(j.exams.size(), 5);
        const QList<QDateTime> local{
            QDateTime(QDate(2024, 3, 1), QTime(1, 30)), QDateTime(QDate(2024, 3, 31), QTime(1, 30)),
            QDateTime(QDate(2024, 3, 31), QTime(3, 30)), QDateTime(QDate(2024, 4, 30), QTime(1, 30)),
            QDateTime(QDate(2024, 10, 27), QTime(3, 30))};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(j.exams[i].when, local[i]);
            QCOMPARE(j.exams[i].when.toString(u"d.M.yyyy H:mm"), local[i].toString(u"d.M.yyyy H:mm"));
        }
        QCOMPARE(j.exams[1].when.secsTo(j.exams[2].when), 3600);
        QCOMPARE(j.exams[0].when.offsetFromUtc(), 3600);
        QCOMPARE(j.exams[3].when.offsetFromUtc(), 7200);
        QCOMPARE(j.exams[4].when.offsetFromUtc(), 3600);
    }
};

QTEST_GUILESS_MAIN(TestJournal)
#include "test_journal.moc"
