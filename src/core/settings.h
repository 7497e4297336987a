#pragma once

#include "core/practice_state.h"
#include "platform/failure.h"
#include "platform/settings_store.h"

#include <optional>

namespace numio {

inline const QString kAppName = QStringLiteral("Numio2");

// Reads the thirteen keys in order. The first key that does not convert stops the loading with
// its failure, whose second line names the key, the file and the value; that field and all after
// it keep their values (0, False, empty at start-up). A settings file that cannot be read at all
// loads the defaults, then its failure is thrown.
void LoadSettings(PracticeState& s, SettingsStore& store);

// Writes every settings field to its key in one replacement of the file. Never throws: a failure
// to save is returned for the caller to show; the fields stay in force for the run either way.
std::optional<Failure> SaveSettings(const PracticeState& s, SettingsStore& store);

} // namespace numio
