#pragma once

#include <QString>

#include <atomic>
#include <exception>
#include <functional>

class QLabel;
class QObject;
class QThreadPool;
class QWidget;

namespace numio {

class Dialogs;

// How far a document being written in the background has come, and whether the user stopped it.
// The writer sets and advances it on its thread, the window reads it on its own.
class SaveProgress {
  public:
    // Steps in all; 0 while not known.
    void setTotal(qint64 steps) { total_ = steps; }
    // One more step done. Throws SaveCancelled once the user has cancelled, so that the writer
    // stops where it is and nothing of the document is written.
    void advance(qint64 steps = 1);
    bool cancelled() const { return cancelled_; }
    void cancel() { cancelled_ = true; }
    qint64 total() const { return total_; }
    qint64 done() const { return done_; }

  private:
    std::atomic<qint64> total_{0};
    std::atomic<qint64> done_{0};
    std::atomic<bool> cancelled_{false};
};

// What SaveProgress::advance() throws once cancelled; no failure, so no guard reports it.
struct SaveCancelled {};

// What came of work in the background: done, cancelled by the user, or what it threw.
class WorkOutcome {
  public:
    // False when the user cancelled; what the work threw is thrown again here.
    bool completed() const;

    bool cancelled = false;
    std::exception_ptr thrown;
};

// The one thread that writes documents in the background: saves go one after another. The program
// waits for it as it ends, when what a closed window cancelled has stopped.
QThreadPool& savingPool();

// As the program quits, waits a few seconds for what `pool` still runs (a closed window cancelled
// it; it stops at its next step). Work stuck in the system beyond that (a file system that no longer
// answers) does not keep the program alive: it ends without waiting further. Connected once a pool.
void finishBeforeQuitting(QThreadPool& pool, Dialogs& dialogs);

// Starts `work` on the saving thread and returns at once. When it takes more than a moment, a
// window-modal progress dialog over `owner` (`label`, and "Zrušit") shows how far it has come.
// When the work has ended, the dialog goes and `done` runs on owner's thread under the handler's
// guard, told what came of it. Returns the work's handle, a child of `owner`: deleting it (or owner)
// cancels the work and nothing of it follows; it stops by itself at its next step and never waits
// for the window nor the window for it. The handle goes by itself once `done` has run.
QObject* runWithProgress(Dialogs& dialogs, QWidget* owner, const QString& label,
                         std::function<void(SaveProgress&)> work,
                         std::function<void(const WorkOutcome&)> done);

// The status line's text, which is also what a screen reader says of it: setting it announces it.
void showStatus(QLabel* statusLine, const QString& text);

// Saves a document the user asked for: `write` writes it whole or throws Failure. The status line
// then says `saved` (its %1 the file); a failure is told there as well and goes on to the handler's
// guard, naming the file and the document (`document`, as the object of "… se nepodařilo uložit").
void saveDocument(QLabel* statusLine, const QString& path, const QString& saved,
                  const std::function<void()>& write, const QString& document = QStringLiteral("Přehled"));

// Saves a document like saveDocument(), with `write` in the background under runWithProgress():
// the status line says "Ukládám…" now, and `done` follows when the writing is over, which tells it
// with tellSaved(). Returns the work's handle.
QObject* saveInBackground(Dialogs& dialogs, QWidget* owner, QLabel* statusLine, const QString& path,
                          std::function<void(SaveProgress&)> write,
                          std::function<void(const WorkOutcome&)> done);

// What came of a save in the background, on the status line as saveDocument() tells it: `saved`
// (its %1 the file), or cancelled, which returns false with the file as it was; a failure is thrown
// on to the handler's guard, naming the file.
bool tellSaved(QLabel* statusLine, const QString& path, const QString& saved, const WorkOutcome& outcome);

// "Jana Nováková" -> "jana-novakova": the pupil's name as part of a proposed file name.
QString fileNamePart(const QString& name);

// Asks whether to open the saved document now (the question's first line `saved`, its %1 the file),
// and opens it when the answer is yes.
void offerToOpen(Dialogs& dialogs, const QString& path, const QString& saved,
                 const QString& title = QStringLiteral("Přehled uložen"));

} // namespace numio
