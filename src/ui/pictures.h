#pragma once

#include <QIcon>
#include <QPixmap>

namespace numio {

// Makes the compiled-in pictures available; safe to call any number of times.
void initPictures();

// A picture from resources/ drawn crisp for the given logical size and device pixel ratio.
QPixmap picture(const QString& name, QSize logicalSize, qreal devicePixelRatio);
QIcon pictureIcon(const QString& name);

} // namespace numio
