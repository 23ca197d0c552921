#include "FakeNotifications.h"

#include <QStandardPaths>

using namespace Qt::StringLiterals;

QStringList FakeNotifications::GetCapabilities()
{
    ++capabilityQuestions;
    return capabilities;
}

uint FakeNotifications::Notify(const QString &app, uint replacesId, const QString &icon,
                               const QString &summary, const QString &body,
                               const QStringList &actions, const QVariantMap &hints, int timeout)
{
    Q_UNUSED(icon);
    Q_UNUSED(timeout);
    // A replaced notification keeps its id, as the desktop notification service does.
    const uint id = replacesId != 0 ? replacesId : uint(calls.size() + 41);
    calls.append({app, summary, body, actions, hints, id, replacesId});
    return id;
}

void FakeNotifications::CloseNotification(uint id)
{
    closed.append(id);
}

NotificationBus::~NotificationBus()
{
    stopService();
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }
}

bool NotificationBus::start(QString &why)
{
    if (m_daemon.state() == QProcess::Running)
        return true;
    if (QStandardPaths::findExecutable(u"dbus-daemon"_s).isEmpty()) {
        why = u"dbus-daemon is not installed"_s;
        return false;
    }
    m_daemon.start(u"dbus-daemon"_s,
                   {u"--session"_s, u"--nofork"_s, u"--nopidfile"_s, u"--print-address=1"_s,
                    u"--address=unix:path="_s + m_dir.filePath(u"bus"_s)});
    if (!m_daemon.waitForStarted() || !m_daemon.waitForReadyRead(10000)) {
        why = u"dbus-daemon did not start"_s;
        return false;
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    return !m_address.isEmpty();
}

bool NotificationBus::startService()
{
    const QString name = u"service%1"_s.arg(++m_connections);
    m_serviceBus =
        std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(m_address, name));
    m_service = std::make_unique<FakeNotifications>();
    return m_serviceBus->isConnected() &&
           m_serviceBus->registerObject(u"/org/freedesktop/Notifications"_s, m_service.get(),
                                        QDBusConnection::ExportAllSlots |
                                            QDBusConnection::ExportAllSignals) &&
           m_serviceBus->registerService(u"org.freedesktop.Notifications"_s);
}

void NotificationBus::stopService()
{
    if (!m_serviceBus)
        return;
    const QString name = m_serviceBus->name();
    m_serviceBus.reset();
    QDBusConnection::disconnectFromBus(name);
    m_service.reset();
}

QDBusConnection NotificationBus::client()
{
    return QDBusConnection::connectToBus(m_address, u"client%1"_s.arg(++m_connections));
}
