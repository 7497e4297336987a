#include "ui/about_dialog.h"

#include "platform/guard.h"
#include "ui/fonts.h"
#include "ui/pictures.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>

namespace numio {

namespace {

const QColor kBackground(192, 255, 192);

// A picture stretched to its box, drawn from the vector source at whatever scale the screen has.
class Picture : public QWidget {
  public:
    Picture(const QString& resource, QWidget* parent) : QWidget(parent), renderer_(resource) {}

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer_.render(&painter, QRectF(rect()));
    }

  private:
    QSvgRenderer renderer_;
};

QLabel* colouredLabel(const QString& text, const QFont& font, const QColor& colour, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    l->setFont(font);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, colour);
    l->setPalette(p);
    return l;
}

// Lines end in CR LF. The terms are broken by hand into short lines beside the small picture, so the
// last paragraph starts below it.
const QString kInfo = QStringLiteral(
    "Program na výuku matematiky pro I. a II. stupeň ZŠ (sčítání, odčítání, násobení, dělení)\r\n"
    "\r\n"
    "Program je svobodný software: smíte jej\r\n"
    "šířit a upravovat podle licence GNU GPL\r\n"
    "verze 3 nebo kterékoli pozdější. Je šířen\r\n"
    "bez jakékoli záruky.\r\n"
    "\r\n"
    "Program vznikl ve snaze naučit mého syna matematice ..... ");

} // namespace

AboutDialog::AboutDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                         Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    initPictures();
    setObjectName(QStringLiteral("dlgAbout"));
    setWindowTitle(QStringLiteral("Numio [verse 1.02]"));
    setFont(programPixelFont(11));
    setFixedSize(twips(6030), twips(4530));
    QPalette p = palette();
    p.setColor(QPalette::Window, kBackground);
    setPalette(p);
    setAutoFillBackground(true);

    Image1 = new Picture(QStringLiteral(":/about_main.svg"), this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(twipsRect(75, 75, 2460, 1650));

    Label1 = colouredLabel(QStringLiteral("Numio"), programPixelFont(48, true), QColor(255, 0, 0), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twipsRect(2775, 375, 2565, 1065));

    Label2 = colouredLabel(QStringLiteral("verse 1.02"), programPixelFont(19, true, true),
                           QColor(192, 192, 0), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(twipsRect(4200, 1275, 1590, 345));

    lbInfo = new QLabel(kInfo, this);
    lbInfo->setObjectName(QStringLiteral("lbInfo"));
    lbInfo->setTextFormat(Qt::PlainText);
    lbInfo->setWordWrap(true);
    lbInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lbInfo->setGeometry(twipsRect(75, 2025, 5865, 1800));
    // Screen readers get the paragraphs, not the hand-made line breaks.
    QStringList paragraphs = kInfo.split(QStringLiteral("\r\n\r\n"));
    for (QString& paragraph : paragraphs)
        paragraph.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    lbInfo->setAccessibleName(paragraphs.join(QStringLiteral("\n\n")));

    // After lbInfo, so the picture lies above the text it sits beside.
    Image2 = new Picture(QStringLiteral(":/about_small.svg"), this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(twipsRect(4350, 2700, 1560, 840));

    pbClose = new QPushButton(QStringLiteral("OK"), this);
    pbClose->setObjectName(QStringLiteral("pbClose"));
    pbClose->setGeometry(twipsRect(4800, 3975, 1140, 465));
    QPalette face = pbClose->palette();
    face.setColor(QPalette::Button, QColor(128, 255, 128));
    pbClose->setPalette(face);
    pbClose->setDefault(true);
    connect(pbClose, &QPushButton::clicked, this, guard(dialogs_, [this] { accept(); }));
}

// The double rule across the box: a dark line with a light-grey one just below it.
void AboutDialog::paintEvent(QPaintEvent* event) {
    guarded(dialogs_, [&] {
        QDialog::paintEvent(event);
        QPainter painter(this);
        const int y = twips(1875);
        painter.fillRect(QRect(0, y, twips(6000), 1), palette().color(QPalette::WindowText));
        painter.fillRect(QRect(0, y + 1, twips(6000), 1), QColor(224, 224, 224));
    });
}

} // namespace numio
