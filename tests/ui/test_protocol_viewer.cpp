#include "platform/failure.h"
#include "support/data.h"
#include "support/fakes.h"
#include "support/files.h"
#include "ui/viewer/protocol_viewer.h"

#include <QAccessible>
#include <QClipboard>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace numio;
using namespace numio::test;

namespace {
// As the protocol writer leaves them: each line ends in CR LF, the second line is empty.
const QStringList kLines{QStringLiteral("6*7=42   <48>"), QString(), QStringLiteral("Úspěšnost : 0%")};
const QString kShown = QStringLiteral("6*7=42   <48>\n\nÚspěšnost : 0%\n");

QString shownLines(const ProtocolViewer& viewer) {
    QStringList lines;
    for (qsizetype i = 0; i < viewer.dfProtokol()->lineCount(); ++i)
        lines << viewer.dfProtokol()->lineText(i);
    return lines.join(u'|');
}
} // namespace

class TestProtocolViewer : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    LocalTextFiles files;
    test::FakeDialogs dialogs;

    std::unique_ptr<ProtocolViewer> open() {
        const QString path = dir.filePath("p.txt");
        QFile::remove(path);
        const auto stream = files.openForAppending(path);
        for (const QString& line : kLines)
            stream->writeLine(line);
        auto viewer = std::make_unique<ProtocolViewer>(files, path, dialogs, nullptr);
        viewer->show();
        viewer->dfProtokol()->setFocus();
        return viewer;
    }

  private slots:
    // A missing file shows as an empty window; then each new viewer shows every line written so far
    // while the stream stays open and holds its lock.
    void showsLinesWrittenSoFar() {
        const auto shown = [&] {
            return shownLines(ProtocolViewer(files, dir.filePath("q.txt"), dialogs, nullptr));
        };
        QCOMPARE(shown(), QString());
        QCOMPARE(dialogs.texts(), QStringList{Failure(kFileNotFound).messageText()});
        const auto stream = files.openForAppending(dir.filePath("q.txt"));
        stream->writeLine(QStringLiteral("6*7=42   <48>"));
        QCOMPARE(shown(), "6*7=42   <48>|");
        stream->writeLine(QString());
        stream->writeLine(QStringLiteral("Úspěšnost : 0%"));
        QCOMPARE(shown(), "6*7=42   <48>||Úspěšnost : 0%|");
    }

    // Whatever saved the file: each kind of line end, a NUL shown. The code pages are the text files'
    // own test; a Windows-1250 letter here stands for them.
    void readsAnyLineEndAndCodePage_data() {
        columns<QByteArray, QString>({"bytes", "lines"});
        row("lone CR, no last end", QByteArray("a\r\x8A"), "a|Š");
        row("mixed", QByteArray("a\r\nb\rc\nd\r"), "a|b|c|d|");
        row("NUL", QByteArray("a\0b", 3), "a␀b");
    }
    void readsAnyLineEndAndCodePage() {
        const auto [bytes, lines] = fetch<QByteArray, QString>("bytes", "lines");
        QVERIFY(writeFile(dir.filePath("r.txt"), bytes));
        QCOMPARE(shownLines(ProtocolViewer(files, dir.filePath("r.txt"), dialogs, nullptr)), lines);
    }

    void keysMoveCaretAndSelect_data() {
        columns<QKeySequence, int, QString>({"keys", "caret", "copied"});
        row("Shift+Down copies a line with LF", QKeySequence("Shift+Down, Ctrl+C"), 14, kLines[0] + "\n");
        row("down through an empty line keeps the column", QKeySequence("End, Down, Down"), 28, QString());
        row("Ctrl+End, Shift+Up", QKeySequence("Ctrl+End, Shift+Up, Ctrl+C"), 15, kLines[2] + "\n");
        row("Ctrl+A copies all", QKeySequence("Ctrl+A, Ctrl+C"), 30, kShown);
        row("Left ends a selection at its start", QKeySequence("Shift+Right, Shift+Right, Left"), 0,
            QString());
        row("Ctrl+Right goes by words", QKeySequence("Ctrl+Right, Ctrl+Right, Shift+End, Ctrl+C"), 13,
            "7=42   <48>");
    }

    void keysMoveCaretAndSelect() {
        const auto [keys, caret, copied] = fetch<QKeySequence, int, QString>("keys", "caret", "copied");
        const auto viewer = open();
        QGuiApplication::clipboard()->clear();
        QTest::keySequence(viewer->dfProtokol(), keys);
        QCOMPARE(viewer->dfProtokol()->cursorPosition(), caret);
        QCOMPARE(QGuiApplication::clipboard()->text(), copied);
    }

    void mouseSelectsWordThenLine() {
        const auto viewer = open();
        ProtocolText* view = viewer->dfProtokol();
        const QPoint at = view->characterRect(5).bottomRight(); // the right edge of "42"
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(view->selectedText(), "42");
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(view->selectedText(), kLines[0] + "\n");
    }

    void contextMenuCopiesOnlyASelection() {
        const auto viewer = open();
        for (const bool selected : {false, true}) {
            if (selected)
                viewer->dfProtokol()->selectAll();
            std::unique_ptr<QMenu> menu(viewer->dfProtokol()->createContextMenu(nullptr));
            QStringList items; // "+": enabled
            for (const QAction* a : menu->actions())
                items << a->text() + (a->isEnabled() ? "+" : "-");
            QCOMPARE(items.join(' '), QString("&Kopírovat%1 Vybrat &vše+").arg(selected ? '+' : '-'));
        }
    }

    void screenReaderReadsLines_data() {
        columns<int, int, QString, int>({"offset", "boundary", "expected", "start"});
        QTest::newRow("first line") << 3 << int(QAccessible::LineBoundary) << kLines[0] + "\n" << 0;
        QTest::newRow("empty line") << 14 << int(QAccessible::LineBoundary) << "\n" << 14;
        QTest::newRow("last line") << 29 << int(QAccessible::LineBoundary) << kLines[2] + "\n" << 15;
        QTest::newRow("after the last break") << 30 << int(QAccessible::LineBoundary) << "" << 30;
        QTest::newRow("word") << 16 << int(QAccessible::WordBoundary) << "Úspěšnost" << 15;
        QTest::newRow("blanks") << 7 << int(QAccessible::WordBoundary) << "   " << 6;
        QTest::newRow("whole") << 4 << int(QAccessible::NoBoundary) << kShown << 0;
    }
    void screenReaderReadsLines() {
        const auto [offset, boundary, expected, start] =
            fetch<int, int, QString, int>("offset", "boundary", "expected", "start");
        const auto viewer = open();
        QAccessibleInterface* view = QAccessible::queryAccessibleInterface(viewer->dfProtokol());
        QCOMPARE(view->text(QAccessible::Name), "Protokol");
        QVERIFY(view->state().readOnly);
        QAccessibleTextInterface* text = view->textInterface();
        QVERIFY(text);
        QCOMPARE(text->characterCount(), kShown.size());
        QCOMPARE(text->text(0, text->characterCount()), kShown);
        int first = -1, last = -1;
        const auto type = QAccessible::TextBoundaryType(boundary);
        QCOMPARE(text->textAtOffset(offset, type, &first, &last), expected);
        QCOMPARE(first, start);
        QCOMPARE(last, start + expected.size());
    }
};

QTEST_MAIN(TestProtocolViewer)
#include "test_protocol_viewer.moc"
