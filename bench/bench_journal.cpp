// How long a big protocol takes to read, to parse and to show as an overview. Prints figures; never fails.
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
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

// Every operation on, sums to 100, tables to 10.
static numio::StoredSettings everyOperation() {
    numio::StoredSettings s;
    s.nMaxValue = 100;
    s.nMaxValueX = 10;
    s.bPlus = s.bMinus = s.bKrat = s.bDeleno = true;
    return s;
}

using namespace numio;
using bench::PrintingDialogs;

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

        QElapsedTimer total;
        total.start();
        const long long cpuAtStart = bench::processCpuNs();
        QElapsedTimer timer;
        timer.start();
        const QString text = files.readAll(path);
        std::printf("read and decode: %lld ms\n", timer.elapsed());

        timer.restart();
        const Journal journal = parseJournal(text);
        std::printf("parse: %lld ms (%lld examinations, %lld different problems missed, %d lines unread)\n",
                    timer.elapsed(), static_cast<long long>(journal.exams.size()),
                    static_cast<long long>(journal.missed.size()), journal.unreadableLines);

        // The first opening, its library loaded on the way, as the program does it.
        timer.restart();
        IniSettingsStore store(protocol.dir.path());
        const long long cpuBefore = bench::processCpuNs();
        const std::unique_ptr<QDialog> window =
            numio::loadReports().createOverview(journal, path, store, dialogs, everyOperation(), nullptr);
        window->show();
        QApplication::processEvents();
        std::printf("overview loaded, built and shown: %lld ms, %.0f ms CPU\n", timer.elapsed(),
                    double(bench::processCpuNs() - cpuBefore) / 1e6);
        std::printf("from file to window: %lld ms, %.0f ms CPU (target < 500)\n", total.elapsed(),
                    double(bench::processCpuNs() - cpuAtStart) / 1e6);
    } catch (const Failure& f) {
        std::printf("%s\n", qPrintable(f.messageText()));
    }
    return 0;
}
