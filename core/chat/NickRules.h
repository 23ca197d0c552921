#pragma once

#include <QString>

// What a nick typed by the user must not be, because peers or the history store could not
// carry it. Nicks that peers announce are taken as they come; these rules are for the
// user's own nick only.
enum class NickFault {
    None,
    // Holds " - ", ": ", " -->" or a line break, or ends so that such a separator forms
    // with the text after it: peers would take the recipient item or a private message
    // apart in the wrong place.
    BreaksMessages,
    // Holds a character that code page 1251 cannot hold: it would go out, be shown and be
    // stored as "?", sharing its history file with other nicks.
    NotInCodePage,
    // Its history file name would pass 255 bytes, or its public message of the longest
    // text would not fit a datagram.
    TooLong,
};

// The first fault of a nick, in the order of the enum. The empty nick, which means no nick
// at all, has none.
NickFault CheckNick(const QString &nick);
// The characters of the nick that code page 1251 cannot hold, each once, in their order.
QString UnsendableNickChars(const QString &nick);
// The length of the longest start of the nick that still fits; a longer start never fits.
qsizetype LongestFittingNick(const QString &nick);
