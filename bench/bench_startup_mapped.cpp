// Start-up as the user sees it: from fork/exec to the X11 map of the first top-level window, on
// the xcb platform under a private Xvfb with no window manager, against the bare Qt window; then
// resident (RSS), peak resident and proportional (PSS) memory 3 s after the map. Prints figures;
// never fails.
//
// bench_startup_mapped <bench_startup_floor> <numio> [<bench_startup_floor_sql> <bench_startup_floor_parts>]
//
// With the two other builds of the floor it also prints where the time and memory over the floor
// go: the floor with Qt SQL linked, with all the program's libraries, then with each of the
// program's start-up parts (fonts, icons, pictures, settings, the answer box); what is left is the
// building of the rest of the window. Besides, the dynamic loader's own figures, and the libraries,
// plug-ins and files the program has resident beyond the floor.
#include "bench_common.h"

#include <xcb/xcb.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <map>
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
    double hwmMb = 0; // peak resident
    double pssMb = 0;
    pid_t pid = 0;
    std::map<std::string, long> residentKb; // by mapped file, "[anon]" for the rest
};

struct Variant {
    const char* name;
    const char* exe;
    std::vector<std::string> args;
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

// Rss, peak Rss and Pss of the whole process in MB, with Rss by mapping when asked; zeros when it
// is gone.
void readMemory(pid_t pid, Sample& s, bool byMapping) {
    const std::string proc = "/proc/" + std::to_string(pid);
    char line[512];
    long kb = 0;
    if (std::FILE* f = std::fopen((proc + "/smaps_rollup").c_str(), "r")) {
        while (std::fgets(line, sizeof line, f)) {
            if (std::sscanf(line, "Rss: %ld kB", &kb) == 1)
                s.rssMb = double(kb) / 1024.0;
            else if (std::sscanf(line, "Pss: %ld kB", &kb) == 1)
                s.pssMb = double(kb) / 1024.0;
        }
        std::fclose(f);
    }
    if (std::FILE* f = std::fopen((proc + "/status").c_str(), "r")) {
        while (std::fgets(line, sizeof line, f))
            if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1)
                s.hwmMb = double(kb) / 1024.0;
        std::fclose(f);
    }
    if (!byMapping)
        return;
    std::FILE* f = std::fopen((proc + "/smaps").c_str(), "r");
    if (!f)
        return;
    std::string current = "[anon]";
    while (std::fgets(line, sizeof line, f)) {
        char path[400] = "";
        unsigned long from = 0, to = 0;
        // A mapping's header: range, permissions, offset, device, inode, then the file if any.
        if (std::sscanf(line, "%lx-%lx %*s %*s %*s %*s %399s", &from, &to, path) >= 2) {
            current = path[0] == '/' ? path : "[anon]";
            // The build folder's name says nothing: the file name does.
            if (current.find("/bench/") != std::string::npos || current.find("/bin/") != std::string::npos)
                current = "(the executable)";
        } else if (std::sscanf(line, "Rss: %ld kB", &kb) == 1) {
            s.residentKb[current] += kb;
        }
    }
    std::fclose(f);
}

class Bench {
  public:
    Bench(xcb_connection_t* x, pid_t xvfb, const std::string& display, const std::string& home)
        : x_(x), xvfb_(xvfb), display_(display), home_(home) {}

