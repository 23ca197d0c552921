#pragma once

// Whether the Caps Lock toggle of the keyboard is on, as the window system last reported
// it: no round trip to the display per call, so it can run at every idle moment.
bool CapsLockOn();
