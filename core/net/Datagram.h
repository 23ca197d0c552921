#pragma once

#include "ColorList.h"

#include <QByteArray>
#include <QString>

// Building and taking apart the chat's datagrams. Every datagram but the empty reply is
// "@#@", the sender's colour number, "@#@" and a payload; texts are built here as QString
// and become code page 1251 bytes in SendText.

// The longest datagram a listener takes, and the longest message text a user may send.
inline constexpr qsizetype MaxDatagramBytes = 8192;
inline constexpr qsizetype MaxMessageChars = 8000;

// Entry and leave notices go out in medium grey.
inline constexpr int NoticeColorIndex = colors::MedGray;

QString PresenceAnnouncement(int colorIndex, const QString &nick);
QString PublicMessage(int colorIndex, const QString &nick, const QString &text);
QString PrivateMessage(int colorIndex, const QString &nick, const QString &recipient,
                       const QString &text);
QString EntryNotice(const QString &nick);
QString LeaveNotice(const QString &nick);

// A received datagram's bytes as text.
QString DatagramText(const QByteArray &data);

struct DatagramParts {
    QString ColorField; // the text before the first "@#@", after the first three characters
    QString Payload;
};

// The first three characters are dropped unseen; the colour field ends at the first "@#@"
// and the payload follows it. Without a "@#@" the field is empty and the payload is the
// text less two more characters.
DatagramParts SplitDatagram(const QString &text);
// The colour number of the field; throws EConvertError when it is not a decimal integer.
int ColorNumber(const DatagramParts &parts);

struct PrivatePayload {
    QString SenderNick; // before the first " --> ", empty without one
    QString Body;       // after the first ": ", or the payload less its first character
};

PrivatePayload SplitPrivatePayload(const QString &payload);

// Who sent a public payload: the nick an entry or leave notice names, as the notices are
// built, or else the text before the first " -->"; empty when the payload names none.
QString PublicSenderNick(const QString &payload);
// A public payload shown as a system notice, whoever sent it.
bool IsSystemNotice(const QString &payload);

// The /24 broadcast address: the first three dot-separated fields of ownIp and "255".
QString BroadcastAddress(const QString &ownIp);
