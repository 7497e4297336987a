#include "ui/help_window.h"

#include "ui/pictures.h"

#include <QHBoxLayout>
#include <QPushButton>
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
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(page);
    layout->addLayout(buttons);

    // Room for the tables, yet small enough for a 1280 x 700 desktop with its panel.
    setMinimumSize(420, 300);
    resize(760, 620);
    page->setFocus();
}

} // namespace numio
