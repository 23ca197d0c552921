#pragma once

#include "Datagram.h"

#include <QString>

// How received and echoed lines read, by the display settings of the moment.
struct LineSettings {
    bool showTime = false;
    bool showAddress = false;
};

// The public view's line for the payload T: a notice is always time-stamped, never addressed.
QString PublicLine(const QString &payload, bool notice, const LineSettings &settings,
                   const QString &time, const QString &address);
// The bold header of a private message: "<from> --> <to>:" with the same prefixes.
QString PrivateHeader(const QString &from, const QString &to, bool notice,
                      const LineSettings &settings, const QString &time, const QString &address);
// What a public message payload says after "<nick> -->"; empty when no sender is named.
QString PublicText(const QString &payload);
// Whether `text` names `nick`: the nick in any letter case, not as part of a longer word.
bool NamesNick(const QString &text, const QString &nick);
// The input box's text as it goes out: line breaks as CR LF, code page 1251 only, at most
// `limit` characters.
QString OutgoingText(const QString &typed, qsizetype limit = MaxMessageChars);
// The outgoing text back in the input box's own line breaks.
QString InputBoxText(const QString &outgoing);
