#pragma once

#include "platform/export.h"

#include <QDateTime>
#include <QElapsedTimer>

namespace numio {

// The wall time for the journal's dates, and a monotonic reading for the time limits: the limits
// ask how much time has passed, so a timer tick that comes late loses nothing.
class NUMIO_EXPORT Clock {
  public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Milliseconds from a fixed point; never goes back, whatever the wall clock does.
    virtual qint64 elapsedMs() const = 0;
};

class NUMIO_EXPORT SystemClock : public Clock {
  public:
    SystemClock() { started_.start(); }
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    qint64 elapsedMs() const override { return started_.elapsed(); }

  private:
    QElapsedTimer started_;
};

} // namespace numio
