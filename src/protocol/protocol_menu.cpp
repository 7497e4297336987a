#include "ui/main_window.h"

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
    numio::WriteProtokol(kind, state, dfResult->text(), doors_.clock, doors_.dialogs);
}

// Both commands need a file with something in it.
void FrmMain::mnuProtokol_Open() {
    const bool content = ProtokolSize(state) > 0;
    mnuShowProtokol->setEnabled(content);
    mnuDelete->setEnabled(content);
    mnuPrehled->setEnabled(content);
}

void FrmMain::mnuShowProtokol_Click() {
    if (!mnuProtokol->isEnabled())
        return;
    ProtocolViewer viewer(doors_.files, state.ProtokolFile, doors_.dialogs, this);
    viewer.exec();
}

void FrmMain::mnuDelete_Click() {
    if (!mnuProtokol->isEnabled())
        return;
    if (DeleteProtokol(state, doors_.dialogs))
        ApplySettingsReported();
}

void FrmMain::mnuPrehled_Click() {
    if (!mnuProtokol->isEnabled())
        return;
    const Journal journal = parseJournal(doors_.files.readAll(state.ProtokolFile));
    const QStringList entries = showOverview(journal, doors_.dialogs, !state.modeRunning(), this);
    if (!entries.isEmpty())
        practiseProblems(entries);
}

void FrmMain::practiseProblems(const QStringList& entries) {
    if (state.modeRunning() || entries.isEmpty())
        return;
    state.clearRepeatList();
    for (const QString& entry : entries.mid(0, PracticeState::kRepeatCapacity))
        state.SpatnePriklady[static_cast<std::size_t>(++state.nSpatnePriklady)] = entry;
    StartOpravy();
}

} // namespace numio
