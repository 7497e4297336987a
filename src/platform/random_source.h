#pragma once

#include "platform/export.h"

#include <cstdint>
#include <random>

namespace numio {

// Uniform pseudo-random values in [0, 1).
class NUMIO_EXPORT RandomSource {
  public:
    virtual ~RandomSource() = default;
    virtual float next() = 0;
    // Stirs the current time into the state without restarting the sequence.
    virtual void mixClock() = 0;
};

class NUMIO_EXPORT SystemRandomSource : public RandomSource {
  public:
    SystemRandomSource();
    float next() override;
    void mixClock() override;

  private:
    std::mt19937_64 engine_;
};

} // namespace numio
