#pragma once

#include "platform/export.h"

#include "core/answer_store.h"
#include "core/practice_state.h"
#include "exam/practiser.h"
#include "platform/failure.h"
#include "platform/settings_store.h"
#include "pupil/pupil_list.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>

namespace numio {

namespace exam {
class Examination;
}

// Who practises at this computer, for the one program: the pupil list and the pupil practising, his
// settings as stored, and his answer store, opened when first needed and following the pupil and
// the settings. What changes who practises or his settings is a command here; it hands the
// examination what it needs (his settings, whether his journal can be used) and is the
// examination's door to his name and answers. Nothing here shows anything: failures are thrown, or
// handed back in order where the command goes on after them.
class NUMIO_EXPORT PupilSession : public exam::Practiser {
  public:
    // dataFolder: where the answers are remembered; empty: nowhere (no home).
    PupilSession(SettingsStore& store, AnswerStores& stores, QString dataFolder);
    ~PupilSession() override;
    PupilSession(const PupilSession&) = delete;
    PupilSession& operator=(const PupilSession&) = delete;

    // The examination the commands hand settings and journals to, and that keeps answers here.
    void attach(exam::Examination* exam);

    const PupilList& list() const { return *list_; }
    // Who practises; none without pupils.
    std::optional<Pupil> pupil() const;
    // Who practises once the list is left as it is: he who practises while he is in it, else the one
    // chosen in it (the first pupil added, or another after his removal).
    std::optional<Pupil> comingPupil() const;
    // His name, empty without pupils.
    QString pupilName() const;
    // The settings as the pupil practising sees them: the settings dialog reads and writes here.
    SettingsStore& settingsStore() { return practice_; }
    AnswerStores& stores() { return stores_; }
    const QString& dataFolder() const { return dataFolder_; }
    // The practising pupil's answer store, there or not; empty when answers have no place.
    QString answersPath() const;
    // The store `settings` ask for: beside the journal when they keep it there, else in the data folder.
    QString answersPathFor(const StoredSettings& settings, const QString& pupilId) const;

    // A store to take along before new settings go in force: from where it is to where they want it.
    struct AnswersMove {
        QString from;
        QString to;
        bool taken = false; // a store is there already
    };
    // None when the place stays, or no store is there to take.
    std::optional<AnswersMove> answersMove(const StoredSettings& before, const StoredSettings& next) const;
    // Closes the store and moves it, or (join) adds its answers to the one already there. Throws
    // Failure when it cannot; the store then stays where it was.
    StoreMove moveAnswers(const AnswersMove& move, bool join);

    // ---- commands ----

    // Start-up with no pupil in the list: the program's own settings, as it has always been. A bad
    // value has taken its default and the rest is in force; what was wrong comes back in order.
    QList<Failure> startWithoutPupils();
    // `pupil` practises (none: the program's own settings): his settings and journal go to the
    // examination, his answers follow. What was wrong comes back in order; the switch goes on.
    QList<Failure> practise(const std::optional<Pupil>& pupil);
    // After the pupil list changed: the pupil picked (an empty id: none was) practises; so does the
    // one chosen in the list when the pupil practising is gone from it, or there was none. Otherwise
    // he goes on, his answer store followed (it may have been removed).
    QList<Failure> followList(const QString& picked);
    // New settings in force; the answers follow them also when the journal cannot be opened. Throws
    // the journal's failure.
    void applySettings(const StoredSettings& settings);
    // "Smaž protokol" of the pupil practising, asked as the examination asks.
    void deleteJournal();

    // The pupil list's changes, stored at once (each throws Failure naming the file).
    struct Added {
        Pupil pupil;
        enum class Answers { None, Moved, Joined } answers = Answers::None;
        std::optional<Failure> answersFailure; // the answers without pupils stayed where they were
    };
    // The first pupil takes over the answers remembered without pupils, as he takes the settings and
    // the journal; a store not closed cleanly (a -wal beside it) stays where it is.
    Added add(const QString& name, const StoredSettings& current, const QString& takeOver = {});
    QString rename(const QString& id, const QString& name);
    void remove(const QString& id);
    void choose(const QString& id);
    // Remembered answers of a pupil (an empty id: without pupils) are there.
    bool hasAnswers(const QString& pupilId) const;
    // A pupil's store: by the settings in force for the one practising, else by his stored ones.
    QString storeOf(const QString& pupilId) const;
    // Deletes a pupil's remembered answers, closing his store first if it is open.
    void forgetAnswers(const QString& pupilId);

    // Opens the answer store when remembering is on; see Practiser::openAnswers.
    void openAnswers() override;

    // ---- the examination's door ----
    QString journalName() const override;
    bool remembersAnswers() const override;
    bool answersOpen() const override { return answers_ != nullptr; }
    void keepAnswer(const AnswerRecord& answer) override;
    KnowledgeReader answersReader() const override;

  private:
    // The store that remembering, the pupil and the settings ask for now; empty: none.
    QString wantedAnswers() const;
    // Closes the open store when it is no longer the one wanted.
    void followAnswers();
    void closeAnswers();

    SettingsStore& store_;
    PupilSettingsStore practice_;
    AnswerStores& stores_;
    QString dataFolder_;
    std::unique_ptr<PupilList> list_;
    exam::Examination* exam_ = nullptr;
    std::unique_ptr<AnswerStore> answers_;
    QString refused_;         // the store that could not be opened, told once
    bool keepFailed_ = false; // the open store failed to keep an answer, told once
};

} // namespace numio
