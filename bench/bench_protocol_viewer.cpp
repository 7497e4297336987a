// How long a big protocol takes to read and to show. Prints figures; never fails.
#include "bench_protocol.h"
#include "platform/failure.h"
#include "platform/text_files.h"
#include "protocol/protocol_viewer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <cstdio>

using namespace numio;
using bench::PrintingDialogs;

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("protokol.txt"));
    if (!bench::writeProtocol(path, 50LL * 1024 * 1024))
        return 0;

    LocalTextFiles files;
    PrintingDialogs dialogs;
    try {
        const qint64 bytes = files.size(files.lookUp(path));
        std::printf("protocol: %.1f MB\n", double(bytes) / (1024.0 * 1024.0));

        QElapsedTimer timer;
        timer.start();
        const QString text = files.readAll(path);
        std::printf("read and decode: %lld ms (%lld characters)\n", timer.elapsed(),
                    static_cast<long long>(text.size()));

        timer.restart();
        ProtocolViewer viewer(files, path, dialogs, nullptr);
        const qint64 built = timer.elapsed();
        viewer.show();
        QApplication::processEvents();
        std::printf("viewer built: %lld ms, shown: %lld ms (%lld lines)\n", built, timer.elapsed(),
                    static_cast<long long>(viewer.dfProtokol()->lineCount()));
    } catch (const Failure& f) {
        std::printf("%s\n", qPrintable(f.messageText()));
    }
    return 0;
}
