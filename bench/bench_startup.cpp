// Start-up of the program against a minimal Qt window: time from starting the process to the
// window shown and idle, and resident memory when idle. Prints figures; never fails.
//
// bench_startup <bench_startup_window> <bench_startup_floor> [numio]
// Both children are timed from just before fork() to the "ready" moment they report; the
// optional numio executable is watched from outside as a cross-check of the window child.
#include "bench_common.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace numio::bench;

namespace {

struct Run {
    bool ok = false;
    std::map<std::string, double> ms; // moment name -> ms after the start
    double rssMb = 0;
    double idleCpuMs = 0;
    double cpuMs = 0; // CPU time used up to ready: less swayed by other load than the wall clock
};

// Qt's start-up warnings (no XDG_RUNTIME_DIR, offscreen limits) would bury the figures.
void quietStderr() {
    if (std::getenv("BENCH_VERBOSE"))
        return;
    const int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, STDERR_FILENO);
}

Run runReporting(const char* exe) {
    Run run;
    int fds[2];
    if (pipe(fds) != 0)
        return run;
    const long long t0 = monotonicNs();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        quietStderr();
        execl(exe, exe, "--report", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string out;
    char buf[4096];
    for (;;) {
        // A child that never reports is stopped after 20 s rather than waited for forever.
        pollfd pfd{fds[0], POLLIN, 0};
        const int ready = poll(&pfd, 1, 20000);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            kill(pid, SIGKILL);
            break;
        }
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);

    std::size_t pos = 0;
    while (pos < out.size()) {
        const std::size_t end = out.find('\n', pos);
        const std::string line = out.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        pos = end == std::string::npos ? out.size() : end + 1;
        char name[64];
        long long value = 0;
        if (std::sscanf(line.c_str(), "mark %63s %lld", name, &value) == 2)
            run.ms[name] = double(value - t0) / 1e6;
        else if (std::sscanf(line.c_str(), "rss %lld", &value) == 1)
            run.rssMb = double(value) / 1024.0;
        else if (std::sscanf(line.c_str(), "cpu %lld", &value) == 1)
            run.cpuMs = double(value) / 1e6;
        else if (std::sscanf(line.c_str(), "idlecpu %lld", &value) == 1)
            run.idleCpuMs = double(value) / 1e6;
        else if (!line.empty())
            std::printf("  (%s: %s)\n", exe, line.c_str());
    }
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && run.ms.count("ready") && run.rssMb > 0;
    if (!run.ok)
        std::printf("  (%s did not report; status %d)\n", exe, status);
    return run;
}

long long cpuNsOf(pid_t pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/schedstat", int(pid));
    std::FILE* f = std::fopen(path, "r");
    long long ns = -1;
    if (f) {
        if (std::fscanf(f, "%lld", &ns) != 1)
            ns = -1;
        std::fclose(f);
    }
    return ns;
}

// Starts an unmodified program and takes it as idle once it has used no CPU for 500 ms; the
// moment it last ran is its ready time (to within the 2 ms polling step).
Run runWatched(const char* exe) {
    Run run;
    const long long t0 = monotonicNs();
    const pid_t pid = fork();
    if (pid == 0) {
        const int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, STDOUT_FILENO);
        quietStderr();
        execl(exe, exe, static_cast<char*>(nullptr));
        _exit(127);
    }
    long long lastCpu = -1;
    long long lastChange = t0;
    for (;;) {
        usleep(2000);
        const long long now = monotonicNs();
        const long long cpu = cpuNsOf(pid);
        if (cpu < 0)
            break;
        if (cpu != lastCpu) {
            lastCpu = cpu;
            lastChange = now;
        } else if (now - lastChange > 500'000'000LL) {
            char path[64];
            std::snprintf(path, sizeof path, "/proc/%d/status", int(pid));
            run.rssMb = double(residentKb(path)) / 1024.0;
            run.ms["ready"] = double(lastChange - t0) / 1e6;
            run.ok = run.rssMb > 0;
            break;
        }
        if (now - t0 > 20'000'000'000LL)
            break;
    }
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!run.ok)
        std::printf("  (%s: no idle moment seen)\n", exe);
    return run;
}

std::vector<double> column(const std::vector<Run>& runs, const std::string& mark) {
    std::vector<double> v;
    for (const Run& r : runs)
        if (r.ok && r.ms.count(mark))
            v.push_back(r.ms.at(mark));
    return v;
}

std::vector<double> rssColumn(const std::vector<Run>& runs) {
    std::vector<double> v;
    for (const Run& r : runs)
        if (r.ok)
            v.push_back(r.rssMb);
    return v;
}

