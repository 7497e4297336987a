#include "core/pupils.h"

#include "core/settings.h"
#include "platform/dialogs.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <functional>

namespace numio {

namespace {

const QString kListSection = QStringLiteral("PupilList"); // one of kComputerWideGroups
const QString kIdsKey = QStringLiteral("Ids");
const QString kChosenKey = QStringLiteral("Chosen");
constexpr qsizetype kIdMax = 24;

QString nameKey(const QString& id) {
    return QStringLiteral("Name-") + id;
}

bool validId(const QString& id) {
    return !id.isEmpty() && id.size() <= kIdMax + 4 && std::all_of(id.begin(), id.end(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-';
    });
}

// A line break or a tab in a name would break the list's one line per pupil and every message.
bool hasControl(const QString& name) {
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            return true;
        if (c.isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return true;
    }
    return false;
}

void sortByName(QList<Pupil>& pupils) {
    QCollator czech{QLocale(QLocale::Czech, QLocale::CzechRepublic)};
    czech.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(pupils.begin(), pupils.end(),
                     [&](const Pupil& a, const Pupil& b) { return czech.compare(a.name, b.name) < 0; });
}

// Every key at its default, as an empty settings file reads.
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

} // namespace

QString tidyPupilName(const QString& name) {
    return name.simplified();
}

QString pupilNameKey(const QString& name) {
    QString folded;
    for (const QChar c : tidyPupilName(name).normalized(QString::NormalizationForm_D))
        if (c.category() != QChar::Mark_NonSpacing)
            folded += c;
    return folded.toCaseFolded();
}

QString pupilNameProblem(const QString& name, const QList<Pupil>& pupils, const QString& exceptId) {
    if (hasControl(name))
        return QStringLiteral("Jméno nesmí obsahovat řídicí znaky, například tabulátor nebo konec řádku.");
    const QString tidy = tidyPupilName(name);
    if (tidy.isEmpty())
        return QStringLiteral("Napište jméno žáka.");
    if (const qsizetype length = tidy.toUcs4().size(); length > kPupilNameMax)
        return QStringLiteral("Jméno může mít nejvýše %1 znaků, toto jich má %2.")
            .arg(kPupilNameMax)
            .arg(length);
    const QString key = pupilNameKey(tidy);
    for (const Pupil& p : pupils)
        if (p.id != exceptId && pupilNameKey(p.name) == key)
            return QStringLiteral(
                       "Žák „%1“ už v seznamu je. Jména se musí lišit i jinak než velikostí písmen "
                       "nebo diakritikou.")
                .arg(p.name);
    return {};
}

QString newPupilId(const QString& name, const QList<Pupil>& pupils) {
    QString base;
    for (const QChar c : pupilNameKey(name)) {
        if ((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9'))
            base += c;
        else if (!base.endsWith(u'-'))
            base += u'-';
    }
    base = base.left(kIdMax);
    while (base.startsWith(u'-'))
        base.remove(0, 1);
    while (base.endsWith(u'-'))
        base.chop(1);
    if (base.isEmpty())
        base = QStringLiteral("zak");
    const auto taken = [&](const QString& id) {
        return std::any_of(pupils.begin(), pupils.end(), [&](const Pupil& p) { return p.id == id; });
    };
    QString id = base;
    for (int n = 2; taken(id); ++n)
        id = base + u'-' + QString::number(n);
    return id;
}

QString proposedPupilJournal(const QString& name) {
    QString file = tidyPupilName(name);
    file.replace(u'/', u'-');
    return QDir(documentsOrHomeFolder()).filePath(QStringLiteral("Numio/") + file + QStringLiteral(".txt"));
}

QString pupilSettingsApp(const QString& pupilId) {
    return kAppName + QStringLiteral("/zaci/") + pupilId;
}

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
    const QStringList ids =
        store_.read(kAppName, kListSection, kIdsKey, QString()).split(u',', Qt::SkipEmptyParts);
    for (const QString& raw : ids) {
        const QString id = raw.trimmed();
        if (!validId(id) || find(id))
            continue;
        const QString name = tidyPupilName(store_.read(kAppName, kListSection, nameKey(id), QString()));
        if (pupilNameProblem(name, pupils_).isEmpty())
            pupils_.push_back({id, name});
    }
    sortByName(pupils_);
    chosen_ = store_.read(kAppName, kListSection, kChosenKey, QString());
}

std::optional<Pupil> PupilList::find(const QString& id) const {
    for (const Pupil& p : pupils_)
        if (p.id == id)
            return p;
    return std::nullopt;
}

std::optional<Pupil> PupilList::chosen() const {
    if (const auto p = find(chosen_))
        return p;
    if (pupils_.isEmpty())
        return std::nullopt;
    return pupils_.front();
}

void PupilList::store(const QList<Pupil>& pupils, const QString& chosen) {
    QList<SettingsEntry> entries;
    QStringList ids;
    for (const Pupil& p : pupils) {
        ids << p.id;
        entries.push_back({kListSection, nameKey(p.id), p.name});
    }
    // A pupil taken out leaves no name behind.
    for (const Pupil& p : pupils_)
        if (std::none_of(pupils.begin(), pupils.end(), [&](const Pupil& q) { return q.id == p.id; }))
            entries.push_back({kListSection, nameKey(p.id), QString()});
    entries.push_front({kListSection, kChosenKey, chosen});
    entries.push_front({kListSection, kIdsKey, ids.join(u',')});
    // Replaced whole: a program file that held something else is kept beside as ".bak" instead of
    // the list going unwritten.
    store_.replaceWhole(kAppName, entries);
    pupils_ = pupils;
    sortByName(pupils_);
    chosen_ = chosen;
}

Pupil PupilList::add(const QString& name, const StoredSettings& current) {
    reload();
    const Pupil pupil{newPupilId(name, pupils_), tidyPupilName(name)};
    PupilSettingsStore own(store_);
    own.setPupil(pupil.id);
    // The first pupil keeps what was set up so far, the journal named included; a pupil without
    // one gets a journal of his own, switched on.
    StoredSettings settings = current;
    if (!pupils_.isEmpty())
        newPupilSettings(settings, pupil.name);
    else if (current.ProtokolFile.isEmpty()) {
        settings.bProtokol = true;
        settings.ProtokolFile = proposedPupilJournal(pupil.name);
    }
    // A renamed pupil keeps the journal named after his old name: never two pupils in one file.
    const QHash<QString, QString> taken = namesByJournal();
    for (int n = 2; taken.contains(QFileInfo(settings.ProtokolFile).absoluteFilePath()); ++n)
        settings.ProtokolFile = proposedPupilJournal(QStringLiteral("%1 (%2)").arg(pupil.name).arg(n));
    if (const std::optional<Failure> unsaved = SaveSettings(settings, own))
        throw *unsaved;
    store(pupils_ + QList<Pupil>{pupil}, pupils_.isEmpty() ? pupil.id : chosen_);
    return pupil;
}

void PupilList::rename(const QString& id, const QString& name) {
    reload();
    QList<Pupil> pupils = pupils_;
    for (Pupil& p : pupils)
        if (p.id == id)
            p.name = tidyPupilName(name);
    store(pupils, chosen_);
}

void PupilList::remove(const QString& id) {
    reload();
    QList<Pupil> pupils = pupils_;
    pupils.removeIf([&](const Pupil& p) { return p.id == id; });
    store(pupils, chosen_ == id ? (pupils.isEmpty() ? QString() : pupils.front().id) : chosen_);
}

// Only who was chosen: the list itself may have been changed meanwhile by another copy.
void PupilList::choose(const QString& id) {
    if (id == chosen_)
        return;
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

std::optional<Failure> LoadPupilSettings(StoredSettings& s, SettingsStore& store, const Pupil& pupil) {
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
            return std::nullopt;
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
    told += SaveSettings(s, own) ? QStringLiteral(" Soubor nelze zapsat znovu.")
                                 : QStringLiteral(" Soubor je zapsán znovu.");
    problem->withDetail(told);
    return problem;
}

std::optional<Failure> prepareJournalFolder(const StoredSettings& s) {
    if (!s.bProtokol || s.ProtokolFile.isEmpty())
        return std::nullopt;
    const QString folder = QFileInfo(s.ProtokolFile).absolutePath();
    if (QFileInfo(folder).isDir() || QDir().mkpath(folder))
        return std::nullopt;
    // The nearest folder that is there tells whether it is a matter of rights.
    QFileInfo above(folder);
    while (!above.exists() && !above.isRoot())
        above = QFileInfo(above.absolutePath());
    const int code = above.isDir() && !above.isWritable() ? kAccessDenied : kPathNotFound;
    return Failure(code).withDetail(
        QStringLiteral("Složku pro protokol %1 nelze vytvořit; počítá se bez protokolu.")
            .arg(displayPath(folder)));
}

namespace {

// Another pupil of the list whose file `fileOf` gives is `path` too (by the real path), if any.
std::optional<Pupil> sharing(const PupilList& list, const Pupil& pupil, const QString& path,
                             const std::function<QString(const Pupil&)>& fileOf) {
    if (path.isEmpty())
        return std::nullopt;
    const QString real = resolvedPath(path);
    for (const Pupil& other : list.pupils())
        if (other.id != pupil.id && resolvedPath(fileOf(other)) == real)
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
        loaded.told << shared;
        practice.refuseWrites(shared);
        try {
            LoadSettings(loaded.settings, practice);
        } catch (const Failure&) { // a bad value has taken its default; the sharing is what is told
        }
    } else if (pupil) {
        if (std::optional<Failure> f = LoadPupilSettings(loaded.settings, store, *pupil))
            loaded.told << *f;
    } else {
        try {
            LoadSettings(loaded.settings, practice);
        } catch (const Failure& f) {
            loaded.told << f;
        }
    }
    // Two pupils in one journal would mix their results.
    const auto journalOf = [&](const Pupil& p) { return list.journalOf(p.id); };
    std::optional<Failure> refused = journalInSettings(loaded.settings, practice);
    if (const std::optional<Pupil> other =
            pupil && loaded.settings.bProtokol
                ? sharing(list, *pupil, loaded.settings.ProtokolFile, journalOf)
                : std::nullopt;
        other && !refused)
        refused = Failure(kAccessDenied)
                      .withDetail(
                          QStringLiteral("Žáci %1 a %2 mají týž soubor protokolu %3. Aby se jejich výsledky "
                                         "nesmíchaly, počítá se bez protokolu, dokud jednomu z nich "
                                         "nezvolíte jiný soubor v Nastavení (F2).")
                              .arg(pupil->name, other->name, displayPath(loaded.settings.ProtokolFile)));
    if (!refused)
        refused = prepareJournalFolder(loaded.settings);
    if (refused) {
        loaded.told << *refused;
        loaded.journalUsable = false;
    }
    return loaded;
}

} // namespace numio
