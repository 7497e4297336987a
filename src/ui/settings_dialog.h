#pragma once

#include "core/practice_state.h"
#include "platform/dialogs.h"
#include "platform/settings_store.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace numio {

// Where the protocol chooser starts: the program's own folder, unless the program is installed
// where the user cannot write; then the documents folder, so a new protocol can be created.
QString protocolChooserFolder(const QString& programFolder);

// dlgSettings: the controls are the working copy of the settings until OK writes them into the
// record and the store; any other way of closing leaves both untouched.
class SettingsDialog : public QDialog {
    Q_OBJECT
  public:
    SettingsDialog(PracticeState& s, SettingsStore& store, Dialogs& dialogs, QWidget* owner = nullptr);

    void FillControls();
    void ReadCheckBoxes();
    void SaveSettings();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildPracticeTab(QWidget* tab);
    void buildProtocolTab(QWidget* tab);
    void alignTabCanvases();
    void protocolRule(bool checked);
    void selectFile();
    QString chooseProtocolFile();

    PracticeState& s_;
    SettingsStore& store_;
    Dialogs& dialogs_;
    const QString chooserFolder_;
    QList<QWidget*> tabCanvases_;

  public:
    // Controls, named as the program names them.
    QTabWidget* SSTab = nullptr;
    QPushButton* pbOK = nullptr;
    QComboBox* cmbMaxValue = nullptr;
    QComboBox* cmbMaxValueX = nullptr;
    QGroupBox* Frame1 = nullptr;
    QCheckBox* cbPlus = nullptr;
    QCheckBox* cbKrat = nullptr;
    QCheckBox* cbMinus = nullptr;
    QCheckBox* cbDeleno = nullptr;
    QGroupBox* Frame2 = nullptr;
    QCheckBox* cbLimit = nullptr;
    QComboBox* cmbLimit = nullptr;
    QGroupBox* Frame3 = nullptr;
    QLineEdit* dfSady = nullptr;
    QCheckBox* cbLimitSada = nullptr;
    QComboBox* cmbLimitSada = nullptr;
    QCheckBox* cbProtokol = nullptr;
    QLineEdit* dfFile = nullptr;
    QPushButton* pbSelectFile = nullptr;
};

} // namespace numio