void printMoments(const char* who, const std::vector<Run>& runs, std::initializer_list<const char*> marks) {
    std::printf("  %-6s", who);
    for (const char* m : marks) {
        const std::vector<double> v = column(runs, m);
        if (!v.empty())
            std::printf(" %s %.1f", m, spread(v).median);
    }
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::printf("usage: bench_startup <bench_startup_window> <bench_startup_floor> [numio]\n");
        return 0;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Settings are read from (and never written to) an empty configuration folder.
    char config[] = "/tmp/numio-bench-XXXXXX";
    if (!mkdtemp(config)) {
        std::printf("cannot make a temporary folder\n");
        return 0;
    }
    setenv("XDG_CONFIG_HOME", config, 1);
    const int runs = std::getenv("BENCH_RUNS") ? std::max(1, std::atoi(std::getenv("BENCH_RUNS"))) : 20;

    std::printf("== Start-up (QT_QPA_PLATFORM=%s, %d runs each, alternating)\n",
                std::getenv("QT_QPA_PLATFORM"), runs);
    // One unmeasured run each fills the page cache.
    runReporting(argv[1]);
    runReporting(argv[2]);
    std::vector<Run> program, floor;
    for (int i = 0; i < runs; ++i) {
        if (i % 2 == 0) {
            program.push_back(runReporting(argv[1]));
            floor.push_back(runReporting(argv[2]));
        } else {
            floor.push_back(runReporting(argv[2]));
            program.push_back(runReporting(argv[1]));
        }
    }

    const Spread pt = spread(column(program, "ready"));
    const Spread ft = spread(column(floor, "ready"));
    const Spread pm = spread(rssColumn(program));
    const Spread fm = spread(rssColumn(floor));
    std::printf("  %-28s %10s %10s %7s   %s\n", "median [min..max]", "Numio", "floor", "ratio", "target");
    std::printf("  %-28s %7.1f ms %7.1f ms %7.2f   <= 1.20 x floor\n", "start to shown and idle", pt.median,
                ft.median, ft.median > 0 ? pt.median / ft.median : 0.0);
    std::printf("  %-28s   [%.1f..%.1f] [%.1f..%.1f]\n", "", pt.min, pt.max, ft.min, ft.max);
    std::printf("  %-28s %7.1f MB %7.1f MB %7.2f   <= 1.20 x floor\n", "resident memory when idle", pm.median,
                fm.median, fm.median > 0 ? pm.median / fm.median : 0.0);
    std::vector<double> pu, fu, pc, fc;
    for (const Run& r : program) {
        pu.push_back(r.cpuMs);
        pc.push_back(r.idleCpuMs);
    }
    for (const Run& r : floor) {
        fu.push_back(r.cpuMs);
        fc.push_back(r.idleCpuMs);
    }
    const double pcpu = spread(pu).median;
    const double fcpu = spread(fu).median;
    std::printf("  %-28s %7.1f ms %7.1f ms %7.2f\n", "CPU time up to ready", pcpu, fcpu,
                fcpu > 0 ? pcpu / fcpu : 0.0);
    std::printf("  %-28s %7.2f ms %7.2f ms            (near 0: it was idle)\n", "CPU in 200 ms after ready",
                spread(pc).median, spread(fc).median);
    std::printf("  moments, median ms after the start:\n");
    printMoments("Numio", program, {"main", "app", "built", "loaded", "shown", "paint", "ready"});
    printMoments("floor", floor, {"main", "app", "built", "shown", "paint", "ready"});

    if (argc > 3) {
        // The real executable, unchanged, against the floor watched the same way.
        const int watched = std::max(3, runs / 4);
        std::vector<Run> real, realFloor;
        for (int i = 0; i < watched; ++i) {
            real.push_back(runWatched(argv[3]));
            realFloor.push_back(runWatched(argv[2]));
        }
        const Spread rt = spread(column(real, "ready"));
        const Spread rft = spread(column(realFloor, "ready"));
        const Spread rm = spread(rssColumn(real));
        const Spread rfm = spread(rssColumn(realFloor));
        std::printf("  cross-check, %d runs of the numio executable watched from outside (idle = no CPU for "
                    "500 ms):\n",
                    watched);
        std::printf("  %-28s %7.1f ms %7.1f ms %7.2f\n", "start to last CPU use", rt.median, rft.median,
                    rft.median > 0 ? rt.median / rft.median : 0.0);
        std::printf("  %-28s %7.1f MB %7.1f MB %7.2f\n", "resident memory when idle", rm.median, rfm.median,
                    rfm.median > 0 ? rm.median / rfm.median : 0.0);
    }
    std::filesystem::remove_all(config);
    return 0;
}