    // Memory is read `settleUs` after the map; the loader's figures go to `loaderLog` if given.
    Sample run(const char* exe, const std::vector<std::string>& args = {}, useconds_t settleUs = 3'000'000,
               bool byMapping = false, const std::string& loaderLog = {}) {
        Sample s;
        std::vector<char*> argv{const_cast<char*>(exe)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        drain();
        const long long x0 = cpuNs(xvfb_);
        const long long t0 = monotonicNs();
        const pid_t pid = fork();
        s.pid = pid;
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
            if (!loaderLog.empty()) {
                setenv("LD_DEBUG", "statistics", 1);
                setenv("LD_DEBUG_OUTPUT", loaderLog.c_str(), 1);
            }
            execv(exe, argv.data());
            _exit(127);
        }
        if (waitForMap(t0 + 20'000'000'000LL)) {
            s.mapMs = double(monotonicNs() - t0) / 1e6;
            s.cpuMs = double(cpuNs(pid)) / 1e6;
            s.xCpuMs = double(cpuNs(xvfb_) - x0) / 1e6;
            usleep(settleUs);
            readMemory(pid, s, byMapping);
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

// The dynamic loader's statistics of one run: its time in cycles and the relocations it did
// before main(). Processes the program starts (dbus-launch) write logs of their own: left out.
void printLoader(const char* who, const std::string& logPrefix, pid_t pid) {
    long long cycles = -1, relocations = -1;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(logPrefix).parent_path())) {
        const std::string name = entry.path().string();
        if (name.rfind(logPrefix + ".", 0) != 0)
            continue;
        std::FILE* f =
            name == logPrefix + "." + std::to_string(pid) ? std::fopen(name.c_str(), "r") : nullptr;
        if (f) {
            char line[256];
            while (std::fgets(line, sizeof line, f)) {
                const char* text = std::strchr(line, ':');
                if (!text)
                    continue;
                long long n = 0;
                if (std::sscanf(text, ": total startup time in dynamic loader: %lld", &n) == 1)
                    cycles = n;
                else if (std::sscanf(text, ": number of relocations: %lld", &n) == 1)
                    relocations = n;
            }
            std::fclose(f);
        }
        std::filesystem::remove(entry.path());
    }
    std::printf("  %-24s %8.1f M cycles in the dynamic loader before main(), %lld relocations\n", who,
                double(cycles) / 1e6, relocations);
}

// What one program has resident beyond the other, by file, largest first.
void printResidentBeyond(const Sample& numio, const Sample& floor) {
    std::vector<std::pair<long, std::string>> more;
    long total = 0;
    for (const auto& [file, kb] : numio.residentKb) {
        const auto other = floor.residentKb.find(file);
        const long diff = kb - (other == floor.residentKb.end() ? 0 : other->second);
        total += diff;
        if (std::labs(diff) >= 100)
            more.emplace_back(diff, file);
    }
    for (const auto& [file, kb] : floor.residentKb)
        if (!numio.residentKb.count(file)) {
            total -= kb;
            if (kb >= 100)
                more.emplace_back(-kb, file);
        }
    std::sort(more.begin(), more.end(), std::greater<>());
    std::printf("  resident beyond the bare window 3 s after the map, one run each: %+ld kB in all\n", total);
    for (const auto& [kb, file] : more)
        std::printf("    %+6ld kB  %s%s\n", kb, file.c_str(),
                    !floor.residentKb.count(file)   ? "  (new)"
                    : !numio.residentKb.count(file) ? "  (floor only)"
                                                    : "");
}

// Exec to main() of each program (loading, relocating, initialising its libraries), interleaved;
// the programs end there, so many runs are cheap.
void printToMain(const std::vector<Variant>& variants, int runs) {
    std::vector<std::vector<double>> ms(variants.size());
    for (int i = 0; i < runs; ++i)
        for (std::size_t k = 0; k < variants.size(); ++k) {
            const std::size_t v = (k + std::size_t(i)) % variants.size();
            int fds[2];
            if (pipe(fds) != 0)
                return;
            const long long t0 = monotonicNs();
            const pid_t pid = fork();
            if (pid == 0) {
                dup2(fds[1], STDOUT_FILENO);
                close(fds[0]);
                close(fds[1]);
                execl(variants[v].exe, variants[v].exe, "--to-main", static_cast<char*>(nullptr));
                _exit(127);
            }
            close(fds[1]);
            char buf[128] = "";
            const ssize_t n = read(fds[0], buf, sizeof buf - 1);
            close(fds[0]);
            waitpid(pid, nullptr, 0);
            long long at = 0;
            if (n > 0 && std::sscanf(buf, "mark main %lld", &at) == 1)
                ms[v].push_back(double(at - t0) / 1e6);
        }
    std::printf("  exec to main(), %d runs each, interleaved: median [min..max] ms\n", runs);
    const double bare = spread(ms[0]).median;
    for (std::size_t v = 0; v < variants.size(); ++v) {
        const Spread s = spread(ms[v]);
        std::printf("  %-34s %7.2f %+7.2f   [%.2f..%.2f]\n", variants[v].name, s.median, s.median - bare,
                    s.min, s.max);
    }
}

// The Qt plug-ins each has loaded: those both load cost both the same.
void printPlugins(const Sample& numio, const Sample& floor) {
    const auto names = [](const Sample& s) {
        std::vector<std::string> v;
        for (const auto& [file, kb] : s.residentKb)
            if (const auto at = file.find("/plugins/"); at != std::string::npos)
                v.push_back(file.substr(at + 9));
        return v;
    };
    const std::vector<std::string> n = names(numio), f = names(floor);
    const auto list = [](const char* what, const std::vector<std::string>& a,
                         const std::vector<std::string>& b, bool inB) {
        std::printf("  Qt plug-ins %s:", what);
        for (const std::string& name : a)
            if ((std::find(b.begin(), b.end(), name) != b.end()) == inB)
                std::printf(" %s", name.c_str());
        std::printf("\n");
    };
    list("both load", n, f, true);
    list("only Numio loads", n, f, false);
    list("only the bare window loads", f, n, false);
}

// The floor with one more part at a time, interleaved round by round; each part's cost is told
// against the step it adds to.
void printParts(Bench& bench, const std::vector<Variant>& variants, const std::vector<int>& base, int runs) {
    std::vector<std::vector<Sample>> samples(variants.size());
    for (int i = 0; i < runs; ++i)
        for (std::size_t k = 0; k < variants.size(); ++k) {
            // Each round starts with another variant, so that none always follows the same one.
            const std::size_t v = (k + std::size_t(i)) % variants.size();
            samples[v].push_back(bench.run(variants[v].exe, variants[v].args, 300'000));
        }
    std::printf("  where the time and memory over the bare window go: %d runs each, interleaved, peak RSS "
                "0.3 s after the map\n",
                runs);
    std::printf("  %-34s %9s %9s %17s %6s %9s %9s %6s\n", "", "map ms", "over", "[min..max]", "ratio",
                "peak MB", "over", "ratio");
    const double bareMs = spread(pick(samples[0], &Sample::mapMs)).median;
    const double bareMb = spread(pick(samples[0], &Sample::hwmMb)).median;
    for (std::size_t v = 0; v < variants.size(); ++v) {
        const Spread t = spread(pick(samples[v], &Sample::mapMs));
        const Spread m = spread(pick(samples[v], &Sample::hwmMb));
        const std::size_t b = std::size_t(base[v]);
        const double overMs = t.median - spread(pick(samples[b], &Sample::mapMs)).median;
        const double overMb = m.median - spread(pick(samples[b], &Sample::hwmMb)).median;
        std::printf("  %-34s %9.1f %+9.1f %8.1f..%-8.1f %6.2f %9.1f %+9.2f %6.2f\n", variants[v].name,
                    t.median, overMs, t.min, t.max, bareMs > 0 ? t.median / bareMs : 0.0, m.median, overMb,
                    bareMb > 0 ? m.median / bareMb : 0.0);
    }
    std::printf(
        "  (\"over\": against the bare window for the libraries, against the libraries for each part,\n"
        "   against all parts for Numio: what building the rest of its window costs)\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::printf("usage: bench_startup_mapped <bench_startup_floor> <numio> [<bench_startup_floor_sql> "
                    "<bench_startup_floor_parts>]\n");
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
        // Alternating who goes first evens out drifts in the machine's load; the last pair also
        // tells what is resident by file.
        const bool last = i == runs - 1;
        if (i % 2 == 0) {
            numio.push_back(bench.run(numioExe, {}, 3'000'000, last));
            floor.push_back(bench.run(floorExe, {}, 3'000'000, last));
        } else {
            floor.push_back(bench.run(floorExe, {}, 3'000'000, last));
            numio.push_back(bench.run(numioExe, {}, 3'000'000, last));
        }
    }
    std::printf("  %-24s %11s %11s %6s  %8s %8s %6s   target\n", "", "Numio", "bare", "ratio", "min",
                "bare min", "ratio");
    row("exec to window mapped", "ms", numio, floor, &Sample::mapMs, "<= 1.10");
    std::printf("  %-24s [%.1f..%.1f] [%.1f..%.1f]\n", "", spread(pick(numio, &Sample::mapMs)).min,
                spread(pick(numio, &Sample::mapMs)).max, spread(pick(floor, &Sample::mapMs)).min,
                spread(pick(floor, &Sample::mapMs)).max);
    row("CPU up to the map", "ms", numio, floor, &Sample::cpuMs);
    row("X server CPU to the map", "ms", numio, floor, &Sample::xCpuMs);
    row("RSS 3 s after the map", "MB", numio, floor, &Sample::rssMb, "<= 1.10");
    row("peak RSS by then", "MB", numio, floor, &Sample::hwmMb, "<= 1.10");
    row("PSS 3 s after the map", "MB", numio, floor, &Sample::pssMb, "<= 1.10");

    const std::string loaderLog = std::string(home) + "-loader";
    printLoader("bare window", loaderLog, bench.run(floorExe, {}, 300'000, false, loaderLog).pid);
    printLoader("Numio", loaderLog, bench.run(numioExe, {}, 300'000, false, loaderLog).pid);
    printResidentBeyond(numio.back(), floor.back());
    printPlugins(numio.back(), floor.back());

    if (argc > 4) {
        const char* sqlExe = argv[3];
        const char* partsExe = argv[4];
        // Each entry's cost is told against the entry named by its base.
        const std::vector<Variant> variants{
            {"bare window", floorExe, {}},
            {"+ Qt SQL linked", sqlExe, {}},
            {"+ all the program's libraries", partsExe, {}},
            {"  + fonts (faces looked up)", partsExe, {"--fonts"}},
            {"  + window and Stop icons", partsExe, {"--icons"}},
            {"  + status bar with its pictures", partsExe, {"--pictures"}},
            {"  + settings read", partsExe, {"--settings"}},
            {"  + answer box", partsExe, {"--answer"}},
            {"  + all these parts", partsExe, {"--all"}},
            {"Numio", numioExe, {}},
        };
        const std::vector<int> base{0, 0, 0, 2, 2, 2, 2, 2, 2, 8};
        printToMain({variants[0], variants[1], variants[2]}, 60);
        printParts(bench, variants, base, std::max(3, std::atoi(envOr("BENCH_PARTS_RUNS", "15"))));
    }

    xcb_disconnect(x);
    std::filesystem::remove_all(home);
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
    return 0;
}
