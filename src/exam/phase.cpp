#include "exam/phase.h"

namespace numio {

namespace {

bool running(Mode m) {
    return m != Mode::Idle;
}

// Commands of the idle window: neither under the report card nor while the program ends.
bool idleAndFree(const Phase& p) {
    return p.mode == Mode::Idle && p.overlay == Overlay::None;
}

// The slide-in leaves the menus as the idle look has them; only starting an examination under the
// moving card is refused.
bool idleMenus(const Phase& p) {
    return p.mode == Mode::Idle && (p.overlay == Overlay::None || p.overlay == Overlay::CardSliding);
}

bool decide(const Phase& p, const Conditions& c, Command command) {
    switch (command) {
    case Command::StartPractice:
        return idleAndFree(p) && c.problemPossible;
    case Command::StartSet:
        return idleAndFree(p) && c.problemPossible && c.setSizeValid;
    case Command::StartRepeat:
        return idleAndFree(p) && c.wrongListed;
    case Command::StartWeakPractice:
        return idleAndFree(p) && c.problemPossible && c.answersRemembered;
    case Command::StartWeakSet:
        return idleAndFree(p) && c.problemPossible && c.setSizeValid && c.answersRemembered;
    case Command::PractiseMissed:
        return idleAndFree(p);
    case Command::Stop:
        return p.overlay == Overlay::Loading ||
               (p.overlay == Overlay::None && (p.mode == Mode::Practice || p.mode == Mode::Repeat));
    case Command::Settings:
    case Command::ChangeSettings:
    case Command::SwitchPupil:
        return idleMenus(p);
    case Command::About:
    case Command::Help:
    case Command::Quit:
        return p.overlay != Overlay::CardShown; // the card's OK comes first
    case Command::ShowProtocol:
    case Command::DeleteProtocol:
        return idleMenus(p) && c.protocolOn;
    case Command::Overview:
        return idleMenus(p) && (c.protocolOn || c.protocolNamed);
    case Command::ClassOverview:
    case Command::KnowledgeMap:
        return idleMenus(p);
    case Command::Answer:
        return running(p.mode) && p.overlay == Overlay::None;
    case Command::EndCorrection:
        return p.overlay == Overlay::Correction;
    case Command::CardOk:
        return p.overlay == Overlay::CardShown;
    case Command::Tick:
        return true;
    case Command::PhaseStep:
        return p.overlay == Overlay::Correction || p.overlay == Overlay::CardSliding;
    case Command::AnswersRead:
        return p.overlay == Overlay::Loading;
    }
    return false;
}

} // namespace

Admission admit(const Phase& p, const Conditions& c, Command command) {
    if (p.overlay == Overlay::Ending)
        return Admission::Drop;
    const bool timed =
        command == Command::Tick || command == Command::PhaseStep || command == Command::AnswersRead;
    // A timer that fires behind a message box, or a tick during the correction, keeps its turn;
    // a person's command cannot reach the window then.
    if (p.modal)
        return timed ? Admission::Wait : Admission::Drop;
    if (command == Command::Tick && p.overlay == Overlay::Correction)
        return Admission::Wait;
    return decide(p, c, command) ? Admission::Run : Admission::Drop;
}

Look lookOf(const Phase& phase, const Conditions& c) {
    Phase p = phase;
    p.modal = false; // a message box changes nothing behind it
    auto may = [&](Command command) { return admit(p, c, command) == Admission::Run; };
    static const char* const kCaptions[] = {
        " Numio",
        " Numio - zkoušení příkladů",
        " Numio - zkoušení příkladů v sadách",
        " Numio - přezkoušení příkladů na které bylo chybně odpovězeno",
    };
    Look look{};
    look.startPractice = may(Command::StartPractice);
    look.startSet = may(Command::StartSet);
    look.startRepeat = may(Command::StartRepeat);
    look.startWeakPractice = may(Command::StartWeakPractice);
    look.startWeakSet = may(Command::StartWeakSet);
    look.stopButton = may(Command::Stop);
    // In a repeat run the item joins the button only once a correction has been shown.
    look.stopItem =
        look.stopButton && (p.mode == Mode::Practice || p.overlay == Overlay::Loading || c.repeatStopOffered);
    look.settings = may(Command::Settings);
    look.numioMenu = p.overlay != Overlay::CardShown && p.overlay != Overlay::Ending;
    // The class overview asks for no journal: whenever the other protocol items may run, it may too.
    look.protokolMenu = may(Command::ClassOverview);
    look.problemShown = running(p.mode);
    look.answerEnabled = p.overlay != Overlay::Correction;
    look.busyPointer = p.overlay == Overlay::CardSliding || p.overlay == Overlay::Loading;
    look.card = p.overlay == Overlay::CardSliding || p.overlay == Overlay::CardShown;
    look.cardOk = p.overlay == Overlay::CardShown;
    look.caption = kCaptions[static_cast<int>(p.mode)];
    return look;
}

} // namespace numio
