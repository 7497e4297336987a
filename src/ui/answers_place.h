#pragma once

#include "core/practice_state.h"
#include "platform/dialogs.h"
#include "pupil/pupil_session.h"

namespace numio {

// Takes the pupil's answers to where `next` wants them (beside his journal, or back to this
// computer) before the settings go in force, asking first when a store is already there. Where they
// cannot go, `next` keeps the place of `before` and is stored so: nothing is lost and the answers
// stay where they were. A failure of the move is thrown after that. The first time the answers go
// beside the journal, says where.
void followAnswersPlace(PupilSession& session, Dialogs& dialogs, const StoredSettings& before,
                        StoredSettings& next);

} // namespace numio
