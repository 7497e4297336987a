#pragma once

#include <QIcon>
#include <QPixmap>

namespace numio {

// Makes the compiled-in pictures available; safe to call any number of times.
void initPictures();

// A picture from resources/ drawn crisp for the given logical size and device pixel ratio.
QPixmap picture(const QString& name, QSize logicalSize, qreal devicePixelRatio);
// The same drawn from its SVG now, not taken from the pictures drawn beforehand.
QPixmap renderPicture(const QString& name, QSize logicalSize, qreal devicePixelRatio);
// An icon that draws like the SVG's own, for every size, mode and state.
QIcon pictureIcon(const QString& name);

} // namespace numio
