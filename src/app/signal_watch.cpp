#include "app/signal_watch.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace numio {

namespace {

int gWake[2] = {-1, -1};

extern "C" void onEndSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(gWake[0], &byte, 1);
    errno = saved;
}

} // namespace

SignalWatch::SignalWatch(QObject* parent) : QObject(parent) {
    if (gWake[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gWake) != 0)
        return; // without the socket the signals keep their default: the program ends at once
    notifier_ = new QSocketNotifier(gWake[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(gWake[1], bytes, sizeof bytes) > 0) {
        }
        emit endRequested();
    });
    struct sigaction action = {};
    action.sa_handler = onEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(signal, &action, nullptr);
}

} // namespace numio
