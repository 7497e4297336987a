#pragma once

#include <QSize>

class QBoxLayout;
class QLayout;
class QWidget;

namespace numio {

// Lays a window out as its body above its row of buttons, the body in a scroll area: on a screen
// smaller than the body needs, the body scrolls and Zavřít, Uložit and the status line stay in view.
// `body` has no parent yet; its widgets move into the scroll area.
void layOutScrolling(QWidget& window, QBoxLayout* body, QLayout* buttons);

// Sizes a window to `preferred`, within the screen it opens on (that of `owner`, or the primary
// one), and never smaller than `least` unless the screen itself is.
void fitToScreen(QWidget& window, const QWidget* owner, QSize preferred, QSize least);

} // namespace numio
