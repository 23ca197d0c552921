#include "UserTable.h"

#include "Cp1251.h"
#include "TestSupport.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

// The user table: storing announcements, sorting, ageing and the recipient box rules.
class TestUserTable final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void announcing_data();
    void announcing();
    void ordering_data();
    void ordering();
    void orderingMatchesNeighbourExchange_data();
    void orderingMatchesNeighbourExchange();
    void ageing_data();
    void ageing();
    void freeingKeepsAddresses();
    void fullTable();
    void recipients_data();
    void recipients();
    void splittingItems_data();
    void splittingItems();
};

namespace
{

using Slots = QList<UsrInfo>;

QString describe(const UsrInfo &u)
{
    return u"(%1, %2, %3)"_s.arg(u.Nick).arg(u.ColorIndex).arg(u.IP);
}

QStringList describe(std::span<const UsrInfo> users)
{
    QStringList out;
    for (const UsrInfo &u : users)
        out.append(describe(u));
    return out;
}

QStringList describe(const Slots &users)
{
    return describe(std::span<const UsrInfo>(users.constData(), size_t(users.size())));
}

QStringList nicks(const UserTable &table)
{
    QStringList out;
    for (const UsrInfo &u : table.Users())
        out.append(u.Nick);
    return out;
}

// One refresh as the main window runs it: sort, read the list, free.
QStringList refresh(UserTable &table)
{
    table.Sort();
    const QStringList listed = nicks(table);
    table.Free();
    return listed;
}

QString addressOf(int n)
{
    return u"10.0.%1.%2"_s.arg(n / 250).arg(n % 250 + 1);
}

// The order the refresh has always given: passes over neighbouring pairs, swapping a pair
// whose first nick is greater in code page 1251 bytes, until a pass swaps nothing.
Slots neighbourExchange(Slots users)
{
    bool swapped = true;
    while (swapped) {
        swapped = false;
        for (qsizetype i = 0; i + 1 < users.size(); ++i) {
            if (cp1251::compare(users[i].Nick, users[i + 1].Nick) > 0) {
                std::swap(users[i], users[i + 1]);
                swapped = true;
            }
        }
    }
    return users;
}

// A nick of 1 to maxLength characters drawn from alphabet.
QString randomNick(QRandomGenerator &random, const QString &alphabet, int maxLength)
{
    QString nick;
    const int length = 1 + int(random.bounded(maxLength));
    for (int i = 0; i < length; ++i)
        nick.append(alphabet.at(qsizetype(random.bounded(int(alphabet.size())))));
    return nick;
}

} // namespace

Q_DECLARE_METATYPE(UsrInfo)

void TestUserTable::announcing_data()
{
    QTest::addColumn<Slots>("announcements");
    QTest::addColumn<Slots>("stored");

    const QString a = u"192.168.1.20"_s;
    const QString b = u"192.168.1.21"_s;
    QTest::newRow("A new pair fills the first free slot")
        << Slots{{u"Ivan"_s, 12, a}} << Slots{{u"Ivan"_s, 12, a}};
    QTest::newRow("The same pair again updates its colour in place")
        << Slots{{u"Ivan"_s, 12, a}, {u"Olga"_s, 3, b}, {u"Ivan"_s, 5, a}}
        << Slots{{u"Ivan"_s, 5, a}, {u"Olga"_s, 3, b}};
    QTest::newRow("The same nick from two addresses is two users")
        << Slots{{u"Olga"_s, 1, a}, {u"Olga"_s, 1, b}}
        << Slots{{u"Olga"_s, 1, a}, {u"Olga"_s, 1, b}};
    QTest::newRow("Two nicks from one address are two users")
        << Slots{{u"Ivan"_s, 1, a}, {u"Olga"_s, 2, a}}
        << Slots{{u"Ivan"_s, 1, a}, {u"Olga"_s, 2, a}};
    QTest::newRow("Nicks differing in letter case are two users")
        << Slots{{u"Ivan"_s, 1, a}, {u"ivan"_s, 1, a}}
        << Slots{{u"Ivan"_s, 1, a}, {u"ivan"_s, 1, a}};
    QTest::newRow("An empty nick never adds a user") << Slots{{QString(), 5, a}} << Slots{};
    QTest::newRow("An empty nick between two users leaves the run unbroken")
        << Slots{{u"Ivan"_s, 1, a}, {QString(), 5, b}, {u"Olga"_s, 2, b}}
        << Slots{{u"Ivan"_s, 1, a}, {u"Olga"_s, 2, b}};
    QTest::newRow("A colour outside the list is stored as announced")
        << Slots{{u"Ivan"_s, -1, a}, {u"Olga"_s, 99, b}}
        << Slots{{u"Ivan"_s, -1, a}, {u"Olga"_s, 99, b}};
}

