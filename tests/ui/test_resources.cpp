// Checks that every picture compiled into the program loads and actually draws something, and
// that the pictures drawn beforehand for start-up are exactly what their SVGs draw.
#include <QDir>
#include <QPainter>
#include <QRegularExpression>
#include <QTest>

#include "ui/pictures.h"

namespace {
const char* const kStatusPictures[] = {"status/plus",  "status/minus", "status/times",    "status/divide",
                                       "status/watch", "status/tools", "status/clock_red"};
} // namespace

class TestResources : public QObject {
    Q_OBJECT

  private slots:
    // The SVG reader warns about a missing file and about broken references (a missing gradient
    // or <use> target), drawing the shape without them, so any warning means a wrong picture.
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral(".*"))); }

    void picture_data() {
        QTest::addColumn<QString>("name");
        for (const char* name : kStatusPictures)
            QTest::newRow(name) << QString(name) + ".svg";
        for (const char* name : {"stop", "numio", "about_main", "about_small"})
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

    // After a change of an SVG, NUMIO_DRAW_PICTURES=resources/drawn redraws them.
    void drawnBefore_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("side");
        QTest::addColumn<bool>("icon");
        for (const char* name : kStatusPictures)
            QTest::addRow("%s 16", name) << QString(name) + ".svg" << 16 << false;
        for (int side : {16, 32, 64, 128})
            QTest::addRow("window icon %d", side) << QStringLiteral("numio.svg") << side << true;
    }

    void drawnBefore() {
        QFETCH(QString, name);
        QFETCH(int, side);
        QFETCH(bool, icon);
        const QSize size(side, side);
        const QImage drawn = (icon ? QIcon(QStringLiteral(":/") + name).pixmap(size, 1.0)
                                   : numio::renderPicture(name, size, 1.0))
                                 .toImage()
                                 .convertToFormat(QImage::Format_ARGB32);
        const QString file = QStringLiteral("%1.%2x%2.png").arg(name).arg(side);
        if (const QString folder = qEnvironmentVariable("NUMIO_DRAW_PICTURES"); !folder.isEmpty()) {
            QDir(folder).mkpath(QFileInfo(file).path());
            // Stored without compression: nothing to inflate at start-up.
            QVERIFY(drawn.save(QDir(folder).filePath(file), "PNG", 100));
        }
        const QImage kept = QImage(QStringLiteral(":/drawn/") + file).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(kept, drawn);
        // The program takes the kept one where it can, and draws the rest.
        const QImage shown =
            (icon ? numio::pictureIcon(name).pixmap(size, 1.0) : numio::picture(name, size, 1.0))
                .toImage()
                .convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(shown, drawn);
        // On a screen of twice the pixels it is drawn anew.
        if (!icon)
            QCOMPARE(numio::picture(name, size, 2.0).toImage(),
                     numio::renderPicture(name, size, 2.0).toImage());
    }

    // Sizes, ratios and modes not drawn beforehand look as the SVG icon draws them.
    void iconLikeSvg_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("side");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QIcon::Mode>("mode");
        QTest::newRow("stop button") << QStringLiteral("stop.svg") << 30 << 1.0 << QIcon::Normal;
        QTest::newRow("stop button, grey") << QStringLiteral("stop.svg") << 30 << 1.0 << QIcon::Disabled;
        QTest::newRow("stop button, twice the pixels")
            << QStringLiteral("stop.svg") << 30 << 2.0 << QIcon::Normal;
        QTest::newRow("window icon 48") << QStringLiteral("numio.svg") << 48 << 1.0 << QIcon::Normal;
        QTest::newRow("window icon 16, grey") << QStringLiteral("numio.svg") << 16 << 1.0 << QIcon::Disabled;
        QTest::newRow("window icon 64, twice the pixels")
            << QStringLiteral("numio.svg") << 64 << 2.0 << QIcon::Normal;
    }

    void iconLikeSvg() {
        QFETCH(QString, name);
        QFETCH(int, side);
        QFETCH(qreal, ratio);
        QFETCH(QIcon::Mode, mode);
        const QSize size(side, side);
        const QIcon svg(QStringLiteral(":/") + name);
        const QIcon ours = numio::pictureIcon(name);
        QCOMPARE(ours.actualSize(size, mode), svg.actualSize(size, mode));
        QCOMPARE(ours.pixmap(size, ratio, mode).toImage(), svg.pixmap(size, ratio, mode).toImage());
        // Painted as a button paints it.
        const auto painted = [&](const QIcon& icon) {
            QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(ratio);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            icon.paint(&painter, QRect(QPoint(), size), Qt::AlignCenter, mode);
            return image;
        };
        QCOMPARE(painted(ours), painted(svg));
    }
};

QTEST_MAIN(TestResources)
#include "test_resources.moc"
