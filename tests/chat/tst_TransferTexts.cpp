#include "TestSupport.h"
#include "TransferErrors.h"
#include "TransferTexts.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace transfer;

// How the windows and the headless peer word what the transfers report, in Russian and with
// the English translation installed.
class TestTransferTexts final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void endText_data();
    void endText();
    void errorText_data();
    void errorText();
    void figures_data();
    void figures();
};

namespace
{

TransferEnd Ending(Outcome outcome, Direction direction)
{
    TransferEnd end;
    end.outcome = outcome;
    end.direction = direction;
    return end;
}

TransferEnd Failing(Failure failure, Direction direction, const QString &detail = {})
{
    TransferEnd end = Ending(Outcome::Failed, direction);
    end.failure = failure;
    end.fileName = u"a.txt"_s;
    end.detail = detail;
    return end;
}

} // namespace

void TestTransferTexts::endText_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<TransferEnd>("end");
    QTest::addColumn<QString>("text");
    const auto row = [](const char *name, const TransferEnd &end, const QString &russian,
                        const QString &english) {
        QTest::addRow("%s, ru", name) << u"ru"_s << end << russian;
        QTest::addRow("%s, en", name) << u"en"_s << end << english;
    };
    row("Sent", Ending(Outcome::Done, Direction::Outgoing), u"Файлы отправлены"_s, u"Files sent"_s);
    row("Received", Ending(Outcome::Done, Direction::Incoming), u"Файлы получены"_s,
        u"Files received"_s);
    row("The recipient declined", Ending(Outcome::Declined, Direction::Outgoing),
        u"Получатель отказался от файлов"_s, u"The recipient declined the files"_s);
    row("This side declined", Ending(Outcome::Declined, Direction::Incoming),
        u"Вы отказались от файлов"_s, u"You declined the files"_s);
    row("Cancelled here", Ending(Outcome::Cancelled, Direction::Incoming), u"Передача отменена"_s,
        u"Transfer cancelled"_s);
    row("Cancelled there", Ending(Outcome::CancelledByPeer, Direction::Outgoing),
        u"Передача отменена собеседником"_s, u"Transfer cancelled by the other side"_s);
    TransferEnd expired = Ending(Outcome::Expired, Direction::Outgoing);
    expired.waitedMs = 5 * 60 * 1000;
    row("The offer went unanswered", expired, u"Получатель не ответил за 5 мин."_s,
        u"No answer from the recipient within 5 min."_s);
    row("The offer here went unanswered", Ending(Outcome::Expired, Direction::Incoming),
        u"Время ответа истекло"_s, u"The offer expired unanswered"_s);
    row("A damaged file", Failing(Failure::HashMismatch, Direction::Incoming),
        u"Файл a.txt пришёл с ошибкой (контрольная сумма не совпала) и удалён"_s,
        u"The file a.txt arrived damaged (checksum mismatch) and was deleted"_s);
    row("A full disk", Failing(Failure::DiskFull, Direction::Outgoing),
        u"Недостаточно места на диске получателя: файл a.txt удалён"_s,
        u"Not enough space on the recipient's disk: the file a.txt was deleted"_s);
    row("A failed write", Failing(Failure::WriteFailed, Direction::Incoming),
        u"Не удалось записать файл a.txt у получателя: файл удалён"_s,
        u"The recipient could not write the file a.txt: the file was deleted"_s);
    row("A failed read", Failing(Failure::ReadFailed, Direction::Outgoing),
        u"Не удалось прочитать файл a.txt у отправителя: передача прервана"_s,
        u"The sender could not read the file a.txt: the transfer stopped"_s);
    row("Frames out of order", Failing(Failure::Protocol, Direction::Incoming),
        u"Нарушен порядок передачи: файл a.txt удалён"_s,
        u"The transfer went out of order: the file a.txt was deleted"_s);
    row("A dropped connection, as the sender sees it",
        Failing(Failure::Dropped, Direction::Outgoing),
        u"Соединение прервано: файл a.txt не доставлен"_s,
        u"The connection broke: the file a.txt was not delivered"_s);
    row("A dropped connection, as the receiver sees it",
        Failing(Failure::Dropped, Direction::Incoming),
        u"Соединение прервано: недополученный файл a.txt удалён"_s,
        u"The connection broke: the partly received file a.txt was deleted"_s);
    row("A stalled transfer, as the sender sees it", Failing(Failure::Stalled, Direction::Outgoing),
        u"Получатель долго не отвечал: файл a.txt не доставлен"_s,
        u"The recipient did not answer for too long: the file a.txt was not delivered"_s);
    row("A stalled transfer, as the receiver sees it",
        Failing(Failure::Stalled, Direction::Incoming),
        u"Отправитель долго не присылал данных: недополученный файл a.txt удалён"_s,
        u"The sender sent no data for too long: the partly received file a.txt was deleted"_s);
    row("The sender never connected", Failing(Failure::NotConnected, Direction::Incoming),
        u"Отправитель не подключился"_s, u"The sender did not connect"_s);
    row("The recipient cannot be reached",
        Failing(Failure::ConnectFailed, Direction::Outgoing, u"Connection refused"_s),
        u"Не удалось соединиться с получателем: Connection refused"_s,
        u"Could not connect to the recipient: Connection refused"_s);
}

