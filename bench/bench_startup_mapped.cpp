// Start-up as the user sees it: from fork/exec to the X11 map of the first top-level window, on
// the xcb platform under a private Xvfb with no window manager, against the bare Qt window; then
// resident (RSS) and proportional (PSS) memory 3 s after the map. Prints figures; never fails.
//
// bench_startup_mapped <bench_startup_floor> <numio>
#include "bench_common.h"

#include <xcb/xcb.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sched.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace numio::bench;

namespace {

struct Sample {
    double mapMs = -1;
    double cpuMs = 0;  // the program's CPU time up to the map, all threads: less swayed by other load
    double xCpuMs = 0; // the X server's in the same span
    double rssMb = 0;
    double pssMb = 0;
};

const char* envOr(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return v && *v ? v : fallback;
}

// Xvfb picks a free display itself and writes its number to the pipe once it accepts clients.
pid_t startXvfb(std::string& display) {
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, STDOUT_FILENO);
        dup2(devnull, STDERR_FILENO);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c;
    pollfd pfd{fds[0], POLLIN, 0};
    while (poll(&pfd, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (number.empty()) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return -1;
    }
    display = ":" + number;
    return pid;
}

// CPU time of all threads of a process in ns; 0 when it is gone.
long long cpuNs(pid_t pid) {
    long long total = 0;
    std::error_code ec;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        std::FILE* f = std::fopen((task.path() / "schedstat").c_str(), "r");
        long long ns = 0;
        if (f && std::fscanf(f, "%lld", &ns) == 1)
            total += ns;
        if (f)
            std::fclose(f);
    }
    return total;
}

// Rss and Pss of the whole process in MB; zeros when it is gone.
void readMemory(pid_t pid, Sample& s) {
    const std::string path = "/proc/" + std::to_string(pid) + "/smaps_rollup";
    std::FILE* f = std::fopen(path.c_str(), "r");
    if (!f)
        return;
    char line[256];
    long kb = 0;
    while (std::fgets(line, sizeof line, f)) {
        if (std::sscanf(line, "Rss: %ld kB", &kb) == 1)
            s.rssMb = double(kb) / 1024.0;
        else if (std::sscanf(line, "Pss: %ld kB", &kb) == 1)
            s.pssMb = double(kb) / 1024.0;
    }
    std::fclose(f);
}

class Bench {
  public:
    Bench(xcb_connection_t* x, pid_t xvfb, const std::string& display, const std::string& home)
        : x_(x), xvfb_(xvfb), display_(display), home_(home) {}

    Sample run(const char* exe) {
        Sample s;
        drain();
        const long long x0 = cpuNs(xvfb_);
        const long long t0 = monotonicNs();
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("DISPLAY", display_.c_str(), 1);
            setenv("QT_QPA_PLATFORM", "xcb", 1);
            // Every run starts like a first start: no settings, no protocol.
            setenv("HOME", home_.c_str(), 1);
            setenv("XDG_CONFIG_HOME", (home_ + "/.config").c_str(), 1);
            const int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, STDOUT_FILENO);
            if (!std::getenv("BENCH_VERBOSE"))
                dup2(devnull, STDERR_FILENO);
            execl(exe, exe, static_cast<char*>(nullptr));
            _exit(127);
        }
        if (waitForMap(t0 + 20'000'000'000LL)) {
            s.mapMs = double(monotonicNs() - t0) / 1e6;
            s.cpuMs = double(cpuNs(pid)) / 1e6;
            s.xCpuMs = double(cpuNs(xvfb_) - x0) / 1e6;
            usleep(3'000'000);
            readMemory(pid, s);
        } else {
            std::printf("  (%s: no window mapped within 20 s)\n", exe);
        }
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        // A fresh settings folder for the next run.
        std::filesystem::remove_all(home_);
        std::filesystem::create_directories(home_ + "/.config");
        return s;
    }

  private:
    // The first window mapped as a child of the root that is not a popup (override-redirect).
    bool waitForMap(long long deadlineNs) {
        const int fd = xcb_get_file_descriptor(x_);
        for (;;) {
            while (xcb_generic_event_t* e = xcb_poll_for_event(x_)) {
                const bool mapped = (e->response_type & 0x7f) == XCB_MAP_NOTIFY &&
                                    !reinterpret_cast<xcb_map_notify_event_t*>(e)->override_redirect;
                std::free(e);
                if (mapped)
                    return true;
            }
            if (xcb_connection_has_error(x_))
                return false;
            const long long left = (deadlineNs - monotonicNs()) / 1'000'000;
            if (left <= 0)
                return false;
            pollfd pfd{fd, POLLIN, 0};
            if (poll(&pfd, 1, int(left)) < 0 && errno != EINTR)
                return false;
        }
    }

    // Unmaps and destroys of the previous run must not count for the next one.
    void drain() {
        xcb_aux_sync();
        while (xcb_generic_event_t* e = xcb_poll_for_event(x_))
            std::free(e);
    }

    void xcb_aux_sync() { std::free(xcb_get_input_focus_reply(x_, xcb_get_input_focus(x_), nullptr)); }

    xcb_connection_t* x_;
    pid_t xvfb_;
    std::string display_;
    std::string home_;
};

