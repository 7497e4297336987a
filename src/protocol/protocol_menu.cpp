#include "ui/main_window.h"

#include "protocol/protocol_file.h"
#include "protocol/protocol_viewer.h"
#include "protocol/protocol_writer.h"
#include "ui/answer_box.h"

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

} // namespace numio
