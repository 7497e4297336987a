#pragma once

#include "journal/journal.h"

#include <QDateTime>
#include <QVector>

class QChart;

namespace numio {

// The overview's chart: each examination's success coloured by its grade, and the trend beneath.
// Placed by date when every examination has one in order, else by their order in the journal.
QChart* buildOverviewChart(const Journal& journal);

// Where the time axis draws its lines: at midnight, of each day from the first examination's to the
// one after the last, or for long spans of every Monday (or every few weeks' Monday).
QVector<QDateTime> timeAxisLines(const QDateTime& first, const QDateTime& last);

} // namespace numio
