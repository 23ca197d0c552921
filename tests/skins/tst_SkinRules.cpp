#include "SkinRules.h"
#include "SkinSearch.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(LayoutClass)
Q_DECLARE_METATYPE(LayoutMove::Direction)

class TestSkinRules final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void displayName_data();
    void displayName();
    void builtInEntries();
    void builtInStyleOfIndex_data();
    void builtInStyleOfIndex();
    void tintedNamesCompareExactly_data();
    void tintedNamesCompareExactly();
    void contrastingText_data();
    void contrastingText();

    void classOfPanelTop_data();
    void classOfPanelTop();
    void classOfName_data();
    void classOfName();
    void moveTable_data();
    void moveTable();
    void noMoveWithinAClassOrWithoutOne_data();
    void noMoveWithinAClassOrWithoutOne();
    void movesLeadFromClassToClass_data();
    void movesLeadFromClassToClass();
    void adjustedLayout_data();
    void adjustedLayout();
    void mp10ThenLonghornMovesNothing();
    void nothingMovesBeforeAClassIsInForce();

    void keptSelectionIsTheFirstEqualEntry_data();
    void keptSelectionIsTheFirstEqualEntry();
    void restoredSelectionIsTheLastEqualEntry_data();
    void restoredSelectionIsTheLastEqualEntry();

    void scanOfAMissingOrEmptyFolder();
    void scanListsAtMost250Files();
    void scanMatchesTheExtensionInAnyCase();
    void scanListsEveryKindOfEntry();
    void duplicateOfABuiltInName();
    void searchStaysEmptyWhenRunOutUntilCleared();
    void clearedSearchStartsFromTheFirstFile();
    void skinsFolderIsBesideTheExecutable();
};

namespace
{

// Creates `names` as small files in `dir`.
void createFiles(const QTemporaryDir &dir, const QStringList &names)
{
    for (const QString &name : names)
        testsupport::writeFile(dir.filePath(name), "PalavrixTheme 1\n");
}

QStringList themeNames(int count)
{
    QStringList names;
    for (int i = 0; i < count; ++i)
        names.append(QStringLiteral("Theme%1.sui").arg(i, 3, 10, QLatin1Char('0')));
    return names;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

} // namespace

void TestSkinRules::displayName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("a Windows path loses its folder and extension")
        << QStringLiteral("C:\\Palavrix\\Skins\\msn.sui") << QStringLiteral("msn");
    QTest::newRow("a Unix path loses its folder and extension")
        << QStringLiteral("/opt/palavrix/Skins/OrangeGlass.sui") << QStringLiteral("OrangeGlass");
    QTest::newRow("mixed separators: everything up to the last one goes")
        << QStringLiteral("/opt\\x/Skins\\mp10.sui") << QStringLiteral("mp10");
    QTest::newRow("a bare name") << QStringLiteral("Longhorn.sui") << QStringLiteral("Longhorn");
    QTest::newRow("a capital extension stays")
        << QStringLiteral("/Skins/Loud.SUI") << QStringLiteral("Loud.SUI");
    QTest::newRow("a mixed-case extension stays")
        << QStringLiteral("/Skins/Mixed.Sui") << QStringLiteral("Mixed.Sui");
    QTest::newRow("only the first .sui is removed")
        << QStringLiteral("/Skins/a.sui.sui") << QStringLiteral("a.sui");
    QTest::newRow(".sui inside the name is removed where it first occurs")
        << QStringLiteral("/Skins/x.suite.sui") << QStringLiteral("xte.sui");
    QTest::newRow("no extension: the name stays whole")
        << QStringLiteral("/Skins/README") << QStringLiteral("README");
    QTest::newRow("a folder path ending in a separator gives nothing")
        << QStringLiteral("/Skins/") << QString();
    QTest::newRow("Cyrillic names keep their letters")
        << QStringLiteral("/Skins/Синий.sui") << QStringLiteral("Синий");
    QTest::newRow("the extension alone") << QStringLiteral(".sui") << QString();
}

