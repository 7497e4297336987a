#include "platform/clock.h"
#include "platform/random_source.h"
#include "platform/settings_store.h"
#include "platform/text_files.h"
#include "platform/widgets/qt_doors.h"
#include "ui/main_window.h"
#include "ui/signal_watch.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QScreen>
#include <QTranslator>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Numio"));
    QApplication::setDesktopFileName(QStringLiteral("numio"));

    // Standard dialogs (the file chooser above all) speak Czech like the rest of the program.
    QTranslator qtCzech;
    if (qtCzech.load(QLocale(QLocale::Czech, QLocale::Czechia), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtCzech);

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
