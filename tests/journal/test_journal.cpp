#include "journal/journal.h"
#include "journal/journal_folder.h"
#include "journal/protocol_file.h"
#include "journal/protocol_writer.h"
#include "platform/text_files.h"
#include "support/data.h"
#include "support/fakes.h"
#include "support/files.h"

#include <QPoint>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace numio;
using namespace numio::test;

// Journals written through the program's own writer into a real file, read back decoded.
struct Writing {
    QTemporaryDir dir;
    LocalTextFiles files;
    PracticeState s;
    test::FixedClock clock;
    QLocale locale{QLocale::Czech, QLocale::Czechia};

    Writing& write(const char* kind, const char* answer = "") {
        if (!s.fso)
            s.fso = &files, s.bProtokol = true, s.ProtokolFile = dir.filePath("p.txt"), openProtocol(s);
        WriteProtokol(kind, s, answer, clock, locale);
        return *this;
    }
    Writing& in(const QLocale& l) { return locale = l, *this; }
    Writing& init(int day, int month, int hour, int minute = 0) {
        return clock.time = QDateTime(QDate(2024, month, day), QTime(hour, minute, 7)), write("INIT");
    }
    Writing& log(int a, const char* sign, int b, int c, const char* answer) {
        return s.A = a, s.Rezim = sign, s.B = b, s.C = c, write("LOG", answer);
    }
    Writing& limit(int minutes) { return s.nLimitSady = minutes, write("LIMIT"); }
    Writing& finish(int problems, int wrong) {
        return s.nPrikladID = problems, s.nSpatne = wrong, write("FINISH");
    }
    Writing& shutdown() { return writeShutdownLine(s), openProtocol(s), *this; }
    QString text() { return files.readAll(s.ProtokolFile); }
};

// "14.3. 10:05:07 20/1 z1 95% | 7,8,15,1 x1 14.3. 10:05:07 | 0 unreadable, 20/1": the examinations
// (L: the set ran out of time, P: interrupted, S/V/R: a set, plain practice, a repeat), the missed problems
// in their order, the unreadable lines, the totals.
static QString summaryOf(const Journal& j) {
    const auto when = [](const QDateTime& t) {
        return t.isValid() ? t.toString(u"d.M. H:mm:ss").toUtf8() : QByteArray("?");
    };
    QStringList exams, missed;
    for (const Examination& e : j.exams)
        exams << QString::asprintf("%s %d/%d z%d %d%%%s%s%s", when(e.when).data(), e.problems, e.wrong,
                                   e.grade, e.successRate, e.limitReached ? " L" : "",
                                   e.interrupted ? " P" : "",
                                   std::array{"", " S", " V", " R"}[std::size_t(e.kind)]);
    for (const MissedProblem& m : j.missed)
        missed << QString::asprintf("%s x%d %s", qPrintable(m.entry), m.count, when(m.last).data());
    return exams.join("; ") + " | " + missed.join("; ") +
           QString::asprintf(" | %d unreadable, %lld/%lld", j.unreadableLines, j.totalProblems, j.totalWrong);
}

static QString summary(const QString& text) {
    return summaryOf(parseJournal(text));
}

// Sets the stop flag as the reading begins, as the class overview closed meanwhile would from its
// own thread; keeps the size of each reading's text.
struct StoppingFiles : LocalTextFiles {
    std::atomic<bool>* stopWhenRead = nullptr;
    QVector<qsizetype> read;
    QString readEntry(const FileEntry& entry, const std::atomic<bool>* stop) override {
        if (stopWhenRead)
            stopWhenRead->store(true);
        QString text = LocalTextFiles::readEntry(entry, stop);
        read << text.size();
        return text;
    }
};

class TestJournal : public QObject {
    Q_OBJECT