void TestSkinRules::displayName()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(SkinDisplayName(path), expected);
}

void TestSkinRules::builtInEntries()
{
    QCOMPARE(BuiltInSkinNames(),
             (QStringList{QStringLiteral("BlueGlass"), QStringLiteral("DeepBlue"),
                          QStringLiteral("Protein"), QStringLiteral("WinXP")}));
    for (int i = 0; i < 4; ++i)
        QCOMPARE(BuiltInStyleName(BuiltInStyleOfIndex(i).value()), BuiltInSkinNames()[i]);
    QVERIFY(BuiltInStyleName(TsuiUIStyle::FromThemeFile).isEmpty());
}

void TestSkinRules::builtInStyleOfIndex_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("builtIn");
    QTest::addColumn<int>("style");
    QTest::newRow("0 is BlueGlass") << 0 << true << int(TsuiUIStyle::BlueGlass);
    QTest::newRow("1 is DeepBlue") << 1 << true << int(TsuiUIStyle::DeepBlue);
    QTest::newRow("2 is Protein") << 2 << true << int(TsuiUIStyle::Protein);
    QTest::newRow("3 is WinXP") << 3 << true << int(TsuiUIStyle::WinXP);
    QTest::newRow("4 is the first theme file") << 4 << false << 0;
    QTest::newRow("no selection") << -1 << false << 0;
}

void TestSkinRules::builtInStyleOfIndex()
{
    QFETCH(int, index);
    QFETCH(bool, builtIn);
    QFETCH(int, style);
    const std::optional<TsuiUIStyle> found = BuiltInStyleOfIndex(index);
    QCOMPARE(found.has_value(), builtIn);
    if (builtIn)
        QCOMPARE(int(*found), style);
}

void TestSkinRules::tintedNamesCompareExactly_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("tinted");
    const QStringList names{"DeepCyan",    "DeepGreen",    "DeepOrange", "GreenGlass",
                            "RealOne",     "SportsBlack",  "SportsBlue", "SportsCyan",
                            "SportsGreen", "SportsOrange", "BrownGlass", "OrangeGlass"};
    for (const QString &name : names)
        QTest::newRow(qPrintable(name)) << name << true;
    QTest::newRow("case counts") << QStringLiteral("orangeglass") << false;
    QTest::newRow("no trimming") << QStringLiteral("OrangeGlass ") << false;
    QTest::newRow("with its extension") << QStringLiteral("OrangeGlass.sui") << false;
    QTest::newRow("a built-in style") << QStringLiteral("BlueGlass") << false;
    QTest::newRow("msn") << QStringLiteral("msn") << false;
}

void TestSkinRules::tintedNamesCompareExactly()
{
    QFETCH(QString, name);
    QFETCH(bool, tinted);
    QCOMPARE(IsTintedSkinName(name), tinted);
    QCOMPARE(TintedSkinNames().size(), 12);
}

void TestSkinRules::contrastingText_data()
{
    QTest::addColumn<QColor>("background");
    QTest::addColumn<QColor>("text");
    QTest::newRow("white") << QColor(Qt::white) << QColor(Qt::black);
    QTest::newRow("black") << QColor(Qt::black) << QColor(Qt::white);
    QTest::newRow("navy") << QColor(0x1F, 0x45, 0x85) << QColor(Qt::white);
    QTest::newRow("light orange") << QColor(0xF5, 0xB0, 0x6A) << QColor(Qt::black);
    QTest::newRow("pure red") << QColor(Qt::red) << QColor(Qt::black);
    QTest::newRow("pure blue") << QColor(Qt::blue) << QColor(Qt::white);
    QTest::newRow("middle grey") << QColor(0x80, 0x80, 0x80) << QColor(Qt::black);
    QTest::newRow("dark grey") << QColor(0x60, 0x60, 0x60) << QColor(Qt::white);
}

