// The program's own start-up, step for step as main() does it, with the moments between the
// steps written out for bench_startup. Started by that driver; prints raw figures only.
#include "startup_probe.h"

#include "app/lazy_answer_stores.h"
#include "ui/main_window.h"
#include "ui/qt_doors.h"

#include <QApplication>
#include <QScreen>

using numio::bench::StartupProbe;

int main(int argc, char** argv) {
    StartupProbe::mark("main");
    if (!qEnvironmentVariableIsSet("QT_ENABLE_REGEXP_JIT"))
        qputenv("QT_ENABLE_REGEXP_JIT", "0");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Numio"));
    QApplication::setDesktopFileName(QStringLiteral("numio"));
    StartupProbe::mark("app");

    numio::CzechContextMenus czechContextMenus;

    numio::SystemDoors doors;
    numio::LazyAnswerStores stores; // as the program: Qt SQL comes with the first store
    numio::PupilSession session(doors.store, stores, {});

    numio::FrmMain window({doors.store, doors.files, doors.random, doors.clock, doors.dialogs, doors.pacer,
                           doors.timer, nullptr},
                          session);
    doors.dialogs.setOwner(&window);
    StartupProbe::mark("built");
    window.Form_Load();
    StartupProbe::mark("loaded");
    window.adjustSize();
    window.move(window.screen()->availableGeometry().center() - window.rect().center());
    StartupProbe probe(&window);
    window.show();
    StartupProbe::mark("shown");
    return app.exec();
}
