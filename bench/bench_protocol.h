#pragma once

// A large protocol for the benchmarks that read one, and a dialog door that prints.

#include "journal/journal_format.h"
#include "platform/dialogs.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <cstdio>

namespace numio::bench {

class PrintingDialogs : public Dialogs {
  public:
    Answer message(const QString& text, const QString&, Buttons, Icon, Answer defaultButton) override {
        std::printf("message: %s\n", qPrintable(text));
        return defaultButton;
    }
    QString chooseFile(const QString&, const QString&, const QString&) override { return {}; }
};

// A pupil's years: a set of 20 each evening, a few wrong answers, now and then a limit, a block
// cut short by closing the window, or a line somebody typed in.
inline QString protocolText(qint64 targetBytes) {
    QString text;
    text.reserve(targetBytes + 4096);
    const QString crlf = QStringLiteral("\r\n");
    QDateTime when(QDate(2002, 3, 14), QTime(17, 5, 17));
    const char signs[] = "+-*:";
    for (int block = 0; text.size() < targetBytes; ++block) {
        when = when.addSecs(6 * 3600 + block % 7 * 60);
        text += journalRule() + crlf;
        text += journalTitle(czechDateTime(when)) + crlf;
        text += journalDashes() + crlf;
        const int wrong = block % 6;
        for (int i = 0; i < wrong; ++i) {
            const int op = (block + i) % 4;
            const int b = (block * 7 + i) % 9 + 1;
            const int c = (block * 3 + i * 5) % 10 + 1;
            const int a = op == 1 ? c + b : op == 3 ? c * b : c;
            const int result = op == 0 ? c + b : op == 2 ? c * b : c;
            text += journalLogLine(a, QString(QChar(signs[op])), b, result, QString::number(i)) + crlf;
        }
        if (block % 97 == 0) {
            text += kJournalShutdown.toString() + crlf;
            continue;
        }
        if (block % 13 == 0)
            text += crlf + journalLimitLine(10) + crlf;
        if (block % 501 == 0)
            text += QStringLiteral("poznámka: dnes unavený") + crlf;
        text += crlf;
        text += journalCountLine(kJournalTotal, 20) + crlf;
        text += journalCountLine(kJournalWrong, wrong) + crlf;
        text += journalCountLine(kJournalGrade, 1) + crlf;
        text += journalRateLine(100 - 5 * wrong) + crlf;
    }
    return text;
}

// Writes the protocol in the program's code page; false when the file cannot be written.
inline bool writeProtocol(const QString& path, qint64 targetBytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        std::printf("cannot write %s\n", qPrintable(path));
        return false;
    }
    QStringEncoder encoder("windows-1250");
    file.write(encoder.encode(protocolText(targetBytes)));
    return true;
}

// The 50 MB protocol the reading benchmarks start from, in a folder of its own; its size printed.
struct LargeProtocol {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("protokol.txt"));
    bool written = writeProtocol(path, 50LL * 1024 * 1024);
    qint64 bytes = QFileInfo(path).size();
    LargeProtocol() { std::printf("protocol: %.1f MB\n", double(bytes) / (1024.0 * 1024.0)); }
};

} // namespace numio::bench
