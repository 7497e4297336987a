#pragma once

#include <QtPlugin>

namespace numio {

class AnswerStores;

// The answer stores live in a plug-in of their own, loaded when a store is first needed: only they
// need Qt SQL, and linking it would slow every start of the program. This is all the program knows
// of them.
class AnswersPlugin {
  public:
    virtual ~AnswersPlugin() = default;
    // The plug-in's stores, for as long as the program runs.
    virtual AnswerStores& stores() = 0;
};

} // namespace numio

// The interface's version is in its id: a plug-in built for another version is not loaded.
#define NUMIO_ANSWERS_IID "cz.numio.Answers/1"
Q_DECLARE_INTERFACE(numio::AnswersPlugin, NUMIO_ANSWERS_IID)
