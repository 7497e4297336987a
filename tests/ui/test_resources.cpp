// Checks that every picture compiled into the program loads and actually draws something.
#include <QRegularExpression>
#include <QTest>

#include "ui/pictures.h"

class TestResources : public QObject {
    Q_OBJECT

  private slots:
    // The SVG reader warns about a missing file and about broken references (a missing gradient
    // or <use> target), drawing the shape without them, so any warning means a wrong picture.
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral(".*"))); }

    void picture_data() {
        QTest::addColumn<QString>("name");
        for (const char* name :
             {"status/plus", "status/minus", "status/times", "status/divide", "status/watch", "status/tools",
              "status/clock_red", "stop", "numio", "about_main", "about_small"})
            QTest::newRow(name) << QString(name) + ".svg";
    }

    void picture() {
        QFETCH(QString, name);
        const QImage image = numio::picture(name, QSize(32, 32), 2).toImage();
        int covered = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                covered += qAlpha(image.pixel(x, y)) > 0;
        QVERIFY2(covered >= image.width() * image.height() * 0.4, "picture is (almost) empty");
    }
};

QTEST_MAIN(TestResources)
#include "test_resources.moc"
