#pragma once

#include <QImage>
#include <QSize>

// The About window's animated picture: peers on a ring around a chat bubble, with broadcast
// waves running out to them. Every frame is drawn from its number, and the last frame leads
// smoothly into the first, so the picture repeats without a jump.

inline constexpr int AboutFrameCount = 109;
inline constexpr int AboutFrameInterval = 100; // milliseconds per frame
inline constexpr QSize AboutFrameSize{90, 90};

// Frame `index` (0 … AboutFrameCount - 1; other numbers wrap around).
QImage AboutAnimationFrame(int index);
