#pragma once

#include "platform/export.h"

#include "core/answer_store.h"

#include <atomic>
#include <functional>
#include <memory>

class QObject;

namespace numio {

// Runs `read` on the answers' reading thread, so that a long history never keeps a window waiting,
// and hands what it came to to `done` on `owner`'s thread. Setting the flag returned (or `owner`
// going) stops the reading at its next step and nothing follows. The program waits for a stopped
// reading only as it ends.
NUMIO_EXPORT std::shared_ptr<std::atomic<bool>> readAside(QObject* owner, KnowledgeReader read,
                                                          std::function<void(const ReadOutcome&)> done);

} // namespace numio
