#include "ExitRequests.h"

#include <QGuiApplication>

#include <QSocketNotifier>

#include <csignal>

#include <sys/socket.h>
#include <unistd.h>

namespace
{

int pipeEnds[2] = {-1, -1};
constexpr int Handled[] = {SIGTERM, SIGINT, SIGHUP};

extern "C" void onSignal(int number)
{
    const unsigned char byte = static_cast<unsigned char>(number);
    // Nothing else is safe in a signal handler; a full pipe drops a repeated signal.
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[0], &byte, 1);
}

void setHandler(int number, void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(number, &action, nullptr);
}

} // namespace

ExitRequests::ExitRequests(QObject *parent) : QObject(parent)
{
    // The log-off: whatever the session manager allows, nothing is asked. Its end of the
    // session arrives as a quit event, which the main window turns into the same exit path.
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, &ExitRequests::exitRequested);
    // An event loop ended by anything but the exit path still says goodbye and keeps the
    // settings.
    connect(qGuiApp, &QCoreApplication::aboutToQuit, this, &ExitRequests::exitRequested);
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, pipeEnds) != 0)
        return;
    m_notifier = new QSocketNotifier(pipeEnds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ExitRequests::readSignal);
    for (int number : Handled)
        setHandler(number, onSignal);
}

ExitRequests::~ExitRequests()
{
    if (!m_notifier)
        return;
    for (int number : Handled)
        setHandler(number, SIG_DFL);
    delete m_notifier;
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void ExitRequests::readSignal()
{
    unsigned char byte = 0;
    bool requested = false;
    while (::read(pipeEnds[1], &byte, 1) == 1)
        requested = true;
    if (requested)
        Q_EMIT exitRequested();
}
