#pragma once

#include <QObject>

class QSocketNotifier;

// What asks the program to end from outside: SIGTERM, SIGINT, SIGHUP and the session
// manager's log-off, each reported as exitRequested on the UI thread. The signal handler
// itself only writes the signal's number into a socket pair that the event loop watches.
// One instance at a time; the default handling comes back when it goes.
class ExitRequests final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ExitRequests)
public:
    explicit ExitRequests(QObject *parent = nullptr);
    ~ExitRequests() override;

Q_SIGNALS:
    void exitRequested();

private:
    void readSignal();

    QSocketNotifier *m_notifier = nullptr;
};
