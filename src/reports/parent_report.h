#pragma once

#include "core/facts.h"
#include "core/practice_state.h"
#include "journal/journal.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace numio {

class AnswerStores;
class SaveProgress;

// One pupil's page for his parents.
struct ParentReportPupil {
    QString name;
    Journal journal;   // his whole journal: the period and the one before it are cut from it
    QString noJournal; // why there is no journal to tell how he practised; empty when there is
    // What he knows; none when there are no answers to read, with why in `noAnswers`.
    std::optional<Knowledge> knowledge;
    QString noAnswers;
    int knownWithinMs = kKnownWithinSecondsDefault * 1000;
};

// What every page of one document shares.
struct ParentReport {
    QString periodText; // "tento týden (1.12.2026 – 7.12.2026)"
    Period period;
    StoredSettings settings; // what the map and the facts to practise follow
    QDateTime now;
    QList<ParentReportPupil> pupils;
};

// Where a pupil's answers are read from for his page.
struct ParentAnswers {
    AnswerStores* stores = nullptr;
    QString store;
    int knownWithinMs = kKnownWithinSecondsDefault * 1000;
};
// Reads them into his page: what he knows, or why that cannot be told (never naming the file).
void readParentAnswers(ParentReportPupil& pupil, const ParentAnswers& answers);

// "Zpráva pro rodiče – Jana Nováková"
QString parentReportTitle(const QString& pupil);
// "tento týden (1.12.2026 – 7.12.2026)": the days of the week around `today`, as a parent's report
// takes them by default.
QString weekText(const Period& week);

// How the period went against the stretch of as many days before it: "lépe než minulý týden",
// "hůře …", "stejně jako …"; empty when either side has too few examinations to tell, or the period
// has no ends.
QString periodTrend(const Journal& journal, const Period& period);

// The facts to practise next, weakest first as the weak-facts practice weighs them (not known, then
// learning, then those with too few tries or wanting a refresh; the longest unpractised first),
// then facts never asked; only what the settings ask, at most `count`.
QList<Fact> factsToPractise(const Knowledge& knowledge, const StoredSettings& settings, int knownWithinMs,
                            qint64 now, int count = 5);

// The report as A4 portrait pages, a page per pupil in the order given. Written whole or not at all;
// throws Failure, or SaveCancelled through `progress`.
void writeParentReportPdf(const ParentReport& report, const QString& path, SaveProgress* progress = nullptr);

} // namespace numio
