// The public port's handler: a datagram is shown as one line in a colour of the list and
// answered with one empty datagram, or dropped unshown and unanswered. An empty datagram is
// never shown nor answered, and no datagram brings back anything but an empty reply.

#include "SessionFeed.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > size_t(MaxDatagramBytes))
        return 0; // the listener never hands such a datagram over
    static SessionFeed feed(false);
    const QByteArray datagram(reinterpret_cast<const char *>(data), qsizetype(size));
    for (int round = 0; round < SessionFeed::Rounds; ++round) {
        const SessionFeed::Outcome out = feed.feed(&ChatSession::PublicRead, datagram, round);
        const bool handled = !datagram.isEmpty() && !out.refused;
        Require(out.publicLines == (handled ? 1 : 0), "one line for each datagram handled");
        Require(out.colorOutOfList == 0, "a line is shown in a colour of the list");
        Require(out.emptyReplies == out.publicLines, "one empty reply for each line shown");
        Require(out.otherReplies == 0, "a reply carries no bytes");
        Require(out.privateMessages == 0, "the public port opens no private message");
    }
    return 0;
}
