#include "UserTable.h"

#include "Cp1251.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace
{

// Nicks and addresses are decoded code page 1251 text, so equal text means equal bytes.
bool samePair(const UsrInfo &slot, const QString &nick, const QString &ip)
{
    return slot.Nick == nick && slot.IP == ip;
}

// Unsigned byte order, a prefix first.
bool bytesBefore(const QByteArray &a, const QByteArray &b)
{
    const qsizetype n = std::min(a.size(), b.size());
    const int d = n == 0 ? 0 : std::memcmp(a.constData(), b.constData(), size_t(n));
    return d < 0 || (d == 0 && a.size() < b.size());
}

// Enough of a nick's bytes to tell most nicks apart.
constexpr qsizetype KeyPrefixChars = 32;

} // namespace

bool UserTable::Announce(const QString &nick, int colorIndex, const QString &ip)
{
    UsrInfo *vacant = nullptr;
    for (UsrInfo &slot : m_slots) {
        if (samePair(slot, nick, ip)) {
            slot = UsrInfo{nick, colorIndex, ip};
            return true;
        }
        if (!vacant && slot.Nick.isEmpty())
            vacant = &slot;
    }
    if (!vacant)
        return false;
    *vacant = UsrInfo{nick, colorIndex, ip};
    return true;
}

// The same order as neighbour-exchange passes that swap only a strictly greater nick to
// the right: a stable sort by the nicks' code page 1251 bytes. Each nick is encoded once, and
// only as far as the comparisons need: its first KeyPrefixChars characters, the whole nick
// only when another nick shares that much.
void UserTable::Sort()
{
    struct Keyed {
        UsrInfo user;
        mutable QByteArray key; // a prefix of the nick's bytes until `whole`
        mutable bool whole;
        void complete() const
        {
            if (!whole) {
                key = cp1251::encode(user.Nick);
                whole = true;
            }
        }
    };
    const int count = Count();
    std::vector<Keyed> keyed;
    keyed.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        UsrInfo &slot = m_slots[size_t(i)];
        const bool whole = slot.Nick.size() <= KeyPrefixChars;
        QByteArray key = cp1251::encode(whole ? slot.Nick : slot.Nick.left(KeyPrefixChars));
        keyed.push_back(Keyed{std::move(slot), std::move(key), whole});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) {
        const qsizetype n = std::min(a.key.size(), b.key.size());
        const int d = n == 0 ? 0 : std::memcmp(a.key.constData(), b.key.constData(), size_t(n));
        if (d != 0)
            return d < 0;
        a.complete();
        b.complete();
        return bytesBefore(a.key, b.key);
    });
    for (int i = 0; i < count; ++i)
        m_slots[size_t(i)] = std::move(keyed[size_t(i)].user);
}

void UserTable::Free()
{
    for (UsrInfo &slot : m_slots) {
        if (slot.Nick.isEmpty())
            break;
        slot.Nick.clear();
        slot.ColorIndex = -1;
    }
}

std::span<const UsrInfo> UserTable::Users() const
{
    return std::span<const UsrInfo>(m_slots.data(), size_t(Count()));
}

int UserTable::Count() const
{
    int n = 0;
    while (n < Capacity && !m_slots[size_t(n)].Nick.isEmpty())
        ++n;
    return n;
}

const UsrInfo &UserTable::Slot(int index) const
{
    return m_slots.at(size_t(index));
}

QString RecipientItem(const UsrInfo &user)
{
    return user.Nick % u" - " % user.IP;
}

QStringList RecipientItems(const UserTable &table, const QString &ownIp)
{
    QStringList items;
    for (const UsrInfo &user : table.Users()) {
        if (ownIp.isEmpty() || user.IP != ownIp)
            items.append(RecipientItem(user));
    }
    return items;
}

QString RecipientText(const QString &previousText, const QStringList &items)
{
    if (items.contains(previousText))
        return previousText;
    if (!items.isEmpty())
        return items.first();
    return {};
}

Recipient SplitRecipientItem(const QString &item)
{
    const qsizetype dash = item.indexOf(u" - ");
    if (dash < 0)
        return Recipient{QString(), item.mid(2)};
    return Recipient{item.left(dash), item.mid(dash + 3)};
}
