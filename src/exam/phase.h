#pragma once

#include "platform/export.h"

// Which command may run when, and what the window looks like, for every examination mode and
// every overlay phase: the one table behind all the examination's guards and the window's
// enabled states.

namespace numio {

enum class Mode { Idle, Practice, Sets, Repeat };

// What lies over the running mode for the moment.
enum class Overlay {
    None,
    Correction,  // a wrong answer's correction blinks; any key ends it
    CardSliding, // the report card slides in
    CardShown,   // the report card waits for its OK
    Ending,      // the program is closing; nothing runs any more
    Loading,     // the answers are read for weak-facts practice; Stop gives it up
};

struct NUMIO_EXPORT Phase {
    Mode mode = Mode::Idle;
    Overlay overlay = Overlay::None;
    bool modal = false; // a message box or dialog of the program is open
};

enum class Command {
    StartPractice,
    StartSet,
    StartRepeat,
    StartWeakPractice, // practice of what the pupil does not know yet, freely
    StartWeakSet,      // the same as a set
    PractiseMissed,    // the most-missed problems from the overview
    Stop,
    Settings,
    ChangeSettings, // new settings in force
    SwitchPupil,    // another pupil's settings and journal
    About,
    Help,
    Quit,
    ShowProtocol,
    DeleteProtocol,
    Overview,
    ClassOverview, // the teacher's overview of a folder of journals
    KnowledgeMap,  // the map of what the pupil knows
    Answer,        // Enter with an answer typed
    EndCorrection, // any key while the correction shows
    CardOk,
    Tick,        // the countdown timer
    PhaseStep,   // the next blink or slide frame
    AnswersRead, // the answers read for weak-facts practice have come
};

enum class Admission {
    Run,
    Drop, // does not fit the phase: nothing happens
    Wait, // runs once the phase that holds it has ended (timers and the answers read only)
};

// What the settings and the last examination allow, apart from the phase.
struct NUMIO_EXPORT Conditions {
    bool problemPossible = false;   // some chosen operation can make a problem
    bool setSizeValid = false;      // a set holds at least one problem
    bool wrongListed = false;       // the repeat list is not empty
    bool protocolOn = false;        // the protocol is written
    bool protocolNamed = false;     // a journal file is named, on or off
    bool repeatStopOffered = false; // a repeat run has shown a correction, so its Stop item is offered
    bool answersRemembered = false; // the answer store is open
};

NUMIO_EXPORT Admission admit(const Phase& phase, const Conditions& conditions, Command command);

// The window's switchable state in one phase.
struct NUMIO_EXPORT Look {
    bool startPractice, startSet, startRepeat;
    bool startWeakPractice, startWeakSet;
    bool stopItem;   // the Stop menu item
    bool stopButton; // the red Stop button, shown and enabled
    bool settings;
    bool numioMenu, protokolMenu;
    bool problemShown; // problem, "=" and the answer box
    bool answerEnabled;
    bool busyPointer;
    bool card, cardOk; // the report card shown, its OK enabled
    const char* caption;
};

NUMIO_EXPORT Look lookOf(const Phase& phase, const Conditions& conditions);

} // namespace numio
