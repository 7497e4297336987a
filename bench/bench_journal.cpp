// How long a big protocol takes to read, to parse and to show as an overview, beside iconv turning
// the same file into UTF-16 as the floor of reading and decoding it. Prints figures; never fails.
#include "app/reports_loader.h"
#include "bench_common.h"
#include "bench_protocol.h"
#include "journal/journal.h"
#include "platform/failure.h"
#include "platform/settings_store.h"
#include "platform/text_files.h"
#include "reports/reports_plugin.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QProcess>

#include <cstdio>
#include <optional>
#include <sys/resource.h>

using namespace numio;
using bench::PrintingDialogs;
using bench::Timing;

namespace {

// Every operation on, sums to 100, tables to 10.
StoredSettings everyOperation() {
    StoredSettings s;
    s.nMaxValue = 100;
    s.nMaxValueX = 10;
    s.bPlus = s.bMinus = s.bKrat = s.bDeleno = true;
    return s;
}

double childrenCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto ms = [](const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// `iconv -f cp1250 -t utf-16le` of the file, its output thrown away: the process's wall time from
// its start and the CPU time it used. Nothing when iconv cannot be run.
std::optional<Timing> iconvRun(const QString& path) {
    QProcess iconv;
    iconv.setStandardOutputFile(QProcess::nullDevice());
    const double cpuBefore = childrenCpuMs();
    QElapsedTimer wall;
    wall.start();
    iconv.start(QStringLiteral("iconv"), {"-f", "cp1250", "-t", "utf-16le", path});
    if (!iconv.waitForFinished(120000) || iconv.exitStatus() != QProcess::NormalExit || iconv.exitCode() != 0)
        return std::nullopt;
    return Timing{double(wall.nsecsElapsed()) / 1e6, childrenCpuMs() - cpuBefore};
}

void print(const char* what, const Timing& t, const char* note = "") {
    std::printf("%-44s %6.0f ms wall, %6.0f ms CPU%s\n", what, t.wallMs, t.cpuMs, note);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const bench::LargeProtocol protocol;
    if (!protocol.written)
        return 0;
    const QString& path = protocol.path;

    LocalTextFiles files;
    PrintingDialogs dialogs;
    try {
        // Each step several times, the reading and iconv in turn so that both meet the same load.
        constexpr int kRounds = 5;
        std::vector<Timing> reads, iconvs, parses, wholes;
        bool iconvRan = true;
        for (int round = 0; round < kRounds; ++round) {
            QString text;
            reads.push_back(bench::timed([&] { text = files.readAll(path); }));
            if (const std::optional<Timing> floor = iconvRan ? iconvRun(path) : std::nullopt)
                iconvs.push_back(*floor);
            else
                iconvRan = false;
            parses.push_back(bench::timed([&] { parseJournal(text); }));
            text = QString();
            wholes.push_back(bench::timed([&] { parseJournal(files.readAll(path)); }));
        }
        // The first round may pay for memory the machine has not lent the process before.
        print("read and decode, first round", reads.front());
        std::printf("medians of %d rounds:\n", kRounds);
        const Timing read = bench::median(reads);
        print("read and decode", read);
        if (iconvRan) {
            const Timing floor = bench::median(iconvs);
            print("iconv -f cp1250 -t utf-16le, the same file", floor);
            std::printf("read and decode against iconv: %.2f wall, %.2f CPU (goal at most 1.5)\n",
                        read.wallMs / floor.wallMs, read.cpuMs / floor.cpuMs);
        } else {
            std::printf("(iconv could not be run: no floor)\n");
        }
        print("parse", bench::median(parses));
        print("file to journal (read, decode, parse)", bench::median(wholes));

        const Journal journal = parseJournal(files.readAll(path));
        std::printf("(%lld examinations, %lld different problems missed, %d lines unread)\n",
                    static_cast<long long>(journal.exams.size()),
                    static_cast<long long>(journal.missed.size()), journal.unreadableLines);

        // The first opening, its library loaded on the way, as the program does it.
        IniSettingsStore store(protocol.dir.path());
        const Timing shown = bench::timed([&] {
            const std::unique_ptr<QDialog> window = numio::loadReports().createOverview(
                journal, path, store, dialogs, everyOperation(), nullptr, nullptr, QString(), 0);
            window->show();
            QApplication::processEvents();
        });
        print("overview loaded, built and shown", shown);
        const Timing whole = bench::median(wholes);
        print("from file to window", {whole.wallMs + shown.wallMs, whole.cpuMs + shown.cpuMs},
              " (target < 500)");
    } catch (const Failure& f) {
        std::printf("%s\n", qPrintable(f.messageText()));
    }
    return 0;
}
