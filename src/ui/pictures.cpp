#include "ui/pictures.h"

#include <QPainter>
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

QIcon pictureIcon(const QString& name) {
    initPictures();
    return QIcon(QStringLiteral(":/") + name);
}

} // namespace numio
