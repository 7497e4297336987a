#pragma once

#include "ui/qt_doors.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace numio {

// dlgAbout: the program's name, version, purpose, terms of passing it on, and its story.
class AboutDialog : public QDialog {
    Q_OBJECT
  public:
    explicit AboutDialog(QWidget* owner = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QtDialogs dialogs_{this};
    QWidget* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* lbInfo = nullptr;
    QWidget* Image2 = nullptr;
    QPushButton* pbClose = nullptr;
};

} // namespace numio
