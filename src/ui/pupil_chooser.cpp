#include "ui/pupil_chooser.h"

#include "platform/guard.h"
#include "ui/pupils_dialog.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace numio {

namespace {
const QString kQuestion = QStringLiteral("Kdo bude počítat?");
} // namespace

PupilChooser::PupilChooser(const QList<Pupil>& pupils, const QString& lastId, Dialogs& dialogs,
                           QWidget* owner)
    : QDialog(owner), lastId_(lastId), lstPupils_(new QListWidget(this)),
      pbStart_(new QPushButton(QStringLiteral("&Počítat"), this)) {
    setObjectName(QStringLiteral("dlgChooser"));
    setWindowTitle(kQuestion);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto* question = new QLabel(kQuestion, this);
    QFont big = question->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    question->setFont(big);
    question->setBuddy(lstPupils_);

    lstPupils_->setObjectName(QStringLiteral("lstPupils"));
    lstPupils_->setAccessibleName(kQuestion);
    QFont names = lstPupils_->font();
    names.setPointSizeF(names.pointSizeF() * 1.3);
    lstPupils_->setFont(names);
    fillPupilList(lstPupils_, pupils, lastId);
    if (!lstPupils_->currentItem() && lstPupils_->count() > 0)
        lstPupils_->setCurrentRow(0);
    // As tall as the names need, up to ten of them; more scroll.
    const int rows = std::clamp(lstPupils_->count(), 2, 10);
    lstPupils_->setMinimumWidth(260);
    lstPupils_->setFixedHeight(lstPupils_->sizeHintForRow(0) * rows + 2 * lstPupils_->frameWidth() + 6);

    pbStart_->setObjectName(QStringLiteral("pbStart"));
    pbStart_->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(question);
    layout->addWidget(lstPupils_, 1);
    layout->addWidget(pbStart_, 0, Qt::AlignRight);

    connect(lstPupils_, &QListWidget::itemActivated, this, guard(dialogs, [this] { accept(); }));
    connect(pbStart_, &QPushButton::clicked, this, guard(dialogs, [this] { accept(); }));
    lstPupils_->setFocus();
}

QString PupilChooser::chosenId() const {
    const QListWidgetItem* item = lstPupils_->currentItem();
    return result() == Accepted && item ? item->data(Qt::UserRole).toString() : lastId_;
}

} // namespace numio
