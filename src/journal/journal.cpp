#include "journal/journal.h"

#include "core/generator.h"
#include "core/practice_state.h"
#include "core/scoring.h"
#include "journal/journal_format.h"
#include "platform/failure.h"
#include "platform/text_files.h"

#include <QHash>
#include <QtNumeric>

#include <algorithm>
#include <array>
#include <bit>
#include <limits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace numio {

namespace {

constexpr qint64 kNoStamp = std::numeric_limits<qint64>::min();

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// The rule and the dashes, which every block has, compared whole rather than a character at a time.
bool isRule(QStringView line) {
    static const QString rule(kJournalRuleLength, kJournalRuleChar);
    return line == rule;
}

bool isDashes(QStringView line) {
    static const QString dashes(kJournalDashesLength, kJournalDashChar);
    return line == dashes;
}

// A number as the writer puts it: digits, a minus only when negative, no leading zeros, and within
// the program's 16-bit Integer.
bool takeInteger(QStringView s, qsizetype& i, int& value, bool signAllowed) {
    const bool negative = signAllowed && i < s.size() && s[i] == u'-';
    if (negative)
        ++i;
    const qsizetype from = i;
    int v = 0;
    while (i < s.size() && isDigit(s[i])) {
        if (i - from == 5)
            return false;
        v = v * 10 + (s[i].unicode() - u'0');
        ++i;
    }
    if (i == from || (s[from] == u'0' && i - from > 1) || (negative && v == 0))
        return false;
    value = negative ? -v : v;
    return value >= -32768 && value <= 32767;
}

bool wholeInteger(QStringView s, int& value, bool signAllowed = false) {
    qsizetype i = 0;
    return takeInteger(s, i, value, signAllowed) && i == s.size();
}

// "A<op>B=C   <answer>", where C really is A op B.
bool parseLog(QStringView line, RepeatEntry& p) {
    qsizetype i = 0;
    if (!takeInteger(line, i, p.a, true) || i >= line.size())
        return false;
    // The signs once, not a string of each for every problem line.
    static const std::array<QString, 4> signs{operatorSign(1), operatorSign(2), operatorSign(3),
                                              operatorSign(4)};
    p.op = 0;
    for (int op = 1; op <= 4 && p.op == 0; ++op) {
        if (signs[std::size_t(op - 1)] == line[i])
            p.op = op;
    }
    if (p.op == 0)
        return false;
    ++i;
    if (!takeInteger(line, i, p.b, true) || i >= line.size() || line[i] != kJournalEquals)
        return false;
    ++i;
    if (!takeInteger(line, i, p.c, true) || !line.sliced(i).startsWith(kJournalAnswerStart) ||
        !line.endsWith(kJournalAnswerEnd) || line.size() < i + kJournalAnswerStart.size() + 1)
        return false;
    const long long a = p.a, b = p.b, c = p.c;
    switch (p.op) {
    case 1:
        return a + b == c;
    case 2:
        return a - b == c;
    case 3:
        return a * b == c;
    default:
        return b != 0 && b * c == a;
    }
}

// "Limit na počítání sady vypršel !! (10.min)"
bool isLimit(QStringView line) {
    if (!line.startsWith(kJournalLimitStart) || !line.endsWith(kJournalLimitEnd))
        return false;
    int minutes = 0;
    return wholeInteger(line.sliced(kJournalLimitStart.size(),
                                    line.size() - kJournalLimitStart.size() - kJournalLimitEnd.size()),
                        minutes, true);
}

bool countAfter(QStringView line, QStringView prefix, int& value) {
    return line.startsWith(prefix) && wholeInteger(line.sliced(prefix.size()), value) && value >= 0;
}

enum class Kind {
    Empty,
    Rule,
    Title,
    Dashes,
    Pupil,
    Practice,
    Answered,
    Log,
    Limit,
    Total,
    Wrong,
    Grade,
    Rate,
    Shutdown,
    Foreign
};

// "Odpovězeno před přerušením : 7, z toho špatně : 2"
bool isAnswered(QStringView line, int& answered, int& wrong) {
    if (!line.startsWith(kJournalAnswered))
        return false;
    qsizetype i = kJournalAnswered.size();
    if (!takeInteger(line, i, answered, false) || !line.sliced(i).startsWith(kJournalAnsweredWrong))
        return false;
    return wholeInteger(line.sliced(i + kJournalAnsweredWrong.size()), wrong) && wrong <= answered;
}

// Classifies by the first letter, so most lines are compared against one form only.
static_assert(kJournalTotal.front() == kJournalShutdown.front());
static_assert(kJournalPupil.front() != kJournalWrong.front() &&
              kJournalPractice.front() != kJournalRate.front());
Kind classify(QStringView line, RepeatEntry& problem, int& number, int& answeredWrong) {
    if (line.isEmpty())
        return Kind::Empty;
    switch (line.front().unicode()) {
    case kJournalRuleChar.unicode():
        return isRule(line) ? Kind::Rule : Kind::Foreign;
    case kJournalTitle.front().unicode():
        return line.startsWith(kJournalTitle) ? Kind::Title : Kind::Foreign;
    case kJournalLimitStart.front().unicode():
        return isLimit(line) ? Kind::Limit : Kind::Foreign;
    case kJournalTotal.front().unicode():
        if (countAfter(line, kJournalTotal, number))
            return Kind::Total;
        return line == kJournalShutdown ? Kind::Shutdown : Kind::Foreign;
    case kJournalWrong.front().unicode():
        return countAfter(line, kJournalWrong, number) ? Kind::Wrong : Kind::Foreign;
    case kJournalGrade.front().unicode():
        return countAfter(line, kJournalGrade, number) ? Kind::Grade : Kind::Foreign;
    case kJournalRate.front().unicode():
        // The printed rate is not used, but it must look like one.
        return line.startsWith(kJournalRate) && line.endsWith(kJournalRateEnd) &&
                       wholeInteger(line.sliced(kJournalRate.size(), line.size() - kJournalRate.size() - 1),
                                    number, true)
                   ? Kind::Rate
                   : Kind::Foreign;
    case kJournalDashChar.unicode():
        if (isDashes(line))
            return Kind::Dashes;
        break;
    case kJournalPupil.front().unicode():
        return line.startsWith(kJournalPupil) && line.size() > kJournalPupil.size() ? Kind::Pupil
                                                                                    : Kind::Foreign;
    case kJournalPractice.front().unicode():
        return line.startsWith(kJournalPractice) ? Kind::Practice : Kind::Foreign;
    case kJournalAnswered.front().unicode():
        return isAnswered(line, number, answeredWrong) ? Kind::Answered : Kind::Foreign;
    default:
        if (!isDigit(line.front()))
            return Kind::Foreign;
    }
    return parseLog(line, problem) ? Kind::Log : Kind::Foreign;
}

struct Missed {
    int count = 0;
    qint64 lastStamp = kNoStamp;
    QDateTime last;
};

qint64 stampOf(const QDateTime& when) {
    return when.isValid() ? when.toMSecsSinceEpoch() : kNoStamp;
}

// The most-missed list of the blocks `take` admits: count desc, then the latest miss, then the
// problem.
template <class Take> QVector<MissedProblem> aggregateMissed(const Journal& j, Take take) {
    std::vector<Missed> missed(std::size_t(j.missedEntries.size()));
    for (const MissBlock& b : j.missBlocks) {
        if (!take(b))
            continue;
        const qint64 stamp = stampOf(b.when);
        for (qint32 i = b.from; i < b.to; ++i) {
            Missed& m = missed[std::size_t(j.missLog[i])];
            ++m.count;
            if (stamp > m.lastStamp) {
                m.lastStamp = stamp;
                m.last = b.when;
            }
        }
    }
    std::vector<QString> texts(missed.size());
    std::vector<std::size_t> order;
    order.reserve(missed.size());
    for (std::size_t i = 0; i < missed.size(); ++i) {
        if (missed[i].count == 0)
            continue;
        texts[i] = j.missedEntries[qsizetype(i)].problem();
        order.push_back(i);
    }
    std::sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
        const Missed& a = missed[x];
        const Missed& b = missed[y];
        if (a.count != b.count)
            return a.count > b.count;
        if (a.lastStamp != b.lastStamp)
            return a.lastStamp > b.lastStamp;
        return texts[x] < texts[y];
    });
    QVector<MissedProblem> out;
    out.reserve(qsizetype(order.size()));
    for (std::size_t i : order)
        out.push_back({texts[i], j.missedEntries[qsizetype(i)].text(), missed[i].count, missed[i].last});
    return out;
}

