#include "ui/help_window.h"

#include "platform/guard.h"
#include "ui/pictures.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace numio {

HelpWindow::HelpWindow(QWidget* owner) : QDialog(owner) {
    initPictures(); // the page lives beside the pictures
    setObjectName(QStringLiteral("dlgHelp"));
    setWindowTitle(QStringLiteral("Nápověda k programu Numio"));
    setAccessibleName(windowTitle());

    auto* page = new QTextBrowser(this);
    page->setObjectName(QStringLiteral("tbHelp"));
    page->setAccessibleName(QStringLiteral("Text nápovědy"));
    // From the resource, so the links inside the page find their anchors; the page declares UTF-8.
    page->setSource(QUrl(QStringLiteral("qrc:/help.html")));

    auto* close = new QPushButton(QStringLiteral("&Zavřít"), this);
    close->setObjectName(QStringLiteral("pbClose"));
    close->setAccessibleName(QStringLiteral("Zavřít"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, guard(dialogs_, [this] { accept(); }));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(page);
    layout->addLayout(buttons);

    // Room for the tables, yet small enough for a 1280 x 700 desktop with its panel, and never
    // taller than a small or magnified screen (leaving room for the title bar).
    setMinimumSize(420, 300);
    const QSize room = (owner ? owner->screen() : screen())->availableSize() - QSize(16, 48);
    resize(QSize(760, 620).boundedTo(room).expandedTo(minimumSize()));
    page->setFocus();
}

} // namespace numio