void TestTransferTexts::endText()
{
    QFETCH(QString, language);
    QFETCH(TransferEnd, end);
    QFETCH(QString, text);
    const auto translator =
        testsupport::speakEnglish(language == "en"_L1, QStringLiteral(PALAVRIX_STAGE_DIR));
    QCOMPARE(TransferEndText(end), text);
}

void TestTransferTexts::errorText_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<TransferFault>("fault");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<QString>("text");
    const auto row = [](const char *name, TransferFault fault, const QString &subject,
                        const QString &detail, const QString &russian, const QString &english) {
        QTest::addRow("%s, ru", name) << u"ru"_s << fault << subject << detail << russian;
        QTest::addRow("%s, en", name) << u"en"_s << fault << subject << detail << english;
    };
    row("A port in use", TransferFault::PortUnavailable, u"558"_s, u"Address in use"_s,
        u"Не удалось открыть порт 558 для приёма файлов: Address in use"_s,
        u"Could not open port 558 to receive files: Address in use"_s);
    row("An unreadable file", TransferFault::FileUnreadable, u"/tmp/a.txt"_s, {},
        u"Не удалось открыть файл /tmp/a.txt"_s, u"Could not open the file /tmp/a.txt"_s);
    row("No file", TransferFault::NoFiles, {}, {}, u"Не выбрано ни одного файла"_s,
        u"No file chosen"_s);
    row("An offer not sent", TransferFault::OfferNotSent, {}, u"Network unreachable"_s,
        u"Не удалось отправить предложение: Network unreachable"_s,
        u"Could not send the offer: Network unreachable"_s);
    row("A folder not writable", TransferFault::FolderNotWritable, u"/srv"_s, {},
        u"В папку /srv нельзя записать файлы"_s, u"Files cannot be written to the folder /srv"_s);
    row("Too many files", TransferFault::OfferTooLarge, {}, {},
        u"Слишком много файлов в одном предложении"_s, u"Too many files in one offer"_s);
    row("No checksum library: the system's words", TransferFault::NoChecksum, {},
        u"libcrypto.so.3: cannot open shared object file"_s,
        u"libcrypto.so.3: cannot open shared object file"_s,
        u"libcrypto.so.3: cannot open shared object file"_s);
}

void TestTransferTexts::errorText()
{
    QFETCH(QString, language);
    QFETCH(TransferFault, fault);
    QFETCH(QString, subject);
    QFETCH(QString, detail);
    QFETCH(QString, text);
    const auto translator =
        testsupport::speakEnglish(language == "en"_L1, QStringLiteral(PALAVRIX_STAGE_DIR));
    QCOMPARE(TransferErrorText(ETransferError(fault, subject, detail)), text);
}

void TestTransferTexts::figures_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("sizes");    // 0, 512, 1024, 1.2 MiB, 10 GiB
    QTest::addColumn<QString>("progress"); // nothing yet; half of 2 MiB; an hour and more
    QTest::addColumn<QString>("lines");    // sent and received
    QTest::newRow("Russian")
        << u"ru"_s << u"0 байт|512 байт|1,0 КБ|1,2 МБ|10,0 ГБ"_s
        << u"0 байт из 1000 байт|1,0 МБ из 2,0 МБ, 1,0 МБ/с, осталось "
           u"0:01|1,0 КБ из 3,9 МБ, 1,0 КБ/с, осталось 1:06:39"_s
        << u"Файл report.pdf (1,2 МБ) отправлен|Файл a.txt (10 байт) получен"_s;
    QTest::newRow("English") << u"en"_s << u"0 bytes|512 bytes|1.0 KB|1.2 MB|10.0 GB"_s
                             << u"0 bytes of 1000 bytes|1.0 MB of 2.0 MB, 1.0 MB/s, left "
                                u"0:01|1.0 KB of 3.9 MB, 1.0 KB/s, left 1:06:39"_s
                             << u"File report.pdf (1.2 MB) sent|File a.txt (10 bytes) received"_s;
}

void TestTransferTexts::figures()
{
    QFETCH(QString, language);
    QFETCH(QString, sizes);
    QFETCH(QString, progress);
    QFETCH(QString, lines);
    const bool english = language == "en"_L1;
    const auto translator = testsupport::speakEnglish(english, QStringLiteral(PALAVRIX_STAGE_DIR));
    // As the windows install it: the locale of their language, whatever the system's.
    QLocale::setDefault(QLocale(english ? QLocale::English : QLocale::Russian));
    QStringList shown;
    for (const qint64 bytes : {0LL, 512LL, 1024LL, 1258291LL, 10737418240LL})
        shown << FileSizeText(bytes);
    QCOMPARE(shown.join(u'|'), sizes);
    shown = {ProgressText(MakeProgress(0, 1000, 0)),
             ProgressText(MakeProgress(1048576, 2097152, 1000)),
             ProgressText(MakeProgress(1024, 1024 * 4000, 1000))};
    QCOMPARE(shown.join(u'|'), progress);
    shown = {FileLineText(Direction::Outgoing, u"report.pdf"_s, 1258291),
             FileLineText(Direction::Incoming, u"a.txt"_s, 10)};
    QCOMPARE(shown.join(u'|'), lines);
}

PALAVRIX_TEST_GUILESS_MAIN(TestTransferTexts)
#include "tst_TransferTexts.moc"