PracticeKind practiceKind(QStringView words) {
    if (words.startsWith(kJournalPracticeSet))
        return PracticeKind::Set;
    if (words.startsWith(kJournalPracticePlain))
        return PracticeKind::Plain;
    if (words.startsWith(kJournalPracticeRepeat))
        return PracticeKind::Repeat;
    return PracticeKind::Unknown;
}

class Reader {
  public:
    Reader(ProtocolDates& dates, qsizetype textSize) : dates_(dates) {
        // A block as the writer writes it takes some two hundred characters and more. Room for that
        // many examinations spares a long journal growing the list over and over, each time moving
        // every examination and touching fresh memory.
        journal_.exams.reserve(textSize / 200);
    }

    void line(QStringView text) {
        RepeatEntry problem;
        int number = 0;
        int answeredWrong = 0;
        const Kind kind = classify(text, problem, number, answeredWrong);
        // A foreign line changes nothing around it: it may be a note added by hand.
        if (kind == Kind::Foreign) {
            ++journal_.unreadableLines;
            return;
        }

        // The FINISH record's lines must follow one another; anything else ends it.
        switch (at_) {
        case At::Counted:
            if (kind == Kind::Wrong) {
                finish(number);
                return;
            }
            ++journal_.unreadableLines; // a count of problems without the wrong ones tells nothing
            at_ = At::Outside;
            break;
        case At::Scored:
        case At::Graded:
            if (kind == Kind::Grade && at_ == At::Scored) {
                at_ = At::Graded;
                return;
            }
            at_ = At::Outside;
            if (kind == Kind::Rate)
                return;
            break;
        default:
            break;
        }

        const bool inBlock = at_ == At::Opened || at_ == At::Titled || at_ == At::Body;
        switch (kind) {
        case Kind::Empty:
            if (inBlock)
                at_ = At::Body;
            return;
        case Kind::Rule:
            open();
            return;
        case Kind::Title:
            // A block whose rule line was lost still starts here.
            if (at_ != At::Opened)
                open();
            title(text.sliced(kJournalTitle.size()));
            return;
        case Kind::Dashes:
            if (at_ == At::Opened || at_ == At::Titled) {
                at_ = At::Body;
                return;
            }
            break;
        case Kind::Pupil:
            if (inBlock) {
                journal_.pupil = text.sliced(kJournalPupil.size()).trimmed().toString();
                return;
            }
            break;
        case Kind::Practice:
            if (inBlock) {
                const QStringView words = text.sliced(kJournalPractice.size());
                kind_ = practiceKind(words);
                practice_ = words.toString();
                return;
            }
            break;
        case Kind::Answered:
            if (inBlock) {
                answered_ = number;
                answeredWrong_ = answeredWrong;
                return;
            }
            break;
        case Kind::Log:
            if (inBlock) {
                miss(problem);
                at_ = At::Body;
                return;
            }
            break;
        case Kind::Limit:
            if (inBlock) {
                limit_ = true;
                at_ = At::Body;
                return;
            }
            break;
        case Kind::Total:
            if (inBlock && number >= 1) {
                total_ = number;
                at_ = At::Counted;
                return;
            }
            break;
        case Kind::Shutdown:
            if (inBlock)
                interrupted();
            at_ = At::Outside;
            return;
        case Kind::Wrong:
        case Kind::Grade:
        case Kind::Rate:
        case Kind::Foreign:
            break;
        }
        // A record's line out of its place.
        ++journal_.unreadableLines;
    }

