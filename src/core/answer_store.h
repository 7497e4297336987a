#pragma once

#include "platform/export.h"

#include "core/facts.h"

namespace numio {

// Where every answer is remembered beside the journal: each answer in any mode, with its time.
// The examination writes through it; the map and the weak-facts practice read it.
class NUMIO_EXPORT AnswerStore {
  public:
    virtual ~AnswerStore() = default;
    // Keeps one answer for good before it returns; throws Failure when it cannot (nothing kept
    // before is lost then).
    virtual void record(const AnswerRecord& answer) = 0;
    // Every fact's tries, oldest first. Throws Failure when the store cannot be read.
    virtual Knowledge knowledge() const = 0;
};

} // namespace numio
