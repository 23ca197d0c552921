#pragma once

// Whether the Caps Lock toggle of the keyboard is on.
bool CapsLockOn();
