#include "ui/main_window.h"

#include "reports/reports_plugin.h"

namespace numio {

// The map shows what the store remembers, also while remembering is switched off. It reads the
// store itself, aside, through a connection of its own; the store is opened first, so that a file
// that cannot be used is told as an examination would tell it.
void FrmMain::openKnowledgeMap() {
    const StoredSettings& s = exam_.settings();
    KnowledgeMapInput input;
    exam_.guarded([this] { session_.openAnswers(); });
    exam_.applyLook();
    input.storePath = session_.answersPath();
    input.stores = &session_.stores();
    input.pupil = session_.journalName();
    input.settings = s;
    input.knownWithinMs = int(s.knownWithinSeconds) * 1000;
    input.now = doors_.clock.now();
    if (s.bProtokol)
        input.journalPath = s.ProtokolFile;
    input.files = &doors_.files;
    exam_.modal([&] { reports().showKnowledgeMap(input, doors_.store, exam_.dialogs(), this); });
}

} // namespace numio
