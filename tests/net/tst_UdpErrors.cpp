#include "TestSupport.h"
#include "UdpErrors.h"

#include <QTest>

#include <cerrno>
#include <functional>

using namespace Qt::StringLiterals;

// The endpoint errors and their message texts.
class TestUdpErrors final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void socketErrorMessages_data();
    void socketErrorMessages();
    void errnoNumbers_data();
    void errnoNumbers();
    void fixedMessages_data();
    void fixedMessages();
};

using Raise = std::function<void()>;
Q_DECLARE_METATYPE(Raise)

void TestUdpErrors::socketErrorMessages_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");

    QTest::newRow("An address in use has its number and text on two lines")
        << 10048 << u"Socket Error # 10048\r\nAddress already in use."_s;
    QTest::newRow("A host that is not found is number 11001")
        << 11001 << u"Socket Error # 11001\r\nHost not found."_s;
    QTest::newRow("Would block keeps its trailing blank")
        << 10035 << u"Socket Error # 10035\r\nOperation would block. "_s;
    QTest::newRow("Directory not empty has no full stop")
        << 10066 << u"Socket Error # 10066\r\nDirectory not empty"_s;
    QTest::newRow("Access denied is number 10013")
        << 10013 << u"Socket Error # 10013\r\nAccess denied."_s;
    QTest::newRow("A number without a text shows the number and an empty line")
        << 12345 << u"Socket Error # 12345\r\n"_s;
}

void TestUdpErrors::socketErrorMessages()
{
    QFETCH(int, code);
    QFETCH(QString, message);

    const EIdSocketError error(code);
    QCOMPARE(error.message(), message);
    QCOMPARE(error.LastError(), code);
}

void TestUdpErrors::errnoNumbers_data()
{
    QTest::addColumn<int>("posixErrno");
    QTest::addColumn<int>("code");

    QTest::newRow("EADDRINUSE is 10048") << EADDRINUSE << 10048;
    QTest::newRow("EINTR is 10004") << EINTR << 10004;
    QTest::newRow("EWOULDBLOCK is 10035") << EWOULDBLOCK << 10035;
    QTest::newRow("EAGAIN is 10035 as well") << EAGAIN << 10035;
    QTest::newRow("EMSGSIZE is 10040") << EMSGSIZE << 10040;
    QTest::newRow("EACCES is 10013") << EACCES << 10013;
    QTest::newRow("ENOTEMPTY is 10066") << ENOTEMPTY << 10066;
    QTest::newRow("EPIPE after a shutdown is 10058") << EPIPE << 10058;
    QTest::newRow("An errno without a counterpart keeps its own number") << ENOENT << ENOENT;
}

void TestUdpErrors::errnoNumbers()
{
    QFETCH(int, posixErrno);
    QFETCH(int, code);
    QCOMPARE(socketerrors::FromErrno(posixErrno), code);
}

void TestUdpErrors::fixedMessages_data()
{
    QTest::addColumn<Raise>("raise");
    QTest::addColumn<QString>("message");

    QTest::newRow("Could not bind")
        << Raise([] { throw EIdCouldNotBindSocket(); })
        << u"Could not bind socket. Address and port are already in use."_s;
    QTest::newRow("Invalid socket")
        << Raise([] { throw EIdInvalidSocket(); }) << u"Cannot allocate socket."_s;
    QTest::newRow("Package too big")
        << Raise([] { throw EIdPackageSizeTooBig(); }) << u"Package Size Too Big."_s;
    QTest::newRow("Not all bytes sent")
        << Raise([] { throw EIdNotAllBytesSent(); }) << u"Not all bytes sent."_s;
    QTest::newRow("Set size exceeded")
        << Raise([] { throw EIdStackSetSizeExceeded(); }) << u"Set Size Exceeded."_s;
    QTest::newRow("Stack initialisation failed")
        << Raise([] { throw EIdStackInitializationFailed(); })
        << u"Winsock Initialization Error."_s;
    QTest::newRow("A socket error") << Raise([] { throw EIdSocketError(10061); })
                                    << u"Socket Error # 10061\r\nConnection refused."_s;
}

void TestUdpErrors::fixedMessages()
{
    QFETCH(Raise, raise);
    QFETCH(QString, message);

    // Every endpoint error is caught as the common base and as the program's AppError.
    try {
        raise();
        QFAIL("nothing was raised");
    } catch (const EIdException &e) {
        QCOMPARE(e.message(), message);
        const AppError &base = e;
        QCOMPARE(QString::fromUtf8(base.what()), message);
    }
}

PALAVRIX_TEST_APPLESS_MAIN(TestUdpErrors)
#include "tst_UdpErrors.moc"
