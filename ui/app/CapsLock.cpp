#include "CapsLock.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>

std::optional<bool> CapsLockLight(const QString &ledsFolder)
{
    const QStringList lights =
        QDir(ledsFolder).entryList({QStringLiteral("*::capslock")}, QDir::Dirs);
    if (lights.isEmpty())
        return std::nullopt;
    for (const QString &light : lights) {
        QFile brightness(ledsFolder + u'/' + light + QStringLiteral("/brightness"));
        if (brightness.open(QIODevice::ReadOnly) && brightness.readLine().trimmed().toInt() > 0)
            return true;
    }
    return false;
}

#if defined(Q_OS_WIN)
#include <windows.h>

std::optional<bool> CapsLockOn()
{
    return (GetKeyState(VK_CAPITAL) & 1) != 0;
}

#else
#include <QSocketNotifier>

#include <dlfcn.h>

namespace
{

using XOpenDisplayFn = void *(*)(const char *);
using XkbGetIndicatorStateFn = int (*)(void *, unsigned, unsigned *);
using XkbSelectEventsFn = int (*)(void *, unsigned, unsigned long, unsigned long);
using XConnectionNumberFn = int (*)(void *);
using XPendingFn = int (*)(void *);
using XNextEventFn = int (*)(void *, void *);
using XFlushFn = int (*)(void *);

constexpr unsigned UseCoreKeyboard = 0x0100;
constexpr unsigned long IndicatorStateNotifyMask = 1UL << 4;
// Where the display cannot report indicator changes, it is asked at most this often.
constexpr qint64 PollPeriodMs = 250;

// The X keyboard's Caps Lock indicator, kept up to date from the indicator change events
// the X server sends to a connection of our own, so reading it costs no round trip. The X
// library is the one the platform already loaded.
class XkbCapsLock final
{
    Q_DISABLE_COPY_MOVE(XkbCapsLock)
public:
    XkbCapsLock()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            return;
        void *lib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
        if (!lib)
            return;
        auto open = reinterpret_cast<XOpenDisplayFn>(dlsym(lib, "XOpenDisplay"));
        m_getState = reinterpret_cast<XkbGetIndicatorStateFn>(dlsym(lib, "XkbGetIndicatorState"));
        if (!open || !m_getState)
            return;
        m_display = open(nullptr);
        if (m_display)
            m_following = Follow(lib);
        if (m_following)
            Sync();
        else
            Query();
    }

    bool On()
    {
        if (!m_following && m_display && m_sinceQuery.elapsed() >= PollPeriodMs)
            Query();
        return m_on;
    }

private:
    // Asks for indicator change events and reads them as they come.
    bool Follow(void *lib)
    {
        auto select = reinterpret_cast<XkbSelectEventsFn>(dlsym(lib, "XkbSelectEvents"));
        auto connection = reinterpret_cast<XConnectionNumberFn>(dlsym(lib, "XConnectionNumber"));
        m_pending = reinterpret_cast<XPendingFn>(dlsym(lib, "XPending"));
        m_nextEvent = reinterpret_cast<XNextEventFn>(dlsym(lib, "XNextEvent"));
        auto flush = reinterpret_cast<XFlushFn>(dlsym(lib, "XFlush"));
        if (!select || !connection || !m_pending || !m_nextEvent || !flush || !qApp)
            return false;
        if (!select(m_display, UseCoreKeyboard, IndicatorStateNotifyMask, IndicatorStateNotifyMask))
            return false;
        flush(m_display);
        auto *notifier = new QSocketNotifier(connection(m_display), QSocketNotifier::Read, qApp);
        QObject::connect(notifier, &QSocketNotifier::activated, notifier, [this] { Changed(); });
        return true;
    }

    // Only indicator events are selected on this connection: any of them means a new state.
    void Changed()
    {
        if (Drain())
            Sync();
    }

    // Reads the state; events that came in meanwhile are read past, and the state read
    // again until none did.
    void Sync()
    {
        do
            Query();
        while (Drain());
    }

    bool Drain()
    {
        bool any = false;
        while (m_pending(m_display) > 0) {
            alignas(long) unsigned char event[192]; // the size of Xlib's XEvent
            m_nextEvent(m_display, event);
            any = true;
        }
        return any;
    }

    void Query()
    {
        m_sinceQuery.start();
        unsigned state = 0;
        m_on = m_display && m_getState(m_display, UseCoreKeyboard, &state) == 0 && (state & 1U);
    }

    void *m_display = nullptr;
    XkbGetIndicatorStateFn m_getState = nullptr;
    XPendingFn m_pending = nullptr;
    XNextEventFn m_nextEvent = nullptr;
    bool m_following = false;
    bool m_on = false;
    QElapsedTimer m_sinceQuery;
};

// The keyboards' lights, read at most once per poll period.
class LightCapsLock final
{
public:
    std::optional<bool> On()
    {
        if (!m_sinceRead.isValid() || m_sinceRead.elapsed() >= PollPeriodMs) {
            m_sinceRead.start();
            m_on = CapsLockLight(QStringLiteral("/sys/class/leds"));
        }
        return m_on;
    }

private:
    std::optional<bool> m_on;
    QElapsedTimer m_sinceRead;
};

} // namespace

std::optional<bool> CapsLockOn()
{
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        static LightCapsLock lights;
        return lights.On();
    }
    static XkbCapsLock caps;
    return caps.On();
}
#endif
