#include "ui/status_bar.h"

#include "ui/value_label.h"

#include "ui/fonts.h"
#include "ui/pictures.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>

namespace numio {

namespace {
const char* const kPictureFiles[] = {nullptr,
                                     "status/plus.svg",
                                     "status/minus.svg",
                                     "status/times.svg",
                                     "status/divide.svg",
                                     "status/watch.svg",
                                     "status/tools.svg",
                                     "status/clock_red.svg"};
const char* const kPictureNames[] = {"",
                                     "Sčítání",
                                     "Odčítání",
                                     "Násobení",
                                     "Dělení",
                                     "Časový limit na odpověď",
                                     "Protokolování",
                                     "Časový limit na sadu"};
} // namespace

StatusBar::StatusBar(QWidget* parent) : QStatusBar(parent) {
    setObjectName(QStringLiteral("sbMain"));
    setSizeGripEnabled(false);
    setMouseTracking(true);
    installEventFilter(this);
    QFont font = programFont(8.25, true);
    setFont(font);

    text_ = new QLabel(this);
    text_->setObjectName(QStringLiteral("pnlStatus"));
    text_->setFont(font);
    text_->setFrameShape(QFrame::Panel);
    text_->setFrameShadow(QFrame::Sunken);
    text_->setMouseTracking(true);
    text_->installEventFilter(this);
    markValueLabel(text_, QStringLiteral("Stavový řádek"));
    addWidget(text_, 1);

    pupil_ = new QLabel(this);
    pupil_->setObjectName(QStringLiteral("pnlPupil"));
    pupil_->setFont(font);
    pupil_->setFrameShape(QFrame::Panel);
    pupil_->setFrameShadow(QFrame::Sunken);
    pupil_->setTextFormat(Qt::PlainText);
    pupil_->setMouseTracking(true);
    pupil_->installEventFilter(this);
    pupil_->hide();
    addPermanentWidget(pupil_);

    for (int p = 2; p <= 7; ++p) {
        auto* label = new QLabel(this);
        label->setFixedSize(24, 20);
        label->setAlignment(Qt::AlignCenter);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setMouseTracking(true);
        label->installEventFilter(this);
        label->hide();
        addPermanentWidget(label);
        panels_[static_cast<std::size_t>(p)] = label;
    }
}

void StatusBar::setPanel(int panel, int picture, const QString& note) {
    shown_[static_cast<std::size_t>(panel)] = picture;
    noted_[static_cast<std::size_t>(panel)] = !note.isEmpty();
    QLabel* label = panels_[static_cast<std::size_t>(panel)];
    label->setVisible(picture != 0);
    if (picture != 0) {
        const QString name = QString::fromUtf8(kPictureNames[picture]);
        label->setAccessibleName(note.isEmpty() ? name : name + QStringLiteral(": ") + note);
        label->setToolTip(label->accessibleName());
    }
    redraw(panel);
}

void StatusBar::setPupil(const QString& name) {
    // A long name gives way to the status text: cut, and whole in the tooltip.
    constexpr int kWidest = 160;
    const QString shown = pupil_->fontMetrics().elidedText(name, Qt::ElideRight, kWidest);
    pupil_->setText(QStringLiteral(" %1 ").arg(shown));
    pupil_->setToolTip(name == shown ? QString() : name);
    pupil_->setAccessibleName(QStringLiteral("Žák: %1").arg(name));
    pupil_->setVisible(!name.isEmpty());
}

bool StatusBar::panelVisible(int panel) const {
    return !panels_[static_cast<std::size_t>(panel)]->isHidden();
}

void StatusBar::redraw(int panel) {
    const int picture = shown_[static_cast<std::size_t>(panel)];
    if (picture == 0)
        return;
    QPixmap pixmap =
        numio::picture(QString::fromLatin1(kPictureFiles[picture]), QSize(16, 16), devicePixelRatioF());
    if (noted_[static_cast<std::size_t>(panel)]) {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::white, 1));
        painter.setBrush(QColor(0xE0, 0x60, 0x10));
        painter.drawEllipse(QRectF(9.5, 9.5, 6, 6));
    }
    panels_[static_cast<std::size_t>(panel)]->setPixmap(pixmap);
}

bool StatusBar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter)
        emit hovered();
    return QStatusBar::eventFilter(watched, event);
}

} // namespace numio