  private slots:
    void journals_data() {
        columns<QString, QString>({"text", "expected"});
        Writing a, b;
        a.init(14, 3, 10, 5).log(7, "+", 8, 15, "14").log(12, "-", 5, 7, "6").finish(20, 2);
        a.init(14, 3, 10, 31).log(6, "*", 7, 42, "48").limit(10).finish(14, 1);
        a.init(15, 3, 8).log(12, ":", 3, 4, "3").shutdown().init(16, 3, 8).finish(5, 5);
        row("written: two blocks, limit, closed during a third", a.text(),
            "14.3. 10:05:07 20/2 z1 90%; 14.3. 10:31:07 14/1 z1 92% L; 15.3. 8:00:07 0/0 z0 0% P; "
            "16.3. 8:00:07 5/5 z5 0% | 12,3,4,4 x1 15.3. 8:00:07; 6,7,42,3 x1 14.3. 10:31:07; 12,5,7,2 x1 "
            "14.3. 10:05:07; "
            "7,8,15,1 x1 14.3. 10:05:07 | 0 unreadable, 39/8");
        // Named blocks: a set, a repeat (no part of the totals), an interrupted plain practice with what it
        // had answered, and one interrupted before its first answer.
        Writing c;
        c.s.journalName = "Eva", c.s.bPocitejSady = true, c.s.nSada = 20;
        c.init(1, 4, 8).log(7, "+", 8, 15, "14").finish(20, 1);
        c.s.bPocitejSady = false, c.s.bOpravy = true;
        c.init(1, 4, 9).log(7, "+", 8, 15, "16").finish(1, 1);
        c.s.bOpravy = false, c.s.bPocitej = true;
        c.init(2, 4, 8).log(12, "-", 5, 7, "6");
        c.s.nPrikladID = 7, c.s.nSpatne = 2;
        c.shutdown().init(3, 4, 8);
        c.s.nPrikladID = c.s.nSpatne = 0;
        c.shutdown();
        row("written with a name", c.text(),
            "1.4. 8:00:07 20/1 z1 95% S; 1.4. 9:00:07 1/1 z5 0% R; 2.4. 8:00:07 7/2 z0 0% P V | 7,8,15,1 x2 "
            "1.4. 9:00:07; 12,5,7,2 x1 2.4. 8:00:07 | 0 unreadable, 27/3");
        // Most missed first, then the latest: the file's order of days is not the calendar's.
        b.init(3, 5, 9).log(6, "*", 7, 42, "48").log(9, "-", 4, 5, "").finish(10, 2);
        b.init(5, 5, 9).log(6, "*", 7, 42, "").log(9, "-", 4, 5, "6").finish(10, 2);
        b.init(4, 5, 9).log(6, "*", 7, 42, "36").log(2, "+", 2, 4, "5").finish(10, 2);
        row("written: missed on three days, timed out", b.text(),
            "3.5. 9:00:07 10/2 z2 80%; 5.5. 9:00:07 10/2 z2 80%; 4.5. 9:00:07 10/2 z2 80% | 6,7,42,3 x3 "
            "5.5. 9:00:07; 9,4,5,2 x2 5.5. 9:00:07; 2,2,4,1 x1 4.5. 9:00:07 | 0 unreadable, 30/6");
        // Damaged copies of one written block; without its FINISH record only the LOG line counts.
        const QString one = Writing().init(14, 3, 10, 5).log(7, "+", 8, 15, "14").finish(20, 1).text();
        const QString read = "14.3. 10:05:07 20/1 z1 95% | 7,8,15,1 x1 14.3. 10:05:07 | %1 unreadable, 20/1";
        const QString open = " | 7,8,15,1 x1 14.3. 10:05:07 | %1 unreadable, 0/0";
        const auto with = [&](const char* from, const char* to) { return QString(one).replace(from, to); };
        row("LF endings, blanks left, no last break", with("\r\n", " \t\n").chopped(1), read.arg(0));
        // As an editor saves it: a NUL in a line (the code pages are the text files' own table).
        const QByteArray bytes = QStringEncoder("windows-1250")(one);
        row("NUL in the LOG line", decodeLines(QByteArray(bytes).replace("<14>", QByteArray("<14>\0", 5))),
            "14.3. 10:05:07 20/1 z1 95% |  | 1 unreadable, 20/1");
        QTest::newRow("examination running") << one.left(one.indexOf("\r\n\r\n") + 2) << open.arg(0);
        QTest::newRow("cut inside FINISH") << one.left(one.indexOf("Špatně")) << open.arg(1);
        QTest::newRow("no wrong count") << with("Špatně : 1\r\n", "") << open.arg(3);
        QTest::newRow("more wrong than problems") << with("Špatně : 1", "Špatně : 21") << open.arg(4);
        QTest::newRow("printed grade disagrees") << with("Známka : 1", "Známka : 4") << read.arg(0);
        QTest::newRow("grade line garbled") << with("Známka : 1", "x") << read.arg(1);
        QTest::newRow("note typed in") << with("<14>", "<14>\r\nbyl nemocný") << read.arg(1);
        QTest::newRow("LOG after FINISH") << one + "7+8=15   <14>\r\n" << read.arg(1);
        QTest::newRow("rule line lost") << one.mid(66) << read.arg(0);
        // A date alone stands for midnight.
        QTest::newRow("date alone") << with(" 10:05:07", "") << read.arg(0).replace("10:05:07", "0:00:00");
        row("date unreadable", with("14.3.2024 10:05:07", "včera"),
            "? 20/1 z1 95% | 7,8,15,1 x1 ? | 0 unreadable, 20/1");
        row("problems that do not add up",
            with("<14>", "<14>\r\n7+8=16   <1>\r\n0:0=5   <1>\r\n200*200=40000   <1>\r\n07+8=15   <1>"),
            read.arg(4));
    }
    void journals() {
        const auto [text, expected] = fetch<QString, QString>("text", "expected");
        QCOMPARE(summary(text), expected);
    }

