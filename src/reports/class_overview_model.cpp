#include "reports/class_overview_model.h"

#include "core/facts.h"
#include "core/int16.h"
#include "core/practice_state.h"
#include "core/pupils.h"
#include "core/settings.h"
#include "platform/guard.h"
#include "platform/logging.h"
#include "platform/text_files.h"
#include "pupil/pupil_list.h"

#include <QCollator>
#include <QFileInfo>
#include <QThreadPool>

#include <QtConcurrent/QtConcurrentMap>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>

namespace numio {

namespace {

const QString kSection = QStringLiteral("ClassOverview");
const QString kFolderKey = QStringLiteral("Folder");
constexpr int kClassMissed = 20;

Q_GLOBAL_STATIC(QThreadPool, readingPool)

// Names as a Czech class list orders them: "Šimon" after "Sára", "Chrudoš" after "Hana".
const QCollator& czechCollator() {
    static const QCollator collator{QLocale(QLocale::Czech, QLocale::Czechia)};
    return collator;
}

// "Tomáš Novák" -> "Novák Tomáš": the last word first, for ordering by surname.
QString surnameFirst(const QString& name) {
    QStringList words = name.simplified().split(u' ');
    if (words.size() > 1)
        words.prepend(words.takeLast());
    return words.join(u' ');
}

// A column's figure to order by; nothing where the table shows "—".
std::optional<double> figure(const PupilSummary& s, ClassOrder order) {
    switch (order) {
    case ClassOrder::Exams:
        return s.exams;
    case ClassOrder::Problems:
        return double(s.problems);
    case ClassOrder::Rate:
        return s.successRate ? std::optional<double>(*s.successRate) : std::nullopt;
    case ClassOrder::Grade:
        return s.grade ? std::optional<double>(*s.grade) : std::nullopt;
    case ClassOrder::Trend:
        return s.trend;
    case ClassOrder::Last:
        return s.last.isValid() ? std::optional<double>(double(s.last.toMSecsSinceEpoch())) : std::nullopt;
    case ClassOrder::Surname:
    case ClassOrder::FirstName:
    case ClassOrder::Known: // not the journal's: the row's
        break;
    }
    return std::nullopt;
}

QString days(const Period& p) {
    return czechDate(p.from) + QStringLiteral(" – ") + czechDate(p.to);
}

// A pupil's "known within" in milliseconds, as his settings give it; a bad value takes the default,
// as it does when his settings are loaded.
int knownWithinMs(SettingsStore& store, const QString& pupilId) {
    const QString text = store.read(pupilSettingsApp(pupilId), QStringLiteral("Procvicovani"),
                                    QStringLiteral("UmiDoSekund"), QString());
    int seconds = kKnownWithinSecondsDefault;
    try {
        if (const Integer v = wholeTextToInteger(text); v >= 1 && v <= kKnownWithinSecondsMax)
            seconds = v;
    } catch (const Failure& f) {
        qCDebug(lcReports()) << "known-within of pupil" << pupilId
                             << "is no number, the default taken:" << text << f.messageText();
    }
    return seconds * 1000;
}

// Whether some fact of the ten times tables was tried often enough that it could be known.
bool timesTablesTried(const Knowledge& knowledge) {
    for (auto it = knowledge.cbegin(); it != knowledge.cend(); ++it) {
        const Fact& f = it.key();
        if (f.op == 3 && f.a >= 1 && f.a <= 10 && f.b >= 1 && f.b <= 10 && it->tries >= kKnownRun)
            return true;
    }
    return false;
}

// Where a journal's answers are: beside it when a store is there (a class practising on several
// computers keeps them so), else those of this computer's pupil whose journal it is, found by its
// path or, for a copy in another folder, by the name written in it. The time limit is the matched
// pupil's own where there is one. None when no store is there.
std::optional<AnswerSource> answerSourceOf(const PupilJournal& p, const QHash<QString, AnswerSource>& byPath,
                                           const QHash<QString, AnswerSource>& byName) {
    std::optional<AnswerSource> own;
    if (const auto it = byPath.constFind(resolvedPath(p.path)); it != byPath.constEnd())
        own = *it;
    else if (const auto named = byName.constFind(pupilNameKey(p.journal.pupil));
             !p.journal.pupil.isEmpty() && named != byName.constEnd())
        own = *named;
    // Only looked at, never opened here: a FIFO at its place must not hold the reading up.
    if (const QString beside = answerStoreBeside(p.path); QFileInfo::exists(beside))
        return AnswerSource{beside, own ? own->knownWithinMs : kKnownWithinSecondsDefault * 1000};
    if (own && QFileInfo::exists(own->store))
        return own;
    return std::nullopt;
}

} // namespace

// What the tasks of one reading share with the model, and keep when it has gone.
struct ClassOverviewModel::ReadingState {
    std::atomic<bool> stop{false};
};

QThreadPool& journalReadingPool() {
    return *readingPool();
}

QString periodName(PeriodChoice choice) {
    switch (choice) {
    case PeriodChoice::Whole:
        return QStringLiteral("celá historie");
    case PeriodChoice::Week:
        return QStringLiteral("tento týden");
    case PeriodChoice::Month:
        return QStringLiteral("tento měsíc");
    case PeriodChoice::HalfYear:
        return QStringLiteral("toto pololetí");
    case PeriodChoice::Range:
        break;
    }
    return QStringLiteral("od – do…");
}

Period periodAround(PeriodChoice choice, QDate today) {
    switch (choice) {
    case PeriodChoice::Week: {
        const QDate monday = today.addDays(1 - today.dayOfWeek());
        return {monday, monday.addDays(6)};
    }
    case PeriodChoice::Month:
        return {QDate(today.year(), today.month(), 1),
                QDate(today.year(), today.month(), today.daysInMonth())};
    case PeriodChoice::HalfYear:
        if (today.month() >= 2 && today.month() <= 8)
            return {QDate(today.year(), 2, 1), QDate(today.year(), 8, 31)};
        else {
            const int autumn = today.month() >= 9 ? today.year() : today.year() - 1;
            return {QDate(autumn, 9, 1), QDate(autumn + 1, 1, 31)};
        }
    case PeriodChoice::Whole:
    case PeriodChoice::Range:
        break;
    }
    return {};
}

QString classFolder(SettingsStore& store) {
    QString folder = store.read(kAppName, kSection, kFolderKey, QString());
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        return folder;
    // Where the journals of this computer's pupils go, once there is one.
    const QString pupils = QFileInfo(proposedPupilJournal(QStringLiteral("x"))).absolutePath();
    return QFileInfo(pupils).isDir() ? pupils : documentsOrHomeFolder();
}

void rememberClassFolder(SettingsStore& store, const QString& folder) {
    store.write(kAppName, kSection, kFolderKey, folder);
}

QString KnownFacts::problem() const {
    if (!failure)
        return {};
    return failure->detail().isEmpty() ? failure->messageText() : failure->detail();
}

QString KnownFacts::text() const {
    if (!count)
        return QStringLiteral("—");
    return tooFew ? QStringLiteral("málo odpovědí") : QString::number(*count);
}

QString KnownFacts::spoken() const {
    if (failure)
        return QStringLiteral("paměť odpovědí nelze přečíst: ") + problem();
    if (!count)
        return QStringLiteral("žádné odpovědi: k protokolu není paměť odpovědí");
    if (tooFew)
        return QStringLiteral("málo odpovědí: žádný příklad násobilky ještě nebyl zkoušen aspoň %1krát")
            .arg(kKnownRun);
    return QStringLiteral("umí %1 ze 100 příkladů násobilky").arg(*count);
}

ClassOverviewModel::ClassOverviewModel(SettingsStore& store, TextFiles& files, AnswerStores& stores,
                                       Dialogs& dialogs, const Clock& clock, PupilNamer namer,
                                       const QString& dataFolder, QObject* parent)
    : QObject(parent), files_(files), stores_(stores), dialogs_(dialogs), clock_(clock),
      namer_(std::move(namer)) {
    if (!namer_)
        namer_ = fileBaseName;
    const PupilList pupilList(store);
    for (const Pupil& p : pupilList.pupils()) {
        // His answers where his settings keep them: beside his journal, or in this computer's data.
        PupilSettingsStore own(store);
        own.setPupil(p.id);
        QString kept = storedAnswersBeside(own);
        if (kept.isEmpty())
            kept = answerStorePath(dataFolder, p.id);
        const AnswerSource source{kept, knownWithinMs(store, p.id)};
        answersByName_.insert(pupilNameKey(p.name), source);
        if (const QString journal = pupilList.journalOf(p.id); !journal.isEmpty())
            answerSources_.insert(resolvedPath(journal), source);
    }
    // A range starts as this half-year up to today.
    const QDate today = clock_.now().date();
    from_ = periodAround(PeriodChoice::HalfYear, today).from;
    to_ = today;
}

ClassOverviewModel::~ClassOverviewModel() {
    stopReading();
}

void ClassOverviewModel::stopReading() {
    if (state_)
        state_->stop.store(true);
    for (QFutureWatcherBase* w :
         {static_cast<QFutureWatcherBase*>(listing_), static_cast<QFutureWatcherBase*>(watcher_)}) {
        if (!w)
            continue;
        w->disconnect(this);
        w->cancel();
        w->deleteLater();
    }
    listing_ = nullptr;
    watcher_ = nullptr;
    busy_ = false;
}

void ClassOverviewModel::cancelReading() {
    if (state_)
        state_->stop.store(true);
    for (QFutureWatcherBase* w :
         {static_cast<QFutureWatcherBase*>(listing_), static_cast<QFutureWatcherBase*>(watcher_)})
        if (w)
            w->cancel();
}

void ClassOverviewModel::readFolder(const QString& folder) {
    stopReading();
    state_ = std::make_shared<ReadingState>();
    busy_ = true;
    folder_ = folder;
    entries_.clear();
    listingFailure_.reset();
    pupils_.clear();
    known_.clear();
    answers_.clear();
    total_ = 0;
    // A folder on a sleeping network drive can take long to list: that too is done aside.
    listing_ = new QFutureWatcher<Listing>(this);
    connect(listing_, &QFutureWatcherBase::finished, this, guard(dialogs_, [this] {
                if (state_->stop.load() || listing_->future().resultCount() == 0)
                    finishReading();
                else
                    startReading(listing_->result());
            }));
    TextFiles* files = &files_;
    listing_->setFuture(QtConcurrent::run(&journalReadingPool(), [files, folder, state = state_] {
        Listing listing;
        if (state->stop.load())
            return listing;
        try {
            listing.entries = journalFiles(folder, *files);
        } catch (const Failure& f) {
            listing.failure = f;
        }
        return listing;
    }));
    refilter();
}

void ClassOverviewModel::startReading(const Listing& listing) {
    entries_ = listing.entries;
    listingFailure_ = listing.failure;
    total_ = int(entries_.size());
    emit progressed(0, total_);
    watcher_ = new QFutureWatcher<ReadPupil>(this);
    connect(watcher_, &QFutureWatcherBase::progressValueChanged, this,
            guard(dialogs_, [this](int value) { emit progressed(value, total_); }));
    connect(watcher_, &QFutureWatcherBase::finished, this, guard(dialogs_, [this] { finishReading(); }));
    TextFiles* files = &files_;
    AnswerStores* stores = &stores_;
    watcher_->setFuture(QtConcurrent::mapped(
        &journalReadingPool(), entries_,
        [files, stores, state = state_, byPath = answerSources_,
         byName = answersByName_](const FileEntry& entry) {
            ReadPupil read{readPupilJournal(entry, *files, &state->stop), {}, {}};
            if (!read.pupil.readable() || state->stop.load())
                return read;
            read.answers = answerSourceOf(read.pupil, byPath, byName);
            if (!read.answers)
                return read;
            try {
                const Knowledge facts = stores->read(read.answers->store, {}, &state->stop).facts;
                if (state->stop.load()) // a reading stopped halfway tells nothing
                    return read;
                read.known.count = knownTimesTables(facts, read.answers->knownWithinMs);
                read.known.tooFew = *read.known.count == 0 && !timesTablesTried(facts);
            } catch (const Failure& f) {
                read.known.failure = f;
            }
            return read;
        }));
}

void ClassOverviewModel::finishReading() {
    cancelled_ = state_->stop.load();
    pupils_.clear();
    known_.clear();
    answers_.clear();
    if (watcher_) {
        const QFuture<ReadPupil> future = watcher_->future();
        for (int i = 0; i < entries_.size(); ++i) {
            if (!future.isResultReadyAt(i))
                continue;
            ReadPupil read = future.resultAt(i);
            PupilJournal& p = read.pupil;
            // A file the cancel stopped halfway is not read, rather than unreadable.
            if (p.stopped())
                continue;
            // Names come from the settings store, which is read on this thread only; the journal's own
            // name comes first.
            if (p.journal.pupil.isEmpty())
                p.name = namer_(p.path);
            pupils_.push_back(std::move(p));
            known_.push_back(std::move(read.known));
            answers_.push_back(std::move(read.answers));
        }
    }
    stopReading();
    refilter();
    emit loaded();
}

QString ClassOverviewModel::readingText() const {
    if (cancelled_)
        return QStringLiteral("Čtení bylo zrušeno; přečteno %1 z %2.")
            .arg(pupils_.size())
            .arg(entries_.size());
    if (listingFailure_)
        return folderProblem(*listingFailure_);
    if (entries_.isEmpty())
        return QStringLiteral("Ve složce nejsou žádné protokoly (*.txt).");
    const auto unreadable =
        std::count_if(pupils_.begin(), pupils_.end(), [](const PupilJournal& p) { return !p.readable(); }) +
        std::count_if(known_.begin(), known_.end(),
                      [](const KnownFacts& k) { return k.failure.has_value(); });
    return QStringLiteral("Žáků: %1, souborů, které nelze přečíst: %2.").arg(rows_.size()).arg(unreadable);
}

void ClassOverviewModel::setPeriod(PeriodChoice choice) {
    choice_ = choice;
    refilter();
}

void ClassOverviewModel::setRange(QDate from, QDate to) {
    from_ = from;
    to_ = to;
    refilter();
}

Period ClassOverviewModel::period() const {
    if (choice_ != PeriodChoice::Range)
        return periodAround(choice_, clock_.now().date());
    return {std::min(from_, to_), std::max(from_, to_)};
}

QString ClassOverviewModel::periodText() const {
    const Period p = period();
    switch (choice_) {
    case PeriodChoice::Whole: {
        QVector<const Journal*> journals;
        for (const ClassRow& r : rows_)
            journals.push_back(&r.shown.journal);
        const QString dated = journalsPeriod(journals);
        return dated == u"—" ? periodName(choice_)
                             : QStringLiteral("%1 (%2)").arg(periodName(choice_), dated);
    }
    case PeriodChoice::Range:
        return days(p);
    default:
        return QStringLiteral("%1 (%2)").arg(periodName(choice_), days(p));
    }
}

// The rows again from the journals already read: a period is chosen without reading the files again.
void ClassOverviewModel::refilter() {
    const Period p = period();
    rows_.clear();
    for (qsizetype i = 0; i < pupils_.size(); ++i) {
        if (!pupils_[i].readable())
            continue;
        ClassRow r{int(i), pupils_[i], {}, known_.value(i), answers_.value(i)};
        r.shown.journal = within(pupils_[i].journal, p);
        r.summary = summarise(r.shown.journal);
        rows_.push_back(std::move(r));
    }
    sortRows();
}

void ClassOverviewModel::setOrder(ClassOrder order, bool descending) {
    order_ = order;
    descending_ = descending;
    sortRows();
}

void ClassOverviewModel::sortRows() {
    const QCollator& collator = czechCollator();
    const auto byName = [&](const ClassRow& a, const ClassRow& b, bool surname) {
        return surname ? collator.compare(surnameFirst(a.shown.name), surnameFirst(b.shown.name))
                       : collator.compare(a.shown.name, b.shown.name);
    };
    std::stable_sort(rows_.begin(), rows_.end(), [&](const ClassRow& a, const ClassRow& b) {
        int c = 0;
        if (order_ == ClassOrder::Surname || order_ == ClassOrder::FirstName) {
            c = byName(a, b, order_ == ClassOrder::Surname);
        } else {
            const auto figureOf = [this](const ClassRow& r) {
                // Too few answers to tell comes before knowing none.
                if (order_ == ClassOrder::Known)
                    return r.known.tooFew ? std::optional<double>(-1) : std::optional<double>(r.known.count);
                return figure(r.summary, order_);
            };
            const std::optional<double> x = figureOf(a), y = figureOf(b);
            // What is missing stays last in either direction.
            if (x.has_value() != y.has_value())
                return x.has_value();
            c = x < y ? -1 : (y < x ? 1 : 0);
        }
        if (descending_)
            c = -c;
        if (c == 0)
            c = byName(a, b, true);
        return c != 0 ? c < 0 : a.shown.path < b.shown.path;
    });
}

QVector<ClassMissed> ClassOverviewModel::missed() const {
    QVector<PupilJournal> shown;
    for (const ClassRow& r : rows_)
        shown.push_back(r.shown);
    return classMissed(shown, kClassMissed);
}

QStringList ClassOverviewModel::unread() const {
    QStringList unread;
    for (const PupilJournal& p : pupils_) {
        if (!p.readable())
            unread << QStringLiteral("%1: %2").arg(QFileInfo(p.path).fileName(), p.problem());
        else if (p.changing)
            unread << QStringLiteral("%1: Soubor se během čtení stále měnil; údaje nemusí být úplné.")
                          .arg(QFileInfo(p.path).fileName());
    }
    for (qsizetype i = 0; i < pupils_.size(); ++i)
        if (known_[i].failure && answers_[i])
            unread << QStringLiteral("%1: %2").arg(QFileInfo(answers_[i]->store).fileName(),
                                                   known_[i].problem());
    return unread;
}

bool ClassOverviewModel::renamePupil(int pupil) {
    if (!pupils_[pupil].journal.pupil.isEmpty())
        return false;
    const QString name = namer_(pupils_[pupil].path);
    if (name == pupils_[pupil].name)
        return false;
    pupils_[pupil].name = name;
    refilter();
    return true;
}

} // namespace numio
