#include "ui/main_window.h"

#include "reports/reports_plugin.h"

namespace numio {

// The store is opened when first needed (an examination starting, the map), never at start-up.
void FrmMain::followAnswerStore(bool open) {
    const StoredSettings& s = exam_.settings();
    const QString path = s.rememberAnswers && !doors_.dataFolder.isEmpty()
                             ? answerStorePath(doors_.dataFolder, store_.pupilId())
                             : QString();
    if (answers_ && answers_->path() != path) {
        exam_.setAnswerStore(nullptr);
        answers_.reset();
    }
    // A store that could not be opened is told once; another pupil's, or the next start, tries again.
    exam_.answerStoreExpected = !path.isEmpty() && path != answersRefused_;
    if (open && !answers_ && exam_.answerStoreExpected) {
        try {
            OpenedAnswerStore opened = doors_.stores.open(path, pupilName());
            answers_ = std::move(opened.store);
            exam_.setAnswerStore(answers_.get());
            if (opened.warning)
                tellAnswerStore(*opened.warning);
        } catch (const Failure& f) {
            answersRefused_ = path;
            exam_.answerStoreExpected = false;
            tellAnswerStore(f);
        }
    }
    exam_.applyLook();
}

void FrmMain::tellAnswerStore(const Failure& failure) {
    exam_.dialogs().failure(failure);
}

void FrmMain::releaseAnswerStore(const QString& path) {
    if (!answers_ || answers_->path() != path)
        return;
    exam_.setAnswerStore(nullptr);
    answers_.reset();
}

// The map shows what the store remembers, also while remembering is switched off. It reads the
// store itself, aside, through a connection of its own.
void FrmMain::mnuMapa_Click() {
    const StoredSettings& s = exam_.settings();
    KnowledgeMapInput input;
    followAnswerStore(true);
    if (!doors_.dataFolder.isEmpty())
        input.storePath = answerStorePath(doors_.dataFolder, store_.pupilId());
    input.stores = &doors_.stores;
    input.pupil = journalPupilName();
    input.settings = s;
    input.knownWithinMs = int(s.knownWithinSeconds) * 1000;
    input.now = doors_.clock.now();
    exam_.modal([&] { reports().showKnowledgeMap(input, doors_.store, exam_.dialogs(), this); });
}

} // namespace numio
