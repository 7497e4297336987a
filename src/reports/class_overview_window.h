#pragma once

#include "journal/journal_folder.h"
#include "platform/dialogs.h"
#include "platform/settings_store.h"
#include "platform/text_files.h"

#include <QDialog>
#include <QFutureWatcher>
#include <QThreadPool>

#include <functional>

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace numio {

// Asks for a folder, starting in the one given; empty when cancelled.
using FolderChooser = std::function<QString(const QString& start)>;

// The folder remembered for the class overview; until one was chosen the pupils' journal folder
// where there is one, else the documents folder.
QString classFolder(SettingsStore& store);

// A teacher's view of a whole class: every journal of a folder, a row per pupil, the class's
// most-missed problems and the files that could not be read. Reads in the background; modal.
class ClassOverviewWindow : public QDialog {
    Q_OBJECT
  public:
    ClassOverviewWindow(SettingsStore& store, Dialogs& dialogs, TextFiles& files, FolderChooser folderChooser,
                        PupilNamer namer, QWidget* owner);
    ~ClassOverviewWindow() override;

    // Starts reading the folder's journals; loaded() follows, also when cancelled.
    void readFolder(const QString& folder);
    bool reading() const;
    const QVector<PupilJournal>& pupils() const { return pupils_; }

    QTableWidget* table() const { return table_; }
    QTableWidget* classMissedTable() const { return missedTable_; }
    QListWidget* unreadList() const { return unreadList_; }
    QLabel* lblStav() const { return lblStav_; }
    QPushButton* pbCancel() const { return pbCancel_; }
    QPushButton* pbCsv() const { return pbCsv_; }
    QPushButton* pbPdf() const { return pbPdf_; }

    void done(int result) override;

  signals:
    void loaded();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void finishReading();
    void fill();
    void openPupil(int row);
    void chooseFolder();
    void saveCsv();
    void savePdf();
    QString askForFile(const QString& title, const QString& filter, const QString& name,
                       const QString& suffix);

    SettingsStore& store_;
    Dialogs& dialogs_;
    TextFiles& files_;
    FolderChooser chooseFolder_;
    PupilNamer namer_;
    QString folder_;
    QVector<FileEntry> entries_;
    QString listingProblem_; // why the folder could not be listed; empty when it was
    QVector<PupilJournal> pupils_;
    // Threads of its own: Qt draws widgets with the shared pool's help, and a window waiting for
    // that pool behind a class's journals would stand still until they were all read.
    QThreadPool pool_;
    QFutureWatcher<PupilJournal> watcher_;

    QLabel* lblFolder_;
    QTableWidget* table_;
    QTableWidget* missedTable_;
    QLabel* lblUnread_;
    QListWidget* unreadList_;
    QProgressBar* progress_;
    QLabel* lblStav_;
    QPushButton* pbFolder_;
    QPushButton* pbCancel_;
    QPushButton* pbCsv_;
    QPushButton* pbPdf_;
    QPushButton* pbClose_;
};

// What the main window calls: asks for the folder (the last one proposed), then shows the class
// overview modally. Nothing happens when the choice is cancelled.
void runClassOverview(SettingsStore& store, Dialogs& dialogs, TextFiles& files, QWidget* owner);

} // namespace numio
