#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <span>

// One slot of the user table; a slot with an empty nick is free.
struct UsrInfo {
    QString Nick;
    int ColorIndex = 0;
    QString IP;
};

// The users heard on the system port since the last refresh: 255 fixed slots whose
// occupied ones always form an unbroken run from slot 0. A user is the pair (Nick, IP).
class UserTable final
{
public:
    static constexpr int Capacity = 255;

    // Stores an announcement: updates the slot of the pair, or fills the first free slot
    // when the pair is new. False when the table is full and the pair is new.
    bool Announce(const QString &nick, int colorIndex, const QString &ip);
    // Orders the occupied slots by nick, equal nicks keeping their order; nicks compare as
    // code page 1251 bytes, unsigned, a prefix first.
    void Sort();
    // Frees the occupied slots: empty nick, colour -1, the address kept.
    void Free();

    // The occupied slots, from slot 0.
    std::span<const UsrInfo> Users() const;
    int Count() const;
    // Any slot, free ones included; index 0 to 254.
    const UsrInfo &Slot(int index) const;

private:
    std::array<UsrInfo, Capacity> m_slots;
};

// One user's recipient box item, "Nick - IP".
QString RecipientItem(const UsrInfo &user);
// The recipient box's items: "Nick - IP" for each listed user whose address differs from
// ownIp; an empty ownIp leaves nothing out.
QStringList RecipientItems(const UserTable &table, const QString &ownIp);

// The box's text after a refresh: the previous text while it is still an item, else the
// first item, else empty (the window then shows its prompt).
QString RecipientText(const QString &previousText, const QStringList &items);

struct Recipient {
    QString Nick;
    QString IP;
};

// Takes a recipient box text apart at its first " - "; text without one names no nick,
// and its address is what follows the first two characters.
Recipient SplitRecipientItem(const QString &item);
