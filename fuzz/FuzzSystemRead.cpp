// The system port's handler and the user-list refresh after it: an announcement heard twice
// from one address is one user, answered once each time; the refresh lists it under a
// non-empty nick, offers it as a recipient unless it is the user's own address, and frees
// the table. An empty datagram is never answered and stores nobody.

#include "SessionFeed.h"

#include <cstdint>

namespace
{

struct Refresh {
    qsizetype listed = 0;
    qsizetype items = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > size_t(MaxDatagramBytes))
        return 0; // the listener never hands such a datagram over
    static SessionFeed feed(false);
    static Refresh refresh;
    static const bool connected = [] {
        QObject::connect(&feed.session(), &ChatSession::usersRefreshed,
                         [](const QList<UsrInfo> &users, const QStringList &items) {
                             refresh = {users.size(), items.size()};
                         });
        return true;
    }();
    Require(connected, "the refresh is watched");

    const QByteArray datagram(reinterpret_cast<const char *>(data), qsizetype(size));
    ChatSession &session = feed.session();
    for (int round = 0; round < SessionFeed::Rounds; ++round) {
        for (int repeat = 0; repeat < 2; ++repeat) {
            const SessionFeed::Outcome out = feed.feed(&ChatSession::SystemRead, datagram, round);
            const bool handled = !datagram.isEmpty() && !out.refused;
            Require(out.emptyReplies == (handled ? 1 : 0), "one empty reply for each handled");
            Require(out.otherReplies == 0, "a reply carries no bytes");
            Require(out.publicLines == 0 && out.privateMessages == 0,
                    "an announcement shows no message");
            Require(session.Users().Count() <= 1, "one address and nick are one user");
        }
        refresh = {-1, -1};
        session.RefreshUsers();
        Require(session.Users().Count() == 0, "the refresh frees the table");
        Require(refresh.listed == session.ListedUsers().size() && refresh.listed <= 1,
                "the refresh reports the one user it lists");
        for (const UsrInfo &user : session.ListedUsers())
            Require(!user.Nick.isEmpty() && user.IP == SessionFeed::SenderIP,
                    "a listed user has a nick and the sender's address");
        const bool own = session.OwnIP() == SessionFeed::SenderIP;
        Require(refresh.items == (own ? 0 : refresh.listed),
                "every listed user but the own address is a recipient");
    }
    return 0;
}
