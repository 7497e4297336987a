#pragma once

#include "platform/export.h"

#include <QChar>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringView>

namespace numio {

// The journal's records as the writer puts them and the reader expects them, in one place so the
// two cannot drift apart. A block reads:
//
//   ________________________________________________________________    INIT: the rule, the title
//   Numio - 14.3.2002 10:05:17                                           with the date and time,
//   -----------------------------------                                  the dashes
//   7+8=15   <14>                                                        LOG: a wrong answer
//
//   Limit na počítání sady vypršel !! (10.min)                           LIMIT, after a blank line
//
//   Příkladů celkem : 20                                                 FINISH, after a blank line
//   Špatně : 2
//   Známka : 1
//   Úspěšnost : 90%
//
// and a window closed during an examination leaves the shutdown line.
//
// When the program knows who practises (a chosen pupil, or the name given in the results overview),
// each block also says so, and what is practised, under the dashes:
//
//   Žák : Tomáš Novák
//   Cvičení : sada 20 příkladů; sčítání a odčítání do 20, bez přechodu přes desítku
//
// and an interrupted examination tells what it had answered before the shutdown line:
//
//   Odpovězeno před přerušením : 7, z toho špatně : 2
//
// Without a name nothing of this is written: the journal stays as it always was.

inline constexpr qsizetype kJournalRuleLength = 64;
inline constexpr QChar kJournalRuleChar = u'_';
inline constexpr QStringView kJournalTitle = u"Numio - ";
inline constexpr qsizetype kJournalDashesLength = 35;
inline constexpr QChar kJournalDashChar = u'-';

inline constexpr QChar kJournalEquals = u'=';
inline constexpr QStringView kJournalAnswerStart = u"   <";
inline constexpr QChar kJournalAnswerEnd = u'>';

inline constexpr QStringView kJournalLimitStart = u"Limit na počítání sady vypršel !! (";
inline constexpr QStringView kJournalLimitEnd = u".min)";

inline constexpr QStringView kJournalTotal = u"Příkladů celkem : ";
inline constexpr QStringView kJournalWrong = u"Špatně : ";
inline constexpr QStringView kJournalGrade = u"Známka : ";
inline constexpr QStringView kJournalRate = u"Úspěšnost : ";
inline constexpr QChar kJournalRateEnd = u'%';

inline constexpr QStringView kJournalPupil = u"Žák : ";
inline constexpr QStringView kJournalPractice = u"Cvičení : ";
inline constexpr QStringView kJournalPracticeSet = u"sada ";
inline constexpr QStringView kJournalPracticePlain = u"volné počítání";
inline constexpr QStringView kJournalPracticeRepeat = u"oprava chybných příkladů";
inline constexpr QStringView kJournalAnswered = u"Odpovězeno před přerušením : ";
inline constexpr QStringView kJournalAnsweredWrong = u", z toho špatně : ";

inline constexpr QStringView kJournalShutdown = u"Přerušeno zásahamem uživatele v průběhu zkoušení";

NUMIO_EXPORT QString journalRule();
NUMIO_EXPORT QString journalTitle(const QString& dateTime);
NUMIO_EXPORT QString journalDashes();
// "7+8=15   <14>": the problem, its result and what the pupil typed.
NUMIO_EXPORT QString journalLogLine(int a, const QString& sign, int b, int c, const QString& answer);
NUMIO_EXPORT QString journalLimitLine(int minutes);
// "Příkladů celkem : 20" and the other counts of FINISH.
NUMIO_EXPORT QString journalCountLine(QStringView label, int count);
NUMIO_EXPORT QString journalRateLine(int successRate);
NUMIO_EXPORT QString journalPupilLine(const QString& name);
NUMIO_EXPORT QString journalPracticeLine(const QString& words);
NUMIO_EXPORT QString journalAnsweredLine(int answered, int wrong);

// "14.3.2002 10:05:17": how the Czech system setting writes a date and time, and so how a journal
// is dated wherever the user's own form would not do.
NUMIO_EXPORT QString czechDateTime(const QDateTime& t);

// The user's short date, a blank and the user's long time without a time zone; Czech settings give
// "14.3.2002 10:05:17". The time is there also at midnight.
NUMIO_EXPORT QString localeDateTime(const QDateTime& t, const QLocale& locale);

} // namespace numio
