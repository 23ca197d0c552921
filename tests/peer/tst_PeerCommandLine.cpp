#include "PeerCommandLine.h"
#include "PeerTexts.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

// The headless peer's command line, its folder check and its words.
class TestPeerCommandLine final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void action_data();
    void action();
    void valuesAreRead();
    void folderCheck_data();
    void folderCheck();
    void textsFollowTheLanguage_data();
    void textsFollowTheLanguage();
};

namespace
{

using Action = PeerCommandLine::Action;

PeerCommandLine parse(const QStringList &arguments)
{
    return ParsePeerCommandLine(QStringList{u"palavrix-peer"_s} + arguments);
}

bool hasCyrillic(const QString &text)
{
    static const QRegularExpression cyrillic(u"[\\x{0400}-\\x{04FF}]"_s);
    return text.contains(cyrillic);
}

} // namespace

void TestPeerCommandLine::action_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Action>("expected");
    QTest::newRow("A nick alone runs") << QStringList{u"--nick"_s, u"Olga"_s} << Action::Run;
    QTest::newRow("Send-only runs")
        << QStringList{u"--nick=Olga"_s, u"--send-only"_s} << Action::Run;
    QTest::newRow("The version is asked for") << QStringList{u"--version"_s} << Action::Version;
    QTest::newRow("Help is asked for") << QStringList{u"--help"_s} << Action::Help;
    QTest::newRow("An unknown option is a usage error")
        << QStringList{u"--nick=Olga"_s, u"--bogus"_s} << Action::Usage;
    QTest::newRow("An option without its value is a usage error")
        << QStringList{u"--nick"_s} << Action::Usage;
    QTest::newRow("No nick is a usage error") << QStringList{} << Action::Usage;
    QTest::newRow("A port above 65535 is a usage error")
        << QStringList{u"--nick=Olga"_s, u"--ports=555,556,65536"_s} << Action::Usage;
    QTest::newRow("Two ports are a usage error")
        << QStringList{u"--nick=Olga"_s, u"--ports=555,556"_s} << Action::Usage;
    QTest::newRow("A colour of 20 is a usage error")
        << QStringList{u"--nick=Olga"_s, u"--color=20"_s} << Action::Usage;
    QTest::newRow("A file port that is no number is a usage error")
        << QStringList{u"--nick=Olga"_s, u"--file-port=x"_s} << Action::Usage;
    QTest::newRow("A stray argument is a usage error")
        << QStringList{u"--nick=Olga"_s, u"extra"_s} << Action::Usage;
}

void TestPeerCommandLine::action()
{
    QFETCH(QStringList, arguments);
    QFETCH(Action, expected);
    const PeerCommandLine line = parse(arguments);
    QCOMPARE(line.action, expected);
    QCOMPARE(line.text.isEmpty(), expected == Action::Run || expected == Action::Version);
}

void TestPeerCommandLine::valuesAreRead()
{
    const PeerCommandLine line =
        parse({u"--nick=Olga"_s, u"--address=10.0.0.2"_s, u"--broadcast=10.0.0.255"_s,
               u"--ports=1555,1556,1557"_s, u"--history=/h"_s, u"--show-time"_s, u"--color=7"_s,
               u"--accept-files=/in"_s, u"--file-port=0"_s, u"--send-only"_s});
    QCOMPARE(line.action, Action::Run);
    const PeerOptions &o = line.options;
    QCOMPARE(o.Nick, u"Olga"_s);
    QCOMPARE(o.Address, u"10.0.0.2"_s);
    QCOMPARE(o.Broadcast, u"10.0.0.255"_s);
    QCOMPARE((QList<int>{o.Ports.Public, o.Ports.System, o.Ports.Private}),
             (QList<int>{1555, 1556, 1557}));
    QCOMPARE(o.HistoryDir, u"/h"_s);
    QVERIFY(o.Settings.Lines.showTime && !o.Settings.Lines.showAddress);
    QCOMPARE(o.Settings.FontColorIndex, 7);
    QCOMPARE(o.AcceptFilesDir, u"/in"_s);
    QCOMPARE(o.FilePort, quint16(0));
    QVERIFY(o.SendOnly);
    QVERIFY(!parse({u"--nick=Olga"_s}).options.SendOnly);
}

void TestPeerCommandLine::folderCheck_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("fault"); // -1: none
    QTest::newRow("A writable folder takes files") << u"folder"_s << -1;
    QTest::newRow("A missing folder") << u"missing"_s << int(FolderFault::Missing);
    QTest::newRow("A file is no folder") << u"file"_s << int(FolderFault::NotAFolder);
    QTest::newRow("A read-only folder") << u"read-only"_s << int(FolderFault::NotWritable);
}

void TestPeerCommandLine::folderCheck()
{
    QFETCH(QString, kind);
    QFETCH(int, fault);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString path = dir.path();
    if (kind == "missing"_L1) {
        path = dir.filePath(u"gone"_s);
    } else if (kind == "file"_L1) {
        path = dir.filePath(u"a.txt"_s);
        testsupport::writeFile(path, "a");
    } else if (kind == "read-only"_L1) {
        if (::geteuid() == 0)
            QSKIP("root writes into a read-only folder");
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner));
    }
    const std::optional<FolderFault> found = CheckFolder(path);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(found ? int(*found) : -1, fault);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             kind == "file"_L1 ? QStringList{u"a.txt"_s} : QStringList{});
}

void TestPeerCommandLine::textsFollowTheLanguage_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("Russian") << u"ru"_s;
    QTest::newRow("English") << u"en"_s;
}

// Every word the peer says, in each language: none left untranslated in English, none lost.
void TestPeerCommandLine::textsFollowTheLanguage()
{
    QFETCH(QString, language);
    const bool english = language == "en"_L1;
    const auto translator = testsupport::speakEnglish(english, QStringLiteral(PALAVRIX_STAGE_DIR));
    using namespace peertexts;
    const QStringList texts{
        NickRequired(),
        BadPorts(),
        BadColor(),
        BadFilePort(),
        UnknownOption(u"bogus"_s),
        StrayArgument(u"x"_s),
        SeeHelp(),
        CannotListen({556}),
        CannotListen({555, 557}),
        ListenHint(),
        BadFolder(u"/in"_s, FolderFault::Missing),
        BadFolder(u"/in"_s, FolderFault::NotAFolder),
        BadFolder(u"/in"_s, FolderFault::NotWritable),
        CannotSend(u"x"_s),
        HistoryNotSaved(u"/h"_s, u"x"_s),
        MessageTooLong(12),
        MsgUsage(),
        NobodyHeard(u"Olga"_s),
        NoFileTransfer(),
        parse({u"--help"_s}).text,
        parse({u"--bogus"_s}).text,
    };
    for (const QString &text : texts)
        QVERIFY2(!text.isEmpty() && hasCyrillic(text) != english, qPrintable(text));
    QVERIFY(CannotListen({556}).contains(u"556"_s));
    QVERIFY(CannotListen({555, 557}).contains(u"555, 557"_s));
    QVERIFY(parse({u"--bogus"_s}).text.contains(u"--bogus"_s));
}

PALAVRIX_TEST_GUILESS_MAIN(TestPeerCommandLine)
#include "tst_PeerCommandLine.moc"
