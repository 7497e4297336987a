#pragma once

#include "platform/export.h"

#include "core/practice_state.h"
#include "platform/clock.h"
#include "platform/failure.h"

#include <optional>

namespace numio {

// All of these work through the TextFiles door in s.fso, which the examination sets when it is made.

// The first step of ApplySettings: (re)opens ProtokolFile for appending while the protocol is on.
// Failures go to the caller, with the file named in their second line; the state then holds no
// open stream.
NUMIO_EXPORT void openProtocol(PracticeState& s);

// Before a record is written: when the path no longer names the open file (deleted, replaced by
// a rename, its folder gone), opens the path anew, creating it, so that nothing later goes to a
// file no one can find. Nothing happens while no file is open. Failures go to the caller; the
// state then holds no open stream.
NUMIO_EXPORT void followProtocolPath(PracticeState& s);

// "Smaž protokol", once asked: the file is closed and moved to the trash, or where there is none
// renamed beside itself with the date and time of now ("protokol.2026-12-06_14-05-17.txt"). Returns
// what the status bar should say about where the old protocol went; throws Failure when it could
// not be moved (it is closed all the same). The caller then runs ApplySettings, which starts an
// empty protocol at the same path.
NUMIO_EXPORT QString deleteProtocolFile(PracticeState& s, const Clock& clock);

// The name deleteProtocolFile gives the old file when there is no trash; from the second attempt on,
// "-2", "-3" … follow the time.
NUMIO_EXPORT QString datedProtocolName(const QString& path, const QDateTime& when, int attempt = 1);

// The Protokol menu's size test; 0 when there is no entry or the file is gone.
NUMIO_EXPORT qint64 protocolFileSize(const PracticeState& s);

// Closes the stream without a line and marks it closed, so that nothing reopens it.
NUMIO_EXPORT void closeProtocol(PracticeState& s);

} // namespace numio
