#pragma once

#include <QFont>
#include <QRect>

class QLabel;
class QMenu;

namespace numio {

// Window geometry comes in twips: 15 twips are one logical pixel at 96 dpi; Qt scales the rest.
constexpr int twips(int t) {
    return (t + 7) / 15;
}
inline QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

// Tahoma where the system has it, otherwise sans faces of similar width.
QFont programFont(double pointSize, bool bold = false, bool italic = false);
// The same faces by pixel size, for boxes laid out in pixels, whose texts must scale with them.
QFont programPixelFont(int pixelSize, bool bold = false, bool italic = false);

// Shrinks the label's font until its text fits the label (hand-edited ranges can make long
// problems); goes back to the base size for short texts.
void fitText(QLabel* label, double basePointSize);

// A top-level menu switched as a whole, its shortcuts included.
void setMenuEnabled(QMenu* menu, bool enabled);

} // namespace numio
