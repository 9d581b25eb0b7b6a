#pragma once
// SIGTERM, SIGHUP and SIGINT end the program as the end of a session does, never in the middle of
// something: the handler only writes the signal's number to a socket pair, and the event loop reads it
// and reports it as Received. POSIX systems only; Windows sends its session end as a window message,
// which Qt turns into commitDataRequest.

#include <QObject>

class QSocketNotifier;

namespace kalvo::app {

class SessionEndSignals : public QObject {
    Q_OBJECT
public:
    // Takes over the three signals until it is destroyed, when their default actions return.
    explicit SessionEndSignals(QObject* parent = nullptr);
    ~SessionEndSignals() override;
    SessionEndSignals(const SessionEndSignals&) = delete;
    SessionEndSignals& operator=(const SessionEndSignals&) = delete;

signals:
    void Received(int signal);

private:
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace kalvo::app
