#include "ui/about_dialog.h"
#include "ui/help_window.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>

class TestAboutDialog : public QObject {
    Q_OBJECT

  private slots:
    // Its pictures are the resources' test, which draws each.
    void showsItsTextsAndClosesByOk() {
        numio::AboutDialog box;
        box.show();
        QString texts = box.windowTitle();
        for (const char* name : {"Label1", "Label2", "lbInfo"})
            texts += '|' + box.findChild<QLabel*>(name)->text().section("\r\n", 0, 0);
        QCOMPARE(texts,
                 QString("Numio [verse 1.02]|Numio|verse 1.02|Program na výuku matematiky pro I. a II. "
                         "stupeň ZŠ (sčítání, odčítání, násobení, dělení)"));
        QTest::mouseClick(box.findChild<QPushButton*>("pbClose"), Qt::LeftButton);
        QVERIFY(!box.isVisible());
    }

    // The page arrives whole and in Czech, every link inside it finds its anchor, and Escape closes.
    void helpReadsAndCloses() {
        numio::HelpWindow help;
        help.show();
        auto* page = help.findChild<QTextBrowser*>();
        for (const char* text : {"Počítej sadu příkladů", "iconv -f cp1250", "Numio2.conf"})
            QVERIFY2(page->toPlainText().contains(QString::fromUtf8(text)), text);
        QStringList links, anchors;
        for (QTextBlock b = page->document()->begin(); b.isValid(); b = b.next())
            for (auto f = b.begin(); !f.atEnd(); ++f) {
                anchors += f.fragment().charFormat().anchorNames();
                links += f.fragment().charFormat().anchorHref().section('#', 1);
            }
        links.removeAll(QString());
        for (const QString& link : links)
            QVERIFY2(anchors.contains(link), qPrintable(link));
        QTest::keyClick(page, Qt::Key_Escape);
        QVERIFY(!help.isVisible());
    }
};

QTEST_MAIN(TestAboutDialog)
#include "test_about_dialog.moc"