    // A period keeps its blocks' examinations and misses and counts them again; undated ones only
    // belong to the whole history.
    void periods() {
        Writing w;
        w.init(14, 3, 10).log(7, "+", 8, 15, "14").finish(20, 2).init(16, 3, 8).log(6, "*", 7, 42, "4");
        w.finish(5, 1).init(17, 3, 8).log(6, "*", 7, 42, "4");
        const Journal j = parseJournal(w.text() + QString(64, u'_') + "\r\nNumio - včera\r\n" +
                                       QString(35, u'-') + "\r\n\r\nPříkladů celkem : 9\r\nŠpatně : 0\r\n");
        const auto in = [&](QDate from, QDate to) { return summaryOf(within(j, {from, to})); };
        QCOMPARE(in({}, {}), summaryOf(j));
        QCOMPARE(in(QDate(2024, 3, 15), {}),
                 "16.3. 8:00:07 5/1 z2 80% | 6,7,42,3 x2 17.3. 8:00:07 | 0 unreadable, 5/1");
        QCOMPARE(in({}, QDate(2024, 3, 14)),
                 "14.3. 10:00:07 20/2 z1 90% | 7,8,15,1 x1 14.3. 10:00:07 | 0 unreadable, 20/2");
        QCOMPARE(in(QDate(2024, 3, 18), QDate(2024, 3, 31)), " |  | 0 unreadable, 0/0");
    }

    // A stopped reading of a large journal ends early and says so.
    void readingStops_data() {
        columns<bool, bool, QString>({"before", "whileReading", "problem"});
        row("not stopped", false, false, QString());
        row("stopped before", true, false, kReadingStopped.toString());
        row("stopped while reading", false, true, kReadingStopped.toString());
    }
    void readingStops() {
        const auto [before, whileReading, problem] =
            fetch<bool, bool, QString>("before", "whileReading", "problem");
        QTemporaryDir dir;
        const QString block = Writing().init(14, 3, 10).log(7, "+", 8, 15, "14").finish(20, 1).text();
        const QByteArray bytes = QByteArray(QStringEncoder("windows-1250")(block)).repeated(5000);
        QVERIFY(writeFile(dir.filePath("p.txt"), bytes));
        std::atomic<bool> stop = before;
        StoppingFiles files;
        files.stopWhenRead = whileReading ? &stop : nullptr;
        const PupilJournal p = readPupilJournal(FileEntry{dir.filePath("p.txt")}, files, &stop);
        QCOMPARE(p.problem(), problem);
        QCOMPARE(p.stopped(), !problem.isEmpty());
        QCOMPARE(p.journal.exams.size(), problem.isEmpty() ? 5000 : 0);
        QCOMPARE(files.read, QVector<qsizetype>{problem.isEmpty() ? bytes.size() : 0});
    }

