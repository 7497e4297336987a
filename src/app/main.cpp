#include "app/lazy_answer_stores.h"
#include "app/reports_loader.h"
#include "app/signal_watch.h"
#include "platform/guard.h"
#include "ui/main_window.h"
#include "ui/qt_doors.h"

#include <QApplication>
#include <QScreen>

namespace {

// Whatever a handler lets escape ends here, is told in the usual box, and the program goes on:
// Qt itself would end the program on an exception.
class GuardedApplication : public QApplication {
  public:
    using QApplication::QApplication;
    numio::Dialogs* dialogs = nullptr;

    bool notify(QObject* receiver, QEvent* event) override {
        if (!dialogs)
            return QApplication::notify(receiver, event);
        bool handled = false;
        numio::guarded(*dialogs, [&] { handled = QApplication::notify(receiver, event); });
        return handled;
    }
};

} // namespace

int main(int argc, char** argv) {
    // The program matches a few short patterns now and then: compiling them to machine code costs
    // more at start-up, and half a megabyte resident, than it can ever save.
    if (!qEnvironmentVariableIsSet("QT_ENABLE_REGEXP_JIT"))
        qputenv("QT_ENABLE_REGEXP_JIT", "0");
    GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Numio"));
    QApplication::setDesktopFileName(QStringLiteral("numio"));

    // Qt's own texts speak Czech like the rest of the program: the standard dialogs load them
    // before they are built, and this before the first context menu of a text field.
    numio::CzechContextMenus czechContextMenus;

    numio::SystemDoors doors;
    // Qt SQL comes in with the first store opened, not at start.
    numio::LazyAnswerStores stores;
    app.dialogs = &doors.dialogs;
    numio::PupilSession session(doors.store, stores, numio::defaultDataFolder());
    numio::FrmMain window({doors.store, doors.files, doors.random, doors.clock, doors.dialogs, doors.pacer,
                           doors.timer, &numio::loadReports},
                          session);
    doors.dialogs.setOwner(&window);
    // Placed before start-up speaks, so that its messages stand where the window will open.
    const auto centre = [&window] {
        window.adjustSize();
        window.move(window.screen()->availableGeometry().center() - window.rect().center());
    };
    centre();
    window.Form_Load();
    numio::SignalWatch signalWatch;
    QObject::connect(&signalWatch, &numio::SignalWatch::endRequested, &window,
                     numio::guard(doors.dialogs, [&window] { window.endOnRequest(); }));
    centre();
    window.show();
    const int code = app.exec();
    app.dialogs = nullptr;
    return code;
}
