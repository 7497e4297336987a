#include "ui/pictures.h"

#include <QIconEngine>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

// Referencing the resource initialiser also makes the linker keep it in the static library.
static void initNumioResources() {
    Q_INIT_RESOURCE(numio);
}

namespace numio {

namespace {

// What the first window shows is kept drawn beforehand at the sizes it shows it (the window icon at
// the four sizes the X11 window gets, the status bar's 16 px pictures), so that start-up reads no
// SVG and loads no icon plug-in. test_resources keeps these equal to the drawings.
QPixmap drawnBefore(const QString& name, QSize size) {
    QPixmap pixmap;
    pixmap.load(QStringLiteral(":/drawn/%1.%2x%3.png").arg(name).arg(size.width()).arg(size.height()), "PNG");
    return pixmap;
}

// The SVG icon, opened only when a size or state not drawn beforehand is first asked for.
class PictureIconEngine : public QIconEngine {
  public:
    explicit PictureIconEngine(QString name) : name_(std::move(name)) {}

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        if (mode == QIcon::Normal && !notDrawn_.contains(size)) {
            QPixmap drawn = drawnBefore(name_, size);
            if (!drawn.isNull())
                return drawn;
            notDrawn_.append(size); // a button repaints often: looked for once
        }
        return svg().pixmap(size, 1.0, mode, state);
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        QSize size = rect.size();
        if (painter->device())
            size *= painter->device()->devicePixelRatio();
        painter->drawPixmap(rect, pixmap(size, mode, state));
    }

    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return svg().actualSize(size, mode, state);
    }

    QIconEngine* clone() const override { return new PictureIconEngine(name_); }
    QString key() const override { return QStringLiteral("numio-picture"); }
    bool isNull() override { return false; }

  private:
    const QIcon& svg() {
        if (svg_.isNull())
            svg_ = QIcon(QStringLiteral(":/") + name_);
        return svg_;
    }

    QString name_;
    QIcon svg_;
    QList<QSize> notDrawn_;
};

} // namespace

void initPictures() {
    static const bool done = (initNumioResources(), true);
    (void)done;
}

QPixmap renderPicture(const QString& name, QSize logicalSize, qreal devicePixelRatio) {
    initPictures();
    QSvgRenderer renderer(QStringLiteral(":/") + name);
    QPixmap pixmap(logicalSize * devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

QPixmap picture(const QString& name, QSize logicalSize, qreal devicePixelRatio) {
    // Drawn once for each size: the status bar shows the same pictures again after every change
    // of the settings.
    const QString key = QStringLiteral("numio:%1:%2x%3@%4")
                            .arg(name)
                            .arg(logicalSize.width())
                            .arg(logicalSize.height())
                            .arg(devicePixelRatio);
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap))
        return pixmap;
    initPictures();
    if (devicePixelRatio == 1.0)
        pixmap = drawnBefore(name, logicalSize);
    if (pixmap.isNull())
        pixmap = renderPicture(name, logicalSize, devicePixelRatio);
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

QIcon pictureIcon(const QString& name) {
    initPictures();
    return QIcon(new PictureIconEngine(name));
}

} // namespace numio
