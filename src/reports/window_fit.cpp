#include "reports/window_fit.h"

#include <QBoxLayout>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QWidget>

namespace numio {

namespace {

// Asks for the whole body, so a window sized to its hint shows everything it can; shrinks to
// almost nothing, scrolling.
class BodyScroll : public QScrollArea {
  public:
    using QScrollArea::QScrollArea;
    QSize sizeHint() const override {
        const int frame = 2 * frameWidth();
        return widget() ? widget()->sizeHint() + QSize(frame, frame) : QScrollArea::sizeHint();
    }
};

} // namespace

void layOutScrolling(QWidget& window, QBoxLayout* body, QLayout* buttons) {
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("body"));
    content->setAccessibleName(QStringLiteral("Obsah okna"));
    body->setContentsMargins(0, 0, 0, 0);
    content->setLayout(body);
    auto* scroll = new BodyScroll(&window);
    scroll->setObjectName(QStringLiteral("bodyScroll"));
    scroll->setAccessibleName(window.windowTitle());
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    // The controls inside keep their own Tab order; the area itself takes no focus.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidget(content);
    scroll->viewport()->setAccessibleName(QStringLiteral("Posuvná oblast"));
    scroll->verticalScrollBar()->setAccessibleName(QStringLiteral("Posunout obsah svisle"));
    scroll->horizontalScrollBar()->setAccessibleName(QStringLiteral("Posunout obsah vodorovně"));
    // First among the window's children, so a screen reader reads the body before the buttons.
    scroll->lower();
    auto* outer = new QVBoxLayout(&window);
    outer->addWidget(scroll, 1);
    outer->addLayout(buttons);
}

void fitToScreen(QWidget& window, const QWidget* owner, QSize preferred, QSize least) {
    const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        window.setMinimumSize(least);
        window.resize(preferred.expandedTo(least));
        return;
    }
    // Room for the window manager's title bar and borders, not known before the window shows.
    const QSize available = screen->availableGeometry().size() - QSize(16, 48);
    window.setMinimumSize(least.boundedTo(available));
    window.resize(preferred.boundedTo(available).expandedTo(window.minimumSize()));
}

} // namespace numio
