#include "CapsLock.h"

#include <QGuiApplication>

#if defined(Q_OS_WIN)
#include <windows.h>

bool CapsLockOn()
{
    return (GetKeyState(VK_CAPITAL) & 1) != 0;
}

#else
#include <dlfcn.h>

namespace
{

using XOpenDisplayFn = void *(*)(const char *);
using XkbGetIndicatorStateFn = int (*)(void *, unsigned, unsigned *);

// The X keyboard's indicator state, through the X library the platform already loaded.
struct XkbIndicators {
    void *display = nullptr;
    XkbGetIndicatorStateFn getState = nullptr;

    XkbIndicators()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            return;
        void *lib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
        if (!lib)
            return;
        auto open = reinterpret_cast<XOpenDisplayFn>(dlsym(lib, "XOpenDisplay"));
        getState = reinterpret_cast<XkbGetIndicatorStateFn>(dlsym(lib, "XkbGetIndicatorState"));
        if (open && getState)
            display = open(nullptr);
    }
};

} // namespace

bool CapsLockOn()
{
    static const XkbIndicators xkb;
    if (!xkb.display)
        return false;
    constexpr unsigned UseCoreKeyboard = 0x0100;
    unsigned state = 0;
    if (xkb.getState(xkb.display, UseCoreKeyboard, &state) != 0)
        return false;
    return (state & 1U) != 0;
}
#endif
