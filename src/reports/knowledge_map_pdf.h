#pragma once

#include "reports/knowledge_map.h"

#include <QDate>
#include <QString>

namespace numio {

// One page of the map as it is printed, with copies of all it shows.
struct KnowledgeMapReport {
    QString pupil; // empty without pupils
    QDate printed;
    QString operation; // "Násobení"
    MapPage page;
    Knowledge knowledge;
    int knownWithinMs = 0;
    QString line; // "Zná 47 ze 100 příkladů násobilky, za poslední týden +9"
    QList<WeekCount> weeks;
};

// "Mapa znalostí – Jana Nováková"; without a pupil "Mapa znalostí".
QString knowledgeMapTitle(const QString& pupil);

// The map on an A4 page for a parent or a teacher: whose it is, the tiles with their marks, the
// legend, the line and, where the page has room for it, the weeks. A page of sums of a large range
// goes on to more pages, each naming the pupil. Written whole or not at all; throws Failure.
void writeKnowledgeMapPdf(const KnowledgeMapReport& report, const QString& path);

} // namespace numio