    // Dates written under one locale read back under it, or under another when a day above 12 in the
    // file shows the order: the same days, also where day and month could be swapped, and midnight.
    void datesRoundTrip_data() {
        QTest::addColumn<QString>("locales"); // written>read
        for (const char* name : {"cs_CZ", "en_US", "de_DE", "es_ES", "en_AU", "C", "en_US>es_ES",
                                 "es_ES>en_US", "ar_EG", "el_GR", "bg_BG", "ja_JP", "ko_KR", "zh_CN"})
            QTest::newRow(name) << name;
    }
    void datesRoundTrip() {
        QFETCH(QString, locales);
        const QString written = locales.section('>', 0, 0), read = locales.section('>', -1);
        Writing w;
        w.in(QLocale(written));
        QStringList days{"6.12.", "12.6.", "2.1."};
        if (written != read)
            days << "25.12.";
        for (const QString& day : days)
            w.init(day.section('.', 0, 0).toInt(), day.section('.', 1, 1).toInt(), 0).finish(1, 0);
        // ASCII digits, the date's separators, at most the half of a 12-hour day: no time zone.
        const QRegularExpression title("^Numio - [0-9A-Za-z./ -]+ [0-9]+:[0-9]{2}:[0-9]{2}( [AP]M)?$");
        for (const QString& line : w.text().split("\r\n").filter("Numio - "))
            QVERIFY2(title.match(line).hasMatch(), qPrintable(line));
        QStringList back;
        for (const Examination& e : parseJournal(w.text(), QLocale(read)).exams)
            back << e.when.toString(u"d.M.") + e.when.toString(u" H:mm:ss").remove(" 0:00:07");
        QCOMPARE(back, days);
    }

    // Most-missed practice asks only what these settings ask: ranges, operations, chosen rows,
    // crossing ten; a hand-edited journal may hold anything.
    void practiceOnlyWhatTheSettingsAsk_data() {
        columns<QString, int, int, QString, QString>({"ops", "maxValue", "maxValueX", "rules", "kept"});
        row("ranges", QString("+-*"), 100, 10, QString(),
            QString("7,8,15,1 5,5,0,2 12,5,7,2 6,7,42,3 7,8,56,3 8,7,56,3 1,8,8,3 3,4,7,1"));
        row("the 7s both ways without crossing ten", QString("+-*:"), 20, 1, QString("7 without"),
            QString("5,5,0,2 6,7,42,3 7,8,56,3 8,7,56,3 56,7,8,4 3,4,7,1"));
        row("rows 6 to 8, largest table left at 1", QString("*:"), 10, 1, QString("678"),
            QString("6,7,42,3 7,8,56,3 8,7,56,3 1,8,8,3 56,7,8,4 48,6,8,4"));
        row("with crossing ten only", QString("+-"), 20, 1, QString("with"), QString("7,8,15,1 12,5,7,2"));
    }
    void practiceOnlyWhatTheSettingsAsk() {
        const auto [ops, maxValue, maxValueX, rules, kept] =
            fetch<QString, int, int, QString, QString>("ops", "maxValue", "maxValueX", "rules", "kept");
        Journal j;
        for (const char* entry : {"5,7,-2,2", "7,8,15,1", "1000,1000,2000,1", "0,5,5,1", "60,60,120,1",
                                  "5,5,0,2", "12,5,7,2", "6,7,42,3", "6,11,66,3", "11,7,77,3", "7,8,56,3",
                                  "8,7,56,3", "1,8,8,3", "56,7,8,4", "48,6,8,4", "3,4,7,1", "7,8,15,1,0"})
            j.missed.push_back({QString(), entry, 1, QDateTime()});
        StoredSettings s;
        s.nMaxValue = Integer(maxValue), s.nMaxValueX = Integer(maxValueX);
        s.bPlus = ops.contains('+'), s.bMinus = ops.contains('-'), s.bKrat = ops.contains('*');
        s.bDeleno = ops.contains(':');
        for (int row = 1; row <= 9; ++row)
            if (rules.contains(QString::number(row)))
                s.chosenTablesOnly = true, s.chosenTables.set(row);
        s.crossingTen = rules.contains("without") ? CrossingTen::Without
                        : rules.contains("with")  ? CrossingTen::With
                                                  : CrossingTen::Any;
        const QStringList expected = kept.split(' ');
        QCOMPARE(practiceEntries(j, 150, s), expected);
        QCOMPARE(practiceEntries(j, 2, s), expected.mid(0, 2));
    }

