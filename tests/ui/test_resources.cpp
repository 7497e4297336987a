// Checks that every picture compiled into the program loads and actually draws something.
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTest>

#include "ui/pictures.h"

namespace {

// Share of pixels with any coverage in a rendering of the given size.
double coverage(QSvgRenderer& renderer, QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();

    qsizetype covered = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) > 0) {
                ++covered;
            }
        }
    }
    return double(covered) / double(image.width() * image.height());
}

} // namespace

class TestResources : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { numio::initPictures(); }

    void init() {
        // The SVG reader only warns about broken references (a missing gradient or <use>
        // target) and then draws the shape without it, so any warning means a wrong picture.
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    }

    void picture_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        // Smallest share of the picture that must be painted (transparent corners are fine).
        QTest::addColumn<double>("minCoverage");

        const QSize status(16, 16);
        for (const char* name : {"plus", "minus", "times", "divide", "watch", "tools", "clock_red"}) {
            QTest::newRow(name) << QStringLiteral(":/status/%1.svg").arg(QLatin1String(name)) << status
                                << 0.4;
        }
        QTest::newRow("stop") << QStringLiteral(":/stop.svg") << QSize(32, 32) << 0.6;
        QTest::newRow("icon") << QStringLiteral(":/numio.svg") << QSize(256, 256) << 0.6;
        QTest::newRow("about_main") << QStringLiteral(":/about_main.svg") << QSize(164, 110) << 0.6;
        QTest::newRow("about_small") << QStringLiteral(":/about_small.svg") << QSize(104, 56) << 0.6;
    }

    void picture() {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        QFETCH(double, minCoverage);

        QVERIFY2(QFile::exists(path), qPrintable(path + QStringLiteral(" is not in the resources")));
        QSvgRenderer renderer(path);
        QVERIFY(renderer.isValid());
        // Layouts reserve space with these proportions; a different view box would be distorted.
        QCOMPARE(renderer.viewBoxF().size(), QSizeF(size));

        QVERIFY2(coverage(renderer, size) >= minCoverage, "picture is (almost) empty at its own size");
        QVERIFY2(coverage(renderer, size * 2) >= minCoverage, "picture is (almost) empty at double size");
    }
};

QTEST_MAIN(TestResources)
#include "test_resources.moc"