std::vector<double> pick(const std::vector<Sample>& v, double Sample::*field) {
    std::vector<double> out;
    for (const Sample& s : v)
        if (s.mapMs >= 0)
            out.push_back(s.*field);
    return out;
}

void row(const char* what, const char* unit, const std::vector<Sample>& numio,
         const std::vector<Sample>& floor, double Sample::*field, const char* target = "") {
    const Spread n = spread(pick(numio, field));
    const Spread f = spread(pick(floor, field));
    std::printf("  %-24s %8.1f %-2s %8.1f %-2s %6.2f  %8.1f %8.1f %6.2f   %s\n", what, n.median, unit,
                f.median, unit, f.median > 0 ? n.median / f.median : 0.0, n.min, f.min,
                f.min > 0 ? n.min / f.min : 0.0, target);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::printf("usage: bench_startup_mapped <bench_startup_floor> <numio>\n");
        return 0;
    }
    const int runs = std::max(1, std::atoi(envOr("BENCH_MAPPED_RUNS", "15")));
    // Where allowed, this, the X server and the programs run ahead of other load on the machine
    // (builds, tests), as on the idle desktop of a pupil; each program lives only seconds.
    const sched_param realtime{10};
    const bool ahead = sched_setscheduler(0, SCHED_FIFO, &realtime) == 0;
    std::string display;
    const pid_t xvfb = startXvfb(display);
    if (xvfb < 0) {
        std::printf("== Start-up to the mapped window: Xvfb did not start; skipped\n");
        return 0;
    }
    xcb_connection_t* x = xcb_connect(display.c_str(), nullptr);
    char home[] = "/tmp/numio-mapped-XXXXXX";
    if (xcb_connection_has_error(x) || !mkdtemp(home)) {
        std::printf("== Start-up to the mapped window: cannot reach %s; skipped\n", display.c_str());
        kill(xvfb, SIGTERM);
        waitpid(xvfb, nullptr, 0);
        return 0;
    }
    // With no window manager every top-level window is mapped as a child of the root.
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);

    Bench bench(x, xvfb, display, home);
    const char* floorExe = argv[1];
    const char* numioExe = argv[2];
    std::printf(
        "== Start-up to the mapped window (xcb on Xvfb %s, no window manager, 1 warm-up + %d runs each, "
        "interleaved%s)\n",
        display.c_str(), runs, ahead ? ", real-time priority" : "");
    bench.run(floorExe);
    bench.run(numioExe);
    std::vector<Sample> numio, floor;
    for (int i = 0; i < runs; ++i) {
        // Alternating who goes first evens out drifts in the machine's load.
        if (i % 2 == 0) {
            numio.push_back(bench.run(numioExe));
            floor.push_back(bench.run(floorExe));
        } else {
            floor.push_back(bench.run(floorExe));
            numio.push_back(bench.run(numioExe));
        }
    }
    std::printf("  %-24s %11s %11s %6s  %8s %8s %6s   target\n", "", "Numio", "bare", "ratio", "min",
                "bare min", "ratio");
    row("exec to window mapped", "ms", numio, floor, &Sample::mapMs, "<= 1.10");
    row("CPU up to the map", "ms", numio, floor, &Sample::cpuMs);
    row("X server CPU to the map", "ms", numio, floor, &Sample::xCpuMs);
    row("RSS 3 s after the map", "MB", numio, floor, &Sample::rssMb, "<= 1.10");
    row("PSS 3 s after the map", "MB", numio, floor, &Sample::pssMb, "<= 1.10");

    xcb_disconnect(x);
    std::filesystem::remove_all(home);
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
    return 0;
}
