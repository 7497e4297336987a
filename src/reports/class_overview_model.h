#pragma once

#include "core/answer_store.h"
#include "journal/journal_folder.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/failure.h"
#include "platform/settings_store.h"
#include "platform/text_files.h"

#include <QFutureWatcher>
#include <QHash>
#include <QObject>

#include <memory>
#include <optional>

class QThreadPool;

namespace numio {

// The folder remembered for the class overview; until one was chosen the pupils' journal folder
// where there is one, else the documents folder.
QString classFolder(SettingsStore& store);
// Remembers the folder chosen for the next opening. Throws Failure when it cannot be written.
void rememberClassFolder(SettingsStore& store, const QString& folder);

// The threads that list and read class folders: their own, since Qt draws widgets with the shared
// pool's help. A model dropped while they read does not wait for them; they stop at the next file
// (or sooner) and their results are dropped. The program waits for them only as it ends.
QThreadPool& journalReadingPool();

// The periods the class overview offers, in the order of its choice.
enum class PeriodChoice { Whole, Week, Month, HalfYear, Range };

// "celá historie", "tento týden", "tento měsíc", "toto pololetí", "od – do…"
QString periodName(PeriodChoice choice);

// The days of a period around `today`: the week from Monday, the calendar month, the school
// half-year (1 September to 31 January, 1 February to 31 August). Whole and Range give no days.
Period periodAround(PeriodChoice choice, QDate today);

// The ways the class table can be ordered: by the name's last word or its first, or by a column.
enum class ClassOrder { Surname, FirstName, Exams, Problems, Rate, Grade, Trend, Last, Known };

// How many facts of the ten times tables the pupil knows by his answer store: none for a journal
// without a store to read, or one that cannot be read (the failure says why).
struct KnownFacts {
    std::optional<int> count;
    std::optional<Failure> failure;
    // Answers there, but no times-tables fact tried kKnownRun times yet: a 0 would say he knows
    // nothing, when too little is known to tell.
    bool tooFew = false;
    // Why the store could not be read, naming it where the failure does; empty when it was.
    QString problem() const;
    // The cell: the count, "málo odpovědí", or "—" where there is nothing to show.
    QString text() const;
    // The cell in words, for its tooltip and a screen reader: what it shows or why it is empty.
    QString spoken() const;
};

// Where a pupil's answers are read from, and how quick a right answer must be to count.
struct AnswerSource {
    QString store;
    int knownWithinMs = kKnownWithinSecondsDefault * 1000;
};

// A pupil as the class table shows him: his journal within the period and its figures.
struct ClassRow {
    int pupil = 0; // index into pupils()
    PupilJournal shown;
    PupilSummary summary;
    KnownFacts known;
    // Where his answers are, when he has a store there to read (read or not); none without one.
    std::optional<AnswerSource> answers;
};

// A teacher's view of a whole class, without its widgets: every journal of a folder read in the
// background, a row per readable one within the period in the chosen order, the class's
// most-missed problems and the files that could not be read. It tells too how much of the ten times
// tables each pupil knows, from the answers kept beside his journal, else, for a pupil of this
// computer (by the journal's path or the name written in it), from his answers kept in
// `dataFolder`; read through `stores`, never written.
class ClassOverviewModel : public QObject {
    Q_OBJECT
  public:
    // clock: today, for the periods. namer: the name of a journal that names no pupil. dialogs:
    // where a failure in taking over what the reading found is told, as a window's handler tells it.
    ClassOverviewModel(SettingsStore& store, TextFiles& files, AnswerStores& stores, Dialogs& dialogs,
                       const Clock& clock, PupilNamer namer, const QString& dataFolder,
                       QObject* parent = nullptr);
    ~ClassOverviewModel() override;

    // Starts listing and reading the folder's journals; loaded() follows, also when cancelled.
    void readFolder(const QString& folder);
    // The teacher's cancel: the reading stops soon, what was read is kept and loaded() follows.
    void cancelReading();
    // Drops the reading: nothing it still finds arrives, no loaded() follows.
    void stopReading();
    bool reading() const { return busy_; }
    const QString& folder() const { return folder_; }
    // Every file as read, whole history.
    const QVector<PupilJournal>& pupils() const { return pupils_; }
    // What the reading came to, for the status line: how many pupils and unreadable files, or why
    // there is none.
    QString readingText() const;

    // A choice other than Range counts the days around today; Range those of setRange.
    void setPeriod(PeriodChoice choice);
    PeriodChoice periodChoice() const { return choice_; }
    // The days of Range, in either order; it starts as this half-year up to today.
    void setRange(QDate from, QDate to);
    QDate rangeFrom() const { return from_; }
    QDate rangeTo() const { return to_; }
    // The period chosen and its days; the days are open for the whole history.
    Period period() const;
    // "celá historie", "tento měsíc (1.3.2024 – 31.3.2024)", "1.3.2024 – 20.3.2024"
    QString periodText() const;

    void setOrder(ClassOrder order, bool descending);
    ClassOrder order() const { return order_; }
    bool descending() const { return descending_; }

    // The readable pupils within the period, in the chosen order.
    const QVector<ClassRow>& rows() const { return rows_; }
    // The class's most-missed problems within the period.
    QVector<ClassMissed> missed() const;
    // "soubor.txt: why" for every file not read, and for one that kept changing while read; then
    // "jan.odpovedi.sqlite: why" for every answer store of a row that could not be read.
    QStringList unread() const;
    // Asks the namer again for a pupil whose journal names nobody (his overview may have named
    // him); true when his name changed and the rows were counted anew.
    bool renamePupil(int pupil);

  signals:
    // `done` of `total` files read; no total while the folder is listed.
    void progressed(int done, int total);
    void loaded();

  private:
    // One file as the reading tasks hand it over.
    struct ReadPupil {
        PupilJournal pupil;
        KnownFacts known;
        std::optional<AnswerSource> answers;
    };
    struct Listing {
        QVector<FileEntry> entries;
        std::optional<Failure> failure; // why the folder could not be listed
    };
    struct ReadingState;

    void startReading(const Listing& listing);
    void finishReading();
    void refilter();
    void sortRows();

    TextFiles& files_;
    AnswerStores& stores_;
    Dialogs& dialogs_;
    const Clock& clock_;
    PupilNamer namer_;
    QString folder_;
    QVector<FileEntry> entries_;
    std::optional<Failure> listingFailure_;
    bool cancelled_ = false;
    QVector<PupilJournal> pupils_;
    QVector<KnownFacts> known_;                    // beside pupils_
    QVector<std::optional<AnswerSource>> answers_; // beside pupils_
    // The answers of this computer's pupils, by their journals' resolved paths and by their names'
    // keys (pupilNameKey). Taken from the settings when the model is made: the reading tasks must not
    // touch the settings store.
    QHash<QString, AnswerSource> answerSources_;
    QHash<QString, AnswerSource> answersByName_;
    PeriodChoice choice_ = PeriodChoice::Whole;
    QDate from_, to_;
    ClassOrder order_ = ClassOrder::Surname;
    bool descending_ = false;
    QVector<ClassRow> rows_;
    // Shared with the tasks reading for it: they outlive the model when it goes first.
    std::shared_ptr<ReadingState> state_;
    bool busy_ = false;
    int total_ = 0;
    // The watchers of the reading in hand; none when nothing is read. A stopped reading's watchers
    // go with it, so that nothing it still finds arrives.
    QFutureWatcher<Listing>* listing_ = nullptr;
    QFutureWatcher<ReadPupil>* watcher_ = nullptr;
};

} // namespace numio
