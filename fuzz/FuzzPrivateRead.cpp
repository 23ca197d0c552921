// The private port's handler with a history store: a datagram is shown as one private
// message in a colour of the list and recorded with the same text, or dropped unshown and
// unrecorded; nothing is ever sent back, and an empty datagram does nothing.

#include "SessionFeed.h"

#include <cstdint>

namespace
{

// Records kept before the store starts afresh.
constexpr int StoreRecords = 256;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > size_t(MaxDatagramBytes))
        return 0; // the listener never hands such a datagram over
    static SessionFeed feed(true);
    HistoryTable &records = feed.store()->table();
    const QByteArray datagram(reinterpret_cast<const char *>(data), qsizetype(size));
    for (int round = 0; round < SessionFeed::Rounds; ++round) {
        const int before = records.recordCount();
        const SessionFeed::Outcome out = feed.feed(&ChatSession::PrivateRead, datagram, round);
        const bool handled = !datagram.isEmpty() && !out.refused;
        Require(out.privateMessages == (handled ? 1 : 0), "one message for each datagram handled");
        Require(out.colorOutOfList == 0, "a message is shown in a colour of the list");
        Require(out.emptyReplies == 0 && out.otherReplies == 0, "a private datagram gets no reply");
        Require(out.publicLines == 0, "the private port shows no public line");
        Require(records.recordCount() == before + (handled ? 1 : 0),
                "every message shown is recorded");
        if (handled) {
            records.last();
            Require(records.fieldText(HistoryField::mFullText) == out.lastBody,
                    "the record holds the text shown");
        }
    }
    if (records.recordCount() > StoreRecords)
        feed.resetHistory();
    return 0;
}
