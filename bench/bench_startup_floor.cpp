// The floor for start-up: about the least a Qt Widgets program with a window like ours can do
// (menu bar, a few labels, a line edit, a progress bar, a status bar). Started by bench_startup.
//
// Built twice more to show where the program's time over the floor goes: linked with Qt SQL as
// well (NUMIO_FLOOR_SQL), and linked with everything the program links (NUMIO_FLOOR_PARTS), where
// options then add the program's own start-up parts one at a time:
//   --fonts     the program's faces for the same labels
//   --icons     the window icon and the Stop button's picture
//   --pictures  the program's status bar, showing the pictures of a first start
//   --settings  the settings read as at start-up
//   --answer    the program's answer box instead of the plain line edit
// With --to-main it ends as soon as main() is reached.
#include "startup_probe.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>

#include <cstring>

#ifdef NUMIO_FLOOR_SQL
#include <QSqlDatabase>
#endif
#ifdef NUMIO_FLOOR_PARTS
#include "core/settings.h"
#include "platform/settings_store.h"
#include "ui/digit_box.h"
#include "ui/fonts.h"
#include "ui/pictures.h"
#include "ui/status_bar.h"

#include <QPushButton>
#endif

using numio::bench::StartupProbe;

int main(int argc, char** argv) {
    StartupProbe::mark("main");
    // Only the libraries' loading, relocation and initialisers: what comes before main().
    if (argc > 1 && std::strcmp(argv[1], "--to-main") == 0)
        return 0;
#ifdef NUMIO_FLOOR_PARTS
    // As the program starts.
    if (!qEnvironmentVariableIsSet("QT_ENABLE_REGEXP_JIT"))
        qputenv("QT_ENABLE_REGEXP_JIT", "0");
#endif
    QApplication app(argc, argv);
    StartupProbe::mark("app");
#ifdef NUMIO_FLOOR_SQL
    // Never true: it only keeps the linker from dropping the library.
    if (argc > 99)
        return int(QSqlDatabase::drivers().size());
#endif
    const QStringList args = QApplication::arguments();
    const auto with = [&args](const char* part) {
        return args.contains(QStringLiteral("--all")) || args.contains(QString::fromLatin1(part));
    };
    (void)with;

    QMainWindow window;
    QMenu* first = window.menuBar()->addMenu(QStringLiteral("&Numio"));
    first->addAction(QStringLiteral("&Počítej"), QKeySequence(Qt::SHIFT | Qt::Key_F5));
    first->addAction(QStringLiteral("Počítej &sadu příkladů"), QKeySequence(Qt::Key_F5));
    first->addSeparator();
    first->addAction(QStringLiteral("&Konec"), QKeySequence(Qt::CTRL | Qt::Key_Q));
    window.menuBar()->addMenu(QStringLiteral("&Protokol"))->addAction(QStringLiteral("&Zobraz protokol"));

    auto* central = new QWidget(&window);
    central->setFixedSize(535, 275);
    QFont big;
    big.setPointSize(48);
    big.setBold(true);
    QFont small;
#ifdef NUMIO_FLOOR_PARTS
    if (with("--fonts")) {
        big = numio::programFont(48, true);
        small = numio::programFont(8.25);
    }
#endif
    auto* problem = new QLabel(QStringLiteral("7+5"), central);
    problem->setGeometry(49, 14, 239, 71);
    problem->setFont(big);
    auto* equals = new QLabel(QStringLiteral("="), central);
    equals->setGeometry(294, 14, 53, 84);
    equals->setFont(big);
    QLineEdit* answer = nullptr;
#ifdef NUMIO_FLOOR_PARTS
    if (with("--answer"))
        answer = new numio::DigitBox(3, central);
#endif
    if (!answer)
        answer = new QLineEdit(central);
    // Numio shows no text box while idle; a focused one here would wake twice a second to blink.
    answer->setFocusPolicy(Qt::ClickFocus);
    answer->setGeometry(350, 14, 131, 80);
    answer->setFont(big);
    auto* progress = new QProgressBar(central);
    progress->setGeometry(0, 112, 521, 33);
    progress->setTextVisible(false);
    auto* score = new QLabel(QStringLiteral("Zkoušeno příkladů : 0"), central);
    score->setGeometry(16, 180, 200, 20);
    score->setFont(small);
    window.setCentralWidget(central);
#ifdef NUMIO_FLOOR_PARTS
    if (with("--icons")) {
        window.setWindowIcon(numio::pictureIcon(QStringLiteral("numio.svg")));
        auto* stop = new QPushButton(central);
        stop->setIcon(numio::pictureIcon(QStringLiteral("stop.svg")));
        stop->setIconSize(QSize(30, 30));
        stop->hide();
    }
    if (with("--settings")) {
        numio::IniSettingsStore store;
        numio::StoredSettings settings;
        numio::LoadSettings(settings, store);
    }
    if (with("--pictures")) {
        auto* bar = new numio::StatusBar(&window);
        window.setStatusBar(bar);
        bar->setPanel(2, numio::StatusBar::Addition);
        bar->setPanel(3, numio::StatusBar::Subtraction);
    }
#endif
    window.statusBar()->showMessage(QStringLiteral("Numio"));
    StartupProbe::mark("built");

    StartupProbe probe(&window);
    window.show();
    StartupProbe::mark("shown");
    return app.exec();
}
