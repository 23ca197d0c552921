#pragma once

#include <QString>

// The desktop a copy of the program runs on, as one text: two copies of one user on the same
// desktop give the same text however their environment spells it. A Wayland display wins over
// the X display beside it (XWayland). An X display is its host and display number: the screen
// number, the "unix" host and the local host names do not count (":0", ":0.0", "unix:0" and
// "localhost:0.1" are one desktop). A Wayland display named relative to runtimeDir is made
// absolute.
QString DesktopIdentity(const QString &waylandDisplay, const QString &display,
                        const QString &runtimeDir);
