#pragma once

#include "core/answer_store.h"
#include "journal/journal_folder.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/settings_store.h"
#include "platform/text_files.h"

#include <QDialog>
#include <QFutureWatcher>
#include <QHash>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLayout;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QThreadPool;

namespace numio {

class SaveProgress;

// Asks for a folder, starting in the one given; empty when cancelled.
using FolderChooser = std::function<QString(const QString& start)>;

// The folder remembered for the class overview; until one was chosen the pupils' journal folder
// where there is one, else the documents folder.
QString classFolder(SettingsStore& store);

// The threads that list and read class folders: their own, since Qt draws widgets with the shared
// pool's help. A window closed while they read does not wait for them; they stop at the next file
// (or sooner) and their results are dropped. The program waits for them only as it ends.
QThreadPool& journalReadingPool();

// The periods the class overview offers, in the order of its choice.
enum class PeriodChoice { Whole, Week, Month, HalfYear, Range };

// The days of a period around `today`: the week from Monday, the calendar month, the school
// half-year (1 September to 31 January, 1 February to 31 August). Whole and Range give no days.
Period periodAround(PeriodChoice choice, QDate today);

// The ways the class table can be ordered: by the name's last word or its first, or by a column.
enum class ClassOrder { Surname, FirstName, Exams, Problems, Rate, Grade, Trend, Last, Known };

// A teacher's view of a whole class: every journal of a folder, a row per pupil, the class's
// most-missed problems and the files that could not be read, over the whole history or a period.
// For the journals of this computer's pupils it tells too how much of the ten times tables each
// knows, from the pupil's answers kept in `dataFolder`.
// Lists, reads and saves in the background; modal. Closing never waits for the reading, and cancels
// a save.
class ClassOverviewWindow : public QDialog {
    Q_OBJECT
  public:
    // clock: today, for the periods.
    ClassOverviewWindow(SettingsStore& store, Dialogs& dialogs, TextFiles& files, const Clock& clock,
                        FolderChooser folderChooser, PupilNamer namer, QWidget* owner,
                        const QString& dataFolder = defaultDataFolder(), AnswerStores* stores = nullptr);
    ~ClassOverviewWindow() override;

    // Starts listing and reading the folder's journals; loaded() follows, also when cancelled.
    void readFolder(const QString& folder);
    bool reading() const { return busy_; }
    // A CSV or PDF is being written; saveFinished() follows, unless the window closes first.
    bool saving() const { return saving_ != nullptr; }
    // Every file as read, whole history.
    const QVector<PupilJournal>& pupils() const { return pupils_; }
    // The period chosen and its days; the days are open for the whole history.
    Period period() const;
    // "celá historie", "tento měsíc (1.3.2024 – 31.3.2024)", "1.3.2024 – 20.3.2024"
    QString periodText() const;

    QTableWidget* table() const { return table_; }
    QTableWidget* classMissedTable() const { return missedTable_; }
    QListWidget* unreadList() const { return unreadList_; }
    QLabel* lblStav() const { return lblStav_; }
    QPushButton* pbCancel() const { return pbCancel_; }
    QPushButton* pbCsv() const { return pbCsv_; }
    QAction* csvTableAction() const { return csvTable_; }
    QAction* csvExamsAction() const { return csvExams_; }
    QPushButton* pbPdf() const { return pbPdf_; }
    QComboBox* periodBox() const { return cbPeriod_; }
    QDateEdit* fromEdit() const { return deFrom_; }
    QDateEdit* toEdit() const { return deTo_; }
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
    // How many facts of the ten times tables the pupil knows by his answer store: none for a journal
    // of no pupil of this computer, one whose store was never made, or one that cannot be read (the
    // problem says why).
    struct KnownFacts {
        std::optional<int> count;
        QString problem;
    };
    // Where the pupil of a journal keeps his answers, and how quick a right answer must be.
    struct AnswerSource {
        QString store;
        int knownWithinMs = 0;
    };
    // One file as the reading tasks hand it over.
    struct ReadPupil {
        PupilJournal pupil;
        KnownFacts known;
    };
    // A pupil as the table shows him: his journal within the period and its figures.
    struct Row {
        int pupil = 0; // index into pupils_
        PupilJournal shown;
        PupilSummary summary;
        KnownFacts known;
    };
    struct Listing {
        QVector<FileEntry> entries;
        QString problem;
    };
    struct ReadingState;

    QLayout* buildChoices();
    void stopReading();
    void startReading(const Listing& listing);
    void finishReading();
    void refilter();
    void sortRows();
    void fill();
    void fillTable();
    void setOrder(ClassOrder order, bool descending);
    void headerClicked(int column, Qt::SortOrder order);
    void openPupil(int row);
    void chooseFolder();
    enum class CsvKind { Table, Exams };
    void saveCsv(CsvKind kind);
    void savePdf();
    void saveAside(const QString& path, std::function<void(SaveProgress&)> write,
                   std::function<void()> thenSaved);
    void enableCommands();
    QString askForFile(const QString& title, const QString& filter, const QString& name,
                       const QString& suffix);

    SettingsStore& store_;
    Dialogs& dialogs_;
    TextFiles& files_;
    const Clock& clock_;
    AnswerStores* stores_; // none: no pupil's known facts are read
    FolderChooser chooseFolder_;
    PupilNamer namer_;
    QString folder_;
    QVector<FileEntry> entries_;
    QString listingProblem_; // why the folder could not be listed; empty when it was
    QVector<PupilJournal> pupils_;
    QVector<KnownFacts> known_; // beside pupils_
    // The journals of this computer's pupils, by their resolved paths. Taken from the settings when
    // the window opens: the reading tasks must not touch the settings store.
    QHash<QString, AnswerSource> answerSources_;
    QVector<Row> rows_; // the readable pupils within the period, in the table's order
    ClassOrder order_ = ClassOrder::Surname;
    bool descending_ = false;
    // Shared with the tasks reading for it: they outlive the window when it closes first.
    std::shared_ptr<ReadingState> state_;
    bool busy_ = false;
    // The watchers of the reading in hand; none when nothing is read. A stopped reading's watchers
    // go with it, so that nothing it still finds reaches the window.
    QFutureWatcher<Listing>* listing_ = nullptr;
    QFutureWatcher<ReadPupil>* watcher_ = nullptr;
    // The save in hand; deleting it cancels it. Meanwhile nothing else is read or saved.
    QPointer<QObject> saving_;

    QLabel* lblFolder_;
    QComboBox* cbPeriod_;
    QDateEdit* deFrom_;
    QDateEdit* deTo_;
    QComboBox* cbOrder_;
    QCheckBox* chDescending_;
    QTableWidget* table_;
    QTableWidget* missedTable_;
    QLabel* lblUnread_;
    QListWidget* unreadList_;
    QProgressBar* progress_;
    QLabel* lblStav_;
    QPushButton* pbFolder_;
    QPushButton* pbCancel_;
    QPushButton* pbCsv_;
    QAction* csvTable_;
    QAction* csvExams_;
    QPushButton* pbPdf_;
    QPushButton* pbClose_;
};

// What the main window calls: asks for the folder (the last one proposed), then shows the class
// overview modally. Nothing happens when the choice is cancelled.
void runClassOverview(SettingsStore& store, Dialogs& dialogs, TextFiles& files, AnswerStores& stores,
                      const QString& dataFolder, QWidget* owner);

} // namespace numio
