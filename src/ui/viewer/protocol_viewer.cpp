#include "ui/viewer/protocol_viewer.h"

#include "platform/failure.h"
#include "platform/guard.h"
#include "ui/viewer/protocol_text_accessible.h"

#include <QFont>
#include <QPushButton>

namespace numio {

ProtocolViewer::ProtocolViewer(TextFiles& files, const QString& path, Dialogs& dialogs, QWidget* owner,
                               const QString& pupil)
    // Screen readers get the text view's own interface, installed before the view exists.
    : QDialog(owner), dfProtokol_((installProtocolTextAccessible(), new ProtocolText(this, &dialogs))) {
    setObjectName(QStringLiteral("frmProtokol"));
    setWindowTitle(pupil.isEmpty() ? QStringLiteral("Protokol") : QStringLiteral("Protokol – ") + pupil);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setFixedSize(621, 339);

    dfProtokol_->setObjectName(QStringLiteral("dfProtokol"));
    dfProtokol_->setAccessibleName(QStringLiteral("Protokol"));
    dfProtokol_->setGeometry(5, 5, 611, 306);
    dfProtokol_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The separator lines and the columns only line up in a fixed-pitch face.
    QFont font;
    font.setFamilies({QStringLiteral("Courier"), QStringLiteral("Courier New"),
                      QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setBold(true);
    font.setPointSize(10);
    dfProtokol_->setFont(font);

    auto* pbClose = new QPushButton(QStringLiteral("OK"), this);
    pbClose->setObjectName(QStringLiteral("pbClose"));
    pbClose->setGeometry(515, 315, 101, 21);
    pbClose->setDefault(true);
    connect(pbClose, &QPushButton::clicked, this, guard(dialogs, [this] { accept(); }));

    dfProtokol_->setPlainText(load(files, path, dialogs));
}

QString ProtocolViewer::load(TextFiles& files, const QString& path, Dialogs& dialogs) {
    try {
        if (files.size(files.lookUp(path)) == 0)
            return {};
        return files.readAll(path);
    } catch (const Failure& f) {
        dialogs.failure(f); // a missing or unreadable file shows as an empty window
        return {};
    }
}

} // namespace numio
