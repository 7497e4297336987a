#pragma once

#include "platform/export.h"

#include <QLoggingCategory>

// What each part of the program passes over on purpose (a file it cannot read and leaves out, a
// failure already told once) is recorded here rather than swallowed. Off but for warnings; switch a
// part on with QT_LOGGING_RULES, e.g. QT_LOGGING_RULES="numio.*.debug=true".
NUMIO_EXPORT const QLoggingCategory& lcJournal();
NUMIO_EXPORT const QLoggingCategory& lcAnswers();
NUMIO_EXPORT const QLoggingCategory& lcPupils();
NUMIO_EXPORT const QLoggingCategory& lcSettings();
NUMIO_EXPORT const QLoggingCategory& lcReports();
