#include "ui/about_dialog.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace numio;

namespace {

// A picture that failed to load leaves its box in the plain background colour.
bool drawsSomething(QWidget* picture) {
    const QImage image = picture->grab().toImage();
    int painted = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            painted += image.pixel(x, y) != qRgb(192, 255, 192);
    return painted > image.width() * image.height() / 2;
}

QColor colour(const QObject& box, const char* name, QPalette::ColorRole role) {
    return box.findChild<QWidget*>(QLatin1String(name))->palette().color(role);
}

QString text(const QObject& box, const char* name) {
    return box.findChild<QLabel*>(QLatin1String(name))->text();
}

} // namespace

class TestAboutDialog : public QObject {
    Q_OBJECT

private slots:
    void showsItsTexts() {
        AboutDialog box(nullptr);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCOMPARE(box.windowTitle(), QStringLiteral("Numio [verse 1.02]"));
        QCOMPARE(box.size(), QSize(402, 302));
        QCOMPARE(text(box, "Label1"), QStringLiteral("Numio"));
        QCOMPARE(text(box, "Label2"), QStringLiteral("verse 1.02"));
        QCOMPARE(colour(box, "Label1", QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(colour(box, "Label2", QPalette::WindowText), QColor(192, 192, 0));
        QCOMPARE(colour(box, "pbClose", QPalette::Button), QColor(128, 255, 128));
        QCOMPARE(box.palette().color(QPalette::Window), QColor(192, 255, 192));

        const QString info = text(box, "lbInfo");
        const QStringList paragraphs = info.split(QStringLiteral("\r\n\r\n"));
        QCOMPARE(paragraphs.size(), 3);
        QCOMPARE(paragraphs[0], QStringLiteral("Program na výuku matematiky pro I. a II. stupeň ZŠ (sčítání, "
                                               "odčítání, násobení, dělení)"));
        QVERIFY(!paragraphs[1].isEmpty());
        QCOMPARE(paragraphs[2], QStringLiteral("Program vznikl ve snaze naučit mého syna matematice ..... "));
        QCOMPARE(info.count(QLatin1Char('\n')), info.count(QStringLiteral("\r\n"))); // no bare line feeds

        QVERIFY(drawsSomething(box.findChild<QWidget*>(QStringLiteral("Image1"))));
        QVERIFY(drawsSomething(box.findChild<QWidget*>(QStringLiteral("Image2"))));
    }

    void closes_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("OK") << 0;
        QTest::newRow("close box") << 1;
        QTest::newRow("Escape") << 2;
    }

    // Shown twice the way the main window shows it: the second showing starts afresh.
    void closes() {
        QFETCH(int, how);
        QWidget owner;
        for (int showing = 0; showing < 2; ++showing) {
            AboutDialog box(&owner);
            auto* info = box.findChild<QLabel*>(QStringLiteral("lbInfo"));
            QVERIFY(info->text().startsWith(QStringLiteral("Program na výuku")));
            info->setText(QStringLiteral("changed"));
            QTimer::singleShot(0, &box, [&] {
                if (how == 0)
                    QTest::mouseClick(box.findChild<QPushButton*>(QStringLiteral("pbClose")), Qt::LeftButton);
                else if (how == 1)
                    box.close();
                else
                    QTest::keyClick(&box, Qt::Key_Escape);
            });
            QCOMPARE(box.exec(), how == 0 ? int(QDialog::Accepted) : int(QDialog::Rejected));
            QVERIFY(!box.isVisible());
        }
    }
};

QTEST_MAIN(TestAboutDialog)
#include "test_about_dialog.moc"
