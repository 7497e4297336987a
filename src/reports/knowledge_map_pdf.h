#pragma once

#include "reports/knowledge_map.h"

#include <QDate>
#include <QString>

namespace numio {

// One operation of the map as it is printed.
struct KnowledgeMapSection {
    QString operation; // "Násobení", "Sčítání do 20"
    MapPage page;
    QString line; // "Zná 47 ze 100 příkladů násobilky, za poslední týden +9"
    QList<WeekCount> weeks;
};

// The map as it is printed, with copies of all it shows: each operation from a page of its own.
struct KnowledgeMapReport {
    QString pupil; // empty without pupils
    QDate printed;
    qint64 now = 0; // seconds since 1970, for the facts that want a refresh
    Knowledge knowledge;
    int knownWithinMs = 0;
    QList<KnowledgeMapSection> sections;
};

// "Mapa znalostí – Jana Nováková"; without a pupil "Mapa znalostí".
QString knowledgeMapTitle(const QString& pupil);

// The map on A4 pages for a parent or a teacher, each operation beginning a page: whose it is, the
// tiles of what the settings ask with their marks, the legend, the line, the weeks, and then the
// rest of the operation's facts. Sums of a large range go on to more pages, each naming the pupil.
// Written whole or not at all; throws Failure.
void writeKnowledgeMapPdf(const KnowledgeMapReport& report, const QString& path);

} // namespace numio
