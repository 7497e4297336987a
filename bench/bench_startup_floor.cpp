// The floor for start-up: about the least a Qt Widgets program with a window like ours can do
// (menu bar, a few labels, a line edit, a progress bar, a status bar). Started by bench_startup.
#include "startup_probe.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>

using numio::bench::StartupProbe;

int main(int argc, char** argv) {
    StartupProbe::mark("main");
    QApplication app(argc, argv);
    StartupProbe::mark("app");

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
    auto* problem = new QLabel(QStringLiteral("7+5"), central);
    problem->setGeometry(49, 14, 239, 71);
    problem->setFont(big);
    auto* equals = new QLabel(QStringLiteral("="), central);
    equals->setGeometry(294, 14, 53, 84);
    equals->setFont(big);
    auto* answer = new QLineEdit(central);
    // Numio shows no text box while idle; a focused one here would wake twice a second to blink.
    answer->setFocusPolicy(Qt::ClickFocus);
    answer->setGeometry(350, 14, 131, 80);
    answer->setFont(big);
    auto* progress = new QProgressBar(central);
    progress->setGeometry(0, 112, 521, 33);
    progress->setTextVisible(false);
    auto* score = new QLabel(QStringLiteral("Zkoušeno příkladů : 0"), central);
    score->setGeometry(16, 180, 200, 20);
    window.setCentralWidget(central);
    window.statusBar()->showMessage(QStringLiteral("Numio"));
    StartupProbe::mark("built");

    StartupProbe probe(&window);
    window.show();
    StartupProbe::mark("shown");
    return app.exec();
}
