#include "ui/digit_box.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QRegularExpressionValidator>

namespace numio {

DigitBox::DigitBox(int maxDigits, QWidget* parent) : QLineEdit(parent) {
    setMaxDigits(maxDigits);
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
}

void DigitBox::setMaxDigits(int maxDigits) {
    if (maxLength() == maxDigits && validator())
        return;
    delete validator();
    setMaxLength(maxDigits);
    setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("^[0-9]{0,%1}$").arg(maxDigits)), this));
}

void DigitBox::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const bool navigation = key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Home ||
                            key == Qt::Key_End || key == Qt::Key_Delete || key == Qt::Key_Tab ||
                            key == Qt::Key_Backtab;
    const bool digit = key >= Qt::Key_0 && key <= Qt::Key_9 &&
                       !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (key == Qt::Key_Backspace || digit || navigation) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept(); // swallowed: letters, signs, Enter, clipboard shortcuts
}

void DigitBox::inputMethodEvent(QInputMethodEvent* event) {
    const QString text = event->commitString();
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            event->accept();
            return;
        }
    }
    QLineEdit::inputMethodEvent(event);
}

} // namespace numio
