#pragma once

#include "core/facts.h"
#include "core/practice_state.h"
#include "platform/random_source.h"

#include <QList>
#include <QString>
#include <QVector>

namespace numio {

class SaveProgress;

// How many problems a sheet may hold.
inline constexpr int kWorksheetSizes[] = {20, 40, 60};

// One pupil's sheet: its problems in the order they are numbered, column by column.
struct Worksheet {
    QString title; // the line at the top: "Jana Nováková – 8.12.2026"
    QString pupil; // empty without pupils
    QString date;  // "8.12.2026"
    QVector<Fact> problems;
    // Drawn by the ordinary generator: there were no answers to draw the weak facts from.
    bool ordinary = false;
    bool unread = false; // ordinary since his answers could not be read
};

// Columns and rows a sheet of `count` problems is printed in.
int worksheetColumns(int count);
int worksheetRows(int count);

// The settings with only the operations in `operations` (1 +, 2 -, 3 *, 4 :) still on.
StoredSettings withOperations(const StoredSettings& rules, const QList<int>& operations);

// `count` problems within `rules`, drawn as weak-facts practice draws them from what the pupil knows;
// with no answer yet, by the ordinary generator (`ordinary` set). No two equal problems side by
// side: neither the next one nor the one in the same row of the next column, while the rules leave
// another; none more than a tenth of the sheet (at least twice) while others can come.
// Precondition: anyOperationAdmitsProblem(rules).
QVector<Fact> drawWorksheet(const StoredSettings& rules, const Knowledge& knowledge, int knownWithinMs,
                            qint64 now, int count, RandomSource& random, bool* ordinary = nullptr);

// "Jana Nováková – 8.12.2026", or the date alone without a pupil.
QString worksheetTitle(const QString& pupil, const QString& date);

// Writes the sheets, each on a page of its own, then, with `key`, each one's results on a page of
// its own, in the same order. Throws Failure (nothing written) or SaveCancelled.
void writeWorksheetPdf(const QVector<Worksheet>& sheets, bool key, const QString& path,
                       SaveProgress* progress = nullptr);

} // namespace numio
