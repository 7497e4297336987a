#include "exam/examination.h"

#include "core/generator.h"
#include "core/scoring.h"
#include "journal/protocol_file.h"
#include "journal/protocol_writer.h"
#include "platform/guard.h"

#include <algorithm>
#include <limits>

namespace numio::exam {

namespace {
constexpr int kBlinkPhases = 10;
constexpr int kSlideTwips = 2100;
constexpr int kSlideFrames = 35;
const QString kNoModeText = QStringLiteral("Není aktivní žádný režim zkoušení !!");
const QString kLoadingText = QStringLiteral("Načítám zapamatované odpovědi… (Esc zruší)");
} // namespace

Examination::Examination(ExamDoors doors, ExamView& view)
    : doors_(doors), view_(view), modalDialogs_(*this, doors.dialogs) {
    state_.fso = &doors.files;
    doors_.Cas.setEnabled(false);
    doors_.Cas.onTick([this] { run(Command::Tick); });
}

// The doors may outlive the examination: nothing of it may be called back afterwards.
Examination::~Examination() {
    if (loadingStop_)
        loadingStop_->store(true);
    doors_.Cas.setEnabled(false);
    doors_.Cas.onTick(nullptr);
    doors_.pacer.stop();
}

// ---- commands ----

void Examination::guarded(const std::function<void()>& handler) {
    if (phase_.overlay == Overlay::Ending)
        return;
    ++handlerDepth_;
    try {
        handler();
    } catch (const Failure& f) {
        reportFailure(f);
    } catch (...) {
        numio::guarded(dialogs(), [] { throw; }); // told as every window tells it
    }
    if (--handlerDepth_ == 0)
        resumeWaiting();
}

void Examination::run(Command command) {
    guarded([&] {
        switch (admit(phase_, conditions(), command)) {
        case Admission::Run:
            handle(command);
            break;
        case Admission::Wait:
            (command == Command::Tick        ? tickWaiting_
             : command == Command::PhaseStep ? stepWaiting_
                                             : readWaiting_) = true;
            break;
        case Admission::Drop:
            break;
        }
    });
}

void Examination::run(Command command, const std::function<void()>& handler) {
    guarded([&] {
        if (may(command))
            handler();
    });
}

// A long answer box takes numbers beyond 16 bits; no result is that large, so they are wrong.
std::optional<Integer> Examination::answerValue(const QString& typed) {
    bool ok = false;
    const int value = typed.toInt(&ok);
    if (!ok || value > 32767)
        return std::nullopt;
    return textToInteger(typed);
}

void Examination::answer(const QString& typed) {
    guarded([&] {
        if (typed.isEmpty() || !may(Command::Answer))
            return;
        const std::optional<Integer> value = answerValue(typed);
        rememberAnswer(value == state_.C ? AnswerOutcome::Right : AnswerOutcome::Wrong, typed);
        if (value)
            Vysledek(*value);
        else
            wrongAnswer(Cause::WrongAnswer);
    });
}

void Examination::handle(Command command) {
    switch (command) {
    case Command::StartPractice:
        startExamination(Mode::Practice);
        break;
    case Command::StartSet:
        startExamination(Mode::Sets);
        break;
    case Command::StartRepeat:
        StartOpravy();
        break;
    case Command::StartWeakPractice:
        startWeak(Mode::Practice);
        break;
    case Command::StartWeakSet:
        startWeak(Mode::Sets);
        break;
    case Command::Stop:
        if (phase_.overlay == Overlay::Loading)
            stopLoading();
        else
            ZkouseniIniciate(false);
        break;
    case Command::AnswersRead:
        answersRead();
        break;
    case Command::EndCorrection:
        endCorrection();
        break;
    case Command::CardOk:
        pbOK_Click();
        break;
    case Command::Tick:
        Cas_Timer();
        break;
    case Command::PhaseStep:
        if (phase_.overlay == Overlay::Correction)
            blinkStep();
        else
            slideStep();
        break;
    default:
        break; // the window's commands come with their handler
    }
}

// A tick or a step held back by a box or by the correction runs once that has ended. The tick
// reads the clock, so one held-back tick stands for all that were missed. After the end nothing
// held back runs.
void Examination::resumeWaiting() {
    if (phase_.modal || phase_.overlay == Overlay::Ending)
        return;
    if (stepWaiting_) {
        stepWaiting_ = false;
        run(Command::PhaseStep);
    }
    if (tickWaiting_ && may(Command::Tick)) {
        tickWaiting_ = false;
        run(Command::Tick);
    }
    if (readWaiting_) {
        readWaiting_ = false;
        run(Command::AnswersRead);
    }
}

Dialogs::Answer Examination::ModalDialogs::message(const QString& text, const QString& title, Buttons buttons,
                                                   Icon icon, Answer defaultButton) {
    return exam_.modal([&] { return inner_.message(text, title, buttons, icon, defaultButton); });
}

QString Examination::ModalDialogs::chooseFile(const QString& title, const QString& filter,
                                              const QString& folder) {
    return exam_.modal([&] { return inner_.chooseFile(title, filter, folder); });
}

QString Examination::ModalDialogs::chooseFolder(const QString& title, const QString& folder) {
    return exam_.modal([&] { return inner_.chooseFolder(title, folder); });
}

void Examination::reportFailure(const Failure& f) {
    dialogs().failure(f);
}

// The one rule of a refused journal: 70 switches it off for this run only; the stored setting stays on.
void Examination::journalFailed(const Failure& f) {
    if (f.code() != kAccessDenied)
        return;
    state_.journalRefused = true;
    applyLook();
}

void Examination::end(bool shutdownLine) {
    std::optional<Failure> failed;
    if (shutdownLine && state_.protocolOn()) {
        try {
            // A problem whose correction still blinks was answered wrongly (or timed out) and its LOG
            // line is written: the count says so too.
            const int pending = phase_.overlay == Overlay::Correction ? 1 : 0;
            writeShutdownLine(state_, running(), pending);
        } catch (const Failure& f) {
            failed = f;
        }
    }
    if (phase_.overlay == Overlay::Loading)
        stopLoading();
    phase_.overlay = Overlay::Ending;
    tickWaiting_ = stepWaiting_ = readWaiting_ = false;
    doors_.pacer.stop();
    doors_.Cas.setEnabled(false);
    closeProtocol(state_); // closed and marked so: nothing can reopen it
    if (failed)
        reportFailure(*failed);
}

void Examination::changeSettings(const StoredSettings& settings, bool journalUsable) {
    if (!may(Command::ChangeSettings))
        return;
    state_.stored() = settings;
    state_.journalRefused = !journalUsable;
    ApplySettings();
}

void Examination::switchPupil(const StoredSettings& settings, bool journalUsable) {
    if (!may(Command::SwitchPupil))
        return;
    // Nothing of the last pupil's examination is shown, repeated or written into the next journal.
    state_.nPrikladID = 0;
    state_.nSpatne = 0;
    state_.clearRepeatList();
    repeatStopOffered_ = false;
    view_.showCounts({});
    view_.showResultsTitle(QStringLiteral("Výsledky"));
    setStatus(QString());
    closeProtocol(state_); // his lock released before the next journal opens
    changeSettings(settings, journalUsable);
}

void Examination::deleteProtocol(const QString& pupil) {
    if (!may(Command::DeleteProtocol))
        return;
    QString question = QStringLiteral("Skutečně si přejete smazat soubor protokolu ?");
    if (!pupil.isEmpty())
        question += QStringLiteral("\nProtokol patří: %1").arg(pupil);
    if (dialogs().message(question, QStringLiteral("Potvrzení vymazání"), Dialogs::Buttons::YesNo,
                          Dialogs::Icon::Question, Dialogs::Answer::Yes) != Dialogs::Answer::Yes)
        return;
    QString said;
    try {
        said = deleteProtocolFile(state_, doors_.clock);
    } catch (const Failure& f) {
        reportFailure(f);
    }
    // Whatever came of it, the journal is opened again as the settings say.
    applySettingsReported();
    if (!said.isEmpty())
        setStatus(said);
}

qint64 Examination::protocolSize() const {
    return protocolFileSize(state_);
}

// ---- phase and look ----

Conditions Examination::conditions() const {
    Conditions c;
    c.problemPossible = anyOperationAdmitsProblem(state_);
    c.setSizeValid = state_.nSada >= 1; // a set of no problems could neither end nor be stopped
    c.wrongListed = state_.nSpatnePriklady > 0;
    c.protocolOn = state_.protocolOn();
    c.protocolNamed = !state_.ProtokolFile.isEmpty();
    c.repeatStopOffered = repeatStopOffered_;
    c.answersRemembered = practiser_ && practiser_->remembersAnswers();
    return c;
}

void Examination::applyLook() {
    view_.showLook(lookOf(phase_, conditions()));
}

// The record's flags follow the mode, so the two never disagree.
void Examination::setMode(Mode mode) {
    phase_.mode = mode;
    state_.bPocitej = mode == Mode::Practice;
    state_.bPocitejSady = mode == Mode::Sets;
    state_.bOpravy = mode == Mode::Repeat;
}

void Examination::setOverlay(Overlay overlay) {
    phase_.overlay = overlay;
    applyLook();
}

void Examination::setStatus(const QString& text) {
    view_.showStatus(text);
}

// Brings the protocol file and the window in line with the settings. Opening the file comes
// first: when it fails, the window stays as it was.
void Examination::ApplySettings() {
    try {
        openProtocol(state_);
    } catch (const Failure& f) {
        journalFailed(f);
        throw;
    }
    view_.showSettings(state_);
    if (!anyOperationAdmitsProblem(state_))
        setStatus(kNoModeText);
    applyLook();
}

void Examination::applySettingsReported() {
    try {
        ApplySettings();
    } catch (const Failure& f) {
        reportFailure(f);
    }
}

void Examination::WriteProtokol(const QString& kind) {
    for (const Failure& f : numio::WriteProtokol(kind, state_, view_.typedAnswer(), doors_.clock)) {
        reportFailure(f);
        journalFailed(f);
    }
}

// ---- starting and ending ----

void Examination::openAnswers() {
    if (!practiser_ || practiser_->answersOpen() || !practiser_->remembersAnswers())
        return;
    try {
        practiser_->openAnswers();
    } catch (const Failure& f) {
        reportFailure(f); // the examination starts all the same
    }
    applyLook();
}

void Examination::startExamination(Mode mode) {
    openAnswers();
    setMode(mode);
    ZkouseniIniciate(true);
    VytvorPriklad();
}

void Examination::startWeak(Mode mode) {
    openAnswers();
    if (!practiser_ || !practiser_->answersOpen())
        return;
    if (!readAside) {
        ReadOutcome read;
        try {
            const std::atomic<bool> never{false};
            read.read = practiser_->answersReader()(never);
        } catch (...) {
            read.failed = std::current_exception();
        }
        startWeakFrom(mode, read);
        return;
    }
    loadingFor_ = mode;
    setOverlay(Overlay::Loading);
    setStatus(kLoadingText);
    // Nothing comes back once the flag is set: a reading given up, or the engine gone.
    loadingStop_ = readAside(practiser_->answersReader(), [this](const ReadOutcome& read) {
        loaded_ = read;
        run(Command::AnswersRead);
    });
}

void Examination::answersRead() {
    if (!loaded_)
        return;
    const ReadOutcome read = std::move(*loaded_);
    loaded_.reset();
    loadingStop_.reset();
    setStatus(QString());
    setOverlay(Overlay::None);
    startWeakFrom(loadingFor_, read);
}

void Examination::stopLoading() {
    if (loadingStop_)
        loadingStop_->store(true);
    loadingStop_.reset();
    loaded_.reset();
    readWaiting_ = false;
    setStatus(anyOperationAdmitsProblem(state_) ? QString() : kNoModeText);
    setOverlay(Overlay::None);
}

void Examination::startWeakFrom(Mode mode, const ReadOutcome& read) {
    try {
        weak_.emplace(state_, read.get().facts, int(state_.knownWithinSeconds) * 1000,
                      doors_.clock.now().toSecsSinceEpoch());
    } catch (const Failure& f) {
        Failure told = f;
        reportFailure(told.withDetail(f.detail() + QStringLiteral(" Procvičování toho, co žák ještě neumí, "
                                                                  "proto nelze začít.")));
        return;
    }
    state_.weakFacts = true;
    startExamination(mode);
}

// Start = true begins the examination whose mode has just been set; anything else ends whatever
// runs and leaves the idle look.
void Examination::ZkouseniIniciate(const bool& Start) {
    if (Start) {
        repeatStopOffered_ = false;
        tickWaiting_ = false;
        messageAfterCard_.clear();
        state_.nPrikladID = 0;
        state_.nSpatne = 0;
        applyLook();
        pupil_ = practiser_ ? practiser_->journalName().simplified() : QString();
        if (state_.protocolOn()) {
            state_.journalName = pupil_;
            WriteProtokol(QStringLiteral("INIT"));
        }
        startCountdown();
        view_.showCounts({QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"), {}, {}});
        view_.clearAnswer();
        view_.showCorrection({}, Blink::Off);
        view_.showGradeBox(true);
        view_.focusAnswer();
        if (phase_.mode == Mode::Repeat) {
            view_.showResultsTitle(QStringLiteral("Výsledky oprav "));
        } else {
            state_.clearRepeatList();
            view_.showResultsTitle(QStringLiteral("Výsledky"));
        }
        return;
    }

    const Mode ended = phase_.mode;
    weak_.reset();
    state_.weakFacts = false;
    view_.showProgress(false, 0, 0);
    // Idle without any possible problem keeps saying why nothing can start.
    setStatus(anyOperationAdmitsProblem(state_) ? QString() : kNoModeText);
    setMode(Mode::Idle);
    tickWaiting_ = false;
    applyLook();
    if (state_.bLimit || state_.bLimitSady) {
        doors_.Cas.setEnabled(false);
        applySettingsReported();
        state_.nNow = 0;
    }
    view_.showCorrection({}, Blink::Off);
    if (state_.protocolOn() && state_.nPrikladID > 0)
        WriteProtokol(QStringLiteral("FINISH"));
    if (state_.nPrikladID > 5 && ended != Mode::Repeat)
        ShowVysvedceni();
    if (ended == Mode::Repeat) {
        dialogs().message(QStringLiteral("Režim opravy minule chybných příkladů byl ukončen"),
                          QStringLiteral("Opravný režim"), Dialogs::Buttons::Ok, Dialogs::Icon::Information,
                          Dialogs::Answer::Ok);
    } else if (state_.nSpatne != 0 && state_.nPrikladID <= 5) {
        makeRepeatOffer();
    }
}

void Examination::StartOpravy() {
    // A run with nothing to ask would show no problem and could only be stopped.
    if (state_.nSpatnePriklady < 1 || !may(Command::StartRepeat))
        return;
    state_.nOpravaID = 1;
    startExamination(Mode::Repeat);
}

void Examination::practiseProblems(const QStringList& entries) {
    if (!may(Command::PractiseMissed) || entries.isEmpty())
        return;
    state_.clearRepeatList();
    for (const QString& entry : entries.mid(0, PracticeState::kRepeatCapacity))
        state_.SpatnePriklady[static_cast<std::size_t>(++state_.nSpatnePriklady)] = entry;
    StartOpravy();
}

// Offered after an examination with wrong answers; only when there is something to repeat
// (answers that merely ran out of time are counted but not listed).
void Examination::makeRepeatOffer() {
    if (state_.nSpatnePriklady < 1)
        return;
    const QString text =
        QStringLiteral("Během tohoto zkoušení byly zaznamenány chybně vypočítané příklady - [") +
        QString::number(state_.nSpatne) + QStringLiteral("] !\r\n") +
        QStringLiteral("Přeješ si automaticky provést přezkoušení z těchto chybně odpovězených "
                       "příkladů ?");
    if (dialogs().message(text, QStringLiteral("Upozornění"), Dialogs::Buttons::YesNo,
                          Dialogs::Icon::Question, Dialogs::Answer::Yes) == Dialogs::Answer::Yes)
        StartOpravy();
}

// ---- problems and answers ----

void Examination::VytvorPriklad() {
    Generated g;
    if (weak_ && !state_.bOpravy) {
        g = setProblem(state_, weak_->next(doors_.random));
        // A set under its time limit keeps telling the time left instead.
        g.hasStatus = !(phase_.mode == Mode::Sets && state_.setLimitRuns());
        g.statusText = weak_->statusText();
    } else {
        g = numio::VytvorPriklad(state_, doors_.random);
    }
    if (!g.made) {
        // Nothing (more) to ask: end the examination instead of leaving a stale problem.
        if (running())
            ZkouseniIniciate(false);
        return;
    }
    view_.showProblem(
        g.problemText, spokenProblem(state_),
        phase_.mode == Mode::Sets
            ? QStringLiteral("Příklad %1 z %2").arg(int(state_.nPrikladID) + 1).arg(int(state_.nSada))
            : QString());
    if (g.hasStatus)
        setStatus(g.statusText);
    shownAt_ = doors_.clock.elapsedMs();
    if (state_.bLimit) {
        // The ticks start again with the problem, so its time is up on the first tick after the limit.
        doors_.Cas.setEnabled(false);
        doors_.Cas.setEnabled(true);
        countdownFrom_ = doors_.clock.elapsedMs();
        state_.nNow = 0;
    }
}

// A right answer is dealt with at once; a wrong one after its correction has been shown.
void Examination::Vysledek(const Integer& nOdpoved) {
    if (nOdpoved == state_.C)
        endOfProblem(Outcome::Right);
    else
        wrongAnswer(Cause::WrongAnswer);
}

void Examination::wrongAnswer(Cause cause) {
    if (state_.soundOnError)
        view_.beep();
    correction_ = cause;
    ShowWrongAnswer();
}

// Every problem ends here: a right answer, a wrong one once its correction has ended, a timeout.
// Then the set's or the repeat run's end, or the next problem.
void Examination::endOfProblem(Outcome outcome) {
    view_.clearAnswer();
    if (outcome != Outcome::Right) {
        state_.nSpatne = add16(state_.nSpatne, 1);
        if (outcome == Outcome::Wrong && phase_.mode != Mode::Repeat)
            state_.storeWrongProblem();
    }
    state_.nPrikladID = add16(state_.nPrikladID, 1);
    UpdateScore();
    if ((phase_.mode == Mode::Sets && state_.nPrikladID == state_.nSada) ||
        (phase_.mode == Mode::Repeat && state_.nOpravaID - 1 == state_.nSpatnePriklady))
        ZkouseniIniciate(false);
    else if (state_.nPrikladID == std::numeric_limits<Integer>::max()) // the counters are full
        endWithMessage(QStringLiteral("Zkoušení skončilo: bylo zodpovězeno %1 příkladů, víc jich jedno "
                                      "zkoušení nesečte.")
                           .arg(state_.nPrikladID));
    else
        VytvorPriklad();
}

// ---- the answer store ----

void Examination::setPractiser(Practiser* practiser) {
    practiser_ = practiser;
}

AnswerMode Examination::answerMode() const {
    if (weak_)
        return phase_.mode == Mode::Sets ? AnswerMode::WeakSet : AnswerMode::WeakPlain;
    switch (phase_.mode) {
    case Mode::Sets:
        return AnswerMode::Set;
    case Mode::Repeat:
        return AnswerMode::Repeat;
    default:
        return AnswerMode::Plain;
    }
}

void Examination::rememberAnswer(AnswerOutcome outcome, const QString& typed) {
    AnswerRecord answer;
    answer.at = doors_.clock.now().toSecsSinceEpoch();
    answer.pupil = pupil_;
    answer.mode = answerMode();
    answer.fact = Fact{int(state_.nRezim), state_.A, state_.B};
    answer.expected = state_.C;
    answer.typed = typed;
    answer.outcome = outcome;
    answer.ms = int(std::min<qint64>(doors_.clock.elapsedMs() - shownAt_, std::numeric_limits<int>::max()));
    // The draw learns every answer, whether or not the store takes it.
    if (weak_)
        weak_->answered(answer.fact, Try{answer.at, outcome, answer.ms});
    if (!practiser_ || !practiser_->answersOpen())
        return;
    try {
        practiser_->keepAnswer(answer);
    } catch (const Failure& f) {
        Failure told = f;
        reportFailure(told.withDetail(f.detail() + QStringLiteral(" Zkoušení i protokol pokračují dál.")));
    }
}

void Examination::UpdateScore() {
    Counts c;
    c.done = QString::number(state_.nPrikladID);
    c.right = QString::number(sub16(state_.nPrikladID, state_.nSpatne));
    c.wrong = QString::number(state_.nSpatne);
    // Nothing answered yet (a set whose time ran out at once): no rate, no grade.
    if (state_.nPrikladID >= 1) {
        c.rate = QString::number(successRate(state_.nPrikladID, state_.nSpatne)) + QLatin1Char('%');
        c.grade = QString::number(grade(state_.nPrikladID, state_.nSpatne));
    }
    view_.showCounts(c);
}

// ---- the correction ----

// Starts the correction: the solution blinks for ten phases or until a key; then the problem ends
// as `correction_` says.
void Examination::ShowWrongAnswer() {
    setOverlay(Overlay::Correction);
    setStatus(QStringLiteral("Chyba !!!"));
    if (state_.bLimit) {
        state_.nNow = 0;
        doors_.Cas.setEnabled(false);
    }
    if (state_.protocolOn())
        WriteProtokol(QStringLiteral("LOG"));
    step_ = 0;
    blinkStep();
}

void Examination::blinkStep() {
    if (step_ == kBlinkPhases) {
        endCorrection();
        return;
    }
    view_.showCorrection(problemText(state_) + QLatin1Char('=') + QString::number(state_.C),
                         step_ % 2 == 0 ? Blink::Yellow : Blink::Red);
    ++step_;
    doors_.pacer.start(blinkPhaseMs, [this] { run(Command::PhaseStep); });
}

void Examination::endCorrection() {
    doors_.pacer.stop();
    view_.showCorrection({}, Blink::Off);
    if (state_.bLimit)
        doors_.Cas.setEnabled(true);
    if (phase_.mode == Mode::Repeat)
        repeatStopOffered_ = true;
    setOverlay(Overlay::None);
    view_.focusAnswer(); // the pupil types the next answer straight away
    // With both limits on only the per-answer one runs, so there is no set time to show.
    setStatus(state_.setLimitRuns() && phase_.mode == Mode::Sets ? remainingSetTimeText() : QString());
    endOfProblem(correction_ == Cause::Timeout ? Outcome::TimedOut : Outcome::Wrong);
}

// ---- the report card ----

// Starts the slide-in: the card travels the 2100 twips in 35 frames paced by time, about a second
// in all, with OK disabled and a busy pointer; then it waits for its OK.
void Examination::ShowVysvedceni() {
    // The card shows the grade of the examination that ended, whatever runs while it slides in (a
    // pupil's switch or new settings start the counts anew).
    cardGrade_ = QString::number(grade(state_.nPrikladID, state_.nSpatne));
    view_.showCard(-kSlideTwips, cardGrade_);
    setOverlay(Overlay::CardSliding);
    step_ = 0;
    slideStep();
}

void Examination::slideStep() {
    if (step_ < kSlideFrames) {
        ++step_;
        view_.showCard(-kSlideTwips + kSlideTwips * step_ / kSlideFrames, cardGrade_);
        doors_.pacer.start(slideFrameMs, [this] { run(Command::PhaseStep); });
        return;
    }
    view_.showGradeBox(false);
    setOverlay(Overlay::CardShown);
    cardArrived();
}

// What FINISH left for the card's arrival.
void Examination::cardArrived() {
    const QString text = std::exchange(messageAfterCard_, QString());
    if (!text.isEmpty())
        dialogs().message(text, QStringLiteral("Oznámení"), Dialogs::Buttons::Ok, Dialogs::Icon::Information,
                          Dialogs::Answer::Ok);
}

void Examination::endWithMessage(const QString& text) {
    ZkouseniIniciate(false);
    messageAfterCard_ = text;
    if (phase_.overlay != Overlay::CardSliding)
        cardArrived();
}

void Examination::pbOK_Click() {
    setOverlay(Overlay::None);
    view_.showCounts({});
    view_.showCorrection({}, Blink::Off);
    view_.clearAnswer();
    if (state_.nSpatne > 0)
        makeRepeatOffer();
}

// ---- the countdown ----

// A hand-edited store can hold limits the arithmetic cannot serve; the run uses the nearest
// workable value and the stored one stays as it is.
Integer Examination::perProblemLimit() const {
    return state_.answerLimitSeconds();
}
Integer Examination::setLimitMinutes() const {
    return state_.setLimitMinutes();
}

qint64 Examination::elapsedMs() const {
    return doors_.clock.elapsedMs() - countdownFrom_;
}

QString Examination::remainingSetTimeText() const {
    return QStringLiteral("Zbývající čas : ") + QString::number(sub16(setLimitMinutes(), state_.nNow)) +
           QStringLiteral("min.");
}

void Examination::startCountdown() {
    // The clock is read before the timer starts, so no tick comes before its time has passed.
    if (state_.bLimit) {
        view_.showProgress(true, 0, mul16(perProblemLimit(), 1000));
        state_.nNow = 0;
        countdownFrom_ = doors_.clock.elapsedMs();
        doors_.Cas.setInterval(100);
        doors_.Cas.setEnabled(true);
    } else if (state_.bLimitSady && phase_.mode == Mode::Sets) {
        applySettingsReported();
        setStatus(remainingSetTimeText());
        countdownFrom_ = doors_.clock.elapsedMs();
        doors_.Cas.setInterval(60000);
        doors_.Cas.setEnabled(true);
    }
}

void Examination::Cas_Timer() {
    if (!running()) {
        doors_.Cas.setEnabled(false);
        return;
    }
    if (state_.bLimit)
        perProblemTick();
    else
        setLimitTick();
}

// nNow holds the milliseconds of the current problem in steps of 100. The time is up on the first
// tick after the limit.
void Examination::perProblemTick() {
    const qint64 limit = mul16(perProblemLimit(), 1000);
    // In whole steps of 100 ms; a tick that comes a little early still counts.
    const qint64 passed = (elapsedMs() + 10) / 100 * 100;
    state_.nNow = static_cast<Integer>(std::min(passed, limit));
    view_.showProgress(true, state_.nNow, static_cast<int>(limit));
    if (passed <= limit)
        return;
    const QString typed = view_.typedAnswer();
    const bool typedRight = answerValue(typed) == state_.C;
    rememberAnswer(typedRight ? AnswerOutcome::Right : AnswerOutcome::TimedOut, typed);
    if (typedRight)
        endOfProblem(Outcome::Right); // typed right but not confirmed: done, not wrong
    else
        wrongAnswer(Cause::Timeout);
}

// nNow holds the whole minutes of the set, never one that has not passed.
void Examination::setLimitTick() {
    const auto minutes = static_cast<Integer>(std::min<qint64>(elapsedMs() / 60000, setLimitMinutes()));
    if (minutes <= state_.nNow)
        return;
    state_.nNow = minutes;
    setStatus(remainingSetTimeText());
    if (state_.nNow >= setLimitMinutes())
        expireSetLimit();
}

// The set ends; its message comes once the report card has arrived, or after the offer.
void Examination::expireSetLimit() {
    UpdateScore();
    if (state_.protocolOn())
        WriteProtokol(QStringLiteral("LIMIT"));
    endWithMessage(QStringLiteral("Časový limit pro počítání sady VYPRŠEL !!"));
}

} // namespace numio::exam