    Journal take() {
        if (at_ == At::Counted)
            ++journal_.unreadableLines;
        journal_.missed = aggregateMissed(journal_, [](const MissBlock&) { return true; });
        return std::move(journal_);
    }

  private:
    enum class At { Outside, Opened, Titled, Body, Counted, Scored, Graded };

    void open() {
        at_ = At::Opened;
        when_ = QDateTime();
        limit_ = false;
        total_ = 0;
        kind_ = PracticeKind::Unknown;
        practice_.clear();
        answered_ = -1;
        answeredWrong_ = 0;
        missBlock_ = -1;
    }

    void title(QStringView dateTime) {
        when_ = dates_.read(dateTime);
        at_ = At::Titled;
    }

    void add(Examination&& e) {
        if (e.counts()) {
            journal_.totalProblems += e.problems;
            journal_.totalWrong += e.wrong;
        }
        journal_.exams.push_back(std::move(e));
    }

    // The window closed during the block. It counts when it had answers: as many as its answered
    // line says, or, in a journal without one, some unknown number with its misses among them.
    void interrupted() {
        Examination e{when_, 0, 0, 0, 0, limit_, kind_, true, practice_};
        if (answered_ >= 0) {
            if (answered_ == 0)
                return;
            e.problems = answered_;
            e.wrong = answeredWrong_;
        } else if (missBlock_ < 0) {
            return;
        }
        add(std::move(e));
    }

    void finish(int wrong) {
        if (wrong > total_) {
            journal_.unreadableLines += 2;
            at_ = At::Outside;
            return;
        }
        const Score score = scoreOf(total_, wrong);
        add({when_, total_, wrong, score.grade, score.successRate, limit_, kind_, false, practice_});
        at_ = At::Scored;
    }

