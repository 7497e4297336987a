#include "ui/main_window.h"

#include "ui/pupil_chooser.h"
#include "ui/pupils_dialog.h"
#include "ui/status_bar.h"

namespace numio {

std::optional<Pupil> FrmMain::startingPupil() {
    const PupilList& list = session_.list();
    std::optional<Pupil> pupil = list.chosen();
    if (list.pupils().size() < 2)
        return pupil;
    const QString id = exam_.modal([&] {
        PupilChooser chooser(list.pupils(), pupil->id, exam_.dialogs(), this);
        chooser.exec();
        return chooser.chosenId();
    });
    if (id == pupil->id)
        return pupil;
    pupil = list.find(id);
    // Who was picked practises even when that cannot be remembered for the next start.
    exam_.guarded([&] { session_.choose(id); });
    return pupil;
}

void FrmMain::tell(const QList<Failure>& failures) {
    for (const Failure& f : failures)
        exam_.reportFailure(f);
}

// Switching happens only here, while idle: the journal in use is closed and the other pupil's
// opened as applying the settings does.
void FrmMain::managePupils() {
    const QString picked = exam_.modal([this] {
        PupilsDialog dialog(session_, exam_.settings(), exam_.dialogs(), this);
        dialog.exec();
        return dialog.pickedId();
    });
    const QList<Failure> problems = session_.followList(picked);
    sbMain->setPupil(session_.pupilName()); // another pupil, or a new name
    tell(problems);
}

} // namespace numio
