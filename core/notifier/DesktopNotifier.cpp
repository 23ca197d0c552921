#include "DesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QStringList>
#include <QVariantMap>

#include <utility>

namespace
{

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
const QString DefaultAction = QStringLiteral("default");
// The installed desktop entry (io.sourceforge.palavrix.desktop) and its icon.
const QString DesktopEntry = QStringLiteral("io.sourceforge.palavrix");
const QString Icon = QStringLiteral("palavrix");

QDBusMessage call(const QString &method)
{
    return QDBusMessage::createMethodCall(Service, Path, Interface, method);
}

} // namespace

DesktopNotifier::DesktopNotifier(QObject *parent)
    : DesktopNotifier(QDBusConnection::sessionBus(), parent)
{
}

DesktopNotifier::DesktopNotifier(const QDBusConnection &bus, QObject *parent)
    : QObject(parent), m_bus(bus)
{
    m_bus.connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this,
                  SLOT(ActionInvoked(uint, QString)));
    m_bus.connect(Service, Path, Interface, QStringLiteral("NotificationClosed"), this,
                  SLOT(NotificationClosed(uint, uint)));
    auto *watcher =
        new QDBusServiceWatcher(Service, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &DesktopNotifier::serviceOwnerChanged);
}

void DesktopNotifier::Show(const QString &summary, const QString &body, const QString &tag,
                           bool replace)
{
    if (!m_bus.isConnected())
        return;
    const Pending notification{summary, body, tag, replace};
    if (m_capabilities == Capabilities::Known) {
        notify(notification);
        return;
    }
    m_waiting.append(notification);
    askCapabilities();
}

void DesktopNotifier::ShowBeforeExit(const QString &summary, const QString &body, int waitMs)
{
    if (!m_bus.isConnected())
        return;
    const QVariantMap hints{{QStringLiteral("desktop-entry"), DesktopEntry},
                            {QStringLiteral("urgency"), QVariant::fromValue(uchar(2))}};
    QDBusMessage message = call(QStringLiteral("Notify"));
    message << QStringLiteral("Palavrix") << uint(0) << Icon << summary << body << QStringList()
            << hints << -1;
    m_bus.call(message, QDBus::Block, waitMs);
}

void DesktopNotifier::askCapabilities()
{
    if (m_capabilities != Capabilities::Unknown)
        return;
    m_capabilities = Capabilities::Asked;
    m_askedBefore = true;
    auto *watcher =
        new QDBusPendingCallWatcher(m_bus.asyncCall(call(QStringLiteral("GetCapabilities"))), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &DesktopNotifier::capabilitiesKnown);
}

void DesktopNotifier::capabilitiesKnown(QDBusPendingCallWatcher *watcher)
{
    watcher->deleteLater();
    const QDBusPendingReply<QStringList> reply = *watcher;
    if (reply.isError()) {
        // No service now: ask again with the next notification, one may have started.
        m_capabilities = Capabilities::Unknown;
        m_waiting.clear();
        return;
    }
    m_capabilities = Capabilities::Known;
    m_bodyMarkup = reply.value().contains(QStringLiteral("body-markup"));
    const QList<Pending> waiting = std::exchange(m_waiting, {});
    for (const Pending &notification : waiting)
        notify(notification);
}

void DesktopNotifier::notify(const Pending &notification)
{
    if (notification.Replace && m_sending.contains(notification.Tag)) {
        m_held.insert(notification.Tag, notification);
        m_closing.remove(notification.Tag);
        return;
    }
    // A service that reads markup in the body would take a message's "<b>" for its own.
    const QString body = m_bodyMarkup ? notification.Body.toHtmlEscaped() : notification.Body;
    const QVariantMap hints{{QStringLiteral("desktop-entry"), DesktopEntry},
                            {QStringLiteral("category"), QStringLiteral("im.received")}};
    QDBusMessage message = call(QStringLiteral("Notify"));
    const uint replaces = notification.Replace ? m_replaceable.value(notification.Tag) : 0;
    message << QStringLiteral("Palavrix") << replaces << Icon << notification.Summary << body
            << QStringList{DefaultAction, m_openText} << hints << -1;
    if (notification.Replace)
        m_sending.insert(notification.Tag);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, notification](QDBusPendingCallWatcher *finished) {
                notified(notification, finished);
            });
}

void DesktopNotifier::notified(const Pending &notification, QDBusPendingCallWatcher *call)
{
    call->deleteLater();
    const QDBusPendingReply<uint> reply = *call;
    if (notification.Replace)
        m_sending.remove(notification.Tag);
    if (reply.isError()) {
        m_capabilities = Capabilities::Unknown; // the service went away
        m_held.remove(notification.Tag);
        return;
    }
    if (notification.Replace && m_closing.remove(notification.Tag)) {
        m_replaceable.remove(notification.Tag);
        closeId(reply.value());
        return;
    }
    m_tags.insert(reply.value(), notification.Tag);
    if (notification.Replace)
        m_replaceable.insert(notification.Tag, reply.value());
    if (notification.Replace && m_held.contains(notification.Tag))
        notify(m_held.take(notification.Tag));
}

void DesktopNotifier::Close(const QString &tag)
{
    m_held.remove(tag);
    if (m_sending.contains(tag)) {
        m_closing.insert(tag); // closed once its id is known
        return;
    }
    const uint id = m_replaceable.take(tag);
    if (id != 0)
        closeId(id);
}

void DesktopNotifier::closeId(uint id)
{
    m_tags.remove(id);
    if (!m_bus.isConnected())
        return;
    QDBusMessage message = call(QStringLiteral("CloseNotification"));
    message << id;
    m_bus.asyncCall(message);
}

// Another service has the name now: the ids of the last one mean nothing to it, and it may
// read markup where the last did not.
void DesktopNotifier::serviceOwnerChanged(const QString &, const QString &, const QString &newOwner)
{
    m_capabilities = Capabilities::Unknown;
    m_tags.clear();
    m_replaceable.clear();
    m_sending.clear();
    m_held.clear();
    m_closing.clear();
    if (m_askedBefore && !newOwner.isEmpty())
        askCapabilities();
}

void DesktopNotifier::ActionInvoked(uint id, const QString &action)
{
    const auto found = m_tags.constFind(id);
    if (found == m_tags.cend() || action != DefaultAction)
        return;
    const QString tag = *found;
    Q_EMIT activated(tag);
}

void DesktopNotifier::NotificationClosed(uint id, uint reason)
{
    Q_UNUSED(reason);
    m_tags.remove(id);
    m_replaceable.removeIf([id](const auto &item) { return item.value() == id; });
}

QString FirstLine(const QString &text, qsizetype limit)
{
    const QString trimmed = text.trimmed();
    qsizetype end = 0;
    while (end < trimmed.size() && trimmed[end] != u'\r' && trimmed[end] != u'\n')
        ++end;
    QString line = trimmed.left(end);
    if (line.size() > limit)
        line = line.left(limit - 1) + u'…';
    return line;
}
