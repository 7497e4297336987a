#pragma once

#include "reports/class_overview_model.h"

#include "platform/dialogs.h"

#include <QDialog>
#include <QPointer>

#include <functional>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLayout;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace numio {

class DateField;
class SaveProgress;

// Asks for a folder, starting in the one given; empty when cancelled.
using FolderChooser = std::function<QString(const QString& start)>;

// The class overview's window: the model's rows, the class's most-missed problems and the files
// that could not be read, with the choices of period and order, and the class saved as CSV or PDF.
// Reads and saves in the background; modal. Closing never waits for the reading, and cancels a save.
class ClassOverviewWindow : public QDialog {
    Q_OBJECT
  public:
    // clock: today, for the periods and the names proposed for the documents; stores and
    // dataFolder: the answers of this computer's pupils (see ClassOverviewModel).
    ClassOverviewWindow(SettingsStore& store, Dialogs& dialogs, TextFiles& files, AnswerStores& stores,
                        const Clock& clock, FolderChooser folderChooser, PupilNamer namer, QWidget* owner,
                        const QString& dataFolder = defaultDataFolder());
    ~ClassOverviewWindow() override;

    // Starts listing and reading the folder's journals; loaded() follows, also when cancelled.
    void readFolder(const QString& folder);
    bool reading() const { return model_.reading(); }
    // A CSV or PDF is being written; saveFinished() follows, unless the window closes first.
    bool saving() const { return saving_ != nullptr; }
    const ClassOverviewModel& model() const { return model_; }

    QTableWidget* table() const { return table_; }
    QTableWidget* classMissedTable() const { return missedTable_; }
    QListWidget* unreadList() const { return unreadList_; }
    QLabel* lblStatus() const { return lblStatus_; }
    QPushButton* pbCancel() const { return pbCancel_; }
    QPushButton* pbCsv() const { return pbCsv_; }
    QAction* csvTableAction() const { return csvTable_; }
    QAction* csvExamsAction() const { return csvExams_; }
    QPushButton* pbPdf() const { return pbPdf_; }
    QPushButton* pbClassMap() const { return pbClassMap_; }
    QPushButton* pbReports() const { return pbReports_; }
    QPushButton* pbWorksheets() const { return pbWorksheets_; }
    QComboBox* periodBox() const { return cbPeriod_; }
    DateField* fromEdit() const { return deFrom_; }
    DateField* toEdit() const { return deTo_; }
    QComboBox* orderBox() const { return cbOrder_; }
    QCheckBox* descendingBox() const { return chDescending_; }

    void done(int result) override;

  signals:
    void loaded();
    // A save has ended and the status line says how; its questions and failures have been told.
    void saveFinished();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLayout* buildChoices();
    void showDateNote(const QString& note);
    void finishReading();
    void fill();
    void fillTable();
    void setOrder(ClassOrder order, bool descending);
    void headerClicked(int column, Qt::SortOrder order);
    void openPupil(int row);
    void chooseFolder();
    enum class CsvKind { Table, Exams };
    void saveCsv(CsvKind kind);
    void savePdf();
    void openClassMap();
    void saveParentReports();
    void saveWorksheets();
    void saveAside(const QString& path, std::function<void(SaveProgress&)> write,
                   std::function<void()> thenSaved);
    void enableCommands();
    QString askForFile(const QString& title, const QString& filter, const QString& name,
                       const QString& suffix);

    SettingsStore& store_;
    Dialogs& dialogs_;
    const Clock& clock_;
    AnswerStores& stores_;
    FolderChooser chooseFolder_;
    ClassOverviewModel model_;
    // The save in hand; deleting it cancels it. Meanwhile nothing else is read or saved.
    QPointer<QObject> saving_;

    QLabel* lblFolder_;
    QComboBox* cbPeriod_;
    DateField* deFrom_;
    DateField* deTo_;
    // The period in words, and why a date typed was not taken.
    QLabel* lblPeriod_;
    QLabel* lblDateNote_;
    QComboBox* cbOrder_;
    QCheckBox* chDescending_;
    QTableWidget* table_;
    QTableWidget* missedTable_;
    QLabel* lblKnownNote_; // what "Zná násobilku" shows, under the table
    QLabel* lblUnread_;
    QListWidget* unreadList_;
    QProgressBar* progress_;
    QLabel* lblStatus_;
    QPushButton* pbFolder_;
    QPushButton* pbCancel_;
    QPushButton* pbCsv_;
    QAction* csvTable_;
    QAction* csvExams_;
    QPushButton* pbPdf_;
    QPushButton* pbClassMap_;
    QPushButton* pbReports_;
    QPushButton* pbWorksheets_;
    QPushButton* pbClose_;
};

// What the main window calls: asks for the folder (the last one proposed), then shows the class
// overview modally. Nothing happens when the choice is cancelled.
void runClassOverview(SettingsStore& store, Dialogs& dialogs, TextFiles& files, AnswerStores& stores,
                      const QString& dataFolder, QWidget* owner);

} // namespace numio
