#include "platform/failure.h"
#include "protocol/protocol_file.h"
#include "protocol/protocol_viewer.h"
#include "protocol/protocol_writer.h"
#include "support/fakes.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

using namespace numio;

class TestProtocolViewer : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    LocalTextFiles files_;
    test::FakeDialogs dialogs_;

    QString path() const { return dir_.filePath(QStringLiteral("protokol.txt")); }
    QStringList shownLines(const QString& file) {
        ProtocolViewer viewer(files_, file, dialogs_, nullptr);
        QStringList lines;
        for (qsizetype i = 0; i < viewer.dfProtokol()->lineCount(); ++i)
            lines << viewer.dfProtokol()->lineText(i);
        return lines;
    }

  private slots:
    void init() { dialogs_.shown.clear(); }

    void showsLinesOfTheOpenStream() {
        PracticeState s;
        s.fso = &files_, s.bProtokol = true, s.ProtokolFile = path();
        OpenProtokol(s);
        const test::FixedClock clock;
        const QLocale czech(QLocale::Czech, QLocale::Czechia);
        WriteProtokol("INIT", s, QString(), clock, dialogs_, czech);
        s.A = 6, s.Rezim = "*", s.B = 7, s.C = 42;
        WriteProtokol("LOG", s, "48", clock, dialogs_, czech);
        const QStringList init{QString(64, u'_'), "Numio - 14.3.2002 10:05:17", QString(35, u'-'),
                               "6*7=42   <48>"};
        QCOMPARE(shownLines(path()), init + QStringList{""});
        s.nPrikladID = 1, s.nSpatne = 1;
        WriteProtokol("FINISH", s, QString(), clock, dialogs_, czech);
        // A new viewer reads the file afresh.
        const QStringList finish{"", "Příkladů celkem : 1", "Špatně : 1", "Známka : 5", "Úspěšnost : 0%", ""};
        QCOMPARE(shownLines(path()), init + finish);
        QVERIFY(ProtokolSize(s) > 0);
        QVERIFY(dialogs_.shown.empty());
    }

    void unreadableFile_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("missing") << "gone.txt" << QStringList{Failure(kFileNotFound).messageText()};
        QTest::newRow("a folder") << "." << QStringList{Failure(kPathFileAccess).messageText()};
        QTest::newRow("empty file") << "empty.txt" << QStringList{};
    }
    void unreadableFile() {
        QFETCH(QString, file);
        QFETCH(QStringList, messages);
        QFile(dir_.filePath("empty.txt")).open(QIODevice::WriteOnly);
        ProtocolViewer viewer(files_, dir_.filePath(file), dialogs_, nullptr);
        QCOMPARE(viewer.dfProtokol()->toPlainText(), QString());
        QCOMPARE(dialogs_.texts(), messages);
    }

    void lines_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("CR LF") << "a\r\nbc" << QStringList{"a", "bc"};
        QTest::newRow("break at the end") << "a\r\n" << QStringList{"a", ""};
        QTest::newRow("LF alone") << "a\n\nb" << QStringList{"a", "", "b"};
        QTest::newRow("lone CR is text") << "a\rb" << QStringList{"a\rb"};
        QTest::newRow("empty") << "" << QStringList{""};
    }
    void lines() {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        ProtocolText box;
        box.setPlainText(text);
        QStringList shown;
        for (qsizetype i = 0; i < box.lineCount(); ++i)
            shown << box.lineText(i);
        QCOMPARE(shown, lines);
        box.selectAll();
        QCOMPARE(box.selectedText(), QString(text).replace("\r\n", "\n"));
    }

    void windowAndScrolling() {
        QFile file(path());
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (int i = 0; i < 5000; ++i)
            file.write(QByteArray::number(i) + (i == 2 ? QByteArray(100000, 'x') : QByteArray()) + "\r\n");
        file.close();
        ProtocolViewer viewer(files_, path(), dialogs_, nullptr);
        ProtocolText* box = viewer.dfProtokol();
        QCOMPARE(viewer.objectName(), "frmProtokol");
        QCOMPARE(viewer.windowTitle(), "Protokol");
        QCOMPARE(viewer.size(), QSize(621, 339));
        QCOMPARE(box->geometry(), QRect(5, 5, 611, 306));
        QCOMPARE(viewer.pbClose()->geometry(), QRect(515, 315, 101, 21));
        QCOMPARE(viewer.pbClose()->text(), "OK");
        QVERIFY(QFontInfo(box->font()).fixedPitch());
        QVERIFY(box->font().bold());
        QCOMPARE(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        box->setFocus();
        // Painting the far end of a very long line and the last lines must stay inside the text.
        box->horizontalScrollBar()->setValue(box->horizontalScrollBar()->maximum());
        box->grab();
        QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
        // The bottom line in sight is the empty one after the last break.
        QCOMPARE(box->lineText(box->firstVisibleLine()).toInt() + box->verticalScrollBar()->pageStep(), 5001);
        box->selectAll();
        box->grab();
        QTest::keyClick(box, Qt::Key_Return);
        QVERIFY(!viewer.isVisible());
        QCOMPARE(viewer.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(TestProtocolViewer)
#include "test_protocol_viewer.moc"
