#include "platform/logging.h"

Q_LOGGING_CATEGORY(lcJournal, "numio.journal", QtWarningMsg)
Q_LOGGING_CATEGORY(lcAnswers, "numio.answers", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPupils, "numio.pupils", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSettings, "numio.settings", QtWarningMsg)
Q_LOGGING_CATEGORY(lcReports, "numio.reports", QtWarningMsg)
