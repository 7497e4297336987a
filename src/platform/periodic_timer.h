#pragma once

#include "platform/export.h"

#include <functional>

namespace numio {

// The examination's countdown timer (Cas): it only says when to look at the clock.
class NUMIO_EXPORT PeriodicTimer {
  public:
    virtual ~PeriodicTimer() = default;
    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;
    void onTick(std::function<void()> handler) { tick_ = std::move(handler); }

  protected:
    void fire() {
        if (tick_)
            tick_();
    }

  private:
    std::function<void()> tick_;
};

} // namespace numio
