#pragma once

#include "core/facts.h"
#include "core/practice_state.h"

#include <QDateTime>
#include <QString>

namespace numio {

class AnswerStores;
class TextFiles;

// What the knowledge map shows: the pupil's tries, whose they are, and the rules it is drawn for.
struct KnowledgeMapInput {
    // Read from the store at storePath aside while the map says "Načítám…", when one is named;
    // otherwise as given, with its weeks worked out for mapQuery(now, knownWithinMs).
    Knowledge knowledge;
    QString pupil; // empty without pupils
    // nMaxValue bounds the sums and differences; the operations switched on choose the first page shown.
    StoredSettings settings;
    int knownWithinMs = kKnownWithinSecondsDefault * 1000;
    QDateTime now; // from the clock door
    QString storePath;
    AnswerStores* stores = nullptr; // reads the store at storePath
    int ignored = 0;                // answers left out for impossible values
    // The pupil's journal, for the parents' page; empty when none is kept.
    QString journalPath{};
    TextFiles* files = nullptr; // reads the journal
};

} // namespace numio
