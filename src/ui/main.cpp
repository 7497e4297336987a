#include "platform/clock.h"
#include "platform/random_source.h"
#include "platform/settings_store.h"
#include "platform/text_files.h"
#include "platform/widgets/qt_doors.h"
#include "ui/main_window.h"
#include "ui/signal_watch.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Numio"));
    QApplication::setDesktopFileName(QStringLiteral("numio"));

    // Qt's own texts speak Czech like the rest of the program: the standard dialogs load them
    // before they are built, and this before the first context menu of a text field.
    numio::CzechContextMenus czechContextMenus;

    numio::IniSettingsStore store;
    numio::LocalTextFiles files;
    numio::SystemRandomSource random;
    numio::SystemClock clock;
    numio::QtDialogs dialogs;
    numio::QtPacer pacer;
    numio::QtPeriodicTimer timer;

    numio::FrmMain window({store, files, random, clock, dialogs, pacer, timer});
    dialogs.setOwner(&window);
    window.Form_Load();
    numio::SignalWatch signalWatch;
    QObject::connect(&signalWatch, &numio::SignalWatch::endRequested, &window, &numio::FrmMain::endOnRequest);
    window.adjustSize();
    window.move(window.screen()->availableGeometry().center() - window.rect().center());
    window.show();
    return app.exec();
}
