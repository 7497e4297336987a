#include "ui/look.h"

#include <QFontMetrics>
#include <QLabel>
#include <QMenu>

namespace numio {

QFont programFont(double pointSize, bool bold, bool italic) {
    QFont f;
    f.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                   QStringLiteral("DejaVu Sans")});
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

void fitText(QLabel* label, double basePointSize) {
    QFont f = label->font();
    f.setPointSizeF(basePointSize);
    const int room = label->width() - 2;
    while (f.pointSizeF() > 8 && QFontMetrics(f).horizontalAdvance(label->text()) > room)
        f.setPointSizeF(f.pointSizeF() - 2);
    label->setFont(f);
}

void setMenuEnabled(QMenu* menu, bool enabled) {
    menu->setEnabled(enabled);
    menu->menuAction()->setEnabled(enabled);
}

} // namespace numio
