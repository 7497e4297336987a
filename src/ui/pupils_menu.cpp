#include "ui/main_window.h"

#include "core/answer_store.h"

#include "ui/pupil_chooser.h"
#include "ui/pupils_dialog.h"
#include "ui/status_bar.h"

namespace numio {

std::optional<Pupil> FrmMain::startingPupil() {
    std::optional<Pupil> pupil = pupils_->chosen();
    if (pupils_->pupils().size() < 2)
        return pupil;
    const QString id = exam_.modal([&] {
        PupilChooser chooser(pupils_->pupils(), pupil->id, exam_.dialogs(), this);
        chooser.exec();
        return chooser.chosenId();
    });
    if (id == pupil->id)
        return pupil;
    pupil = pupils_->find(id);
    // Who was picked practises even when that cannot be remembered for the next start.
    exam_.guarded([&] { pupils_->choose(id); });
    return pupil;
}

void FrmMain::switchTo(const std::optional<Pupil>& pupil) {
    sbMain->setPupil(pupil ? pupil->name : QString());
    const PupilSettings loaded = loadPupilSettings(store_, doors_.store, pupil, *pupils_, exam_.dialogs());
    // The answers follow the pupil also when his journal cannot be opened.
    try {
        exam_.switchPupil(loaded.settings, loaded.journalUsable);
    } catch (const Failure&) {
        followAnswerStore();
        throw;
    }
    followAnswerStore();
}

QString FrmMain::pupilName() const {
    const std::optional<Pupil> pupil = pupils_ ? pupils_->find(store_.pupilId()) : std::nullopt;
    return pupil ? pupil->name : QString();
}

QString FrmMain::journalPupilName() const {
    const QString pupil = pupilName();
    return pupil.isEmpty() ? storedPupilName(doors_.store, exam_.settings().ProtokolFile) : pupil;
}

// Switching happens only here, while idle: the journal in use is closed and the other pupil's
// opened as applying the settings does.
void FrmMain::mnuZaci_Click() {
    const QString before = store_.pupilId();
    exam_.modal([this] {
        PupilsDialog dialog(*pupils_, exam_.settings(), exam_.dialogs(), this);
        if (!doors_.dataFolder.isEmpty())
            dialog.answersOf = [this](const QString& pupilId) {
                QString path = answerStorePath(doors_.dataFolder, pupilId);
                releaseAnswerStore(path);
                return path;
            };
        dialog.stores = &doors_.stores;
        dialog.exec();
    });
    const std::optional<Pupil> now = pupils_->chosen();
    if ((now ? now->id : QString()) == before) {
        sbMain->setPupil(now ? now->name : QString()); // a new name, perhaps
        followAnswerStore();                           // reopened if it was removed
        return;
    }
    switchTo(now);
}

} // namespace numio
