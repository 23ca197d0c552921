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
// The input box's text as it goes out: line breaks as CR LF, code page 1251 only, at most
// `limit` characters.
QString OutgoingText(const QString &typed, qsizetype limit = MaxMessageChars);
// The outgoing text back in the input box's own line breaks.
QString InputBoxText(const QString &outgoing);
