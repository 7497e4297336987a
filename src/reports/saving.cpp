#include "reports/saving.h"

#include "platform/dialogs.h"
#include "platform/failure.h"
#include "platform/guard.h"

#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <climits>
#include <exception>
#include <memory>

namespace numio {

namespace {

// A save that ends within this time shows no dialog; the window only goes on drawing itself.
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

// Shows "Ukládám…" while `write` runs, then what came of it: saved, cancelled (false) or the
// failure, which goes on to the handler's guard naming the file.
bool save(QLabel* statusLine, const QString& path, const QString& saved, const std::function<bool()>& write) {
    const QString shown = QDir::toNativeSeparators(path);
    // Whatever happens next, the line no longer tells of an earlier save.
    showStatus(statusLine, QStringLiteral("Ukládám do souboru %1…").arg(shown));
    bool done = false;
    try {
        done = write();
    } catch (Failure& f) {
        showStatus(
            statusLine,
            QStringLiteral("Přehled se nepodařilo uložit do souboru %1: %2.").arg(shown, f.description()));
        f.withDetail(QStringLiteral("Přehled se nepodařilo uložit do souboru %1.").arg(shown));
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

bool runWithProgress(Dialogs& dialogs, QWidget* owner, const QString& label,
                     const std::function<void(SaveProgress&)>& work) {
    SaveProgress progress;
    std::exception_ptr thrown;
    bool cancelled = false;
    const std::unique_ptr<QThread> thread(QThread::create([&] {
        try {
            work(progress);
        } catch (const SaveCancelled&) {
            cancelled = true;
        } catch (...) {
            thrown = std::current_exception();
        }
    }));
    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, guard(dialogs, [&loop] { loop.quit(); }));
    thread->start();

    // A moment for a short save, without a dialog: the window draws itself, and what the user types or
    // clicks meanwhile waits for the save to end.
    QTimer moment;
    moment.setSingleShot(true);
    QObject::connect(&moment, &QTimer::timeout, &loop, guard(dialogs, [&loop] { loop.quit(); }));
    moment.start(kQuietMs);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    moment.stop();
    if (!thread->isFinished()) {
        SavingDialog dialog(dialogs, owner, label, progress);
        // Zrušit, Escape and closing the dialog alike.
        QObject::connect(&dialog, &QProgressDialog::canceled, &loop, guard(dialogs, [&] {
            progress.cancel();
            loop.quit();
        }));
        dialog.show();
        loop.exec();
    }
    // After a cancel, the writer stops at its next step; the user's input waits for it.
    if (!thread->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    thread->wait();
    if (thrown)
        std::rethrow_exception(thrown);
    return !cancelled;
}

void showStatus(QLabel* statusLine, const QString& text) {
    statusLine->setText(text);
    statusLine->setAccessibleName(text);
}

void saveDocument(QLabel* statusLine, const QString& path, const QString& saved,
                  const std::function<void()>& write) {
    save(statusLine, path, saved, [&] {
        write();
        return true;
    });
}

bool saveInBackground(Dialogs& dialogs, QWidget* owner, QLabel* statusLine, const QString& path,
                      const QString& saved, const std::function<void(SaveProgress&)>& write) {
    return save(statusLine, path, saved,
                [&] { return runWithProgress(dialogs, owner, statusLine->text(), write); });
}

void offerToOpen(Dialogs& dialogs, const QString& path, const QString& saved) {
    if (dialogs.message(saved.arg(QDir::toNativeSeparators(path)) +
                            QStringLiteral("\nChcete ho nyní otevřít?"),
                        QStringLiteral("Přehled uložen"), Dialogs::Buttons::YesNo, Dialogs::Icon::Question,
                        Dialogs::Answer::Yes) == Dialogs::Answer::Yes)
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
