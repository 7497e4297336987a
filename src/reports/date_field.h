#pragma once

#include "platform/dialogs.h"

#include <QDate>
#include <QLineEdit>

#include <optional>

class QCalendarWidget;

namespace numio {

// A day as people write it: "30.11.2026" or "30. 11. 2026"; nothing when it is not a day.
std::optional<QDate> parseDay(const QString& text);

// A date typed whole, as on paper, and taken when the typing ends (Enter, or focus leaving): unlike a
// date edit, which fixes each part as it is typed, nothing in between ever becomes the date. A text
// that is no day is refused and the field shows its date again. Up and Down step a day; Alt+Down or
// F4 opens a calendar.
class DateField : public QLineEdit {
    Q_OBJECT
  public:
    // dialogs: where a failure in what a new date sets off is told.
    DateField(Dialogs& dialogs, QWidget* parent);

    QDate date() const { return date_; }
    void setDate(QDate date);

  signals:
    void dateChanged(QDate date);
    // The text typed was no day; the date stays.
    void refused(const QString& text);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void take();
    void openCalendar();
    void choose(QDate day);

    Dialogs& dialogs_;

    QDate date_;
    QCalendarWidget* calendar_ = nullptr;
};

} // namespace numio
