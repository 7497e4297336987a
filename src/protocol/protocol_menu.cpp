#include "ui/main_window.h"

#include "platform/failure.h"
#include "protocol/journal.h"
#include "protocol/overview_loader.h"
#include "protocol/protocol_file.h"
#include "protocol/protocol_viewer.h"
#include "protocol/protocol_writer.h"
#include "ui/digit_box.h"

#include <QAction>
#include <QMenu>

namespace numio {

void FrmMain::WriteProtokol(const QString& kind) {
    numio::WriteProtokol(kind, state, dfResult->text(), doors_.clock, dialogs_);
}

// Both commands need a file with something in it.
void FrmMain::mnuProtokol_Open() {
    const bool content = ProtokolSize(state) > 0;
    mnuShowProtokol->setEnabled(content);
    mnuDelete->setEnabled(content);
    mnuPrehled->setEnabled(content);
}

void FrmMain::mnuShowProtokol_Click() {
    modal([this] {
        ProtocolViewer viewer(doors_.files, state.ProtokolFile, dialogs_, this);
        viewer.exec();
    });
}

void FrmMain::mnuDelete_Click() {
    if (const std::optional<QString> said = DeleteProtokol(state, dialogs_, doors_.clock)) {
        ApplySettingsReported();
        if (!said->isEmpty())
            setStatus(*said);
    }
}

void FrmMain::mnuPrehled_Click() {
    QString text;
    try {
        text = doors_.files.readAll(state.ProtokolFile);
    } catch (const Failure& f) {
        dialogs_.failure(f); // a journal that cannot be read changes nothing else
        return;
    }
    std::optional<PracticeRules> practice;
    if (may(Command::PractiseMissed))
        practice = PracticeRules::of(state);
    const QStringList entries = modal([&] {
        return showOverview(parseJournal(text), state.ProtokolFile, doors_.store, dialogs_, practice, this);
    });
    if (!entries.isEmpty())
        practiseProblems(entries);
}

void FrmMain::practiseProblems(const QStringList& entries) {
    if (!may(Command::PractiseMissed) || entries.isEmpty())
        return;
    state.clearRepeatList();
    for (const QString& entry : entries.mid(0, PracticeState::kRepeatCapacity))
        state.SpatnePriklady[static_cast<std::size_t>(++state.nSpatnePriklady)] = entry;
    StartOpravy();
}

} // namespace numio
