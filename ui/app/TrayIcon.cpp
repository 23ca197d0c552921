#include "TrayIcon.h"

#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

TCoolTrayIcon::TCoolTrayIcon(QObject *parent)
    : QObject(parent), m_icon(new QSystemTrayIcon(this)), m_cycle(new QTimer(this)),
      m_availability(new QTimer(this)), m_available(QSystemTrayIcon::isSystemTrayAvailable())
{
    m_availability->setInterval(2000);
    connect(m_availability, &QTimer::timeout, this, &TCoolTrayIcon::checkAvailability);
    m_availability->start();
    m_cycle->setInterval(500);
    connect(m_cycle, &QTimer::timeout, this, [this] {
        if (!m_icons.isEmpty())
            setIconIndex((m_index + 1) % int(m_icons.size()));
    });
    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { onActivated(int(reason)); });
}

TCoolTrayIcon::~TCoolTrayIcon()
{
    m_icon->hide();
}

void TCoolTrayIcon::setIconList(const QList<QIcon> &icons)
{
    m_icons = icons;
    showIcon();
}

void TCoolTrayIcon::setPopupMenu(QMenu *menu)
{
    m_menu = menu;
    m_icon->setContextMenu(m_enabled ? m_menu : nullptr);
}

void TCoolTrayIcon::setIconVisible(bool on)
{
    m_visible = on;
    m_icon->setVisible(on);
}

void TCoolTrayIcon::setIconIndex(int index)
{
    m_index = std::max(0, index);
    showIcon();
}

bool TCoolTrayIcon::CycleIcons() const
{
    return m_cycle->isActive();
}

void TCoolTrayIcon::setCycleIcons(bool on)
{
    if (on) {
        setIconIndex(0);
        m_cycle->start();
    } else {
        m_cycle->stop();
    }
}

void TCoolTrayIcon::setCycleInterval(int ms)
{
    m_cycle->setInterval(ms);
}

void TCoolTrayIcon::setEnabled(bool on)
{
    m_enabled = on;
    m_icon->setContextMenu(on ? m_menu : nullptr);
}

void TCoolTrayIcon::setHint(const QString &hint)
{
    m_hint = hint.left(127);
    m_icon->setToolTip(m_hint);
}

void TCoolTrayIcon::showIcon()
{
    if (m_icons.isEmpty())
        return;
    m_icon->setIcon(m_icons.at(std::min(m_index, int(m_icons.size()) - 1)));
}

void TCoolTrayIcon::checkAvailability()
{
    const bool available = QSystemTrayIcon::isSystemTrayAvailable();
    if (available == m_available)
        return;
    m_available = available;
    if (available && m_visible) {
        // A tray that comes (back) gets the icon anew.
        m_icon->hide();
        m_icon->show();
    }
    Q_EMIT AvailabilityChanged(available);
}

void TCoolTrayIcon::onActivated(int reason)
{
    if (!m_enabled)
        return;
    if (reason == QSystemTrayIcon::Trigger)
        Q_EMIT Click();
}
