#pragma once

#include "platform/export.h"

#include "core/answer_store.h"

#include <QString>

namespace numio::exam {

// Who practises, as the examination meets him: the name his journal's blocks carry and where his
// answers are kept. The layer that knows who practises stands behind it; without one nobody is
// named and no answer is kept.
class NUMIO_EXPORT Practiser {
  public:
    virtual ~Practiser() = default;
    // The name the journal's blocks carry; empty writes the block as it always was.
    virtual QString journalName() const = 0;
    // Answers are remembered: a store is open or may be opened.
    virtual bool remembersAnswers() const = 0;
    // Opens the store when it is first needed. Throws Failure, once, when no store can be had (then
    // remembersAnswers() is false) or when the file found had to be kept aside (a new store is open).
    virtual void openAnswers() = 0;
    // An answer store is open.
    virtual bool answersOpen() const = 0;
    // Keeps one answer in the open store (none: nothing happens). Throws Failure the first time the
    // store fails; later failures of the same store are not told again.
    virtual void keepAnswer(const AnswerRecord& answer) = 0;
    // Reads what the open store knows; may run on any thread.
    virtual KnowledgeReader answersReader() const = 0;
};

} // namespace numio::exam
