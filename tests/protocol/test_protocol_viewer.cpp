#include "platform/failure.h"
#include "protocol/protocol_viewer.h"
#include "support/fakes.h"

#include <QTemporaryDir>
#include <QTest>

using namespace numio;

class TestProtocolViewer : public QObject {
    Q_OBJECT

  private slots:
    // A missing file shows as an empty window; then each new viewer shows every line written so far
    // while the stream stays open and holds its lock.
    void showsLinesWrittenSoFar() {
        QTemporaryDir dir;
        LocalTextFiles files;
        test::FakeDialogs dialogs;
        const auto shown = [&] {
            ProtocolViewer viewer(files, dir.filePath("p.txt"), dialogs, nullptr);
            QStringList lines;
            for (qsizetype i = 0; i < viewer.dfProtokol()->lineCount(); ++i)
                lines << viewer.dfProtokol()->lineText(i);
            return lines.join(u'|');
        };
        QCOMPARE(shown(), QString());
        QCOMPARE(dialogs.texts(), QStringList{Failure(kFileNotFound).messageText()});
        const auto stream = files.openForAppending(dir.filePath("p.txt"));
        stream->writeLine(QStringLiteral("6*7=42   <48>"));
        QCOMPARE(shown(), "6*7=42   <48>|");
        stream->writeLine(QString());
        stream->writeLine(QStringLiteral("Úspěšnost : 0%"));
        QCOMPARE(shown(), "6*7=42   <48>||Úspěšnost : 0%|");
    }
};

QTEST_MAIN(TestProtocolViewer)
#include "test_protocol_viewer.moc"
