#pragma once

#include "core/pupils.h"
#include "platform/dialogs.h"

#include <QDialog>

class QListWidget;
class QPushButton;

namespace numio {

// "Kdo bude počítat?": asked at start-up when there is more than one pupil. The arrows and Enter
// do it all; the pupil chosen last stands selected, and Escape keeps him.
class PupilChooser : public QDialog {
    Q_OBJECT
  public:
    PupilChooser(const QList<Pupil>& pupils, const QString& lastId, Dialogs& dialogs,
                 QWidget* owner = nullptr);

    // The pupil picked, or the last one when the chooser was closed without picking.
    QString chosenId() const;

    QListWidget* pupilList() const { return lstPupils_; }

  private:
    QString lastId_;
    QListWidget* lstPupils_;
    QPushButton* pbStart_;
};

} // namespace numio
