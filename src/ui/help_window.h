#pragma once

#include "ui/qt_doors.h"

#include <QDialog>

namespace numio {

// The Czech help page bundled with the program, for parents, teachers and pupils.
class HelpWindow : public QDialog {
    Q_OBJECT
  public:
    explicit HelpWindow(QWidget* owner = nullptr);

  private:
    QtDialogs dialogs_{this};
};

} // namespace numio
