#pragma once

#include "core/practice_state.h"
#include "platform/dialogs.h"
#include "platform/settings_store.h"

#include <QDialog>
#include <array>

class QSpinBox;

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace numio {

// Where the protocol chooser starts: the folder of the current protocol when there is one, else
// the documents folder, else home; never the program's own folder.
QString protocolChooserFolder(const QString& currentProtocol, const QString& programFolder);

// dlgSettings: the controls are the working copy of the settings until OK writes them into the
// settings handed in and the store; any other way of closing leaves both untouched. pupilName:
// whose journal a new one is, named after him.
class SettingsDialog : public QDialog {
    Q_OBJECT
  public:
    SettingsDialog(StoredSettings& s, SettingsStore& store, Dialogs& dialogs, QWidget* owner = nullptr,
                   const QString& pupilName = {});

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
    void besideRule();
    void buildChoicesTab(QWidget* tab);
    void selectFile();
    QString chooseProtocolFile();
    // Says so when a protocol at `path` would write into the settings folder.
    bool inSettingsFolder(const QString& path);
    void readChoices(StoredSettings& into) const;
    // What OK asks of the controls before closing: a row chosen while only chosen rows are asked,
    // a protocol outside the settings folder. Otherwise it says why and the dialog stays.
    bool mayClose();

    StoredSettings& s_;
    SettingsStore& store_;
    QString pupilName_;
    Dialogs& dialogs_;
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
    QCheckBox* cbAnswersBeside = nullptr;
    QLineEdit* dfFile = nullptr;
    QPushButton* pbSelectFile = nullptr;
    QCheckBox* cbChosenTables = nullptr;
    std::array<QCheckBox*, 11> cbTables{}; // rows 1 to 10
    QComboBox* cmbCrossingTen = nullptr;
    QCheckBox* cbSoundOnError = nullptr;
    QCheckBox* cbRememberAnswers = nullptr;
    QSpinBox* spnKnownWithin = nullptr;
};

} // namespace numio
