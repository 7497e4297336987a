#pragma once

#include <QObject>

class QSocketNotifier;

namespace numio {

// The session's request to end (SIGTERM at logout, SIGHUP, SIGINT) reaches the program as an
// event: the signal handler only writes a byte to a socket, and the window ends in a handler of
// its own, writing what it would write when closed.
class SignalWatch : public QObject {
    Q_OBJECT
  public:
    explicit SignalWatch(QObject* parent = nullptr);

  signals:
    void endRequested();

  private:
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace numio
