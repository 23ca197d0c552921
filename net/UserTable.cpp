#include "UserTable.h"

#include "Cp1251.h"

#include <utility>

namespace
{

// Nicks and addresses are decoded code page 1251 text, so equal text means equal bytes.
bool samePair(const UsrInfo &slot, const QString &nick, const QString &ip)
{
    return slot.Nick == nick && slot.IP == ip;
}

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

void UserTable::Sort()
{
    // Pairs past the occupied run never qualify, so the passes stop at its end.
    const int count = Count();
    bool swapped = true;
    while (swapped) {
        swapped = false;
        for (int i = 0; i + 1 < count; ++i) {
            UsrInfo &a = m_slots[size_t(i)];
            UsrInfo &b = m_slots[size_t(i) + 1];
            if (cp1251::compare(a.Nick, b.Nick) > 0) {
                std::swap(a, b);
                swapped = true;
            }
        }
    }
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

QStringList RecipientItems(const UserTable &table, const QString &ownIp)
{
    QStringList items;
    for (const UsrInfo &user : table.Users()) {
        if (ownIp.isEmpty() || user.IP != ownIp)
            items.append(user.Nick % u" - " % user.IP);
    }
    return items;
}

QString RecipientText(const QString &previousText, const QStringList &items)
{
    if (items.contains(previousText))
        return previousText;
    if (!items.isEmpty())
        return items.first();
    return ChooseUserPrompt;
}

Recipient SplitRecipientItem(const QString &item)
{
    const qsizetype dash = item.indexOf(u" - ");
    if (dash < 0)
        return Recipient{QString(), item.mid(2)};
    return Recipient{item.left(dash), item.mid(dash + 3)};
}