void TestSkinRules::contrastingText()
{
    QFETCH(QColor, background);
    QFETCH(QColor, text);
    QCOMPARE(ContrastingTextColor(background), text);
}

void TestSkinRules::classOfPanelTop_data()
{
    QTest::addColumn<int>("top");
    QTest::addColumn<LayoutClass>("layoutClass");
    QTest::newRow("76: standard") << 76 << LayoutClass::Standard;
    QTest::newRow("86: mp10") << 86 << LayoutClass::Mp10;
    QTest::newRow("91: msn") << 91 << LayoutClass::Msn;
    QTest::newRow("75, as built: none") << 75 << LayoutClass::None;
    QTest::newRow("77: none") << 77 << LayoutClass::None;
    QTest::newRow("0: none") << 0 << LayoutClass::None;
}

void TestSkinRules::classOfPanelTop()
{
    QFETCH(int, top);
    QFETCH(LayoutClass, layoutClass);
    QCOMPARE(LayoutClassOfPanelTop(top), layoutClass);
    if (layoutClass != LayoutClass::None)
        QCOMPARE(LayoutValuesOf(layoutClass).mainPanelTop, top);
}

void TestSkinRules::classOfName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<LayoutClass>("layoutClass");
    QTest::newRow("msn") << QStringLiteral("msn") << LayoutClass::Msn;
    QTest::newRow("mp10") << QStringLiteral("mp10") << LayoutClass::Mp10;
    QTest::newRow("Longhorn") << QStringLiteral("Longhorn") << LayoutClass::Mp10;
    QTest::newRow("MSN in capitals is standard") << QStringLiteral("MSN") << LayoutClass::Standard;
    QTest::newRow("longhorn in lower case is standard")
        << QStringLiteral("longhorn") << LayoutClass::Standard;
    QTest::newRow("a built-in style") << QStringLiteral("WinXP") << LayoutClass::Standard;
    QTest::newRow("another theme file") << QStringLiteral("OrangeGlass") << LayoutClass::Standard;
    QTest::newRow("empty") << QString() << LayoutClass::Standard;
}

void TestSkinRules::classOfName()
{
    QFETCH(QString, name);
    QFETCH(LayoutClass, layoutClass);
    QCOMPARE(LayoutClassOfName(name), layoutClass);
}

void TestSkinRules::moveTable_data()
{
    QTest::addColumn<LayoutClass>("from");
    QTest::addColumn<LayoutClass>("to");
    QTest::addColumn<LayoutMove::Direction>("direction");
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::newRow("msn to mp10 moves up 5/7")
        << LayoutClass::Msn << LayoutClass::Mp10 << LayoutMove::Up << 5 << 7;
    QTest::newRow("msn to standard moves up 15/14")
        << LayoutClass::Msn << LayoutClass::Standard << LayoutMove::Up << 15 << 14;
    QTest::newRow("mp10 to standard moves up 10/7")
        << LayoutClass::Mp10 << LayoutClass::Standard << LayoutMove::Up << 10 << 7;
    QTest::newRow("mp10 to msn moves down 5/7")
        << LayoutClass::Mp10 << LayoutClass::Msn << LayoutMove::Down << 5 << 7;
    QTest::newRow("standard to msn moves down 15/14")
        << LayoutClass::Standard << LayoutClass::Msn << LayoutMove::Down << 15 << 14;
    QTest::newRow("standard to mp10 moves down 10/7")
        << LayoutClass::Standard << LayoutClass::Mp10 << LayoutMove::Down << 10 << 7;
}