    void miss(const RepeatEntry& p) {
        // Operands and result are 16-bit, so the key holds them whole; C follows from them.
        const quint64 key = (quint64(quint16(p.a)) << 32) | (quint64(quint16(p.b)) << 16) | quint64(p.op);
        auto found = index_.constFind(key);
        if (found == index_.constEnd()) {
            found = index_.insert(key, qint32(journal_.missedEntries.size()));
            journal_.missedEntries.push_back(p);
        }
        if (missBlock_ < 0) {
            missBlock_ = journal_.missBlocks.size();
            const auto at = qint32(journal_.missLog.size());
            journal_.missBlocks.push_back({when_, at, at});
        }
        journal_.missLog.push_back(*found);
        journal_.missBlocks[missBlock_].to = qint32(journal_.missLog.size());
    }

    Journal journal_;
    At at_ = At::Outside;
    QDateTime when_;
    bool limit_ = false;
    int total_ = 0;
    PracticeKind kind_ = PracticeKind::Unknown;
    QString practice_;
    int answered_ = -1; // from the answered line; -1 without one
    int answeredWrong_ = 0;
    qsizetype missBlock_ = -1; // the block's MissBlock; -1 while it has no miss
    QHash<quint64, qint32> index_;
    ProtocolDates& dates_;
};

} // namespace

qsizetype lineEndAt(QStringView text, qsizetype from) {
    const char16_t* const begin = text.utf16();
    const char16_t* const end = begin + text.size();
    const char16_t* p = begin + from;
#if defined(__SSE2__)
    // A journal has millions of lines of a few tens of characters: eight are looked at a step.
    const __m128i lf = _mm_set1_epi16(u'\n');
    const __m128i cr = _mm_set1_epi16(u'\r');
    for (; end - p >= 8; p += 8) {
        const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int ends =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(chars, lf), _mm_cmpeq_epi16(chars, cr)));
        if (ends != 0)
            return p - begin + std::countr_zero(unsigned(ends)) / 2;
    }
#endif
    while (p < end && *p != u'\n' && *p != u'\r')
        ++p;
    return p - begin;
}

Journal parseJournal(const QString& text, const QLocale& locale) {
    ProtocolDates dates(text, locale);
    Reader reader(dates, text.size());
    forEachLine(text, [&](QStringView line) {
        // Blanks an editor may leave at the end.
        while (!line.isEmpty() && (line.back() == u' ' || line.back() == u'\t'))
            line.chop(1);
        reader.line(line);
    });
    return reader.take();
}

Journal readJournal(TextFiles& files, const QString& path, const QLocale& locale) {
    QString text;
    try {
        text = files.readAll(path);
    } catch (const Failure& f) {
        if (f.code() != kFileNotFound)
            throw;
    }
    return parseJournal(text, locale);
}

int Journal::countedExams() const {
    return int(std::count_if(exams.begin(), exams.end(), [](const Examination& e) { return e.counts(); }));
}

int Journal::repeatRuns() const {
    return int(exams.size()) - countedExams();
}

QDateTime Journal::lastExam() const {
    QDateTime last;
    for (const Examination& e : exams) {
        if (e.counts() && e.when.isValid() && (!last.isValid() || e.when > last))
            last = e.when;
    }
    return last;
}

Journal within(const Journal& journal, const Period& period) {
    if (period.whole())
        return journal;
    Journal out;
    out.unreadableLines = journal.unreadableLines;
    out.pupil = journal.pupil;
    out.missedEntries = journal.missedEntries;
    out.missLog = journal.missLog;
    for (const Examination& e : journal.exams) {
        if (!period.contains(e.when))
            continue;
        out.exams.push_back(e);
        if (e.counts()) {
            out.totalProblems += e.problems;
            out.totalWrong += e.wrong;
        }
    }
    for (const MissBlock& b : journal.missBlocks) {
        if (period.contains(b.when))
            out.missBlocks.push_back(b);
    }
    out.missed = aggregateMissed(out, [](const MissBlock&) { return true; });
    return out;
}

bool Period::contains(const QDateTime& when) const {
    if (whole())
        return true;
    if (!when.isValid())
        return false;
    const QDate day = when.date();
    return (!from.isValid() || day >= from) && (!to.isValid() || day <= to);
}

int Journal::undatedExams() const {
    return static_cast<int>(
        std::count_if(exams.begin(), exams.end(), [](const Examination& e) { return !e.when.isValid(); }));
}

bool Journal::chronological() const {
    for (qsizetype i = 0; i < exams.size(); ++i) {
        if (!exams[i].when.isValid() || (i > 0 && exams[i].when < exams[i - 1].when))
            return false;
    }
    return true;
}

