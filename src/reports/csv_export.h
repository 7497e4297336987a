#pragma once

#include "journal/journal.h"
#include "journal/journal_folder.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <optional>

namespace numio {

// The CSV documents are in the form a Czech spreadsheet opens without asking: semicolons, UTF-8 with
// a byte-order mark, CR LF; a field holding a semicolon, a quote or a line end is quoted, its quotes
// doubled. A text that came from outside (a name, a file's name) and begins as a formula would
// ('=', '+', '-', '@', a tab, a CR) gets an apostrophe first, so that no spreadsheet runs it; the
// numbers the program writes stay numbers.

// One pupil's examinations under the name the rows carry.
struct CsvPupil {
    QString name;
    const Journal* journal = nullptr;
};

// One row per examination: pupil; date; time; mode; interrupted; problems; wrong; grade; success
// rate, under a row of heads.
QByteArray examinationsCsv(const QVector<CsvPupil>& pupils);

// One pupil's row of the class table.
struct CsvSummary {
    QString name;
    PupilSummary summary;
    QString knownFacts; // of the ten times tables, in the table's words ("57", "málo odpovědí", "—")
};

// The class table as the window shows it, a row per pupil in the order given; its numbers bare
// (no spaces in thousands, no units: those are in the heads), what is missing empty; the known facts
// as the table words them.
QByteArray classTableCsv(const QVector<CsvSummary>& pupils);

// A text field as it goes into a CSV line: kept from running as a formula, quoted where needed.
QString csvText(const QString& text);

} // namespace numio