void TestSkinRules::moveTable()
{
    QFETCH(LayoutClass, from);
    QFETCH(LayoutClass, to);
    QFETCH(LayoutMove::Direction, direction);
    QFETCH(int, a);
    QFETCH(int, b);
    const std::optional<LayoutMove> move = LayoutMoveBetween(from, to);
    QVERIFY(move.has_value());
    QCOMPARE(*move, (LayoutMove{direction, a, b}));

    // Moving up takes a from Panel1's top and b from the other tops and window heights.
    const LayoutValues before = LayoutValuesOf(from);
    const LayoutValues after = MovedLayout(before, *move);
    const int sign = direction == LayoutMove::Up ? -1 : 1;
    QCOMPARE(after.mainPanelTop - before.mainPanelTop, sign * a);
    QCOMPARE(after.mainPanelHeight - before.mainPanelHeight, -sign * a);
    QCOMPARE(after.settingsPageTop - before.settingsPageTop, sign * b);
    QCOMPARE(after.settingsHeight - before.settingsHeight, sign * b);
    QCOMPARE(after.privateViewTop - before.privateViewTop, sign * b);
    QCOMPARE(after.privateViewHeight - before.privateViewHeight, -sign * b);
    QCOMPARE(after.historyPageTop - before.historyPageTop, sign * b);
    QCOMPARE(after.historyPageHeight - before.historyPageHeight, -sign * b);
    QCOMPARE(after.viewerHeight - before.viewerHeight, sign * b);
    QCOMPARE(after.viewerGroupTop - before.viewerGroupTop, sign * b);
}

void TestSkinRules::noMoveWithinAClassOrWithoutOne_data()
{
    QTest::addColumn<LayoutClass>("from");
    QTest::addColumn<LayoutClass>("to");
    for (const auto &[name, layoutClass] :
         {std::pair{"standard", LayoutClass::Standard}, std::pair{"mp10", LayoutClass::Mp10},
          std::pair{"msn", LayoutClass::Msn}}) {
        QTest::newRow(qPrintable(QStringLiteral("%1 to itself").arg(QLatin1String(name))))
            << layoutClass << layoutClass;
        QTest::newRow(qPrintable(QStringLiteral("none to %1").arg(QLatin1String(name))))
            << LayoutClass::None << layoutClass;
    }
}

void TestSkinRules::noMoveWithinAClassOrWithoutOne()
{
    QFETCH(LayoutClass, from);
    QFETCH(LayoutClass, to);
    QVERIFY(!LayoutMoveBetween(from, to).has_value());
}

void TestSkinRules::movesLeadFromClassToClass_data()
{
    moveTable_data();
}

void TestSkinRules::movesLeadFromClassToClass()
{
    QFETCH(LayoutClass, from);
    QFETCH(LayoutClass, to);
    // Every move of the table turns one class's values into exactly the other's.
    QCOMPARE(MovedLayout(LayoutValuesOf(from), *LayoutMoveBetween(from, to)), LayoutValuesOf(to));
}

void TestSkinRules::adjustedLayout_data()
{
    QTest::addColumn<LayoutClass>("current");
    QTest::addColumn<QString>("name");
    QTest::addColumn<LayoutClass>("expected");
    QTest::newRow("standard, msn picked")
        << LayoutClass::Standard << QStringLiteral("msn") << LayoutClass::Msn;
    QTest::newRow("msn, WinXP picked")
        << LayoutClass::Msn << QStringLiteral("WinXP") << LayoutClass::Standard;
    QTest::newRow("msn, Longhorn picked")
        << LayoutClass::Msn << QStringLiteral("Longhorn") << LayoutClass::Mp10;
    QTest::newRow("mp10, OrangeGlass picked")
        << LayoutClass::Mp10 << QStringLiteral("OrangeGlass") << LayoutClass::Standard;
    QTest::newRow("standard, BlueGlass picked")
        << LayoutClass::Standard << QStringLiteral("BlueGlass") << LayoutClass::Standard;
}

void TestSkinRules::adjustedLayout()
{
    QFETCH(LayoutClass, current);
    QFETCH(QString, name);
    QFETCH(LayoutClass, expected);
    QCOMPARE(AdjustedLayout(LayoutValuesOf(current), name), LayoutValuesOf(expected));
}