    // The trend weighs each examination by its problems; one-problem practices and short repeat runs
    // do not move it, and before any examination that does there is none.
    void trendCountsProblems() {
        const auto journal = [](const QList<QPoint>& runs) { // problems, wrong
            Journal j;
            for (const QPoint& r : runs) {
                const Score score = scoreOf(r.x(), r.y());
                j.exams.push_back({QDateTime(), r.x(), r.y(), score.grade, score.successRate, false});
            }
            return j;
        };
        const auto texts = [](const QList<double>& values) {
            QStringList t;
            for (double v : values)
                t << QString::number(v, 'f', 1);
            return t.join(' ');
        };
        const QList<QPoint> shortRuns{{1, 1}, {2, 2}, {5, 5}};
        QCOMPARE(texts(movingAverage(journal({{1, 0}, {10, 0}, {1, 1}, {30, 15}, {2, 2}, {20, 5}}).exams, 2)),
                 "nan 100.0 100.0 62.5 62.5 60.0");
        QVERIFY(!compareLastTen(journal(QList<QPoint>(10, {20, 2}) + shortRuns)));
        QList<QPoint> runs = QList<QPoint>{{100, 50}} + QList<QPoint>(9, {20, 4});
        for (int i = 0; i < 10; ++i)
            runs << QPoint(20, 2) << shortRuns[i % 3];
        const WindowComparison c = compareLastTen(journal(runs)).value();
        QCOMPARE(texts({c.lastRate, c.previousRate, c.lastGrade, c.previousGrade, double(c.previousCount)}),
                 "90.0 69.3 1.0 2.4 10.0");
    }

    // Better or worse only once both sides hold three examinations of six problems or more; short
    // tries, repeats and interrupted ones (s, r, i) never count. g: 20 problems, 2 wrong; b: 10 wrong.
    void trendWaitsForBothSides_data() {
        columns<QString, QString>({"runs", "shown"});
        const QString eleventh = "Srovnání bude k dispozici od 11. zkoušení s alespoň 6 příklady.";
        const QString both =
            "Zlepšení či zhoršení se ukáže, až budou v obou desítkách aspoň 3 zkoušení s alespoň 6 příklady.";
        row("none", QString(), eleventh);
        row("ten and short tries", QString("bbbgggggggsss"), eleventh);
        row("one before ten", QString("bgggggggggg"), both);
        row("two before ten, others between", QString("bsribgggggggggg"), both);
        row("three before ten", QString("bbbgggggggggg"), QString("40.0"));
        row("three before, shorts among ten", QString("bbbgsgsgsgsgsgsgsgsgsgs"), QString("40.0"));
        row("ten against ten, older left out", QString("bbbggggggggggbbbbbbbbbb"), QString("-40.0"));
    }
    void trendWaitsForBothSides() {
        const auto [runs, shown] = fetch<QString, QString>("runs", "shown");
        Journal j;
        for (const QChar r : runs) {
            const int problems = r == 's' ? 5 : 20, wrong = r == 'g' ? 2 : r == 'b' ? 10 : problems;
            const Score score = scoreOf(problems, wrong);
            j.exams.push_back({QDateTime(), problems, wrong, score.grade, score.successRate, false,
                               r == 'r' ? PracticeKind::Repeat : PracticeKind::Set, r == 'i'});
        }
        const TrendOutcome t = trendOf(j);
        QCOMPARE(t.change ? QString::number(*t.change, 'f', 1) : t.pending, shown);
        QCOMPARE(summarise(j).trend, t.change);
    }
};

QTEST_GUILESS_MAIN(TestJournal)
#include "test_journal.moc"
