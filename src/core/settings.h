#pragma once

#include "platform/export.h"

#include "core/practice_state.h"
#include "platform/failure.h"
#include "platform/settings_store.h"

namespace numio {

inline const QString kAppName = QStringLiteral("Numio2");
// Groups of the program's own file that belong to the computer, not to a pupil: the overviews'
// pupils' names ("Pupils"), the class's folder and the pupil list.
inline const QStringList kComputerWideGroups{QStringLiteral("Pupils"), QStringLiteral("ClassOverview"),
                                             QStringLiteral("PupilList")};

// Reads the thirteen classic keys in order, then the group of the later practice choices. A key
// that does not convert takes its default and every other key still loads; the failure of the
// first such key is thrown at the end, its second line naming each bad setting by the label the
// settings dialog shows. A settings file that cannot be read, or that holds none of the program's
// groups, loads the defaults and its failure is thrown.
NUMIO_EXPORT void LoadSettings(StoredSettings& s, SettingsStore& store);

// Writes every settings field to its key in one replacement of the file. A failure to save is
// thrown; the fields stay in force for the run either way.
NUMIO_EXPORT void SaveSettings(const StoredSettings& s, SettingsStore& store);

// The answer store stored settings keep beside their journal; empty when they keep none there (the
// setting off, a bad value, or no journal file).
NUMIO_EXPORT QString storedAnswersBeside(SettingsStore& store);

// The path with every link resolved, so two spellings of one file compare equal; a file that does
// not exist yet keeps its name under its resolved folder.
NUMIO_EXPORT QString resolvedPath(const QString& path);
// The same file, by its real path or, for a second name (a hard link), by device and inode.
NUMIO_EXPORT bool sameFile(const QString& a, const QString& b);
// Whether a protocol at `path` would write into the settings file or the folder that holds it,
// also through a second name of one of its files.
NUMIO_EXPORT bool insideSettingsFolder(const QString& path, const QString& settingsFile);
// A journal that is a file of the program's settings folder would write into the settings: throws
// the failure that says so, naming both. Nothing happens when the journal is off or elsewhere.
NUMIO_EXPORT void checkJournalOutsideSettings(const StoredSettings& s, const SettingsStore& store);

} // namespace numio
