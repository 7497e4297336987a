#include "reports/saving.h"

#include "platform/dialogs.h"
#include "platform/failure.h"
#include "platform/guard.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFutureWatcher>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>

#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>

namespace numio {

namespace {

// A save that ends within this time shows no dialog.
constexpr int kQuietMs = 200;
// How often the dialog's bar catches up with the writer.
constexpr int kFollowMs = 50;

// The dialog of a save that takes its time: how far it has come, and a way to stop it.
class SavingDialog : public QProgressDialog {
  public:
    // Made without a button of its own: the one it would make keeps its Escape shortcut when replaced,
    // and two of them leave Escape to neither.
    SavingDialog(Dialogs& dialogs, QWidget* owner, const QString& label, SaveProgress& progress)
        : QProgressDialog(label, QString(), 0, 0, owner), bar_(new QProgressBar) {
        setObjectName(QStringLiteral("frmUkladani"));
        setWindowTitle(QStringLiteral("Ukládání"));
        setWindowModality(Qt::WindowModal);
        setAutoClose(false);
        setAutoReset(false);
        bar_->setObjectName(QStringLiteral("pbUkladani"));
        bar_->setAccessibleName(QStringLiteral("Průběh ukládání"));
        setBar(bar_);
        auto* cancel = new QPushButton(QStringLiteral("&Zrušit"));
        cancel->setObjectName(QStringLiteral("pbZrusitUkladani"));
        cancel->setAccessibleName(QStringLiteral("Zrušit ukládání"));
        setCancelButton(cancel);
        follow_.setInterval(kFollowMs);
        connect(&follow_, &QTimer::timeout, this, guard(dialogs, [this, &progress] {
            // A bar counts in int; a document's steps never come near its end.
            bar_->setMaximum(int(std::min<qint64>(progress.total(), INT_MAX)));
            bar_->setValue(int(std::min<qint64>(progress.done(), bar_->maximum())));
        }));
        follow_.start();
    }

  private:
    QProgressBar* bar_;
    QTimer follow_;
};

// Work on the saving thread and the dialog that shows it; see runWithProgress().
class BackgroundWork : public QObject {
  public:
    BackgroundWork(Dialogs& dialogs, QWidget* owner, const QString& label,
                   std::function<void(SaveProgress&)> work, std::function<void(const WorkOutcome&)> done)
        : QObject(owner), dialogs_(dialogs), owner_(owner), label_(label), done_(std::move(done)) {
        connect(&watcher_, &QFutureWatcherBase::finished, this, guard(dialogs, [this] { finish(); }));
        // The task holds the progress and the work with what it writes, never the window: it may go on
        // for a step after the window has gone.
        watcher_.setFuture(QtConcurrent::run(&savingPool(), [progress = progress_, work = std::move(work)] {
            WorkOutcome outcome;
            try {
                work(*progress);
            } catch (const SaveCancelled&) {
                outcome.cancelled = true;
            } catch (...) {
                outcome.thrown = std::current_exception();
            }
            return outcome;
        }));
        quiet_.setSingleShot(true);
        connect(&quiet_, &QTimer::timeout, this, guard(dialogs, [this] { showDialog(); }));
        quiet_.start(kQuietMs);
    }
    ~BackgroundWork() override {
        progress_->cancel();
        delete dialog_;
    }

  private:
    void showDialog() {
        dialog_ = new SavingDialog(dialogs_, owner_, label_, *progress_);
        // Zrušit, Escape and closing the dialog alike. The writer stops at its next step, and only then
        // does the window come back.
        connect(dialog_, &QProgressDialog::canceled, this, guard(dialogs_, [this] { progress_->cancel(); }));
        dialog_->show();
    }
    void finish() {
        quiet_.stop();
        delete dialog_;
        const WorkOutcome outcome = watcher_.result();
        const auto done = std::move(done_);
        // Not within a dialog that `done` may show: only once back in the window's own events.
        deleteLater();
        done(outcome);
    }

