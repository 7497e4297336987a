#pragma once

// Deterministic stand-ins for the platform doors.

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/file_system_kind.h"
#include "platform/pacer.h"
#include "platform/periodic_timer.h"
#include "platform/random_source.h"
#include "platform/text_files.h"
#include <utility>

#include <QCoreApplication>
#include <QSemaphore>
#include <QStringList>
#include <deque>
#include <functional>
#include <random>

namespace numio::test {

// Seeded source; counts the draws so a test can tell whether any were made.
class SeededRandom : public RandomSource {
  public:
    explicit SeededRandom(unsigned seed = 1) : engine_(seed) {}
    float next() override {
        ++draws;
        return std::uniform_real_distribution<float>(0.0f, 1.0f)(engine_);
    }
    void mixClock() override {}
    int draws = 0;

  private:
    std::mt19937 engine_;
};

// The timed phases step only when the test says so.
class ManualPacer : public Pacer {
  public:
    void start(int, std::function<void()> step) override { step_ = std::move(step); }
    void stop() override { step_ = nullptr; }
    void beep() override { ++beeps; }

    bool pending() const { return static_cast<bool>(step_); }
    // Fires the pending step, as the event loop would once its time has come.
    bool step() {
        auto s = std::exchange(step_, nullptr);
        if (s)
            s();
        return static_cast<bool>(s);
    }
    // Lets the phases in hand run to their end.
    void runOut() {
        for (int guard = 0; guard < 1000 && step(); ++guard) {
        }
    }

    int beeps = 0;

  private:
    std::function<void()> step_;
};

// Records every message box and answers from a script (default: the default button).
class FakeDialogs : public Dialogs {
  public:
    struct Shown {
        QString text;
        QString title;
        Buttons buttons;
    };
    Answer message(const QString& text, const QString& title, Buttons buttons, Icon,
                   Answer defaultButton) override {
        shown.push_back({text, title, buttons});
        if (onMessage)
            onMessage(shown.back());
        if (!answers.empty()) {
            const Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return defaultButton;
    }
    QString chooseFile(const QString& title, const QString& filter, const QString& folder) override {
        chooserCalls.push_back({title, filter, folder});
        if (chosenFiles.empty())
            return {};
        const QString f = chosenFiles.front();
        chosenFiles.pop_front();
        return f;
    }
    // Folders are chosen from the same queue, and recorded with an empty filter.
    QString chooseFolder(const QString& title, const QString& folder) override {
        return chooseFile(title, QString(), folder);
    }
    QStringList texts() const {
        QStringList t;
        for (const auto& s : shown)
            t << s.text;
        return t;
    }

    std::vector<Shown> shown;
    std::deque<Answer> answers;
    std::deque<QString> chosenFiles;
    std::vector<QStringList> chooserCalls;
    std::function<void(const Shown&)> onMessage;
};

// The wall time stands still; the monotonic time moves when the test (or the timer's tick) says.
class FixedClock : public Clock {
  public:
    explicit FixedClock(QDateTime t = QDateTime(QDate(2002, 3, 14), QTime(10, 5, 17))) : time(std::move(t)) {}
    QDateTime now() const override { return time; }
    qint64 elapsedMs() const override { return elapsed; }
    QDateTime time;
    qint64 elapsed = 0;
};

// A timer whose ticks the test fires; each tick first moves the clock on by the interval.
class ManualTimer : public PeriodicTimer {
  public:
    explicit ManualTimer(FixedClock* clock = nullptr) : clock_(clock) {}
    void setInterval(int ms) override { interval_ = ms; }
    int interval() const override { return interval_; }
    void setEnabled(bool enabled) override { enabled_ = enabled; }
    bool isEnabled() const override { return enabled_; }
    // Fires only while enabled, as a real timer would.
    bool tick() {
        if (clock_)
            clock_->elapsed += interval_;
        if (!enabled_)
            return false;
        fire();
        return true;
    }

  private:
    FixedClock* clock_;
    int interval_ = 0;
    bool enabled_ = false;
};

// Every path on the file system the test says.
class FixedFileSystems : public FileSystems {
  public:
    explicit FixedFileSystems(FileSystemKind kind = FileSystemKind::Local) : kind(kind) {}
    FileSystemKind kindOf(const QString&) const override { return kind; }
    FileSystemKind kind;
};

// Real files, but listing a folder (or, without holdListing, reading a file) waits until the test
// lets it go: what a slow network drive or a huge journal does.
class HeldFiles : public LocalTextFiles {
  public:
    QVector<FileEntry> listFolder(const QString& folder) override {
        if (holdListing)
            hold();
        return LocalTextFiles::listFolder(folder);
    }
    QString readEntry(const FileEntry& entry, const std::atomic<bool>* stop) override {
        if (!holdListing)
            hold();
        return LocalTextFiles::readEntry(entry, stop);
    }
    bool holdListing = false;
    QSemaphore entered;  // one for every call that began to wait
    QSemaphore released; // the test releases as many as may go on

  private:
    void hold() {
        entered.release();
        released.acquire();
    }
};

} // namespace numio::test