Score scoreOf(qint64 problems, qint64 wrong) {
    // grade() adds right + 5 x wrong in 16 bits, which always fits up to 6553 problems.
    constexpr qint64 kDirect = 32767 / 5;
    if (problems <= kDirect)
        return {grade(Integer(problems), Integer(wrong)), successRate(Integer(problems), Integer(wrong))};
    // Over 6400 problems both figures have their steps at whole numbers of wrong answers: the rate at
    // every 64th, the grade's halves at 1600k + 800. Rounding wrong x 6400 / problems up keeps the
    // rate; stepping back off a half the true ratio lies below keeps the grade.
    constexpr qint64 kScaled = 6400;
    const qint64 numerator = wrong * kScaled; // fits: problems of a journal stay far below 2^49
    qint64 scaled = numerator / problems;
    if (numerator % problems != 0) {
        ++scaled;
        if (scaled % 1600 == 800)
            --scaled;
    }
    return scoreOf(kScaled, scaled);
}

std::optional<Score> overallScore(const Journal& journal) {
    if (journal.totalProblems < 1)
        return std::nullopt;
    return scoreOf(journal.totalProblems, journal.totalWrong);
}

bool movesTrend(const Examination& e) {
    return e.graded() && e.problems >= kTrendMinimumProblems;
}

namespace {

// Success rate and grade of a run of examinations, each weighed by its problems.
struct Pooled {
    qint64 problems = 0;
    qint64 right = 0;
    double gradeSum = 0;
    void add(const Examination& e, int sign = 1) {
        problems += qint64(sign) * e.problems;
        right += qint64(sign) * (e.problems - e.wrong);
        gradeSum += sign * double(e.grade) * e.problems;
    }
    double rate() const { return problems > 0 ? 100.0 * double(right) / double(problems) : qQNaN(); }
    double grade() const { return problems > 0 ? gradeSum / double(problems) : qQNaN(); }
};

} // namespace

QVector<double> movingAverage(const QVector<Examination>& exams, int window) {
    window = std::max(window, 1);
    QVector<double> out;
    out.reserve(exams.size());
    QVector<qsizetype> counted;
    Pooled pooled;
    for (const Examination& e : exams) {
        if (movesTrend(e)) {
            counted.push_back(out.size());
            pooled.add(e);
            if (counted.size() > window)
                pooled.add(exams[counted[counted.size() - window - 1]], -1);
        }
        out.push_back(pooled.rate());
    }
    return out;
}

std::optional<WindowComparison> compareLastTen(const Journal& journal) {
    constexpr qsizetype kWindow = 10;
    QVector<const Examination*> counted;
    for (const Examination& e : journal.exams)
        if (movesTrend(e))
            counted.push_back(&e);
    const qsizetype n = counted.size();
    if (n <= kWindow)
        return std::nullopt;
    const auto pool = [&](qsizetype from, qsizetype to) {
        Pooled p;
        for (qsizetype i = from; i < to; ++i)
            p.add(*counted[i]);
        return p;
    };
    const qsizetype split = n - kWindow;
    const qsizetype start = std::max<qsizetype>(0, split - kWindow);
    const Pooled last = pool(split, n), previous = pool(start, split);
    return WindowComparison{int(kWindow),    int(split - start), last.rate(),
                            previous.rate(), last.grade(),       previous.grade()};
}

TrendOutcome trendOf(const Journal& journal) {
    TrendOutcome t{compareLastTen(journal), std::nullopt, QString()};
    if (!t.windows)
        t.pending = QStringLiteral("Srovnání bude k dispozici od 11. zkoušení s alespoň 6 příklady.");
    else if (std::min(t.windows->lastCount, t.windows->previousCount) < kTrendLeastEachSide)
        t.pending = QStringLiteral("Zlepšení či zhoršení se ukáže, až budou v obou desítkách aspoň %1 "
                                   "zkoušení s alespoň %2 příklady.")
                        .arg(kTrendLeastEachSide)
                        .arg(kTrendMinimumProblems);
    else
        t.change = t.windows->change();
    return t;
}

QStringList practiceEntries(const Journal& journal, int limit, const StoredSettings& settings) {
    QStringList entries;
    for (qsizetype i = 0; i < journal.missed.size() && entries.size() < limit; ++i) {
        const std::optional<RepeatEntry> e = RepeatEntry::parse(journal.missed[i].entry);
        if (e && problemAdmitted(settings, e->op, e->a, e->b, e->c))
            entries << journal.missed[i].entry;
    }
    return entries;
}

} // namespace numio
