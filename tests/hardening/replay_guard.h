#pragma once

// For the randomised tests: keeps a line saying how to replay the current case and writes it to
// stderr when the process crashes (a signal, or a sanitizer's report) or hangs (no progress for a
// minute, then abort), where a failed check cannot print anything itself.

#include <QByteArray>

#include <dlfcn.h>
#include <link.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>
#include <unistd.h>

namespace numio::test {

class ReplayGuard {
public:
    ReplayGuard() {
        instance() = this;
        struct sigaction action {};
        action.sa_handler = onFatalSignal;
        sigemptyset(&action.sa_mask);
        for (int sig : {SIGSEGV, SIGABRT, SIGFPE, SIGBUS, SIGILL})
            sigaction(sig, &action, &previous()[sig]);
        setDeathCallbacks(writeWhere);
        watch_ = std::thread([this] { watch(); });
    }
    ~ReplayGuard() {
        stop_ = true;
        watch_.join();
        for (int sig : {SIGSEGV, SIGABRT, SIGFPE, SIGBUS, SIGILL})
            sigaction(sig, &previous()[sig], nullptr);
        setDeathCallbacks(nullptr);
        instance() = nullptr;
    }
    ReplayGuard(const ReplayGuard&) = delete;
    ReplayGuard& operator=(const ReplayGuard&) = delete;

    // The replay line for what runs now; also counts as progress.
    static void at(const QByteArray& where) {
        std::strncpy(buffer(), where.constData(), kSize - 1);
        if (instance())
            ++instance()->progress_;
    }
    static const char* where() { return buffer(); }

private:
    static constexpr std::size_t kSize = 512;
    static constexpr int kHangSeconds = 60;

    static char* buffer() {
        static char text[kSize] = "";
        return text;
    }
    static ReplayGuard*& instance() {
        static ReplayGuard* current = nullptr;
        return current;
    }
    static struct sigaction* previous() {
        static struct sigaction saved[NSIG];
        return saved;
    }

    // Each sanitizer runtime loaded (with GCC, ASan and UBSan are separate libraries) takes the
    // callback it runs before it ends the process.
    static void setDeathCallbacks(void (*callback)()) {
        using Setter = void (*)(void (*)());
        auto set = [callback](void* handle) {
            if (auto setter = reinterpret_cast<Setter>(dlsym(handle, "__sanitizer_set_death_callback")))
                setter(callback);
        };
        set(RTLD_DEFAULT);
        dl_iterate_phdr(
            [](dl_phdr_info* info, size_t, void* data) {
                if (info->dlpi_name && std::strstr(info->dlpi_name, "san")) {
                    if (void* handle = dlopen(info->dlpi_name, RTLD_LAZY | RTLD_NOLOAD)) {
                        (*static_cast<decltype(set)*>(data))(handle);
                        dlclose(handle);
                    }
                }
                return 0;
            },
            &set);
    }

    // Only async-signal-safe calls here.
    static void writeWhere() {
        const char head[] = "\nreplay with: ";
        ssize_t r = ::write(STDERR_FILENO, head, sizeof head - 1);
        r = ::write(STDERR_FILENO, buffer(), std::strlen(buffer()));
        r = ::write(STDERR_FILENO, "\n", 1);
        (void)r;
    }
    static void onFatalSignal(int sig) {
        writeWhere();
        sigaction(sig, &previous()[sig], nullptr);
        raise(sig);
    }

    void watch() {
        long long last = -1;
        int still = 0;
        while (!stop_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
            const long long now = progress_;
            still = now == last ? still + 1 : 0;
            last = now;
            if (still >= kHangSeconds * 4) {
                const char msg[] = "\nno progress for a minute: a hang";
                ssize_t r = ::write(STDERR_FILENO, msg, sizeof msg - 1);
                (void)r;
                writeWhere();
                std::abort();
            }
        }
    }

    std::atomic<long long> progress_{0};
    std::atomic<bool> stop_{false};
    std::thread watch_;
};

} // namespace numio::test
