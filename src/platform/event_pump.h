#pragma once

#include <functional>

namespace numio {

// Handlers that wait (the operation draw, the blinking correction, the sliding report card)
// keep the window alive through this door.
class EventPump {
  public:
    virtual ~EventPump() = default;
    virtual void processEvents() = 0;
    // Waits about `ms` milliseconds while events keep flowing; returns early (true) as soon as
    // `stop` answers true.
    virtual bool waitFor(int ms, const std::function<bool()>& stop) = 0;
    virtual void beep() = 0;
};

} // namespace numio
