#pragma once

#include "journal/journal.h"

#include <QByteArray>
#include <QString>
#include <QVector>

namespace numio {

// One pupil's examinations under the name the rows carry.
struct CsvPupil {
    QString name;
    const Journal* journal = nullptr;
};

// One row per examination: pupil; date; time; problems; wrong; grade; success rate, under a row of
// heads. In the form a Czech spreadsheet opens without asking: semicolons, UTF-8 with a byte-order
// mark, CR LF; a field holding a semicolon, a quote or a line end is quoted, its quotes doubled.
QByteArray examinationsCsv(const QVector<CsvPupil>& pupils);

} // namespace numio