void TestUserTable::announcing()
{
    QFETCH(Slots, announcements);
    QFETCH(Slots, stored);

    UserTable table;
    for (const UsrInfo &u : announcements)
        QVERIFY(table.Announce(u.Nick, u.ColorIndex, u.IP));
    QCOMPARE(describe(table.Users()), describe(stored));
    QCOMPARE(table.Count(), stored.size());
}

void TestUserTable::ordering_data()
{
    QTest::addColumn<QStringList>("announced");
    QTest::addColumn<QStringList>("listed");

    QTest::newRow("bob, Anna and Борис are listed as Anna, bob, Борис")
        << QStringList{u"bob"_s, u"Anna"_s, u"Борис"_s}
        << QStringList{u"Anna"_s, u"bob"_s, u"Борис"_s};
    QTest::newRow("Capital Cyrillic comes before small")
        << QStringList{u"борис"_s, u"Борис"_s} << QStringList{u"Борис"_s, u"борис"_s};
    QTest::newRow("A nick that is a prefix of another comes first")
        << QStringList{u"Anna2"_s, u"Ann"_s, u"Anna"_s}
        << QStringList{u"Ann"_s, u"Anna"_s, u"Anna2"_s};
    // In these rows byte order and UTF-16 order disagree.
    QTest::newRow("ёж (B8) comes before ад (E0), though U+0451 follows U+0430")
        << QStringList{u"ад"_s, u"ёж"_s} << QStringList{u"ёж"_s, u"ад"_s};
    QTest::newRow("№ (B9) comes before я (FF), though U+2116 follows U+044F")
        << QStringList{u"я"_s, u"№1"_s} << QStringList{u"№1"_s, u"я"_s};
    QTest::newRow("€ (88) comes between Ђ (80) and а (E0), though U+20AC follows both")
        << QStringList{u"а"_s, u"€"_s, u"Ђ"_s} << QStringList{u"Ђ"_s, u"€"_s, u"а"_s};
    QTest::newRow("Digits and punctuation come before letters")
        << QStringList{u"a"_s, u"_x"_s, u"1st"_s, u"Z"_s}
        << QStringList{u"1st"_s, u"Z"_s, u"_x"_s, u"a"_s};
    QTest::newRow("A list in reverse order is turned round")
        << QStringList{u"e"_s, u"d"_s, u"c"_s, u"b"_s, u"a"_s}
        << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s};
    QTest::newRow("Equal nicks from two addresses stay side by side")
        << QStringList{u"Olga"_s, u"Anna"_s, u"Olga"_s}
        << QStringList{u"Anna"_s, u"Olga"_s, u"Olga"_s};
}

void TestUserTable::ordering()
{
    QFETCH(QStringList, announced);
    QFETCH(QStringList, listed);

    UserTable table;
    for (int i = 0; i < announced.size(); ++i)
        table.Announce(announced.at(i), i, addressOf(i));
    table.Sort();
    QCOMPARE(nicks(table), listed);
    // Each slot moves whole: colour and address stay with their nick.
    for (const UsrInfo &u : table.Users()) {
        const int i = u.ColorIndex;
        QCOMPARE(announced.at(i), u.Nick);
        QCOMPARE(u.IP, addressOf(i));
    }
}

void TestUserTable::orderingMatchesNeighbourExchange_data()
{
    QTest::addColumn<QString>("stem"); // what every nick starts with
    QTest::addColumn<QString>("alphabet");
    QTest::addColumn<int>("maxLength");

    // Few letters and short nicks give many equal nicks and prefixes.
    QTest::newRow("Short nicks of two letters, many of them equal") << QString() << u"ab"_s << 3;
    QTest::newRow("Latin and Cyrillic of both cases, digits and signs")
        << QString() << u"aZ09_-ЁёАаЯяЖж"_s << 8;
    QTest::newRow("Characters outside the code page, sent as question marks")
        << QString() << u"中?a€Ω"_s << 4;
    // Long nicks are told apart beyond the first characters the sort looks at.
    QTest::newRow("Long nicks that share their first 40 characters")
        << QString(40, u'Ж') << u"aбZ"_s << 4;
    QTest::newRow("Long nicks, a character outside the basic plane where they start to differ")
        << QString(31, u'x') << u"a😀"_s << 6;
}

