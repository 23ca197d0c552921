#pragma once

#include <QString>

// Writes a message store of `count` records for `nick` into `folder` (the template beside it
// is created when missing): nicks, Latin and Cyrillic words, line breaks and a few long
// messages, about half of them incoming, dated one every half minute up to now. The same
// arguments always give the same records. Returns the store's path.
QString GenerateHistoryStore(const QString &folder, const QString &nick, int count);
