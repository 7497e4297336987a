#include "pupil/pupil_list.h"

#include "core/settings.h"
#include "platform/logging.h"
#include "platform/text_files.h"

#include <QCollator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>

#include <algorithm>
#include <functional>

namespace numio {

namespace {

const QString kListSection = QStringLiteral("PupilList"); // one of kComputerWideGroups
const QString kIdsKey = QStringLiteral("Ids");
const QString kChosenKey = QStringLiteral("Chosen");

QString nameKey(const QString& id) {
    return QStringLiteral("Name-") + id;
}

// Whose the files left under an id are, kept from the removal on.
QString removedKey(const QString& id) {
    return QStringLiteral("Removed-") + id;
}

void sortByName(QList<Pupil>& pupils) {
    QCollator czech{QLocale(QLocale::Czech, QLocale::CzechRepublic)};
    czech.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(pupils.begin(), pupils.end(),
                     [&](const Pupil& a, const Pupil& b) { return czech.compare(a.name, b.name) < 0; });
}

class DefaultsOnly : public SettingsStore {
  public:
    QString read(const QString&, const QString&, const QString&, const QString& defaultValue) override {
        return defaultValue;
    }
    void write(const QString&, const QList<SettingsEntry>&) override {}
};

void newPupilSettings(StoredSettings& s, const QString& name) {
    DefaultsOnly defaults;
    LoadSettings(s, defaults);
    s.bProtokol = true;
    s.ProtokolFile = proposedPupilJournal(name);
}

// An id such as "Jana" still names a file of its own: the settings go with the pupil to his new id.
void moveSettingsFile(SettingsStore& store, const QString& from, const QString& to) {
    const bool plainFile = !from.startsWith(u'.') && std::all_of(from.begin(), from.end(), [](QChar c) {
        return (c.unicode() < 128 && c.isLetterOrNumber()) || c == u'-' || c == u'_' || c == u'.';
    });
    const QString source = store.location(pupilSettingsApp(from)),
                  target = store.location(pupilSettingsApp(to));
    if (!plainFile || !QFileInfo::exists(source))
        return;
    QFile::rename(source, target); // never over a file: the new id has none left on it
}

} // namespace

void PupilSettingsStore::setPupil(const QString& pupilId) {
    pupilId_ = pupilId;
    refusal_.reset();
}

QString PupilSettingsStore::target(const QString& app, const QString& section) const {
    return app == kAppName && !pupilId_.isEmpty() && !kComputerWideGroups.contains(section)
               ? pupilSettingsApp(pupilId_)
               : app;
}

void PupilSettingsStore::write(const QString& app, const QList<SettingsEntry>& entries) {
    split(app, entries,
          [this](const QString& to, const QList<SettingsEntry>& part) { inner_.write(to, part); });
}

void PupilSettingsStore::replaceWhole(const QString& app, const QList<SettingsEntry>& entries) {
    split(app, entries, [this, &app](const QString& to, const QList<SettingsEntry>& part) {
        if (to == app)
            inner_.write(to, part);
        else
            inner_.replaceWhole(to, part);
    });
}

template <class F>
void PupilSettingsStore::split(const QString& app, const QList<SettingsEntry>& entries, F send) {
    QList<SettingsEntry> own, pupils;
    for (const SettingsEntry& e : entries)
        (target(app, e.section) == app ? own : pupils).push_back(e);
    if (refusal_ && !pupils.isEmpty())
        throw *refusal_;
    if (!own.isEmpty())
        send(app, own);
    if (!pupils.isEmpty())
        send(target(app, {}), pupils);
}

PupilList::PupilList(SettingsStore& store) : store_(store) {
    reload();
}

void PupilList::reload() {
    pupils_.clear();
    damaged_.clear();
    const QStringList ids =
        store_.read(kAppName, kListSection, kIdsKey, QString()).split(u',', Qt::SkipEmptyParts);
    QSet<QString> seen;
    for (const QString& raw : ids) {
        const QString id = raw.trimmed();
        if (id.isEmpty() || seen.contains(id)) // the same entry twice is one pupil
            continue;
        seen.insert(id);
        const QString name = store_.read(kAppName, kListSection, nameKey(id), QString());
        QString reason;
        if (!validPupilId(id))
            reason = QStringLiteral("Záznam má neplatné označení „%1“ (smí mít jen malá písmena bez "
                                    "diakritiky, číslice a pomlčky, nejvýše %2 znaků).")
                         .arg(shownPupilName(id))
                         .arg(kPupilIdMax);
        else if (tidyPupilName(name).isEmpty())
            reason = QStringLiteral("Záznam nemá jméno.");
        else
            reason = pupilNameProblem(name, pupils_);
        if (reason.isEmpty())
            pupils_.push_back({id, tidyPupilName(name)});
        else
            damaged_.push_back({id, name, reason});
    }
    sortByName(pupils_);
    chosen_ = store_.read(kAppName, kListSection, kChosenKey, QString());
}

void PupilList::checkIntact() const {
    if (damaged_.isEmpty())
        return;
    constexpr int kNamed = 10;
    QStringList lines;
    for (const DamagedPupil& d : damaged_.first(std::min<qsizetype>(damaged_.size(), kNamed)))
        lines << QStringLiteral("– %1: %2")
                     .arg(tidyPupilName(d.name).isEmpty()
                              ? QStringLiteral("záznam %1").arg(shownPupilName(d.id))
                              : QStringLiteral("„%1“").arg(shownPupilName(d.name)),
                          d.reason);
    if (damaged_.size() > kNamed)
        lines << QStringLiteral("– a další, celkem %1 záznamů.").arg(damaged_.size());
    const bool one = damaged_.size() == 1;
    throw Failure(kTypeMismatch)
        .withDetail(
            (one ? QStringLiteral("V seznamu žáků v souboru %1 je záznam, který nelze použít:\n")
                 : QStringLiteral("V seznamu žáků v souboru %1 jsou záznamy, které nelze použít:\n"))
                .arg(displayPath(store_.programLocation(kAppName))) +
            lines.join(u'\n') +
            (one ? QStringLiteral("\nZáznam zůstává v souboru, jak je; v okně Žáci (F7) ho můžete "
                                  "přejmenovat, nebo odebrat.")
                 : QStringLiteral("\nZáznamy zůstávají v souboru, jak jsou; v okně Žáci (F7) je můžete "
                                  "přejmenovat, nebo odebrat.")));
}

std::optional<Pupil> PupilList::find(const QString& id) const {
    for (const Pupil& p : pupils_)
        if (p.id == id)
            return p;
    return std::nullopt;
}

std::optional<Pupil> PupilList::chosen() const {
    if (auto p = find(chosen_))
        return p;
    if (pupils_.isEmpty())
        return std::nullopt;
    return pupils_.front();
}

std::unique_ptr<SettingsLock> PupilList::lock() {
    return store_.lock(kAppName, QStringLiteral("pupils"));
}

QList<Pupil> PupilList::everyId() const {
    QList<Pupil> all = pupils_;
    for (const DamagedPupil& d : damaged_)
        all.push_back({d.id, d.name});
    return all;
}

void PupilList::store(const QList<Pupil>& pupils, const QList<DamagedPupil>& damaged, const QString& chosen,
                      const QList<SettingsEntry>& more) {
    QList<SettingsEntry> entries = more;
    QStringList ids;
    for (const Pupil& p : pupils) {
        ids << p.id;
        entries.push_back({kListSection, nameKey(p.id), p.name});
    }
    // A damaged entry stays as it stands, name and all, until it is renamed or removed.
    for (const DamagedPupil& d : damaged)
        ids << d.id;
    // A pupil taken out leaves no name behind.
    for (const Pupil& p : everyId())
        if (!ids.contains(p.id))
            entries.push_back({kListSection, nameKey(p.id), QString()});
    entries.push_front({kListSection, kChosenKey, chosen});
    entries.push_front({kListSection, kIdsKey, ids.join(u',')});
    // Replaced whole: a program file that held something else is kept beside as ".bak" instead of
    // the list going unwritten.
    store_.replaceWhole(kAppName, entries);
    pupils_ = pupils;
    sortByName(pupils_);
    damaged_ = damaged;
    chosen_ = chosen;
}

QString PupilList::idFor(const QString& name) const {
    return newPupilId(name, everyId());
}

QStringList PupilList::leftFiles(const QString& id) const {
    if (!validPupilId(id) ||
        std::any_of(pupils_.begin(), pupils_.end(), [&](const Pupil& p) { return p.id == id; }))
        return {};
    QStringList files;
    if (const QString settings = settingsFileOf(id); QFileInfo::exists(settings))
        files << settings;
    if (otherFiles_)
        files += otherFiles_(id);
    return files;
}

QString PupilList::removedName(const QString& id) const {
    return store_.read(kAppName, kListSection, removedKey(id), QString());
}

bool PupilList::mayTakeOver(const QString& name) const {
    const QString id = idFor(name), removed = removedName(id);
    return !leftFiles(id).isEmpty() && (removed.isEmpty() || pupilNameKey(removed) == pupilNameKey(name));
}

bool PupilList::freeId(const QString& id) const {
    const QList<Pupil> all = everyId();
    return std::none_of(all.begin(), all.end(), [&](const Pupil& p) { return p.id == id; }) &&
           leftFiles(id).isEmpty();
}

Pupil PupilList::add(const QString& name, const StoredSettings& current, const QString& takeOver) {
    const auto held = lock();
    reload();
    const auto taken = [this](const QString& id) { return !freeId(id); };
    const QString byName = idFor(name);
    const bool takenBack = !takeOver.isEmpty() && takeOver == byName && mayTakeOver(name);
    Pupil pupil{takenBack ? byName : newPupilId(name, taken), tidyPupilName(name)};
    PupilSettingsStore own(store_);
    own.setPupil(pupil.id);
    // A pupil taken back keeps his settings as they stand, the journal they name included.
    if (!takenBack || !QFileInfo::exists(own.location(kAppName))) {
        // The first pupil keeps what was set up so far, the journal named included; a pupil without
        // one gets a journal of his own, switched on.
        StoredSettings settings = current;
        const bool proposed = !pupils_.isEmpty() || current.ProtokolFile.isEmpty();
        if (!pupils_.isEmpty())
            newPupilSettings(settings, pupil.name);
        else if (current.ProtokolFile.isEmpty()) {
            settings.bProtokol = true;
            settings.ProtokolFile = proposedPupilJournal(pupil.name);
        }
        // A renamed pupil keeps the journal named after his old name: never two pupils in one file.
        // Where a removed pupil's files kept this name's id from him, the journal of the name is
        // likely that pupil's too.
        const QHash<QString, QString> journals = namesByJournal();
        const bool leftBehind = proposed && pupil.id != byName;
        const QString leftJournal = leftBehind ? journalOf(byName) : QString();
        const auto used = [&](const QString& file) {
            const QString path = QFileInfo(file).absoluteFilePath();
            return journals.contains(path) ||
                   (leftBehind &&
                    (QFileInfo::exists(path) ||
                     (!leftJournal.isEmpty() && path == QFileInfo(leftJournal).absoluteFilePath())));
        };
        for (int n = 2; used(settings.ProtokolFile); ++n)
            settings.ProtokolFile = proposedPupilJournal(QStringLiteral("%1 (%2)").arg(pupil.name).arg(n));
        SaveSettings(settings, own);
    }
    QList<SettingsEntry> whose;
    if (!removedName(pupil.id).isEmpty())
        whose.push_back({kListSection, removedKey(pupil.id), QString()});
    store(pupils_ + QList<Pupil>{pupil}, damaged_, pupils_.isEmpty() ? pupil.id : chosen_, whose);
    return pupil;
}

QString PupilList::rename(const QString& id, const QString& name) {
    const auto held = lock();
    reload();
    QList<Pupil> pupils = pupils_;
    for (Pupil& p : pupils)
        if (p.id == id)
            p.name = tidyPupilName(name);
    QList<DamagedPupil> damaged = damaged_;
    QString now = id, chosen = chosen_;
    const auto bad =
        std::find_if(damaged.begin(), damaged.end(), [&](const DamagedPupil& d) { return d.id == id; });
    if (bad != damaged.end()) {
        if (!validPupilId(id)) {
            now = newPupilId(name, [this](const QString& candidate) { return !freeId(candidate); });
            moveSettingsFile(store_, id, now);
            if (chosen == id)
                chosen = now;
        }
        pupils.push_back({now, tidyPupilName(name)});
        damaged.erase(bad);
    }
    store(pupils, damaged, chosen);
    return now;
}

void PupilList::remove(const QString& id) {
    const auto held = lock();
    reload();
    QList<Pupil> pupils = pupils_;
    pupils.removeIf([&](const Pupil& p) { return p.id == id; });
    QList<DamagedPupil> damaged = damaged_;
    damaged.removeIf([&](const DamagedPupil& d) { return d.id == id; });
    // His files stay under his id: whose they are decides whether a new pupil is asked about them.
    QList<SettingsEntry> whose;
    if (const std::optional<Pupil> p = find(id); p && validPupilId(id))
        whose.push_back({kListSection, removedKey(id), p->name});
    store(pupils, damaged, chosen_ == id ? (pupils.isEmpty() ? QString() : pupils.front().id) : chosen_,
          whose);
}

// Only who was chosen: the list itself may have been changed meanwhile by another copy.
void PupilList::choose(const QString& id) {
    if (id == chosen_)
        return;
    const auto held = lock();
    store_.write(kAppName, kListSection, kChosenKey, id);
    chosen_ = id;
}

QString PupilList::journalOf(const QString& id) const {
    return store_.read(pupilSettingsApp(id), QStringLiteral("Audit"), QStringLiteral("File"), QString());
}

QHash<QString, QString> PupilList::namesByJournal() const {
    QHash<QString, QString> names;
    for (const Pupil& p : pupils_)
        if (const QString journal = journalOf(p.id); !journal.isEmpty())
            names.insert(QFileInfo(journal).absoluteFilePath(), p.name);
    return names;
}

void loadPupilSettingsFile(StoredSettings& s, SettingsStore& store, const Pupil& pupil) {
    PupilSettingsStore own(store);
    own.setPupil(pupil.id);
    const QString path = own.location(kAppName);
    std::optional<Failure> problem;
    QString told;
    if (!QFileInfo::exists(path)) {
        problem = Failure(kFileNotFound);
        told = QStringLiteral("Soubor nastavení žáka %1 chybí: %2. Žák začíná s výchozím nastavením.")
                   .arg(pupil.name, displayPath(path));
        newPupilSettings(s, pupil.name);
    } else {
        try {
            LoadSettings(s, own);
        } catch (const Failure& f) {
            problem = f;
        }
        // Every file the program writes for a pupil has this key: without it nothing could be read,
        // be the file empty, foreign or unreadable.
        const bool unread =
            own.read(kAppName, QStringLiteral("Settings"), QStringLiteral("MaxValue"), QString()).isEmpty();
        if (!problem && !unread)
            return;
        if (unread) {
            problem = Failure(problem ? problem->code() : int(kTypeMismatch));
            told =
                QStringLiteral("Soubor nastavení žáka %1 je poškozený: %2. Žák začíná s výchozím nastavením.")
                    .arg(pupil.name, displayPath(path));
            newPupilSettings(s, pupil.name);
        } else {
            told = problem->detail(); // each bad setting, the file and the default it takes
        }
    }
    // Saving replaces the file whole: one that is no settings file is kept beside as ".bak".
    try {
        SaveSettings(s, own);
        told += QStringLiteral(" Soubor je zapsán znovu.");
    } catch (const Failure& f) {
        qCDebug(lcPupils()) << "pupil's settings not written anew:" << f.detail();
        told += QStringLiteral(" Soubor nelze zapsat znovu.");
    }
    throw problem->withDetail(told);
}

namespace {

// Another pupil of the list whose file `fileOf` gives is `path` too (by the real path, or a second
// name of it), if any.
std::optional<Pupil> sharing(const PupilList& list, const Pupil& pupil, const QString& path,
                             const std::function<QString(const Pupil&)>& fileOf) {
    if (path.isEmpty())
        return std::nullopt;
    for (const Pupil& other : list.pupils())
        if (other.id != pupil.id && sameFile(fileOf(other), path))
            return other;
    return std::nullopt;
}

} // namespace

PupilSettings loadPupilSettings(PupilSettingsStore& practice, SettingsStore& store,
                                const std::optional<Pupil>& pupil, const PupilList& list) {
    PupilSettings loaded;
    practice.setPupil(pupil ? pupil->id : QString());
    const auto settingsFile = [&](const Pupil& p) { return store.location(pupilSettingsApp(p.id)); };
    const std::optional<Pupil> sameSettings =
        pupil ? sharing(list, *pupil, settingsFile(*pupil), settingsFile) : std::nullopt;
    if (sameSettings) {
        // Another pupil's file under this pupil's name (a link, a hand-edit): read, never written.
        const Failure shared =
            Failure(kAccessDenied)
                .withDetail(
                    QStringLiteral("Soubor nastavení žáka %1 (%2) je zároveň souborem žáka %3; nic se do "
                                   "něj nezapíše, dokud jednoho z nich neodeberete a nepřidáte znovu.")
                        .arg(pupil->name, displayPath(settingsFile(*pupil)), sameSettings->name));
        loaded.problems << shared;
        practice.refuseWrites(shared);
        try {
            LoadSettings(loaded.settings, practice);
        } catch (const Failure& f) { // a bad value has taken its default; the sharing is what is told
            qCDebug(lcPupils()) << "shared settings file read with defaults:" << f.detail();
        }
    } else {
        try {
            if (pupil)
                loadPupilSettingsFile(loaded.settings, store, *pupil);
            else
                LoadSettings(loaded.settings, practice);
        } catch (const Failure& f) {
            loaded.problems << f;
        }
    }
    const auto journalOf = [&](const Pupil& p) { return list.journalOf(p.id); };
    try {
        checkJournalOutsideSettings(loaded.settings, practice);
        // Two pupils in one journal would mix their results.
        if (const std::optional<Pupil> other =
                pupil && loaded.settings.bProtokol
                    ? sharing(list, *pupil, loaded.settings.ProtokolFile, journalOf)
                    : std::nullopt)
            throw Failure(kAccessDenied)
                .withDetail(
                    QStringLiteral("Žáci %1 a %2 mají týž soubor protokolu %3. Aby se jejich výsledky "
                                   "nesmíchaly, počítá se bez protokolu, dokud jednomu z nich "
                                   "nezvolíte jiný soubor v Nastavení (F2).")
                        .arg(pupil->name, other->name, displayPath(loaded.settings.ProtokolFile)));
        prepareJournalFolder(loaded.settings);
    } catch (const Failure& f) {
        loaded.problems << f;
        loaded.journalUsable = false;
    }
    return loaded;
}

} // namespace numio
