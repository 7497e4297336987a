#pragma once

#include "platform/export.h"

#include "core/chosen_rows.h"
#include "core/int16.h"
#include "core/repeat_entry.h"
#include "platform/text_files.h"

#include <QString>
#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

namespace numio {

// Which additions and subtractions are asked: carrying or borrowing in the ones, or not.
enum class CrossingTen { Any = 0, Without = 1, With = 2 };

// Products stay within 16 bits while the largest table is at most 3276 (x 10).
inline constexpr int kLargestTable = 32767 / 10;
// The longest time a known fact may take, in seconds.
inline constexpr int kKnownWithinSecondsMax = 60;

// The settings as they are stored: what LoadSettings reads and SaveSettings writes, what the
// settings dialog edits. Field names are the program's own vocabulary.
struct NUMIO_EXPORT StoredSettings {
    Integer nMaxValue = 0;
    Integer nMaxValueX = 0;
    bool bPlus = false;
    bool bMinus = false;
    bool bKrat = false;
    bool bDeleno = false;
    bool bLimit = false;
    bool bLimitSady = false;
    Integer nLimit = 0;
    Integer nLimitSady = 0;
    Integer nSada = 0;
    bool bProtokol = false;
    QString ProtokolFile;

    // Practice choices beyond the classic settings (persisted in a group of their own).
    // Only the rows of chosenTables are multiplied and divided by.
    bool chosenTablesOnly = false;
    ChosenRows chosenTables;
    CrossingTen crossingTen = CrossingTen::Any;
    bool soundOnError = true; // beep for a wrong answer and a timeout
    // Every answer is kept in the answer store beside the journal.
    bool rememberAnswers = true;
    // The answer store lies beside the journal ("<journal>.odpovedi.sqlite") rather than in this
    // computer's data folder: a class practising on several computers shares its journals' folder.
    bool answersBeside = false;
    // A fact counts as known when its last tries were right and each came within this time.
    Integer knownWithinSeconds = 3;

    // The limits as they run: a hand-edited store can hold values the arithmetic cannot serve, so
    // the run uses the nearest workable one and the stored value stays as it is. With both limits
    // on, only the per-answer one runs.
    Integer answerLimitSeconds() const { return std::clamp<Integer>(nLimit, 1, 32); }
    Integer setLimitMinutes() const { return std::max<Integer>(nLimitSady, 1); }
    bool setLimitRuns() const { return bLimitSady && !bLimit; }
};

// The examination's one record: the settings in force and the run's own state (the current
// problem, the counters, the repeat list and the handles of the protocol). Only the examination
// engine writes it; everything else reads it or asks the engine.
struct NUMIO_EXPORT PracticeState : StoredSettings {
    // Current problem.
    int A = 0;
    int B = 0;
    Integer C = 0;
    QString Rezim;
    Integer nRezim = 0;

    // Modes (they follow the examination's phase) and counters.
    bool bPocitej = false;
    bool bPocitejSady = false;
    bool bOpravy = false;
    Integer nPrikladID = 0;
    Integer nSpatne = 0;
    // The countdown: milliseconds of the current problem under the per-answer limit (in steps of
    // 100), minutes of the set under the set limit.
    Integer nNow = 0;

    // Wrongly answered problems; index 0 is never used.
    static constexpr int kRepeatCapacity = 150;
    std::array<QString, kRepeatCapacity + 1> SpatnePriklady;
    Integer nSpatnePriklady = 0;
    Integer nOpravaID = 0;

    // Protocol handles; fso is the engine's file-system door.
    TextFiles* fso = nullptr;
    std::unique_ptr<AppendStream> tsProtokol;
    std::optional<FileEntry> fileProtokol;
    bool bProtokolOpen = false;
    // The journal refused for this run (another copy holds it, its folder cannot be made). The
    // stored bProtokol stays on, so new settings, another pupil or the next start try again.
    bool journalRefused = false;

    // Who practises, named in each block of the journal with what is practised; empty (no pupils,
    // no name given) leaves the blocks as they always were.
    QString journalName;
    // The run practises what the pupil does not know yet; its journal block says so.
    bool weakFacts = false;

    // The protocol is written in this run.
    bool protocolOn() const { return bProtokol && !journalRefused; }
    StoredSettings& stored() { return *this; }
    const StoredSettings& stored() const { return *this; }

    void clearRepeatList();
    // Appends the current problem's entry unless the list is full; returns whether it was stored.
    bool storeWrongProblem();
};

} // namespace numio
