#include "platform/random_source.h"

#include <chrono>

namespace numio {

namespace {
std::uint64_t clockNow() {
    return static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
           static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
}
} // namespace

SystemRandomSource::SystemRandomSource() {
    std::random_device device;
    std::seed_seq seed{device(), device(), static_cast<unsigned>(clockNow()),
                       static_cast<unsigned>(clockNow() >> 32)};
    engine_.seed(seed);
}

float SystemRandomSource::next() {
    // 24 random bits give every float in [0, 1) on an even grid; never 1.0.
    return static_cast<float>(engine_() >> 40) / static_cast<float>(1u << 24);
}

void SystemRandomSource::mixClock() {
    // Advancing by a clock-dependent count keeps the sequence but makes its use depend on time.
    engine_.discard(clockNow() & 0x7);
}

} // namespace numio
