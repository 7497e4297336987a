#include "ui/qt_doors.h"

#include "platform/text_files.h"

#include <QApplication>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

namespace numio {

void useCzechQtTexts() {
    static bool loaded = false;
    if (loaded || !QCoreApplication::instance())
        return;
    loaded = true;
    auto* czech = new QTranslator(QCoreApplication::instance());
    if (czech->load(QLocale(QLocale::Czech, QLocale::Czechia), QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(czech);
    else
        delete czech;
}

CzechContextMenus::CzechContextMenus() {
    QCoreApplication::instance()->installEventFilter(this);
}

bool CzechContextMenus::eventFilter(QObject*, QEvent* event) {
    // Seen before the widget builds its menu, so the menu is built in Czech.
    if (event->type() == QEvent::ContextMenu) {
        useCzechQtTexts();
        QCoreApplication::instance()->removeEventFilter(this);
    }
    return false;
}

// A box shown before its window (at start-up) would stand in the screen's corner: it goes where
// the window will open instead. Over a shown window Qt centres it by itself.
void QtDialogs::placeOverOwner(QWidget& box) const {
    if (!owner_ || owner_->isVisible())
        return;
    // A message box settles its size only as it shows: it is placed then, and after each resize.
    struct OnShow : QObject {
        QRect target;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Show || event->type() == QEvent::Resize) {
                auto* w = static_cast<QWidget*>(watched);
                w->move(target.center() - w->rect().center());
            }
            return false;
        }
    };
    auto* onShow = new OnShow;
    onShow->setParent(&box);
    onShow->target = owner_->geometry();
    box.installEventFilter(onShow);
}

Dialogs::Answer QtDialogs::message(const QString& text, const QString& title, Buttons buttons, Icon icon,
                                   Answer defaultButton) {
    useCzechQtTexts();
    QMessageBox box(owner_);
    box.setWindowTitle(title);
    box.setText(text);
    box.setIcon(icon == Icon::Critical   ? QMessageBox::Critical
                : icon == Icon::Question ? QMessageBox::Question
                                         : QMessageBox::Information);
    if (buttons == Buttons::Ok) {
        QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box.setDefaultButton(ok);
        box.setEscapeButton(ok);
        placeOverOwner(box);
        box.exec();
        return Answer::Ok;
    }
    QPushButton* yes = box.addButton(QStringLiteral("&Ano"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("&Ne"), QMessageBox::NoRole);
    QPushButton* cancel = buttons == Buttons::YesNoCancel
                              ? box.addButton(QStringLiteral("&Zrušit"), QMessageBox::RejectRole)
                              : nullptr;
    box.setDefaultButton(defaultButton == Answer::No                 ? no
                         : defaultButton == Answer::Cancel && cancel ? cancel
                                                                     : yes);
    box.setEscapeButton(cancel ? cancel : no);
    placeOverOwner(box);
    box.exec();
    if (cancel && box.clickedButton() == cancel)
        return Answer::Cancel;
    return box.clickedButton() == yes ? Answer::Yes : Answer::No;
}

namespace {

// Qt's own chooser keeps still, without a word, when a new name is longer than the folder allows:
// this one says so.
class SaveChooser : public QFileDialog {
  public:
    using QFileDialog::QFileDialog;

    void accept() override {
        const QStringList chosen = selectedFiles();
        if (!chosen.isEmpty() && pathTooLong(chosen.first())) {
            QMessageBox::warning(
                this, windowTitle(),
                QStringLiteral("Název souboru nebo cesta k němu je příliš dlouhá (název může "
                               "mít nejvýš 255 bajtů, písmeno s diakritikou zabere dva). "
                               "Zkraťte ho prosím."));
            return;
        }
        QFileDialog::accept();
    }
};

} // namespace

QString QtDialogs::chooseFile(const QString& title, const QString& filter, const QString& folder) {
    // A save-style chooser accepts a file that does not exist yet; the protocol is appended to,
    // so an existing one needs no overwrite warning.
    useCzechQtTexts();
    SaveChooser chooser(owner_, title, folder, filter);
    chooser.setObjectName(QStringLiteral("fileChooser"));
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    chooser.setFileMode(QFileDialog::AnyFile);
    chooser.setOptions(QFileDialog::DontConfirmOverwrite | QFileDialog::DontUseNativeDialog);
    if (chooser.exec() != QDialog::Accepted)
        return QString();
    const QStringList chosen = chooser.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

QString QtDialogs::chooseFolder(const QString& title, const QString& folder) {
    useCzechQtTexts();
    return QFileDialog::getExistingDirectory(owner_, title, folder,
                                             QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
}

QtPacer::QtPacer() {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        auto step = std::move(step_);
        step_ = nullptr;
        if (step)
            step();
    });
}

void QtPacer::start(int ms, std::function<void()> step) {
    step_ = std::move(step);
    timer_.start(qMax(0, ms));
}

void QtPacer::stop() {
    timer_.stop();
    step_ = nullptr;
}

void QtPacer::beep() {
    QApplication::beep();
}

QtPeriodicTimer::QtPeriodicTimer() {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { fire(); });
}

void QtPeriodicTimer::setEnabled(bool enabled) {
    if (enabled && !timer_.isActive())
        timer_.start();
    else if (!enabled)
        timer_.stop();
}

} // namespace numio
