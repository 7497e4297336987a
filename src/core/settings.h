#pragma once

#include "core/practice_state.h"
#include "platform/settings_store.h"

namespace numio {

inline const QString kAppName = QStringLiteral("Numio2");

// Reads the thirteen keys in order. The first key that does not convert stops the loading with
// its failure; that field and all after it keep their values (0, False, empty at start-up).
void LoadSettings(PracticeState& s, SettingsStore& store);

// Writes every settings field to its key, in key order.
void SaveSettings(const PracticeState& s, SettingsStore& store);

} // namespace numio
