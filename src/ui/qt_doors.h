#pragma once

// The real platform doors that need Qt Widgets.

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/pacer.h"
#include "platform/periodic_timer.h"
#include "platform/random_source.h"
#include "platform/settings_store.h"
#include "platform/text_files.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class QWidget;

namespace numio {

// Qt's own texts in Czech (the file chooser's, the context menus of text fields). Loaded on first
// need, not at start-up, where it would only delay the window: safe to call any number of times.
void useCzechQtTexts();

// Loads them when the first context menu is asked for anywhere, then stays out of the way.
class CzechContextMenus : public QObject {
  public:
    CzechContextMenus();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

class QtDialogs : public Dialogs {
  public:
    explicit QtDialogs(QWidget* owner = nullptr) : owner_(owner) {}
    void setOwner(QWidget* owner) { owner_ = owner; }
    Answer message(const QString& text, const QString& title, Buttons buttons, Icon icon,
                   Answer defaultButton) override;
    QString chooseFile(const QString& title, const QString& filter, const QString& folder) override;
    QString chooseFolder(const QString& title, const QString& folder) override;

  private:
    void placeOverOwner(QWidget& box) const;
    QPointer<QWidget> owner_;
};

class QtPacer : public Pacer {
  public:
    QtPacer();
    void start(int ms, std::function<void()> step) override;
    void stop() override;
    void beep() override;

  private:
    QTimer timer_;
    std::function<void()> step_;
};

// A precise timer, so a ten-second limit is not stretched by timer slack.
class QtPeriodicTimer : public PeriodicTimer {
  public:
    QtPeriodicTimer();
    void setInterval(int ms) override { timer_.setInterval(ms); }
    int interval() const override { return timer_.interval(); }
    void setEnabled(bool enabled) override;
    bool isEnabled() const override { return timer_.isActive(); }

  private:
    QTimer timer_;
};

// One of each real door, as the program runs with them (main() and the start-up benchmark).
struct SystemDoors {
    IniSettingsStore store;
    LocalTextFiles files;
    SystemRandomSource random;
    SystemClock clock;
    QtDialogs dialogs;
    QtPacer pacer;
    QtPeriodicTimer timer;
};

} // namespace numio
