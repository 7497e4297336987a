// How long a big protocol takes to read and to show. Prints figures; never fails.
#include "platform/failure.h"
#include "platform/text_files.h"
#include "protocol/protocol_viewer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <cstdio>

using namespace numio;

namespace {

class PrintingDialogs : public Dialogs {
  public:
    Answer message(const QString& text, const QString&, Buttons, Icon, Answer defaultButton) override {
        std::printf("message: %s\n", qPrintable(text));
        return defaultButton;
    }
    QString chooseFile(const QString&, const QString&, const QString&) override { return {}; }
};

// Blocks as the program writes them: a set of 20 with a few wrong answers each, then the closing line.
QString protocolText(qint64 targetBytes) {
    QString text;
    text.reserve(targetBytes + 4096);
    const QString crlf = QStringLiteral("\r\n");
    for (int block = 0; text.size() < targetBytes; ++block) {
        text += QString(64, u'_') + crlf;
        text += QStringLiteral("Numio - %1.%2.2002 %3:%4:17")
                    .arg(block % 28 + 1)
                    .arg(block % 12 + 1)
                    .arg(block % 24)
                    .arg(block % 60, 2, 10, QLatin1Char('0')) +
                crlf;
        text += QString(35, u'-') + crlf;
        const int wrong = block % 5;
        for (int i = 0; i < wrong; ++i)
            text +=
                QStringLiteral("%1+%2=%3   <%4>").arg(i + 3).arg(block % 9).arg(i + 3 + block % 9).arg(i) +
                crlf;
        text += crlf;
        text += QStringLiteral("Příkladů celkem : 20") + crlf;
        text += QStringLiteral("Špatně : %1").arg(wrong) + crlf;
        text += QStringLiteral("Známka : 1") + crlf;
        text += QStringLiteral("Úspěšnost : %1%").arg(100 - 5 * wrong) + crlf;
        text += QStringLiteral("Přerušeno zásahamem uživatele v průběhu zkoušení") + crlf;
    }
    return text;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("protokol.txt"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            std::printf("cannot write %s\n", qPrintable(path));
            return 0;
        }
        QStringEncoder encoder("windows-1250");
        file.write(encoder.encode(protocolText(50LL * 1024 * 1024)));
    }

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
