#pragma once

#include <QIcon>
#include <QList>
#include <QObject>

class QMenu;
class QSystemTrayIcon;
class QTimer;

// The notification-area icon: an icon list it can cycle through, a tooltip, a menu, and a
// mouse that it ignores while disabled.
class TCoolTrayIcon final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TCoolTrayIcon)
public:
    explicit TCoolTrayIcon(QObject *parent = nullptr);
    ~TCoolTrayIcon() override;

    void setIconList(const QList<QIcon> &icons);
    void setPopupMenu(QMenu *menu);

    void setIconVisible(bool on);
    int IconIndex() const { return m_index; }
    void setIconIndex(int index);
    bool CycleIcons() const;
    void setCycleIcons(bool on);
    void setCycleInterval(int ms);
    bool Enabled() const { return m_enabled; }
    void setEnabled(bool on);
    const QString &Hint() const { return m_hint; }
    void setHint(const QString &hint);

    // Whether the desktop has a notification area that shows the icon. It is checked every
    // two seconds, since a tray can appear or go away while the program runs.
    bool Available() const { return m_available; }

Q_SIGNALS:
    void Click();
    void AvailabilityChanged(bool available);

private:
    void showIcon();
    void onActivated(int reason);
    void checkAvailability();

    QSystemTrayIcon *m_icon = nullptr;
    QTimer *m_cycle = nullptr;
    QTimer *m_availability = nullptr;
    QList<QIcon> m_icons;
    QMenu *m_menu = nullptr;
    QString m_hint;
    int m_index = 0;
    bool m_visible = true;
    bool m_enabled = false;
    bool m_available = false;
};
