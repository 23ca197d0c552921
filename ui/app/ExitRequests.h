#pragma once

#include <QObject>

class QSocketNotifier;

// What asks the program to end from outside: SIGTERM, SIGINT, SIGHUP, the session manager's
// log-off and an event loop that ends before the exit path ran, each reported as
// exitRequested on the UI thread; the receiver ignores a request once the exit path has run.
// The signal handler itself only writes the signal's number into a socket pair that the
// event loop watches. One instance at a time; the default handling comes back when it goes.
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
