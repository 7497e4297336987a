#include "pupil/pupil_session.h"

#include "core/settings.h"
#include "exam/examination.h"
#include "platform/logging.h"

#include <QFileInfo>

namespace numio {

PupilSession::PupilSession(SettingsStore& store, AnswerStores& stores, QString dataFolder)
    : store_(store), practice_(store), stores_(stores), dataFolder_(std::move(dataFolder)),
      list_(std::make_unique<PupilList>(store)) {
    // A removed pupil's answers stay under his id too: a new pupil is not given them unasked.
    if (!dataFolder_.isEmpty())
        list_->setOtherFiles([folder = dataFolder_](const QString& id) {
            return answerStoreFiles(answerStorePath(folder, id));
        });
}

PupilSession::~PupilSession() = default;

void PupilSession::attach(exam::Examination* exam) {
    if (exam_)
        exam_->setPractiser(nullptr);
    exam_ = exam;
    if (exam_)
        exam_->setPractiser(this);
}

std::optional<Pupil> PupilSession::pupil() const {
    return list_->find(practice_.pupilId());
}

std::optional<Pupil> PupilSession::comingPupil() const {
    const std::optional<Pupil> now = pupil();
    return now ? now : list_->chosen();
}

QString PupilSession::pupilName() const {
    const std::optional<Pupil> p = pupil();
    return p ? p->name : QString();
}

// The chosen pupil's name, else the one the results overview keeps for this journal.
QString PupilSession::journalName() const {
    const QString name = pupilName();
    return name.isEmpty() && exam_ ? storedPupilName(store_, exam_->settings().ProtokolFile) : name;
}

QString PupilSession::answersPath() const {
    return storeOf(practice_.pupilId());
}

QString PupilSession::answersPathFor(const StoredSettings& settings, const QString& pupilId) const {
    if (settings.answersBeside && !settings.ProtokolFile.isEmpty())
        return answerStoreBeside(settings.ProtokolFile);
    return dataFolder_.isEmpty() ? QString() : answerStorePath(dataFolder_, pupilId);
}

QString PupilSession::storeOf(const QString& pupilId) const {
    if (exam_ && pupilId == practice_.pupilId())
        return answersPathFor(exam_->settings(), pupilId);
    PupilSettingsStore stored(store_);
    stored.setPupil(pupilId);
    if (QString beside = storedAnswersBeside(stored); !beside.isEmpty())
        return beside;
    return dataFolder_.isEmpty() ? QString() : answerStorePath(dataFolder_, pupilId);
}

std::optional<PupilSession::AnswersMove> PupilSession::answersMove(const StoredSettings& before,
                                                                   const StoredSettings& next) const {
    AnswersMove move{answersPathFor(before, practice_.pupilId()), answersPathFor(next, practice_.pupilId())};
    if (move.from.isEmpty() || move.to.isEmpty() || sameFile(move.from, move.to) ||
        !QFileInfo::exists(move.from))
        return std::nullopt;
    move.taken = QFileInfo::exists(move.to);
    return move;
}

StoreMove PupilSession::moveAnswers(const AnswersMove& move, bool join) {
    if (answers_ && answers_->path() == move.from)
        closeAnswers();
    if (join)
        return stores_.join(move.from, move.to) ? StoreMove::Moved : StoreMove::NothingThere;
    return stores_.move(move.from, move.to);
}

QList<Failure> PupilSession::startWithoutPupils() {
    QList<Failure> problems;
    StoredSettings settings;
    bool journalUsable = true;
    try {
        LoadSettings(settings, practice_);
    } catch (const Failure& f) {
        problems << f;
    }
    try {
        checkJournalOutsideSettings(settings, practice_);
    } catch (const Failure& f) {
        problems << f;
        journalUsable = false;
    }
    try {
        if (exam_)
            exam_->changeSettings(settings, journalUsable);
    } catch (const Failure& f) {
        problems << f;
    }
    followAnswers();
    return problems;
}

QList<Failure> PupilSession::practise(const std::optional<Pupil>& pupil) {
    PupilSettings loaded = loadPupilSettings(practice_, store_, pupil, *list_);
    try {
        if (exam_)
            exam_->switchPupil(loaded.settings, loaded.journalUsable);
    } catch (const Failure& f) {
        loaded.problems << f;
    }
    followAnswers(); // also when his journal cannot be opened
    return loaded.problems;
}

QList<Failure> PupilSession::followList(const QString& picked) {
    std::optional<Pupil> next = list_->find(picked);
    if (!next)
        next = comingPupil();
    if ((next ? next->id : QString()) != practice_.pupilId())
        return practise(next);
    followAnswers(); // opened again when first needed if it was removed
    return {};
}

void PupilSession::applySettings(const StoredSettings& settings) {
    try {
        if (exam_)
            exam_->changeSettings(settings);
    } catch (const Failure&) {
        followAnswers();
        throw;
    }
    followAnswers();
}

void PupilSession::deleteJournal() {
    if (exam_)
        exam_->deleteProtocol(pupilName());
}

PupilSession::Added PupilSession::add(const QString& name, const StoredSettings& current,
                                      const QString& takeOver) {
    const bool first = list_->empty();
    const QString from = first ? storeOf({}) : QString();
    Added added;
    added.pupil = list_->add(name, current, takeOver);
    if (!first || dataFolder_.isEmpty())
        return added;
    const QString to = storeOf(added.pupil.id);
    if (from.isEmpty() || to.isEmpty() || from == to) // kept beside the journal he takes over
        return added;
    if (answers_ && (answers_->path() == from || answers_->path() == to))
        closeAnswers();
    try {
        if (QFileInfo::exists(to)) {
            if (stores_.join(from, to))
                added.answers = Added::Answers::Joined;
        } else if (const StoreMove moved = stores_.move(from, to); moved == StoreMove::Moved) {
            added.answers = Added::Answers::Moved;
        } else {
            qCDebug(lcAnswers()) << "answers without pupils stay where they are:" << int(moved);
        }
    } catch (const Failure& f) {
        added.answersFailure = f;
    }
    return added;
}

QString PupilSession::rename(const QString& id, const QString& name) {
    return list_->rename(id, name);
}

void PupilSession::remove(const QString& id) {
    list_->remove(id);
}

void PupilSession::choose(const QString& id) {
    list_->choose(id);
}

bool PupilSession::hasAnswers(const QString& pupilId) const {
    const QString path = storeOf(pupilId);
    return !path.isEmpty() && QFileInfo::exists(path);
}

void PupilSession::forgetAnswers(const QString& pupilId) {
    const QString path = storeOf(pupilId);
    if (path.isEmpty())
        return;
    if (answers_ && answers_->path() == path)
        closeAnswers();
    stores_.remove(path);
}

// ---- the answer store ----

QString PupilSession::wantedAnswers() const {
    return exam_ && exam_->settings().rememberAnswers ? answersPath() : QString();
}

bool PupilSession::remembersAnswers() const {
    const QString path = wantedAnswers();
    return !path.isEmpty() && path != refused_;
}

void PupilSession::followAnswers() {
    if (answers_ && answers_->path() != wantedAnswers())
        closeAnswers();
    if (exam_)
        exam_->applyLook();
}

void PupilSession::closeAnswers() {
    answers_.reset();
    keepFailed_ = false;
}

// Opened when first needed (an examination starting, the map), never at start-up. A store that
// could not be opened is told once; another pupil's, or the next start, tries again.
void PupilSession::openAnswers() {
    followAnswers();
    const QString path = wantedAnswers();
    if (answers_ || path.isEmpty() || path == refused_)
        return;
    OpenedAnswerStore opened;
    try {
        opened = stores_.open(path, pupilName());
    } catch (const Failure& f) {
        // Held by another running copy (the same pupil at another computer): tried again at the next
        // examination, since the other one may have ended meanwhile.
        if (f.code() != kFileAlreadyOpen)
            refused_ = path;
        throw;
    }
    answers_ = std::move(opened.store);
    keepFailed_ = false;
    if (opened.warning)
        throw *opened.warning;
}

void PupilSession::keepAnswer(const AnswerRecord& answer) {
    if (!answers_)
        return;
    try {
        answers_->record(answer);
    } catch (const Failure& f) {
        if (keepFailed_) {
            qCDebug(lcAnswers()) << "an answer not kept, the store's failure told before:" << f.detail();
            return;
        }
        keepFailed_ = true;
        throw;
    }
}

KnowledgeReader PupilSession::answersReader() const {
    return answers_ ? answers_->reader() : KnowledgeReader();
}

} // namespace numio
