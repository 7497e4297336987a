#pragma once

#include "core/facts.h"
#include "reports/knowledge_map.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace numio {

// One pupil's answers as the class map counts them.
struct ClassMapPupil {
    QString name;
    Knowledge knowledge; // read for classMapQuery(end, knownWithinMs)
    int knownWithinMs = kKnownWithinSecondsDefault * 1000;
};

// How the class stands with one fact at the map's end.
struct ClassFact {
    int known = 0;
    int tried = 0; // pupils who had tried it by then
    QStringList notKnown;
    QStringList learning;
};

// What the class map shows: each fact's counts, the weakest facts and the week's change.
struct ClassMapCounts {
    int pupils = 0; // with answers
    QHash<Fact, ClassFact> facts;
    // Facts known, summed over the pupils, at the end and seven days before it.
    int knownAtEnd = 0;
    int knownWeekBefore = 0;
    QList<Fact> weakest; // at most kClassWeakest
};

inline constexpr int kClassWeakest = 10;

// Where "this week" ends for a class overview's period: its last day's midnight when that is past,
// else now (a period reaching today, or the whole history with no last day).
QDateTime classMapEnd(QDate lastDay, const QDateTime& now);

// The reading for the map: whether each fact was known seven days before the end and at the end.
KnowledgeQuery classMapQuery(const QDateTime& end, int knownWithinMs);

// The counts over the facts of `pages`; a fact stands as it did at `end` (not after `now`).
ClassMapCounts countClass(const QList<ClassMapPupil>& pupils, const QList<MapPage>& pages,
                          const QDateTime& end, const QDateTime& now);

// "18 z 24"; "·" when no pupil has tried the fact yet.
QString classCellText(const ClassFact& f, int pupils);
// The look of a cell by the share that knows it: ✓ at least 80 %, ~ from 50 %, ✗ below, none tried.
FactState classCellLook(const ClassFact& f, int pupils);
// "7 × 8: umí 18 z 24; neumí: Petr, Jana; učí se: Eva"
QString classFactDescription(const Fact& f, const ClassFact& c, int pupils);
// "+12 za týden" and what it counts.
QString weekChangeText(const ClassMapCounts& counts);
// What the marks and colours say, in one line.
QString classMapLegend();
// "Mapa třídy – 3.B"
QString classMapTitle(const QString& className);

// The map as it is printed: the class, its end, and each operation's page.
struct ClassMapReport {
    QString className;
    QDateTime end;
    ClassMapCounts counts;
    QList<std::pair<QString, MapPage>> pages; // title, page
    QStringList unread;
};

// The class map on A4 pages: each page's grid of counts with marks, the legend, the weakest facts
// and the week's change, the pupils left out. Written whole or not at all; throws Failure.
void writeClassMapPdf(const ClassMapReport& report, const QString& path);

} // namespace numio
