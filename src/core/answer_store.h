#pragma once

#include "platform/export.h"

#include "core/facts.h"

#include <atomic>
#include <exception>
#include <functional>

namespace numio {

using KnowledgeReader = std::function<KnowledgeRead(const std::atomic<bool>& stop)>;

// What a reading aside came to: the facts, or the failure get() throws.
struct NUMIO_EXPORT ReadOutcome {
    KnowledgeRead read;
    std::exception_ptr failed;

    const KnowledgeRead& get() const {
        if (failed)
            std::rethrow_exception(failed);
        return read;
    }
};

// Where every answer is remembered beside the journal: each answer in any mode, with its time.
// The examination writes through it; the map and the weak-facts practice read it.
class NUMIO_EXPORT AnswerStore {
  public:
    virtual ~AnswerStore() = default;
    // Keeps one answer for good before it returns; throws Failure when it cannot (nothing kept
    // before is lost then).
    virtual void record(const AnswerRecord& answer) = 0;
    // What the store knows of every fact, read by a function that may run on any thread (it opens
    // a connection of its own) and ends early once its flag is set. It throws Failure when the
    // store cannot be read.
    virtual KnowledgeReader reader() const = 0;
};

} // namespace numio
