#include "FileCommands.h"
#include "FileTransferService.h"
#include "TestSupport.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace transfer;

// The headless peer's file commands, between two services on the loopback interface.
class TestFileCommands final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sendCommand_data();
    void sendCommand();
    void peerCommands_data();
    void peerCommands();
    void stallIsPrinted();
    void refusalsFollowTheLanguage_data();
    void refusalsFollowTheLanguage();
};

namespace
{

constexpr int WaitMs = 15000;
const QHostAddress Loopback(QHostAddress::LocalHost);

struct Side {
    explicit Side(const QString &nick)
    {
        TransferOptions options;
        options.port = 0;
        options.nick = nick;
        options.isChatUser = [](const QHostAddress &, const QString &) { return true; };
        service.start(options);
    }
    FileTransferService service;
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }
};

} // namespace

void TestFileCommands::sendCommand_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("isCommand");
    QTest::addColumn<QString>("nick");
    QTest::addColumn<QString>("path");
    QTest::newRow("A nick and a path")
        << u"/send Olga /tmp/report.pdf"_s << true << u"Olga"_s << u"/tmp/report.pdf"_s;
    QTest::newRow("A path with blanks")
        << u"/send Olga /tmp/my report.pdf"_s << true << u"Olga"_s << u"/tmp/my report.pdf"_s;
    QTest::newRow("A quoted nick with a blank")
        << u"/send \"Anna Maria\" a.txt"_s << true << u"Anna Maria"_s << u"a.txt"_s;
    QTest::newRow("No path") << u"/send Olga"_s << true << QString() << QString();
    QTest::newRow("Nothing after the command") << u"/send"_s << true << QString() << QString();
    QTest::newRow("An unclosed quote") << u"/send \"Anna a.txt"_s << true << QString() << QString();
    QTest::newRow("A chat line") << u"hello /send"_s << false << QString() << QString();
    QTest::newRow("Another command") << u"/sendall x y"_s << false << QString() << QString();
}

void TestFileCommands::sendCommand()
{
    QFETCH(QString, line);
    QFETCH(bool, isCommand);
    QFETCH(QString, nick);
    QFETCH(QString, path);
    const auto command = ParseSendCommand(line);
    QCOMPARE(command.has_value(), isCommand);
    if (isCommand)
        QCOMPARE(*command, (SendCommand{nick, path}));
}

void TestFileCommands::peerCommands_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("olgaAnnounced");
    QTest::addColumn<QString>("acceptFolder"); // "<dir>" stands for Olga's folder
    // What each side prints; a line on standard error begins with "stderr: ".
    QTest::addColumn<QStringList>("ivanSays");
    QTest::addColumn<QStringList>("olgaSays");
    const QStringList offered{u"Ivan (127.0.0.1) предлагает файлы: a.bin (3 байт)"_s};
    QTest::newRow("A file sent to a peer that takes files")
        << u"/send Olga <file>"_s << true << u"<dir>"_s
        << QStringList{u"Файл <file> предложен: Olga"_s, u"Файл a.bin (3 байт) отправлен"_s,
                       u"Файлы отправлены"_s}
        << offered + QStringList{u"Файл a.bin (3 байт) получен"_s, u"Файлы получены"_s};
    QTest::newRow("A peer without a folder declines")
        << u"/send Olga <file>"_s << true << QString()
        << QStringList{u"Файл <file> предложен: Olga"_s, u"Получатель отказался от файлов"_s}
        << offered + QStringList{u"Вы отказались от файлов"_s};
    QTest::newRow("A user who never announced the file port")
        << u"/send Olga <file>"_s << false << u"<dir>"_s
        << QStringList{u"stderr: Olga не принимает файлы"_s} << QStringList();
    QTest::newRow("A nick nobody has")
        << u"/send Boris <file>"_s << true << u"<dir>"_s
        << QStringList{u"stderr: Пользователь Boris не найден"_s} << QStringList();
    QTest::newRow("No path") << u"/send Olga"_s << true << u"<dir>"_s
                             << QStringList{u"stderr: Использование: /send NICK PATH"_s}
                             << QStringList();
    QTest::newRow("Cancel with nothing under way")
        << u"/cancel"_s << true << u"<dir>"_s << QStringList{u"Нет передач"_s} << QStringList();
}

