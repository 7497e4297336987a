#pragma once

#include "core/answer_store.h"
#include "core/pupils.h"
#include "platform/dialogs.h"

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace numio {

// Fills a list with the pupils' names, each carrying its id, and selects the one given.
void fillPupilList(QListWidget* list, const QList<Pupil>& pupils, const QString& selectId);

// "Žáci": the pupils by name, and adding, renaming, removing and choosing one. Every change is
// stored at once; what the window must do about it (another pupil, a name to show) it reads from
// the list once the dialog has closed.
class PupilsDialog : public QDialog {
    Q_OBJECT
  public:
    // current: the settings in force, which the first pupil added takes over.
    PupilsDialog(PupilList& list, const StoredSettings& current, Dialogs& dialogs, QWidget* owner = nullptr);

    // The file of a pupil's remembered answers, closed if it is open, and the stores that move,
    // join and remove them; either unset, removing a pupil does not ask about them.
    std::function<QString(const QString& pupilId)> answersOf;
    AnswerStores* stores = nullptr;

    // The pupil picked with "Vybrat"; empty when the dialog was closed otherwise.
    const QString& pickedId() const { return picked_; }

    QListWidget* pupilList() const { return lstPupils_; }
    QLineEdit* nameEdit() const { return dfName_; }
    QLabel* message() const { return lblMessage_; }
    QPushButton* addButton() const { return pbAdd_; }
    QPushButton* renameButton() const { return pbRename_; }
    QPushButton* removeButton() const { return pbRemove_; }
    QPushButton* pickButton() const { return pbPick_; }

    void add();
    void renameSelected();
    void removeSelected();
    void pickSelected();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void fill(const QString& selectId);
    QString selectedId() const;
    // The damaged entry selected, if that is what is selected.
    std::optional<DamagedPupil> selectedDamaged() const;
    void selectionChanged();
    // What Enter does now: the button that says it is the default one.
    QPushButton* enterButton() const;
    void followEnter();
    void tell(const QString& text);
    void removeDamaged(const DamagedPupil& d);
    // Asks whether a removed pupil's remembered answers go too; true when they went.
    bool forgetAnswers(const Pupil& pupil);
    // Asks whether a new pupil is the removed one who left files under the id his name gives.
    bool sameAsRemoved(const QString& name, const QString& removed, const QStringList& left, bool first,
                       const QString& settingsFile);
    // Moves the answers remembered without pupils to the first pupil's store, or joins them to the
    // answers of a pupil taken back; says what happened, nothing when nothing did.
    QString takeOverAnswers(const QString& pupilId);
    // Runs a change of the list; false when it could not be stored (the failure shown).
    template <class F> bool stored(F&& change);

    PupilList& list_;
    const StoredSettings& current_;
    Dialogs& dialogs_;
    QString picked_;
    // The name box holds the selected pupil's name, as selecting him put it there or edited since;
    // off once it is emptied for a new name.
    bool nameOfSelected_ = false;
    QListWidget* lstPupils_;
    QLineEdit* dfName_;
    QLabel* lblMessage_;
    QPushButton* pbAdd_;
    QPushButton* pbRename_;
    QPushButton* pbRemove_;
    QPushButton* pbPick_;
    QPushButton* pbClose_;
};

} // namespace numio
