#include "ui/main_window.h"

#include "platform/failure.h"
#include "protocol/journal.h"
#include "protocol/overview_loader.h"
#include "protocol/protocol_file.h"
#include "protocol/protocol_viewer.h"

#include <QAction>

namespace numio {

// Viewing and deleting need a journal with something in it; the overview only a named journal,
// on or off, empty or not yet there.
void FrmMain::mnuProtokol_Open() {
    const bool content = exam_.may(Command::ShowProtocol) && ProtokolSize(state) > 0;
    mnuShowProtokol->setEnabled(content);
    mnuDelete->setEnabled(content);
    mnuPrehled->setEnabled(exam_.may(Command::Overview));
}

void FrmMain::mnuShowProtokol_Click() {
    exam_.modal([this] {
        ProtocolViewer viewer(doors_.files, state.ProtokolFile, exam_.dialogs(), this);
        viewer.exec();
    });
}

void FrmMain::mnuDelete_Click() {
    if (const std::optional<QString> said = DeleteProtokol(state, exam_.dialogs(), doors_.clock)) {
        exam_.ApplySettingsReported();
        if (!said->isEmpty())
            showStatus(*said);
    }
}

void FrmMain::mnuPrehled_Click() {
    QString text;
    try {
        text = doors_.files.readAll(state.ProtokolFile);
    } catch (const Failure& f) {
        // A journal not yet created is an empty one; any other that cannot be read changes nothing.
        if (f.code() != kFileNotFound) {
            exam_.dialogs().failure(f);
            return;
        }
    }
    std::optional<PracticeRules> practice;
    if (exam_.may(Command::PractiseMissed))
        practice = PracticeRules::of(state);
    const QStringList entries = exam_.modal([&] {
        return showOverview(parseJournal(text), state.ProtokolFile, doors_.store, exam_.dialogs(), practice,
                            this);
    });
    if (!entries.isEmpty())
        exam_.practiseProblems(entries);
}

} // namespace numio
