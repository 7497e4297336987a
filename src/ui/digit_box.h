#pragma once

#include <QLineEdit>

namespace numio {

// A text box that takes digits only, however the text arrives: typed keys other than digits
// and Backspace are swallowed, pasted, dropped or composed text is refused unless it is digits.
class DigitBox : public QLineEdit {
    Q_OBJECT
  public:
    explicit DigitBox(int maxDigits, QWidget* parent = nullptr);
    void setMaxDigits(int maxDigits);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
};

} // namespace numio
