#pragma once

#include "core/practice_state.h"
#include "platform/dialogs.h"

namespace numio {

// The first step of ApplySettings: (re)opens ProtokolFile for appending while the protocol is on.
// Failures go to the caller; the state then holds no open stream.
void OpenProtokol(PracticeState& s);

// "Smaž protokol": asks first; false when the user says No. On Yes the file is closed and deleted
// (also when read-only); a failure is shown here. The caller then runs ApplySettings.
bool DeleteProtokol(PracticeState& s, Dialogs& dialogs);

// The Protokol menu's size test; 0 when there is no entry or the file is gone.
qint64 ProtokolSize(PracticeState& s);

// "Konec": closes the stream without a line; bProtokolOpen is left to the caller.
void CloseProtokol(PracticeState& s);

} // namespace numio