void TestSkinRules::mp10ThenLonghornMovesNothing()
{
    const LayoutValues mp10 = AdjustedLayout(LayoutValuesOf(LayoutClass::Standard), "mp10");
    QCOMPARE(mp10, LayoutValuesOf(LayoutClass::Mp10));
    QCOMPARE(AdjustedLayout(mp10, QStringLiteral("Longhorn")), mp10);
}

void TestSkinRules::nothingMovesBeforeAClassIsInForce()
{
    const LayoutValues built = LayoutValuesOf(LayoutClass::None);
    QCOMPARE(built.mainPanelTop, 75);
    QCOMPARE(LayoutClassOfPanelTop(built.mainPanelTop), LayoutClass::None);
    for (const char *name : {"msn", "mp10", "Longhorn", "WinXP", "OrangeGlass"})
        QCOMPARE(AdjustedLayout(built, QLatin1String(name)), built);
}

void TestSkinRules::keptSelectionIsTheFirstEqualEntry_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<std::optional<QString>>("remembered");
    QTest::addColumn<int>("selected");
    const QStringList withDuplicate = BuiltInSkinNames() + QStringList{"msn", "WinXP"};
    QTest::newRow("nothing remembered") << withDuplicate << std::optional<QString>() << -1;
    QTest::newRow("a theme file") << withDuplicate << std::optional<QString>("msn") << 4;
    QTest::newRow("a duplicate name picks the built-in entry")
        << withDuplicate << std::optional<QString>("WinXP") << 3;
    QTest::newRow("a removed theme file selects nothing")
        << BuiltInSkinNames() << std::optional<QString>("msn") << -1;
    QTest::newRow("the case counts") << withDuplicate << std::optional<QString>("MSN") << -1;
    QTest::newRow("an empty remembered text matches nothing")
        << withDuplicate << std::optional<QString>(QString()) << -1;
}

void TestSkinRules::keptSelectionIsTheFirstEqualEntry()
{
    QFETCH(QStringList, entries);
    QFETCH(std::optional<QString>, remembered);
    QFETCH(int, selected);
    QCOMPARE(KeptSkinSelection(entries, remembered), selected);
}

void TestSkinRules::restoredSelectionIsTheLastEqualEntry_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("saved");
    QTest::addColumn<int>("selected");
    const QStringList withDuplicate = BuiltInSkinNames() + QStringList{"msn", "WinXP"};
    QTest::newRow("a duplicate name picks the theme file") << withDuplicate << "WinXP" << 5;
    QTest::newRow("a built-in style") << withDuplicate << "Protein" << 2;
    QTest::newRow("a theme file") << withDuplicate << "msn" << 4;
    QTest::newRow("a name that matches nothing") << withDuplicate << "Gone" << -1;
    QTest::newRow("the case counts") << withDuplicate << "winxp" << -1;
}

void TestSkinRules::restoredSelectionIsTheLastEqualEntry()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, saved);
    QFETCH(int, selected);
    QCOMPARE(RestoredSkinSelection(entries, saved), selected);
}

void TestSkinRules::scanOfAMissingOrEmptyFolder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    SkinSearch search;
    QCOMPARE(ScanSkinEntries(search, dir.path() + u'/'), BuiltInSkinNames());
    SkinSearch missing;
    QCOMPARE(ScanSkinEntries(missing, dir.filePath(QStringLiteral("Skins/"))), BuiltInSkinNames());
}