void TestFileCommands::peerCommands()
{
    QFETCH(QString, command);
    QFETCH(bool, olgaAnnounced);
    QFETCH(QString, acceptFolder);
    QFETCH(QStringList, ivanSays);
    QFETCH(QStringList, olgaSays);
    Side ivan(u"Ivan"_s), olga(u"Olga"_s);
    const QString file = ivan.path(u"a.bin"_s);
    testsupport::writeFile(file, "abc");
    acceptFolder.replace(u"<dir>"_s, olga.dir.path());
    command.replace(u"<file>"_s, file);
    ivanSays.replaceInStrings(u"<file>"_s, file);
    QStringList ivanLines, olgaLines;
    const auto resolve = [](const QString &nick) {
        return nick == "Olga"_L1 ? Loopback : QHostAddress();
    };
    const auto print = [](QStringList &lines) {
        return [&lines](const QString &line) { lines.append(line); };
    };
    const auto complain = [](QStringList &lines) {
        return [&lines](const QString &line) { lines.append(u"stderr: "_s + line); };
    };
    FileCommands ivanCommands(ivan.service, resolve, print(ivanLines), complain(ivanLines), {});
    FileCommands olgaCommands(olga.service, resolve, print(olgaLines), complain(olgaLines),
                              acceptFolder);
    QSignalSpy ivanRecords(&ivanCommands, &FileCommands::fileRecorded);
    QSignalSpy olgaRecords(&olgaCommands, &FileCommands::fileRecorded);
    if (olgaAnnounced) {
        olga.service.announceTo(Loopback, ivan.service.port());
        ivan.service.announceTo(Loopback, olga.service.port());
        QTRY_VERIFY_WITH_TIMEOUT(ivan.service.peerPort(Loopback) != 0, WaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(olga.service.peerPort(Loopback) != 0, WaitMs);
    }
    QVERIFY(ivanCommands.handle(command));
    QTRY_COMPARE_WITH_TIMEOUT(ivanLines, ivanSays, WaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(olgaLines, olgaSays, WaitMs);
    const bool arrived = ivanSays.size() == 3;
    QCOMPARE(testsupport::readFile(olga.path(u"a.bin"_s)), QByteArray(arrived ? "abc" : ""));
    // What each side's history keeps: the other side's nick and the file's line.
    QCOMPARE(ivanRecords.size(), arrived ? 1 : 0);
    QCOMPARE(olgaRecords.size(), arrived ? 1 : 0);
    if (arrived) {
        QCOMPARE(ivanRecords.at(0),
                 (QVariantList{u"Olga"_s, u"Файл a.bin (3 байт) отправлен"_s, false}));
        QCOMPARE(olgaRecords.at(0),
                 (QVariantList{u"Ivan"_s, u"Файл a.bin (3 байт) получен"_s, true}));
    }
    QVERIFY(!ivanCommands.handle(u"hello"_s));
}

void TestFileCommands::stallIsPrinted()
{
    Side olga(u"Olga"_s);
    QStringList lines;
    FileCommands commands(
        olga.service, [](const QString &) { return QHostAddress(); },
        [&](const QString &line) { lines.append(line); },
        [&](const QString &line) { lines.append(u"stderr: "_s + line); }, olga.dir.path());
    const QString token = NewToken();
    Q_EMIT olga.service.stalled(token, true);
    Q_EMIT olga.service.stalled(token, false);
    QCOMPARE(lines, (QStringList{u"Передача остановилась: нет данных, ждём связи"_s,
                                 u"Передача возобновилась"_s}));
}

void TestFileCommands::refusalsFollowTheLanguage_data()
{
    QTest::addColumn<bool>("english");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("Russian") << false
                             << QStringList{u"stderr: Пользователь Boris не найден"_s,
                                            u"stderr: Использование: /send NICK PATH"_s,
                                            u"Нет передач"_s};
    QTest::newRow("English") << true
                             << QStringList{u"stderr: User Boris not found"_s,
                                            u"stderr: Usage: /send NICK PATH"_s, u"No transfers"_s};
}

void TestFileCommands::refusalsFollowTheLanguage()
{
    QFETCH(bool, english);
    QFETCH(QStringList, expected);
    const auto translator = testsupport::speakEnglish(english, QStringLiteral(PALAVRIX_STAGE_DIR));
    Side olga(u"Olga"_s);
    QStringList lines;
    FileCommands commands(
        olga.service, [](const QString &) { return QHostAddress(); },
        [&](const QString &line) { lines.append(line); },
        [&](const QString &line) { lines.append(u"stderr: "_s + line); }, {});
    for (const QString &command : {u"/send Boris a.txt"_s, u"/send Boris"_s, u"/cancel"_s})
        QVERIFY(commands.handle(command));
    QCOMPARE(lines, expected);
}

PALAVRIX_TEST_GUILESS_MAIN(TestFileCommands)
#include "tst_FileCommands.moc"
