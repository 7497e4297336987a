#pragma once

// Small helpers shared by the benchmarks: clocks, memory, order statistics.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace numio::bench {

inline long long monotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

// All threads of this process, user and system time together.
inline long long processCpuNs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

// Resident memory in kB as the kernel counts it (VmRSS); -1 when unreadable.
inline long residentKb(const char* statusPath = "/proc/self/status") {
    std::FILE* f = std::fopen(statusPath, "r");
    if (!f)
        return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, "VmRSS:", 6) == 0) {
            kb = std::strtol(line + 6, nullptr, 10);
            break;
        }
    }
    std::fclose(f);
    return kb;
}

struct Spread {
    double median = 0;
    double p99 = 0;
    double min = 0;
    double max = 0;
};

// Nearest-rank order statistics.
inline Spread spread(std::vector<double> v) {
    Spread s;
    if (v.empty())
        return s;
    std::sort(v.begin(), v.end());
    const auto rank = [&](double q) {
        const auto i = static_cast<std::size_t>(std::ceil(q * static_cast<double>(v.size())));
        return v[std::clamp<std::size_t>(i, 1, v.size()) - 1];
    };
    s.median = rank(0.5);
    s.p99 = rank(0.99);
    s.min = v.front();
    s.max = v.back();
    return s;
}

// Wall and CPU time of one run, in milliseconds.
struct Timing {
    double wallMs = 0;
    double cpuMs = 0;
};

template <class F> Timing timed(F&& work) {
    const long long wall = monotonicNs();
    const long long cpu = processCpuNs();
    work();
    return {double(monotonicNs() - wall) / 1e6, double(processCpuNs() - cpu) / 1e6};
}

// The median run's wall and CPU time, each on its own: a machine shared with others slows single runs.
inline Timing median(const std::vector<Timing>& runs) {
    std::vector<double> wall, cpu;
    for (const Timing& t : runs) {
        wall.push_back(t.wallMs);
        cpu.push_back(t.cpuMs);
    }
    return {spread(wall).median, spread(cpu).median};
}

} // namespace numio::bench
