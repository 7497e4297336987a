#pragma once

#include "platform/export.h"

#include "core/practice_state.h"
#include "platform/failure.h"
#include "platform/settings_store.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace numio {

// One pupil of the family or the class. The id names the pupil's settings file and never changes;
// it is plain ASCII made from the name the pupil was added under.
struct NUMIO_EXPORT Pupil {
    QString id;
    QString name;
};

constexpr int kPupilNameMax = 40;
constexpr int kPupilIdMax = 28;

// The one rule of an id, for making one and for reading the list: a-z, 0-9 and '-', at most
// kPupilIdMax characters.
NUMIO_EXPORT bool validPupilId(const QString& id);

// An entry of the stored list that cannot be used as it stands (a bad id, a name that will not do).
// It stays in the file as it is until it is renamed or removed.
struct NUMIO_EXPORT DamagedPupil {
    QString id;     // as it stands in the list
    QString name;   // as stored
    QString reason; // why it cannot be used, a sentence
};

// A name as it can be shown whatever it holds: each character that would not show as "�", cut
// after kPupilNameMax characters with "…".
NUMIO_EXPORT QString shownPupilName(const QString& name);

// The message for a name that will not do, empty when it will. Blanks around and doubled inside
// do not count; a name needs a letter or a digit and nothing that does not show; two names may not
// differ only in letter case or diacritics. exceptId: the pupil being renamed, who may keep his
// own name.
NUMIO_EXPORT QString pupilNameProblem(const QString& name, const QList<Pupil>& pupils,
                                      const QString& exceptId = {});

// A damaged entry's name made fit to propose for renaming it: what does not show left out, tidied and
// cut to kPupilNameMax characters.
NUMIO_EXPORT QString repairedPupilName(const QString& name);

// "  Jana   Nováková " -> "Jana Nováková": the form a name is kept in.
NUMIO_EXPORT QString tidyPupilName(const QString& name);

// What two names must not share: "Žofie" and "ZOFIE" are the same pupil.
NUMIO_EXPORT QString pupilNameKey(const QString& name);

// "Žofie Dvořáková" -> "zofie-dvorakova", with "-2", "-3" … when a pupil of the list has it; the
// stem is cut so that the number fits within kPupilIdMax.
NUMIO_EXPORT QString newPupilId(const QString& name, const QList<Pupil>& pupils);
// The same, skipping every id `taken` says is taken.
NUMIO_EXPORT QString newPupilId(const QString& name, const std::function<bool(const QString& id)>& taken);

// Where a new pupil's journal is proposed: "<documents>/Numio/<name>.txt".
NUMIO_EXPORT QString proposedPupilJournal(const QString& name);

// The store's application name of a pupil's own settings file, "Numio2/zaci/<id>", which the INI
// store keeps as "Numio2/zaci/<id>.conf" beside the program's own.
NUMIO_EXPORT QString pupilSettingsApp(const QString& pupilId);

// The name the results overview keeps for a journal of this computer (a family without pupils names
// its journal there); empty when none. Kept computer-wide, by the journal's absolute path.
NUMIO_EXPORT QString storedPupilName(SettingsStore& store, const QString& journalPath);
NUMIO_EXPORT void storePupilName(SettingsStore& store, const QString& journalPath, const QString& name);

// A pupil's journal goes into a folder that may not be there yet. When it cannot be made the
// failure thrown says why; the journal is then off for this run, the stored setting stays.
NUMIO_EXPORT void prepareJournalFolder(const StoredSettings& s);

} // namespace numio
