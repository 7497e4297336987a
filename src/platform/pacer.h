#pragma once

#include "platform/export.h"

#include <functional>

namespace numio {

// Paces the phases that take time (the blinking correction, the sliding report card): a
// handler starts a phase, returns, and the next step comes from the event loop later, so no
// handler ever runs inside another.
class NUMIO_EXPORT Pacer {
  public:
    virtual ~Pacer() = default;
    // Calls `step` once, `ms` milliseconds from now; a step still pending is dropped.
    virtual void start(int ms, std::function<void()> step) = 0;
    virtual void stop() = 0;
    virtual void beep() = 0;
};

} // namespace numio
