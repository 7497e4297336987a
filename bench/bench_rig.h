#pragma once

// The main window over the program's own doors (INI settings in a temporary folder, real
// files, random source, clock, pacer and timer); only the message boxes are replaced.

#include "bench_common.h"

#include "answers/sqlite_answer_store.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/random_source.h"
#include "platform/settings_store.h"
#include "platform/text_files.h"
#include "support/controls.h"
#include "ui/main_window.h"
#include "ui/qt_doors.h"

#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <memory>

namespace numio::bench {

using namespace numio::test;

// A benchmark expects no message box; should one come, it is printed and answered by default.
class PrintingDialogs : public Dialogs {
  public:
    Answer message(const QString& text, const QString&, Buttons, Icon, Answer defaultButton) override {
        std::printf("  (message box: %s)\n", qPrintable(text));
        return defaultButton;
    }
    QString chooseFile(const QString&, const QString&, const QString&) override { return {}; }
};

struct RealRig {
    QTemporaryDir dir;
    IniSettingsStore store{dir.path()};
    LocalTextFiles files;
    SystemRandomSource random;
    SystemClock clock;
    PrintingDialogs dialogs;
    SqliteAnswerStores stores;
    QtPacer pacer;
    QtPeriodicTimer timer;
    PeriodicTimer* timerInUse = &timer;    // a bench may put a wrapper around the real timer
    std::unique_ptr<PupilSession> session; // outlives the window
    std::unique_ptr<FrmMain> w;

    // "Section/Key" = text, as it would stand in the INI file; before start().
    void set(const QString& key, const QString& value) {
        const qsizetype slash = key.indexOf(QLatin1Char('/'));
        store.write(QStringLiteral("Numio2"), key.left(slash), key.mid(slash + 1), value);
    }

    FrmMain& start() {
        w.reset();
        session = std::make_unique<PupilSession>(store, stores, QString());
        w = std::make_unique<FrmMain>(
            Doors{store, files, random, clock, dialogs, pacer, *timerInUse, nullptr}, *session);
        w->onEnd = [] {};
        w->Form_Load();
        w->show();
        if (!QTest::qWaitForWindowExposed(w.get()))
            std::printf("  (window not exposed)\n");
        return *w;
    }
};

} // namespace numio::bench
