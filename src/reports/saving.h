#pragma once

#include <QString>

#include <atomic>
#include <functional>

class QLabel;
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

// Runs `work` on a thread of its own while the window's events go on. When it takes more than a
// moment, a modal progress dialog (`label`, and "Zrušit") shows how far it has come. False when the
// user cancelled; a Failure or anything else thrown in `work` is thrown again here, after the thread
// has ended. `dialogs` tells what would escape the dialog's own handlers.
bool runWithProgress(Dialogs& dialogs, QWidget* owner, const QString& label,
                     const std::function<void(SaveProgress&)>& work);

// The status line's text, which is also what a screen reader says of it: setting it announces it.
void showStatus(QLabel* statusLine, const QString& text);

// Saves a document the user asked for: `write` writes it whole or throws Failure. The status line
// then says `saved` (its %1 the file); a failure is told there as well and goes on to the handler's
// guard, naming the file.
void saveDocument(QLabel* statusLine, const QString& path, const QString& saved,
                  const std::function<void()>& write);

// As saveDocument(), with `write` in the background under runWithProgress(): false, and the status
// line saying so, when the user cancelled; the file is then as it was.
bool saveInBackground(Dialogs& dialogs, QWidget* owner, QLabel* statusLine, const QString& path,
                      const QString& saved, const std::function<void(SaveProgress&)>& write);

// "Jana Nováková" -> "jana-novakova": the pupil's name as part of a proposed file name.
QString fileNamePart(const QString& name);

// Asks whether to open the saved document now (the question's first line `saved`, its %1 the file),
// and opens it when the answer is yes.
void offerToOpen(Dialogs& dialogs, const QString& path, const QString& saved);

} // namespace numio
