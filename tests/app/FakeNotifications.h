#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>

#include <memory>

// A notification service as a desktop runs one, on its own connection to the test's bus:
// it records every call and sends the signals a click or a close would.
class FakeNotifications final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call {
        QString app, summary, body;
        QStringList actions;
        QVariantMap hints;
        uint id = 0;
        uint replacesId = 0;
    };
    QStringList capabilities;
    QList<Call> calls;
    int capabilityQuestions = 0;
    QList<uint> closed; // the ids CloseNotification was asked for

public Q_SLOTS:
    QStringList GetCapabilities();
    uint Notify(const QString &app, uint replacesId, const QString &icon, const QString &summary,
                const QString &body, const QStringList &actions, const QVariantMap &hints,
                int timeout);
    void CloseNotification(uint id);

Q_SIGNALS:
    void ActionInvoked(uint id, const QString &action);
    void NotificationClosed(uint id, uint reason);
};

// A private session bus (its own dbus-daemon) and the fake service on it, which can be stopped
// and started again as a desktop's service restarts.
class NotificationBus final
{
public:
    NotificationBus() = default;
    ~NotificationBus();
    NotificationBus(const NotificationBus &) = delete;
    NotificationBus &operator=(const NotificationBus &) = delete;

    // Starts the bus unless it runs already; false with `why` set when it cannot run here.
    bool start(QString &why);
    QString address() const { return m_address; }
    bool startService();
    void stopService();
    FakeNotifications *service() const { return m_service.get(); }
    // A client connection of its own.
    QDBusConnection client();

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    int m_connections = 0;
    std::unique_ptr<QDBusConnection> m_serviceBus;
    std::unique_ptr<FakeNotifications> m_service;
};
