#pragma once

#include "core/facts.h"
#include "core/practice_state.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

namespace numio {

// The operations in the order the map offers them: the times tables first.
inline constexpr int kMapOperations[] = {3, 4, 1, 2};
// A row of the map holds ten facts, as the times tables have ten factors.
inline constexpr int kMapColumns = 10;
// Sums and differences beyond this stay off the map: a settings file edited by hand may ask for
// 32767, which would be half a billion facts.
inline constexpr int kLargestMapValue = 1000;

// One row of a page: the title of a group, the fold, or up to ten of its facts.
struct MapRow {
    QString title; // empty for a row of facts
    qsizetype first = 0;
    int count = 0;
    int table = 0; // on a grid, the row's times table (for a quotient the divisor)
};

// The facts of one operation as the map lays them out. Products and quotients fill a 10 x 10
// grid: the row is the times table (for a quotient the divisor), the column the factor (the
// quotient). Sums and differences come in the groups a school teaches them in. What the settings
// ask comes first; the rest follows under the fold row, so that it is at hand but not in the way.
struct MapPage {
    int op = 3;
    int largest = 0;   // nMaxValue, for + and -
    QList<Fact> facts; // in the order of the rows
    QList<MapRow> rows;
    StoredSettings settings;
    int askedCount = 0; // facts of the page the settings ask
    int foldRow = -1;   // the row the rest is folded under; -1 when nothing is
    QString askedName;  // "s přechodem přes desítku", "násobilek 6, 7, 8"

    bool grid() const { return op >= 3; }
    // The fact in a cell; none in a title row or past a row's end.
    const Fact* factAt(int row, int column) const;
    // Whether the fact has a cell on this page.
    bool holds(const Fact& f) const;
    // Whether the settings ask this fact of the page.
    bool asks(const Fact& f) const;
    // What the line and the chart count: what the settings ask, or the whole page when they ask
    // none of it or all of it.
    bool counts(const Fact& f) const { return askedCount == 0 || askedCount == facts.size() || asks(f); }
    bool partial() const { return askedCount > 0 && askedCount < facts.size(); }
};

// The page of operation `op` for these settings: nMaxValue bounds the sums and differences.
MapPage mapPage(int op, const StoredSettings& settings);

// Which group a sum or difference falls in: 0 "Do deseti", 1 "K celé desítce a od celé desítky",
// 2 "Bez přechodu přes desítku", 3 "S přechodem přes desítku".
int factGroup(const Fact& f);

inline constexpr int kMapWeeks = 10;

// What a reading for the map works out: the facts known at the end of each past week of the last
// `weeks`, the last week ending now.
KnowledgeQuery mapQuery(const QDateTime& now, int knownWithinMs, int weeks = kMapWeeks);

// How many facts the pupil knew at the end of each of the last `weeks` weeks, the last week ending
// now, oldest first, from the week of his first answer: the past weeks as the reading for mapQuery()
// saw them, this one as the tiles show it.
struct WeekCount {
    QDate end;
    int known = 0; // of what the page counts
    int all = 0;   // of the whole page
};
QList<WeekCount> knownByWeek(const MapPage& page, const Knowledge& knowledge, int knownWithinMs,
                             const QDateTime& now, int weeks = kMapWeeks);

// What the map says of answers left out, or nothing when there were none.
QString ignoredText(int ignored);

// "Zná 47 ze 100 příkladů násobilky, za poslední týden +9": the last two weeks of `weeks`; when the
// settings ask only part of the page, that part and then the whole.
QString knownLine(const MapPage& page, const QList<WeekCount>& weeks);

// "7·8", "56:7", "3+4", "9−5": as a cell shows it.
QString shownFact(const Fact& f);
// "7 × 8", "56 : 7", "3 + 4", "9 − 5": as a sentence says it.
QString spokenFact(const Fact& f);
// "umí", "učí se", "neumí", "ještě nezkoušeno"
QString stateWord(FactState state);
// "7 × 8: umí; 6 pokusů, 5 správně, medián 2,1 s, naposledy 3. 12. 2026"
QString factDescription(const Fact& f, const FactSummary& s);

// "z" or "ze" before the number as it is read: "ze 100" (sta), "ze 7" (sedmi), "z 55" (padesáti pěti).
QString czechFrom(qint64 n);

} // namespace numio