void TestUserTable::orderingMatchesNeighbourExchange()
{
    QFETCH(QString, stem);
    QFETCH(QString, alphabet);
    QFETCH(int, maxLength);

    QRandomGenerator random(1251);
    for (int round = 0; round < 4; ++round) {
        UserTable table;
        Slots announced;
        while (announced.size() < UserTable::Capacity) {
            const UsrInfo user{stem + randomNick(random, alphabet, maxLength),
                               int(announced.size()), addressOf(int(announced.size()))};
            QVERIFY(table.Announce(user.Nick, user.ColorIndex, user.IP));
            announced.append(user);
        }
        table.Sort();
        // Whole slots, so equal nicks must also keep the order they were heard in.
        QCOMPARE(describe(table.Users()), describe(neighbourExchange(announced)));
    }
}

void TestUserTable::ageing_data()
{
    QTest::addColumn<QList<QStringList>>("heardPerPeriod");
    QTest::addColumn<QList<QStringList>>("listedPerRefresh");

    QTest::newRow(
        "A peer that falls silent is listed at the next refresh and gone at the one after")
        << QList<QStringList>{{u"Ivan"_s, u"Olga"_s}, {u"Olga"_s}, {u"Olga"_s}}
        << QList<QStringList>{{u"Ivan"_s, u"Olga"_s}, {u"Olga"_s}, {u"Olga"_s}};
    QTest::newRow("A peer heard twice in one period is listed once")
        << QList<QStringList>{{u"Ivan"_s, u"Ivan"_s}, {}} << QList<QStringList>{{u"Ivan"_s}, {}};
    QTest::newRow("A peer that comes back is listed again")
        << QList<QStringList>{{u"Ivan"_s}, {}, {u"Ivan"_s}}
        << QList<QStringList>{{u"Ivan"_s}, {}, {u"Ivan"_s}};
    QTest::newRow("Whoever announces first after a refresh takes slot 0")
        << QList<QStringList>{{u"Anna"_s, u"Olga"_s}, {u"Olga"_s, u"Anna"_s}}
        << QList<QStringList>{{u"Anna"_s, u"Olga"_s}, {u"Anna"_s, u"Olga"_s}};
}

void TestUserTable::ageing()
{
    QFETCH(QList<QStringList>, heardPerPeriod);
    QFETCH(QList<QStringList>, listedPerRefresh);

    UserTable table;
    for (int period = 0; period < heardPerPeriod.size(); ++period) {
        for (const QString &nick : heardPerPeriod.at(period))
            table.Announce(nick, 1, u"192.168.1.20"_s);
        QCOMPARE(refresh(table), listedPerRefresh.at(period));
        QCOMPARE(table.Count(), 0);
    }
}

void TestUserTable::freeingKeepsAddresses()
{
    UserTable table;
    table.Announce(u"Ivan"_s, 12, u"192.168.1.20"_s);
    table.Announce(u"Olga"_s, 3, u"192.168.1.21"_s);
    table.Free();

    QCOMPARE(table.Count(), 0);
    QCOMPARE(describe(table.Slot(0)), u"(, -1, 192.168.1.20)"_s);
    QCOMPARE(describe(table.Slot(1)), u"(, -1, 192.168.1.21)"_s);
    QCOMPARE(describe(table.Slot(2)), u"(, 0, )"_s); // never used
    QCOMPARE(describe(table.Slot(UserTable::Capacity - 1)), u"(, 0, )"_s);

    // A freed slot is reused whole by the next new user.
    table.Announce(u"Anna"_s, 7, u"192.168.1.22"_s);
    QCOMPARE(describe(table.Users()), QStringList{u"(Anna, 7, 192.168.1.22)"_s});
}

void TestUserTable::fullTable()
{
    UserTable table;
    for (int i = 0; i < UserTable::Capacity; ++i)
        QVERIFY(table.Announce(u"user%1"_s.arg(i), 1, addressOf(i)));
    QCOMPARE(table.Count(), UserTable::Capacity);

    // A 256th user is not stored; users already in the table are still updated.
    QVERIFY(!table.Announce(u"latecomer"_s, 1, addressOf(255)));
    QVERIFY(table.Announce(u"user7"_s, 9, addressOf(7)));
    QCOMPARE(table.Count(), UserTable::Capacity);
    QVERIFY(!nicks(table).contains(u"latecomer"_s));
    QCOMPARE(table.Slot(7).ColorIndex, 9);

    // After the refresh frees the table the latecomer gets a slot.
    table.Free();
    QVERIFY(table.Announce(u"latecomer"_s, 1, addressOf(255)));
    QCOMPARE(nicks(table), QStringList{u"latecomer"_s});
}

