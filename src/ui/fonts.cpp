#include "ui/fonts.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>

namespace numio {

namespace {

QFont baseFont(bool bold, bool italic) {
    // The first face of the list that is installed, looked up once: asking for a missing face
    // makes every font request search the system for a substitute.
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        for (const char* wanted : {"Tahoma", "Liberation Sans", "Arimo", "DejaVu Sans"}) {
            if (installed.contains(QString::fromLatin1(wanted)))
                return QString::fromLatin1(wanted);
        }
        return QString();
    }();
    QFont f;
    if (!family.isEmpty())
        f.setFamily(family);
    f.setStyleHint(QFont::SansSerif);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

} // namespace

QFont programFont(double pointSize, bool bold, bool italic) {
    QFont f = baseFont(bold, italic);
    f.setPointSizeF(pointSize);
    return f;
}

QFont programPixelFont(int pixelSize, bool bold, bool italic) {
    QFont f = baseFont(bold, italic);
    f.setPixelSize(pixelSize);
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
