#pragma once

#include <QString>

// The user's nick at log-in: the fast-entry nick when there is one the chat can carry,
// otherwise the nick prompt, asked again with the reason until the nick is accepted or the
// prompt is cancelled. Empty when cancelled (or when fast entry holds no nick).
QString ObtainNick(bool fastEntry, const QString &savedNick);
