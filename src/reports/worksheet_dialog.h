#pragma once

#include "core/practice_state.h"
#include "platform/dialogs.h"
#include "platform/settings_store.h"
#include "reports/knowledge_map_input.h"

#include <QDialog>
#include <QList>

#include <functional>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;

namespace numio {

// What a worksheet is to hold.
struct WorksheetChoice {
    int count = 40;
    QList<int> operations; // 1 +, 2 -, 3 *, 4 :
    bool key = true;
    QString title;
};

// "Pracovní list": how many problems, which of the operations the settings switch on, whether the
// results follow on a page of their own, and the title line (none for a class, each sheet has its
// pupil's). OK runs `save` and closes when it has saved.
class WorksheetDialog : public QDialog {
    Q_OBJECT
  public:
    // `title` empty: no title line to edit (a class).
    WorksheetDialog(const StoredSettings& settings, const QString& title, Dialogs& dialogs,
                    std::function<bool(const WorksheetChoice&)> save, QWidget* owner);

    WorksheetChoice choice() const;
    // While the answers are read, nothing can be drawn yet.
    void setReading(bool reading);
    QComboBox* countBox() const { return cbCount_; }
    QCheckBox* operationBox(int op) const;
    QCheckBox* keyBox() const { return chKey_; }
    QLineEdit* titleEdit() const { return leTitle_; }
    QLabel* lblStatus() const { return lblStatus_; }
    QDialogButtonBox* buttons() const { return buttons_; }

  private:
    void update();

    StoredSettings settings_;
    Dialogs& dialogs_;
    std::function<bool(const WorksheetChoice&)> save_;
    bool reading_ = false;
    QComboBox* cbCount_;
    QList<QCheckBox*> operations_; // by operation, null where the settings have it off
    QCheckBox* chKey_;
    QLineEdit* leTitle_ = nullptr;
    QLabel* lblStatus_;
    QDialogButtonBox* buttons_;
};

// The proposed file's name: "Pracovní list – Jana Nováková.pdf".
QString worksheetFileName(const QString& pupil);

// The dialog for one pupil, his answers read aside from input.storePath; OK asks for the file,
// saves the sheet and offers to open it.
void runWorksheet(const KnowledgeMapInput& input, SettingsStore& store, Dialogs& dialogs, QWidget* owner);

// Where the last worksheet went, while that folder is there; the next one is proposed there.
QString worksheetFolder(SettingsStore& store);
void rememberWorksheetFolder(SettingsStore& store, Dialogs& dialogs, const QString& path);

} // namespace numio
