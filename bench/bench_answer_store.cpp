// The answer store on a real file in a temporary folder: how long one record() takes, how many bytes
// an answer costs on disk, and how long the tries of 100,000 answers take to read. Prints figures;
// never fails.
#include "answers/sqlite_answer_store.h"
#include "bench_common.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <random>

using namespace numio;

namespace {

constexpr int kTimed = 2000;
constexpr int kMany = 100000;

// Answers as a pupil gives them: the four operations, mostly right, a few seconds apart.
class Pupil {
  public:
    AnswerRecord next() {
        AnswerRecord r;
        r.at = at_ += 2 + roll(8);
        r.pupil = QStringLiteral("Jan Novák");
        r.mode = AnswerMode(1 + roll(5));
        const int op = 1 + roll(4), x = 1 + roll(10), y = 1 + roll(10);
        r.fact = op == 1   ? Fact{1, x * 5, y * 5}
                 : op == 2 ? Fact{2, x * 10, y * 5}
                 : op == 3 ? Fact{3, x, y}
                           : Fact{4, x * y, y};
        r.expected = r.fact.result();
        r.outcome = roll(10)  ? AnswerOutcome::Right
                    : roll(2) ? AnswerOutcome::Wrong
                              : AnswerOutcome::TimedOut;
        r.typed = r.outcome == AnswerOutcome::TimedOut
                      ? QString()
                      : QString::number(r.expected + (r.outcome == AnswerOutcome::Wrong));
        r.ms = 600 + roll(7000);
        return r;
    }

  private:
    int roll(int n) { return int(rng_() % unsigned(n)); }
    std::mt19937 rng_{20250314};
    qint64 at_ = 1700000000;
};

qint64 onDisk(const QString& path) {
    return QFileInfo(path).size() + QFileInfo(path + QStringLiteral("-wal")).size();
}

void run(const QString& folder) {
    Pupil pupil;
    {
        const auto store = SqliteAnswerStore::open(folder + QStringLiteral("/timed.sqlite")).store;
        std::vector<double> us;
        for (int i = 0; i < kTimed; ++i) {
            const AnswerRecord r = pupil.next();
            const long long start = bench::monotonicNs();
            store->record(r);
            us.push_back(double(bench::monotonicNs() - start) / 1e3);
        }
        const bench::Spread s = bench::spread(us);
        std::printf("== Answer store (SQLite, WAL, synchronous=NORMAL; a real file)\n");
        std::printf("  %-40s %9s %9s %9s\n", "", "median", "p99", "max");
        std::printf("  %-40s %6.0f us %6.0f us %6.0f us\n", "record() of one answer, 2,000 answers", s.median,
                    s.p99, s.max);
    }
    const QString path = folder + QStringLiteral("/many.sqlite");
    int recorded = 0;
    for (const int upTo : {10000, kMany}) {
        {
            const auto store = SqliteAnswerStore::open(path).store;
            for (; recorded < upTo; ++recorded)
                store->record(pupil.next());
        } // closing checkpoints the log into the file
        std::printf("  bytes per answer after %7d answers: %5.1f (file and log after a checkpoint)\n", upTo,
                    double(onDisk(path)) / upTo);
    }
    std::vector<bench::Timing> opens, reads, readOnly;
    for (int round = 0; round < 5; ++round) {
        std::unique_ptr<SqliteAnswerStore> store;
        opens.push_back(bench::timed([&] { store = SqliteAnswerStore::open(path).store; }));
        qsizetype facts = 0;
        reads.push_back(bench::timed([&] { facts = store->knowledge().facts.size(); }));
        readOnly.push_back(
            bench::timed([&] { facts += SqliteAnswerStore::readKnowledge(path).facts.size(); }));
        if (round == 0)
            std::printf("  (%lld facts among %d answers)\n", static_cast<long long>(facts / 2), kMany);
    }
    const auto print = [](const char* what, const bench::Timing& t) {
        std::printf("  %-40s %6.1f ms wall, %6.1f ms CPU (median of 5)\n", what, t.wallMs, t.cpuMs);
    };
    print("open() of 100,000 answers, with its check", bench::median(opens));
    print("knowledge() of 100,000 answers", bench::median(reads));
    print("readKnowledge() of 100,000 answers", bench::median(readOnly));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    try {
        run(dir.path());
    } catch (const Failure& f) {
        std::printf("%s\n%s\n", qPrintable(f.messageText()), qPrintable(f.detail()));
    }
    return 0;
}
