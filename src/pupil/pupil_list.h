#pragma once

#include "platform/export.h"

#include "core/practice_state.h"
#include "core/pupils.h"
#include "platform/failure.h"
#include "platform/settings_store.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace numio {

// The program's settings as one pupil sees them: what is asked of the program's own file goes to
// the pupil's file instead, so LoadSettings and SaveSettings serve a pupil unchanged. What belongs
// to the computer rather than to a pupil (the pupil list, the names given to journals, the class's
// folder) stays in the program's own file. With no pupil set it passes everything through.
class NUMIO_EXPORT PupilSettingsStore : public SettingsStore {
  public:
    explicit PupilSettingsStore(SettingsStore& inner) : inner_(inner) {}
    void setPupil(const QString& pupilId);
    const QString& pupilId() const { return pupilId_; }
    // The pupil's file is another pupil's too: nothing is written to it, `why` is thrown instead.
    void refuseWrites(const Failure& why) { refusal_ = why; }

    QString read(const QString& app, const QString& section, const QString& key,
                 const QString& defaultValue) override {
        return inner_.read(target(app, section), section, key, defaultValue);
    }
    using SettingsStore::write;
    void write(const QString& app, const QList<SettingsEntry>& entries) override;
    void checkReadable(const QString& app) override { inner_.checkReadable(target(app, {})); }
    void checkRecognised(const QString& app, const QStringList& groups) override {
        inner_.checkRecognised(target(app, {}), groups);
    }
    void replaceWhole(const QString& app, const QList<SettingsEntry>& entries) override;
    QString location(const QString& app) const override { return inner_.location(target(app, {})); }
    QString programLocation(const QString& app) const override { return inner_.programLocation(app); }
    std::unique_ptr<SettingsLock> lock(const QString& app, const QString& name) override {
        return inner_.lock(app, name);
    }

  private:
    QString target(const QString& app, const QString& section) const;
    // Sends the entries of the program's own groups to its file, the others to the pupil's.
    template <class F> void split(const QString& app, const QList<SettingsEntry>& entries, F send);

    SettingsStore& inner_;
    QString pupilId_;
    std::optional<Failure> refusal_;
};

// The pupils and who was chosen last, kept in the program's own settings file in a group of their
// own. With no pupil in it the program runs as it always has, on that file's own settings.
class NUMIO_EXPORT PupilList {
  public:
    // Reads the list; an entry that cannot be used goes to damaged(), never silently away.
    explicit PupilList(SettingsStore& store);

    // Sorted by name as a Czech reader sorts.
    const QList<Pupil>& pupils() const { return pupils_; }
    bool empty() const { return pupils_.isEmpty(); }
    std::optional<Pupil> find(const QString& id) const;
    // The pupil chosen last; the first of the list where that one is gone.
    std::optional<Pupil> chosen() const;
    // The entries that cannot be used, in the list's order. Every change keeps them as they stand.
    const QList<DamagedPupil>& damaged() const { return damaged_; }
    // Throws Failure naming every damaged entry and the file, to be told once at start-up.
    void checkIntact() const;

    // Each of these takes the lock of the list, reads it anew, changes it and stores it at once, so
    // that two copies of the program changing it together lose nothing. Each throws Failure naming
    // the file when that fails, the list then being as stored. The name must have passed
    // pupilNameProblem.
    //
    // The first pupil takes the current settings and the journal they name, so nothing set up so
    // far is lost; every later one starts on the defaults. A pupil without a journal gets one of his
    // own, switched on.
    //
    // A new pupil never lands on files a removed one left (see leftFiles): he gets the next id
    // that has none, and a journal of a name no file has yet. Only `takeOver`, the id the name gives
    // (idFor), when mayTakeOver and confirmed, takes that id with its files, the settings as they stand.
    Pupil add(const QString& name, const StoredSettings& current, const QString& takeOver = {});
    // A damaged entry may be renamed too; one whose id is bad gets a new id without files left on
    // it, its settings file going with it. Returns the pupil's id after it.
    QString rename(const QString& id, const QString& name);
    // Only the name leaves the list: the pupil's journal and files stay where they are, and his name
    // is kept as whose they are (removedName). A damaged entry may be removed too.
    void remove(const QString& id);
    void choose(const QString& id);

    // The id a new pupil of this name gets by the name alone: the pupils' ids taken, files left not
    // looked at.
    QString idFor(const QString& name) const;
    // Besides his settings file, the files a pupil keeps under his id (his answers), for leftFiles.
    void setOtherFiles(std::function<QStringList(const QString& id)> files) {
        otherFiles_ = std::move(files);
    }
    // A pupil's settings file, there or not.
    QString settingsFileOf(const QString& id) const { return store_.location(pupilSettingsApp(id)); }
    // The files under an id that is nobody's in the list: what a removed pupil left there.
    QStringList leftFiles(const QString& id) const;
    // The name of the pupil removed last from this id; empty when not known (removed before names
    // were kept, or never).
    QString removedName(const QString& id) const;
    // Whether files left under the id this name gives may be taken over by it: they are there and
    // their pupil's name is this one, but for case and diacritics, or not known.
    bool mayTakeOver(const QString& name) const;

    // The journal a pupil's settings name, empty when none.
    QString journalOf(const QString& id) const;
    // Every pupil's journal, as an absolute path, with the pupil's name.
    QHash<QString, QString> namesByJournal() const;

  private:
    // Each change starts from the list as stored: another copy of the program may have changed it.
    void reload();
    std::unique_ptr<SettingsLock> lock();
    void store(const QList<Pupil>& pupils, const QList<DamagedPupil>& damaged, const QString& chosen,
               const QList<SettingsEntry>& more = {});
    // The ids a new one must not take: the pupils' and the damaged entries'.
    QList<Pupil> everyId() const;
    // An id a new pupil may take: nobody's in the list, no files left on it.
    bool freeId(const QString& id) const;

    SettingsStore& store_;
    QList<Pupil> pupils_;
    QList<DamagedPupil> damaged_;
    QString chosen_;
    std::function<QStringList(const QString& id)> otherFiles_;
};

// The pupil's own settings file into s. A file that is missing or cannot be read at all leaves the
// pupil on a new pupil's settings; a bad value takes its default. Either way the file is written
// anew at once, so that it is told only this time, and then the failure naming the file is thrown.
NUMIO_EXPORT void loadPupilSettingsFile(StoredSettings& s, SettingsStore& store, const Pupil& pupil);

// A pupil's settings (none: the program's own) as switching to him finds them.
struct NUMIO_EXPORT PupilSettings {
    StoredSettings settings;
    bool journalUsable = true; // false: refused or its folder cannot be made, no journal this run
    QList<Failure> problems;   // what was wrong, in order, to be told
};

// Points `practice` at the pupil's file and loads his settings, making his journal's folder. What
// is wrong goes into `problems` and the switch goes on: a journal in the program's settings folder,
// or one another pupil of `list` writes too, is refused for this run; a settings file another
// pupil's is too is not written to.
NUMIO_EXPORT PupilSettings loadPupilSettings(PupilSettingsStore& practice, SettingsStore& store,
                                             const std::optional<Pupil>& pupil, const PupilList& list);

} // namespace numio