void TestUserTable::recipients_data()
{
    QTest::addColumn<Slots>("users");
    QTest::addColumn<QString>("ownIp");
    QTest::addColumn<QString>("previousText");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("text");

    const QString own = u"192.168.1.10"_s;
    const QString olgaIp = u"192.168.1.20"_s;
    const QString annaIp = u"192.168.1.30"_s;
    const QString olga = u"Olga - 192.168.1.20"_s;
    const QString anna = u"Anna - 192.168.1.30"_s;

    QTest::newRow("Alone in the chat, the box is left to the window's prompt")
        << Slots{{u"Ivan"_s, 1, own}} << own << QString() << QStringList{} << QString();
    QTest::newRow("The own entry is left out and the first item is selected")
        << Slots{{u"Ivan"_s, 1, own}, {u"Olga"_s, 2, olgaIp}} << own << QString()
        << QStringList{olga} << olga;
    QTest::newRow("Every copy on the own address is left out")
        << Slots{{u"Ivan"_s, 1, own}, {u"Petr"_s, 2, own}} << own << u"Prompt"_s << QStringList{}
        << QString();
    QTest::newRow("An empty own address leaves nothing out")
        << Slots{{u"Ivan"_s, 1, own}, {u"Olga"_s, 2, olgaIp}} << QString() << QString()
        << QStringList{u"Ivan - 192.168.1.10"_s, olga} << u"Ivan - 192.168.1.10"_s;
    QTest::newRow("The same nick from two addresses gives two items")
        << Slots{{u"Olga"_s, 2, olgaIp}, {u"Olga"_s, 2, annaIp}} << own << QString()
        << QStringList{olga, u"Olga - 192.168.1.30"_s} << olga;
    QTest::newRow("A chosen recipient stays chosen while their item exists")
        << Slots{{u"Anna"_s, 1, annaIp}, {u"Olga"_s, 2, olgaIp}} << own << olga
        << QStringList{anna, olga} << olga;
    QTest::newRow("A recipient whose item is gone gives way to the first item")
        << Slots{{u"Anna"_s, 1, annaIp}} << own << olga << QStringList{anna} << anna;
    QTest::newRow("A recipient announced from another address is a different item")
        << Slots{{u"Olga"_s, 1, annaIp}} << own << olga << QStringList{u"Olga - 192.168.1.30"_s}
        << u"Olga - 192.168.1.30"_s;
    QTest::newRow("A text typed by hand that matches no item is replaced")
        << Slots{{u"Anna"_s, 1, annaIp}} << own << u"Anna"_s << QStringList{anna} << anna;
    QTest::newRow("The last item gone leaves no text, for the window's prompt")
        << Slots{} << own << olga << QStringList{} << QString();
}

void TestUserTable::recipients()
{
    QFETCH(Slots, users);
    QFETCH(QString, ownIp);
    QFETCH(QString, previousText);
    QFETCH(QStringList, items);
    QFETCH(QString, text);

    UserTable table;
    for (const UsrInfo &u : users)
        table.Announce(u.Nick, u.ColorIndex, u.IP);
    const QStringList actualItems = RecipientItems(table, ownIp);
    QCOMPARE(actualItems, items);
    QCOMPARE(RecipientText(previousText, actualItems), text);
}

void TestUserTable::splittingItems_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("nick");
    QTest::addColumn<QString>("ip");
    QTest::newRow("an item") << u"Olga - 192.168.1.20"_s << u"Olga"_s << u"192.168.1.20"_s;
    QTest::newRow("the first dash splits")
        << u"Anna - B - 10.0.0.1"_s << u"Anna"_s << u"B - 10.0.0.1"_s;
    QTest::newRow("an empty nick") << u" - 10.0.0.1"_s << QString() << u"10.0.0.1"_s;
    QTest::newRow("no dash: past the first two characters")
        << u"> 10.0.0.7"_s << QString() << u"10.0.0.7"_s;
}

void TestUserTable::splittingItems()
{
    QFETCH(QString, item);
    QFETCH(QString, nick);
    QFETCH(QString, ip);
    const Recipient recipient = SplitRecipientItem(item);
    QCOMPARE(recipient.Nick, nick);
    QCOMPARE(recipient.IP, ip);
}

PALAVRIX_TEST_APPLESS_MAIN(TestUserTable)
#include "tst_UserTable.moc"
