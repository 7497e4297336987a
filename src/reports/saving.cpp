#include "reports/saving.h"

#include "platform/dialogs.h"
#include "platform/failure.h"

#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QUrl>

namespace numio {

void showStatus(QLabel* statusLine, const QString& text) {
    statusLine->setText(text);
    statusLine->setAccessibleName(text);
}

void saveDocument(QLabel* statusLine, const QString& path, const QString& saved,
                  const std::function<void()>& write) {
    const QString shown = QDir::toNativeSeparators(path);
    // Whatever happens next, the line no longer tells of an earlier save.
    showStatus(statusLine, QStringLiteral("Ukládám do souboru %1…").arg(shown));
    try {
        write();
    } catch (Failure& f) {
        showStatus(
            statusLine,
            QStringLiteral("Přehled se nepodařilo uložit do souboru %1: %2.").arg(shown, f.description()));
        f.withDetail(QStringLiteral("Přehled se nepodařilo uložit do souboru %1.").arg(shown));
        throw;
    }
    showStatus(statusLine, saved.arg(shown));
}

void offerToOpen(Dialogs& dialogs, const QString& path, const QString& saved) {
    if (dialogs.message(saved.arg(QDir::toNativeSeparators(path)) +
                            QStringLiteral("\nChcete ho nyní otevřít?"),
                        QStringLiteral("Přehled uložen"), Dialogs::Buttons::YesNo, Dialogs::Icon::Question,
                        Dialogs::Answer::Yes) == Dialogs::Answer::Yes)
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace numio
