// How long a big protocol takes to read and to show. Prints figures; never fails.
#include "bench_common.h"
#include "bench_protocol.h"
#include "platform/failure.h"
#include "platform/text_files.h"
#include "ui/viewer/protocol_viewer.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <memory>
#include <utility>

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

        QElapsedTimer timer;
        timer.start();
        QString text;
        const bench::Timing read = bench::timed([&] { text = files.readAll(path); });
        std::printf("read and decode: %.0f ms, %.0f ms CPU (%lld characters)\n", read.wallMs, read.cpuMs,
                    static_cast<long long>(text.size()));

        timer.restart();
        std::unique_ptr<ProtocolViewer> made;
        const bench::Timing built =
            bench::timed([&] { made = std::make_unique<ProtocolViewer>(files, path, dialogs, nullptr); });
        ProtocolViewer& viewer = *made;
        viewer.show();
        QApplication::processEvents();
        std::printf(
            "viewer built from the file: %.0f ms, %.0f ms CPU (target < 500); shown: %lld ms (%lld lines)\n",
            built.wallMs, built.cpuMs, timer.elapsed(),
            static_cast<long long>(viewer.dfProtokol()->lineCount()));

        // The machine may be shared: the CPU time says what the view itself costs.
        timer.restart();
        const std::clock_t cpuBefore = std::clock();
        ProtocolText view;
        view.setPlainText(std::move(text)); // as the viewer hands it over: no copy
        std::printf("text set (lines indexed, CR LF dropped): %lld ms, %.0f ms of CPU\n", timer.elapsed(),
                    double(std::clock() - cpuBefore) * 1000.0 / CLOCKS_PER_SEC);

        // What a screen reader asks while reading near the end, each query repeated.
        QAccessibleTextInterface* reader =
            QAccessible::queryAccessibleInterface(viewer.dfProtokol())->textInterface();
        const int count = reader->characterCount();
        constexpr int kRounds = 1000;
        int first = 0;
        int last = 0;
        const auto perQuery = [&](const char* what, const auto& query) {
            QElapsedTimer t;
            t.start();
            for (int i = 0; i < kRounds; ++i)
                query(count - 1 - i * 7);
            std::printf("  %-28s %.2f us\n", what, double(t.nsecsElapsed()) / kRounds / 1000.0);
        };
        std::printf("accessible queries on %d characters, per query:\n", count);
        perQuery("characterCount", [&](int) { return reader->characterCount(); });
        perQuery("textAtOffset line",
                 [&](int at) { return reader->textAtOffset(at, QAccessible::LineBoundary, &first, &last); });
        perQuery("textBeforeOffset line", [&](int at) {
            return reader->textBeforeOffset(at, QAccessible::LineBoundary, &first, &last);
        });
        perQuery("textAtOffset word",
                 [&](int at) { return reader->textAtOffset(at, QAccessible::WordBoundary, &first, &last); });
        perQuery("text(at, at + 80)", [&](int at) { return reader->text(at, at + 80); });
        perQuery("setCursorPosition", [&](int at) { reader->setCursorPosition(at); });
        perQuery("characterRect", [&](int at) { return reader->characterRect(at); });
    } catch (const Failure& f) {
        std::printf("%s\n", qPrintable(f.messageText()));
    }
    return 0;
}
