#pragma once

#include "platform/export.h"

#include "core/practice_state.h"
#include "journal/journal_format.h"
#include "platform/clock.h"
#include "platform/failure.h"

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>

namespace numio {

// The INIT line's date and time: the locale's, where Windows-1250 holds every character of it and
// it reads back as written; else the Czech form, so that no journal loses its dates.
NUMIO_EXPORT QString protocolDateTime(const QDateTime& t, const QLocale& locale);

// What the block practises, as its practice line says it: "sada 20 příkladů; sčítání a odčítání do
// 20, bez přechodu přes desítku; násobení a dělení do 10; limit odpovědi 5 s".
NUMIO_EXPORT QString practiceWords(const PracticeState& s);

// Appends the record "INIT", "LOG", "LIMIT" or "FINISH" to tsProtokol, opened anew first when its
// path no longer names it; any other kind does nothing.
// Returns the failures, in order, for the caller to tell: 70 (the journal is off for this run)
// drops the rest of the record and is the last, any other code loses only its own line.
NUMIO_EXPORT QList<Failure> WriteProtokol(const QString& kind, PracticeState& s, const QString& answerText,
                                          const Clock& clock, const QLocale& locale = QLocale::system());

// The closing window's last line, after what the examination had answered when the blocks name
// their pupil; then the stream is closed. pendingWrong: a problem judged wrong whose correction has
// not ended yet, so not in the counters. Nothing happens when the file is not open. Failures go to
// the caller.
NUMIO_EXPORT void writeShutdownLine(PracticeState& s, bool examinationRuns = true, int pendingWrong = 0);

} // namespace numio
