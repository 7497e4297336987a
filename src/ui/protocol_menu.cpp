#include "ui/main_window.h"

#include "journal/journal.h"
#include "platform/failure.h"
#include "reports/reports_plugin.h"
#include "ui/viewer/protocol_viewer.h"

#include <QAction>
#include <QDialog>

namespace numio {

// Viewing and deleting need a journal with something in it; the overview only a named journal,
// on or off, empty or not yet there.
void FrmMain::mnuProtokol_Open() {
    const bool content = exam_.may(Command::ShowProtocol) && exam_.protocolSize() > 0;
    mnuShowProtokol->setEnabled(content);
    mnuDelete->setEnabled(content);
    overviewItem->setEnabled(exam_.may(Command::Overview));
    classOverviewItem->setEnabled(exam_.may(Command::ClassOverview));
}

void FrmMain::mnuShowProtokol_Click() {
    exam_.modal([this] {
        ProtocolViewer viewer(doors_.files, exam_.settings().ProtokolFile, exam_.dialogs(), this,
                              session_.pupilName());
        viewer.exec();
    });
}

void FrmMain::mnuDelete_Click() {
    session_.deleteJournal();
}

void FrmMain::openResultsOverview() {
    // A journal not yet created reads as an empty one; any other that cannot be read changes nothing.
    Journal journal;
    try {
        journal = readJournal(doors_.files, exam_.settings().ProtokolFile);
    } catch (const Failure& f) {
        exam_.dialogs().failure(f);
        return;
    }
    std::optional<StoredSettings> practice;
    if (exam_.may(Command::PractiseMissed))
        practice = exam_.settings();
    const QStringList entries = exam_.modal([&] {
        Reports& reports = this->reports();
        const std::unique_ptr<QDialog> overview = reports.createOverview(
            journal, exam_.settings().ProtokolFile, doors_.store, exam_.dialogs(), practice, this,
            &session_.stores(), session_.answersPath(), int(exam_.settings().knownWithinSeconds) * 1000);
        overview->exec();
        return reports.chosenEntries(*overview);
    });
    if (!entries.isEmpty())
        exam_.practiseProblems(entries);
}

void FrmMain::openClassOverview() {
    exam_.modal([this] {
        reports().showClassOverview(doors_.store, exam_.dialogs(), doors_.files, session_.stores(),
                                    session_.dataFolder(), this);
    });
}

Reports& FrmMain::reports() {
    if (!doors_.reports)
        throw Failure(kFileNotFound);
    return doors_.reports();
}

} // namespace numio
