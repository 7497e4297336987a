// A second process for the hardening tests: the real window over the real doors, except that
// message boxes are answered by their default button without showing anything. It answers
// problems as fast as it can with the settings it finds in the given configuration folder and
// reports on stdout, one line each, written straight to the descriptor so that a SIGKILL loses
// nothing already said:
//   READY            start-up is over
//   W <text>         a protocol line the operating system has taken
//   M <title>|<text> a message box
//   ANSWERED <n>     problems answered (at the end)
//   BROKEN <rule>    a rule of the window broken under real timers (then exit code 4)
// Usage: numio_driver <config folder> <run ms> [seed]

#include "platform/clock.h"
#include "platform/random_source.h"
#include "platform/settings_store.h"
#include "platform/text_files.h"
#include "platform/widgets/qt_doors.h"
#include "ui/answer_box.h"
#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPushButton>
#include <random>
#include <unistd.h>

using namespace numio;

namespace {

void say(const QString& line) {
    QByteArray bytes = line.toUtf8();
    bytes.replace('\n', ' ');
    bytes.append('\n');
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, p, static_cast<size_t>(left));
        if (n <= 0)
            return;
        p += n;
        left -= n;
    }
}

// Tells each line only once the real stream has taken it.
class ReportingStream : public AppendStream {
public:
    explicit ReportingStream(std::unique_ptr<AppendStream> inner) : inner_(std::move(inner)) {}
    void writeLine(const QString& text) override {
        inner_->writeLine(text);
        say(QStringLiteral("W ") + text);
    }
    void close() override { inner_->close(); }
    bool refersTo(const QString& path) const override { return inner_->refersTo(path); }

private:
    std::unique_ptr<AppendStream> inner_;
};

class ReportingFiles : public LocalTextFiles {
public:
    std::unique_ptr<AppendStream> openForAppending(const QString& path) override {
        return std::make_unique<ReportingStream>(LocalTextFiles::openForAppending(path));
    }
};

class DefaultButtonDialogs : public Dialogs {
public:
    Answer message(const QString& text, const QString& title, Buttons, Icon, Answer defaultButton) override {
        say(QStringLiteral("M ") + title + QLatin1Char('|') + text);
        return defaultButton;
    }
    QString chooseFile(const QString&, const QString&, const QString&) override { return {}; }
};

void pressEnter(QWidget* target) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QCoreApplication::sendEvent(target, &release);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        say(QStringLiteral("usage: numio_driver <config folder> <run ms> [seed]"));
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const qint64 runMs = QByteArray(argv[2]).toLongLong();
    std::mt19937 pupil(argc > 3 ? static_cast<unsigned>(QByteArray(argv[3]).toUInt()) : 1u);
    auto chance = [&](int percent) { return static_cast<int>(pupil() % 100) < percent; };

    IniSettingsStore store(folder);
    ReportingFiles files;
    SystemRandomSource random;
    SystemClock clock;
    DefaultButtonDialogs dialogs;
    QtEventPump pump;
    QtPeriodicTimer timer;

    FrmMain w({store, files, random, clock, dialogs, pump, timer});
    w.onEnd = [] {};
    w.blinkPhaseMs = 0;
    w.slideFrameMs = 0;
    w.Form_Load();
    say(QStringLiteral("READY"));

    QElapsedTimer elapsed;
    elapsed.start();
    int answered = 0;
    int inThisRun = 0;
    bool sets = false;
    while (elapsed.elapsed() < runMs) {
        QCoreApplication::processEvents();
        PracticeState& s = w.state;
        if (int(s.bPocitej) + int(s.bPocitejSady) + int(s.bOpravy) > 1 || s.nSpatne < 0 || s.nSpatne > s.nPrikladID) {
            say(QStringLiteral("BROKEN flags %1%2%3, wrong %4 of %5")
                    .arg(s.bPocitej).arg(s.bPocitejSady).arg(s.bOpravy).arg(s.nSpatne).arg(s.nPrikladID));
            return 4;
        }
        if (!s.modeRunning()) {
            if (w.reportCardShown()) {
                w.pbOK->click();
                continue;
            }
            sets = !sets;
            inThisRun = 0;
            (sets ? w.mnuPocitejSady : w.mnuPocitej)->trigger();
            if (!s.modeRunning()) {
                (sets ? w.mnuPocitej : w.mnuPocitejSady)->trigger();
                if (!s.modeRunning())
                    return 3; // nothing can start: the settings are not what the test meant
            }
            continue;
        }
        if (s.bPocitej && inThisRun >= 4 && chance(10)) {
            w.mnuStop->trigger();
            continue;
        }
        if (!w.dfResult->isEnabled())
            continue;
        w.dfResult->setText(QString::number(chance(25) ? s.C + 1 : s.C));
        pressEnter(w.dfResult);
        ++answered;
        ++inThisRun;
    }
    say(QStringLiteral("ANSWERED %1").arg(answered));
    w.close();
    return 0;
}
