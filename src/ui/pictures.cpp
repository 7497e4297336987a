#include "ui/pictures.h"

#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

// Referencing the resource initialiser also makes the linker keep it in the static library.
static void initNumioResources() {
    Q_INIT_RESOURCE(numio);
}

namespace numio {

void initPictures() {
    static const bool done = (initNumioResources(), true);
    (void)done;
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
    QSvgRenderer renderer(QStringLiteral(":/") + name);
    pixmap = QPixmap(logicalSize * devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    pixmap.setDevicePixelRatio(devicePixelRatio);
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

QIcon pictureIcon(const QString& name) {
    initPictures();
    return QIcon(QStringLiteral(":/") + name);
}

} // namespace numio
