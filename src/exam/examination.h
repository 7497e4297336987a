#pragma once

#include "platform/export.h"

#include "core/answer_store.h"
#include "core/practice_state.h"
#include "core/weak_draw.h"
#include "exam/exam_view.h"
#include "exam/phase.h"
#include "exam/practiser.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/failure.h"
#include "platform/pacer.h"
#include "platform/periodic_timer.h"
#include "platform/random_source.h"
#include "platform/text_files.h"

#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace numio {

// The journal has its own record called Examination (one examination read back from the file);
// the running examination lives in a namespace of its own.
namespace exam {

// The doors the examination works through; tests hand in fakes.
struct NUMIO_EXPORT ExamDoors {
    RandomSource& random;
    Clock& clock;
    Dialogs& dialogs;
    Pacer& pacer;
    PeriodicTimer& Cas;
    TextFiles& files;
};

// The examination: the practice record, the phase and everything that waits or comes next.
// Commands come in through `run`; each is admitted by the phase table and runs to its end. What
// it decides goes out through the view and the doors. Links Qt Core only.
class NUMIO_EXPORT Examination {
  public:
    Examination(ExamDoors doors, ExamView& view);
    ~Examination();
    Examination(const Examination&) = delete;
    Examination& operator=(const Examination&) = delete;

    // The record, for reading: the settings in force, the problem, the counts.
    const PracticeState& record() const { return state_; }
    const StoredSettings& settings() const { return state_; }

    // Who practises: the name each examination's journal block carries, and where every answer is
    // remembered, the store opened as an examination starts so that start-up never waits for it. A
    // failure to keep an answer is told once a store; the examination and its journal go on. None:
    // nobody is named and nothing is remembered.
    void setPractiser(Practiser* practiser);
    // Runs a reading of the answers away from this thread and hands what it came to to `done` on
    // this thread, unless the flag returned was set first. Weak-facts practice waits for it in the
    // Loading phase, so that a long history never keeps the window waiting. None: read at once.
    std::function<std::shared_ptr<std::atomic<bool>>(KnowledgeReader read,
                                                     std::function<void(const ReadOutcome&)> done)>
        readAside;

    // Pace of the timed phases.
    int blinkPhaseMs = 250;
    int slideFrameMs = 28;

    const Phase& phase() const { return phase_; }
    // The one test of "an examination runs".
    bool running() const { return phase_.mode != Mode::Idle; }
    bool may(Command command) const { return admit(phase_, conditions(), command) == Admission::Run; }

    // The examination's own commands: starts, Stop, the end of a correction, the card's OK, the
    // tick and the pacer's step.
    void run(Command command);
    // Enter with an answer typed.
    void answer(const QString& typed);
    // A command of the window (settings, about, protocol ...), admitted and guarded like the rest.
    void run(Command command, const std::function<void()>& handler);
    // Runs one handler; a failure that escapes it is reported and the program goes on. Once the
    // outermost handler has ended, what the phase held back gets its turn.
    void guarded(const std::function<void()>& handler);
    // Runs `body` (a dialog's exec) as a modal phase.
    template <class F> auto modal(F&& body);
    // Message boxes through this door are modal phases.
    Dialogs& dialogs() { return modalDialogs_; }

    // The procedures, under the names the program has always used.
    void VytvorPriklad();
    void Vysledek(const Integer& nOdpoved);
    void ShowWrongAnswer();
    void UpdateScore();
    void ZkouseniIniciate(const bool& Start);
    void ShowVysvedceni();
    void pbOK_Click();
    void StartOpravy();
    void Cas_Timer();
    void WriteProtokol(const QString& kind);
    void ApplySettings();
    // ApplySettings within a procedure that goes on whatever happens: a failure is reported here.
    void applySettingsReported();
    // Tells a failure in the "Chyba č." box.
    void reportFailure(const Failure& f);
    // The overview's most-missed problems in place of the repeat list, then a repeat run.
    void practiseProblems(const QStringList& entries);

    // New settings in force (at start-up, after the settings dialog): a journal refused for this
    // run is tried again unless journalUsable is false. Failures go to the caller.
    void changeSettings(const StoredSettings& settings, bool journalUsable = true);
    // Another pupil practises: the last pupil's counts, repeat list and journal are done with, his
    // settings and journal take their place. journalUsable false: no journal this run.
    void switchPupil(const StoredSettings& settings, bool journalUsable);
    // "Smaž protokol": asks, naming the pupil whose journal it is (empty without pupils), moves the
    // journal away and starts it anew.
    void deleteProtocol(const QString& pupil = {});
    // The Protokol menu's size test.
    qint64 protocolSize() const;
    // The program ends, with the journal's shutdown line (the window closed) or without (Konec).
    // Nothing of the examination runs afterwards, held ticks and steps included.
    void end(bool shutdownLine = false);