void TestSkinRules::scanListsAtMost250Files()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QStringList names = themeNames(300);
    createFiles(dir, names);
    SkinSearch search;
    const QStringList entries = ScanSkinEntries(search, dir.path() + u'/');
    QCOMPARE(entries.size(), 4 + MaxSkinFiles);
    QCOMPARE(entries.mid(0, 4), BuiltInSkinNames());
    // The first 250 the directory search gives, in its order, each exactly once.
    SkinSearch order;
    QStringList found;
    for (QString path = order.next(dir.path() + u'/'); !path.isEmpty();
         path = order.next(dir.path() + u'/'))
        found.append(SkinDisplayName(path));
    QCOMPARE(found.size(), 300);
    QCOMPARE(entries.mid(4), found.mid(0, MaxSkinFiles));
    QCOMPARE(QSet<QString>(found.cbegin(), found.cend()).size(), 300);
}

void TestSkinRules::scanMatchesTheExtensionInAnyCase()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    createFiles(dir,
                {"Small.sui", "Loud.SUI", "Mixed.Sui", "notes.txt", "Small.sui.bak", "suite.sui2"});
    SkinSearch search;
    const QStringList entries = ScanSkinEntries(search, dir.path() + u'/');
    QCOMPARE(entries.mid(0, 4), BuiltInSkinNames());
    QCOMPARE(sorted(entries.mid(4)),
             (QStringList{QStringLiteral("Loud.SUI"), QStringLiteral("Mixed.Sui"),
                          QStringLiteral("Small")}));
}

void TestSkinRules::scanListsEveryKindOfEntry()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    createFiles(dir, {".Hidden.sui"});
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Folder.sui")));
    SkinSearch search;
    const QStringList entries = ScanSkinEntries(search, dir.path() + u'/');
    QCOMPARE(sorted(entries.mid(4)),
             (QStringList{QStringLiteral(".Hidden"), QStringLiteral("Folder")}));
}

void TestSkinRules::duplicateOfABuiltInName()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    createFiles(dir, {"WinXP.sui"});
    SkinSearch search;
    const QStringList entries = ScanSkinEntries(search, dir.path() + u'/');
    QCOMPARE(entries, BuiltInSkinNames() + QStringList{QStringLiteral("WinXP")});
    QCOMPARE(KeptSkinSelection(entries, QStringLiteral("WinXP")), 3);
    QCOMPARE(RestoredSkinSelection(entries, QStringLiteral("WinXP")), 4);
}

void TestSkinRules::searchStaysEmptyWhenRunOutUntilCleared()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    createFiles(dir, {"One.sui", "Two.sui"});
    const QString folder = dir.path() + u'/';
    SkinSearch search;
    QStringList found{search.next(folder), search.next(folder)};
    QCOMPARE(sorted(found), (QStringList{folder + "One.sui", folder + "Two.sui"}));
    QVERIFY(search.next(folder).isEmpty());
    QVERIFY(search.next(folder).isEmpty());
    // A fill after an exhausted search without clearing adds no theme file.
    QCOMPARE(ScanSkinEntries(search, folder), BuiltInSkinNames());
    search.clear();
    QCOMPARE(ScanSkinEntries(search, folder).size(), 6);
}

void TestSkinRules::clearedSearchStartsFromTheFirstFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    createFiles(dir, themeNames(5));
    const QString folder = dir.path() + u'/';
    SkinSearch search;
    const QString first = search.next(folder);
    const QString second = search.next(folder);
    QVERIFY(!second.isEmpty() && second != first);
    search.clear();
    QCOMPARE(search.next(folder), first);
    // Files added to the folder are seen by a search started afresh.
    createFiles(dir, {"Late.sui"});
    search.clear();
    QVERIFY(ScanSkinEntries(search, folder).contains(QStringLiteral("Late")));
}

void TestSkinRules::skinsFolderIsBesideTheExecutable()
{
    QCOMPARE(SkinsFolder(), QCoreApplication::applicationDirPath() + QStringLiteral("/Skins/"));
    QVERIFY(SkinsFolder().endsWith(QLatin1String("/Skins/")));
}

PALAVRIX_TEST_GUILESS_MAIN(TestSkinRules)
#include "tst_SkinRules.moc"