    Dialogs& dialogs_;
    QWidget* owner_;
    QString label_;
    std::function<void(const WorkOutcome&)> done_;
    const std::shared_ptr<SaveProgress> progress_ = std::make_shared<SaveProgress>();
    QFutureWatcher<WorkOutcome> watcher_;
    QTimer quiet_;
    QPointer<SavingDialog> dialog_;
};

// The saving thread: one, so that saves go one after another.
struct SavingPool : QThreadPool {
    SavingPool() { setMaxThreadCount(1); }
};
Q_GLOBAL_STATIC(SavingPool, savingThread)

void announce(QLabel* statusLine, const QString& path) {
    // Whatever happens next, the line no longer tells of an earlier save.
    showStatus(statusLine, QStringLiteral("Ukládám do souboru %1…").arg(QDir::toNativeSeparators(path)));
}

// Tells what came of a save: saved, cancelled (false) or the failure `result` throws, which goes on
// to the handler's guard naming the file.
bool tell(QLabel* statusLine, const QString& path, const QString& saved, const std::function<bool()>& result,
          const QString& document = QStringLiteral("Přehled")) {
    const QString shown = QDir::toNativeSeparators(path);
    bool done = false;
    try {
        done = result();
    } catch (Failure& f) {
        showStatus(statusLine, QStringLiteral("%1 se nepodařilo uložit do souboru %2: %3.")
                                   .arg(document, shown, f.description()));
        f.withDetail(QStringLiteral("%1 se nepodařilo uložit do souboru %2.").arg(document, shown));
        throw;
    }
    showStatus(statusLine, done ? saved.arg(shown)
                                : QStringLiteral("Ukládání zrušeno; soubor %1 nebyl uložen.").arg(shown));
    return done;
}

} // namespace

void SaveProgress::advance(qint64 steps) {
    if (cancelled_)
        throw SaveCancelled{};
    done_ += steps;
}

bool WorkOutcome::completed() const {
    if (thrown)
        std::rethrow_exception(thrown);
    return !cancelled;
}

QThreadPool& savingPool() {
    return *savingThread();
}

void finishBeforeQuitting(QThreadPool& pool, Dialogs& dialogs) {
    constexpr int kLongestWaitMs = 5000;
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, &pool, guard(dialogs, [&pool] {
                         if (pool.waitForDone(kLongestWaitMs))
                             return;
                         // The journal and the settings are closed by now; only the stuck thread is left,
                         // and the pool's own end would wait for it for ever.
                         qWarning("Numio: a background task did not stop; the program ends without it.");
                         std::fflush(nullptr);
                         std::_Exit(0);
                     }));
}

QObject* runWithProgress(Dialogs& dialogs, QWidget* owner, const QString& label,
                         std::function<void(SaveProgress&)> work,
                         std::function<void(const WorkOutcome&)> done) {
    // What a closed window cancelled stops at its next step; the program waits for that as it ends,
    // while it can still draw.
    static const bool waitsAtTheEnd = [&dialogs] {
        finishBeforeQuitting(savingPool(), dialogs);
        return true;
    }();
    Q_UNUSED(waitsAtTheEnd);
    return new BackgroundWork(dialogs, owner, label, std::move(work), std::move(done));
}

void showStatus(QLabel* statusLine, const QString& text) {
    statusLine->setText(text);
    // An empty line still has a name for a screen reader.
    statusLine->setAccessibleName(text.isEmpty() ? QStringLiteral("Stav") : text);
}

void saveDocument(QLabel* statusLine, const QString& path, const QString& saved,
                  const std::function<void()>& write, const QString& document) {
    announce(statusLine, path);
    tell(
        statusLine, path, saved,
        [&] {
            write();
            return true;
        },
        document);
}

QObject* saveInBackground(Dialogs& dialogs, QWidget* owner, QLabel* statusLine, const QString& path,
                          std::function<void(SaveProgress&)> write,
                          std::function<void(const WorkOutcome&)> done) {
    announce(statusLine, path);
    return runWithProgress(dialogs, owner, statusLine->text(), std::move(write), std::move(done));
}

bool tellSaved(QLabel* statusLine, const QString& path, const QString& saved, const WorkOutcome& outcome) {
    return tell(statusLine, path, saved, [&] { return outcome.completed(); });
}

void offerToOpen(Dialogs& dialogs, const QString& path, const QString& saved, const QString& title) {
    if (dialogs.message(
            saved.arg(QDir::toNativeSeparators(path)) + QStringLiteral("\nChcete ho nyní otevřít?"), title,
            Dialogs::Buttons::YesNo, Dialogs::Icon::Question, Dialogs::Answer::Yes) == Dialogs::Answer::Yes)
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

// "Jana Nováková" -> "jana-novakova": letters without their marks, lower case, blanks to hyphens,
// and nothing a file name could trip over.
QString fileNamePart(const QString& name) {
    QString part;
    const QString decomposed = name.normalized(QString::NormalizationForm_KD);
    for (QChar c : decomposed) {
        if (c.isSpace() || c == u'-') {
            if (!part.isEmpty() && !part.endsWith(u'-'))
                part += u'-';
        } else if (c.unicode() < 128 && c.isLetterOrNumber()) {
            part += c.toLower();
        }
    }
    while (part.endsWith(u'-'))
        part.chop(1);
    return part;
}

} // namespace numio