    Conditions conditions() const;
    void applyLook();

  private:
    class ModalDialogs : public Dialogs {
      public:
        ModalDialogs(Examination& exam, Dialogs& inner) : exam_(exam), inner_(inner) {}
        Answer message(const QString& text, const QString& title, Buttons buttons, Icon icon,
                       Answer defaultButton) override;
        QString chooseFile(const QString& title, const QString& filter, const QString& folder) override;
        QString chooseFolder(const QString& title, const QString& folder) override;

      private:
        Examination& exam_;
        Dialogs& inner_;
    };

    // Why the correction shows, and so how its problem is counted once it ends.
    enum class Cause { WrongAnswer, Timeout };
    // What the problem came to.
    enum class Outcome { Right, Wrong, TimedOut };

    void setMode(Mode mode);
    void setOverlay(Overlay overlay);
    void handle(Command command);
    void resumeWaiting();
    static std::optional<Integer> answerValue(const QString& typed);
    void wrongAnswer(Cause cause);
    void startExamination(Mode mode);
    // Practice of what the pupil does not know yet, drawn from what the answer store remembers.
    void startWeak(Mode mode);
    // Weak-facts practice on the answers read; a store that could not be read is told.
    void startWeakFrom(Mode mode, const ReadOutcome& read);
    void answersRead();
    // A reading for weak-facts practice given up: nothing of it follows.
    void stopLoading();
    void endOfProblem(Outcome outcome);
    void endCorrection();
    void blinkStep();
    void slideStep();
    void cardArrived();
    // Ends the examination; `text` follows once the report card has arrived, or at once.
    void endWithMessage(const QString& text);
    void startCountdown();
    void perProblemTick();
    void setLimitTick();
    void expireSetLimit();
    void makeRepeatOffer();
    void setStatus(const QString& text);
    // A failure of the journal: a refusal turns it off for this run.
    void journalFailed(const Failure& f);
    // Opens the answer store when answers are remembered; a failure is told and the start goes on.
    void openAnswers();
    // Keeps the answer to the problem shown in the answer store, if there is one.
    void rememberAnswer(AnswerOutcome outcome, const QString& typed);
    AnswerMode answerMode() const;
    QString remainingSetTimeText() const;
    Integer perProblemLimit() const;
    Integer setLimitMinutes() const;
    qint64 elapsedMs() const;

    ExamDoors doors_;
    ExamView& view_;
    ModalDialogs modalDialogs_;
    PracticeState state_;
    Phase phase_;
    int modalDepth_ = 0;
    int handlerDepth_ = 0;
    bool tickWaiting_ = false; // held back by a box or the correction; the clock keeps the time
    bool stepWaiting_ = false; // a blink or slide step held back by a box
    bool readWaiting_ = false; // the answers came while a box was open
    int step_ = 0;             // blink phase or slide frame
    Cause correction_ = Cause::WrongAnswer;
    QString messageAfterCard_; // why the examination ended, told once the card is in
    QString cardGrade_;        // the grade the card shows, fixed as it starts to slide in
    bool repeatStopOffered_ = false;
    qint64 countdownFrom_ = 0; // when the current problem (per-answer limit) or the set began
    qint64 shownAt_ = 0;       // when the current problem was shown (monotonic ms)
    QString pupil_;            // who practises in this examination, as the journal names him
    Practiser* practiser_ = nullptr;
    std::optional<WeakFactsDraw> weak_; // while weak-facts practice runs
    Mode loadingFor_ = Mode::Practice;  // the weak-facts practice whose answers are being read
    std::shared_ptr<std::atomic<bool>> loadingStop_;
    std::optional<ReadOutcome> loaded_; // read, waiting for its turn
};

template <class F> auto Examination::modal(F&& body) {
    struct Depth {
        Examination& e;
        explicit Depth(Examination& exam) : e(exam) {
            ++e.modalDepth_;
            e.phase_.modal = true;
        }
        ~Depth() { e.phase_.modal = --e.modalDepth_ > 0; }
    } depth(*this);
    return body();
}

} // namespace exam
} // namespace numio
