#pragma once

#include <QString>

#include <optional>

// Whether the Caps Lock toggle of the keyboard is on, as the window system last reported
// it: no round trip to the display per call, so it can run at every idle moment. Empty where
// there is no way to know (see CapsLockLight).
std::optional<bool> CapsLockOn();

// On Wayland, Qt does not hand the keyboard's lock state to the program, and the compositor
// tells it to no other client. The Caps Lock lights of the keyboards are read instead, from
// the kernel's LED folder (ledsFolder/<name>::capslock/brightness): on when any is lit. Empty
// when no keyboard there has such a light (a virtual machine, a remote session).
std::optional<bool> CapsLockLight(const QString &ledsFolder);
