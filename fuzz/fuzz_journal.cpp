// Feeds arbitrary bytes, decoded as the program reads its protocol, to the journal parser and
// checks what must hold for any input.
#include "journal/journal.h"
#include "platform/text_files.h"

#include <algorithm>
#include <cmath>

#include <cstdint>
#include <cstdlib>
#include <limits>

using namespace numio;

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

qint64 stamp(const QDateTime& t) {
    return t.isValid() ? t.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min();
}

// The practice settings from the input's first byte: which operations, sums to 10 or 100, tables to
// 5 or 10, crossing ten any, with or without.
StoredSettings practiceSettings(QByteArrayView bytes) {
    const int b = bytes.isEmpty() ? 0xff : std::uint8_t(bytes.front());
    StoredSettings s;
    s.bPlus = b & 1;
    s.bMinus = b & 2;
    s.bKrat = b & 4;
    s.bDeleno = b & 8;
    s.nMaxValue = b & 16 ? 100 : 10;
    s.nMaxValueX = b & 32 ? 10 : 5;
    s.crossingTen = CrossingTen((b >> 6) % 3);
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(data, qsizetype(size));
    const QString text = decodeLines(bytes);
    // Read in pieces, as a large file is, it is the same text.
    QString pieces;
    LineDecoder decoder(pieces);
    for (qsizetype at = 0, step = 1; at < bytes.size(); at += step, step = step * 3 % 17 + 1)
        decoder.feed(bytes.sliced(at, std::min(step, bytes.size() - at)));
    decoder.finish();
    check(pieces == text);
    const Journal j = parseJournal(text);

    check(j.unreadableLines >= 0 && j.unreadableLines <= text.count(u'\n') + text.count(u'\r') + 1);
    qint64 problems = 0, wrong = 0;
    for (const Examination& e : j.exams) {
        check(e.problems >= (e.interrupted ? 0 : 1) && e.wrong >= 0 && e.wrong <= e.problems);
        if (e.interrupted)
            check(e.grade == 0 && e.successRate == 0);
        else
            check(e.grade >= 1 && e.grade <= 5 && e.successRate >= 0 && e.successRate <= 100);
        if (e.counts()) {
            problems += e.problems;
            wrong += e.wrong;
        }
    }
    check(problems == j.totalProblems && wrong == j.totalWrong);
    // Every miss sits in one block, in file order.
    qint32 at = 0;
    for (const MissBlock& b : j.missBlocks) {
        check(b.from == at && b.to > b.from);
        at = b.to;
    }
    check(at == j.missLog.size());
    // A period's journal never holds more than the whole.
    const Journal part = within(j, Period{QDate(2020, 1, 1), QDate(2030, 1, 1)});
    check(part.exams.size() <= j.exams.size() && part.totalProblems <= j.totalProblems &&
          part.missed.size() <= j.missed.size());

    for (qsizetype i = 0; i < j.missed.size(); ++i) {
        const MissedProblem& m = j.missed[i];
        const std::optional<RepeatEntry> entry = RepeatEntry::parse(m.entry);
        check(m.count >= 1 && entry && entry->text() == m.entry && entry->problem() == m.problem);
        if (i > 0) {
            const MissedProblem& p = j.missed[i - 1];
            const qint64 a = stamp(p.last), b = stamp(m.last);
            check(p.count > m.count || (p.count == m.count && (a > b || (a == b && p.problem < m.problem))));
        }
    }

    if (const std::optional<Score> s = overallScore(j))
        check(s->grade >= 1 && s->grade <= 5 && s->successRate >= 0 && s->successRate <= 100);
    for (double a : movingAverage(j.exams, 10))
        check(std::isnan(a) || (a >= 0 && a <= 100));
    if (const std::optional<WindowComparison> c = compareLastTen(j))
        check(c->lastCount == 10 && c->previousCount >= 1 && c->previousCount <= 10);
    check(practiceEntries(j, 150, practiceSettings(bytes)).size() <=
          std::min<qsizetype>(150, j.missed.size()));

    // The date reader alone, on the first line of the input.
    parseProtocolDateTime(QStringView(text).left(text.indexOf(u'\n')));
    return 0;
}
