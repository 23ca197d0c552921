#include "AppError.h"
#include "CapsLock.h"
#include "DesktopIdentity.h"
#include "ShellText.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <sys/mount.h>
#include <unistd.h>

// The texts of the shell: title, error box, exit question, desktop identity, and the Caps Lock
// lights read on Wayland.
class TestShellText final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void applicationTitle_data();
    void applicationTitle();
    void errorBoxText_data();
    void configSaveErrorText_data();
    void configSaveErrorText();
    void errorBoxText();
    void exitQuestion();
    void desktopIdentity_data();
    void desktopIdentity();
    void capsLockLight_data();
    void capsLockLight();
};

void TestShellText::applicationTitle_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    QTest::newRow("the program") << QStringLiteral("/opt/chat/Palavrix")
                                 << QStringLiteral("Palavrix");
    QTest::newRow("an extension in mixed case")
        << QStringLiteral("C:\\Chat\\MyChat.Exe") << QStringLiteral("Mychat");
    QTest::newRow("everything from the first dot goes")
        << QStringLiteral("/x/PALAVRIX.v2.bin") << QStringLiteral("Palavrix");
}

void TestShellText::applicationTitle()
{
    QFETCH(QString, path);
    QFETCH(QString, title);
    QCOMPARE(ApplicationTitleFor(path), title);
}

void TestShellText::errorBoxText_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("a letter gets a full stop")
        << QStringLiteral("File not found") << QStringLiteral("File not found.");
    QTest::newRow("a full stop stays single")
        << QStringLiteral("Host not found.") << QStringLiteral("Host not found.");
    QTest::newRow("an apostrophe is below the full stop")
        << QStringLiteral("'' is not a valid integer value'")
        << QStringLiteral("'' is not a valid integer value'");
    QTest::newRow("a digit is above it")
        << QStringLiteral("I/O error 5") << QStringLiteral("I/O error 5.");
    QTest::newRow("an empty message") << QString() << QString();
}

void TestShellText::errorBoxText()
{
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(ErrorBoxText(message), shown);
}

void TestShellText::configSaveErrorText_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("cause");
    QTest::newRow("a full disk") << ENOSPC << QStringLiteral("на диске нет места");
    QTest::newRow("a read-only file system")
        << EROFS << QStringLiteral("нет права записи в файл или папку");
    QTest::newRow("anything else by its number") << EIO << QStringLiteral("ошибка ввода-вывода 5");
}

void TestShellText::configSaveErrorText()
{
    QFETCH(int, error);
    QFETCH(QString, cause);
    QCOMPARE(ConfigSaveErrorText(QStringLiteral("Chat.cfg"), error),
             QStringLiteral("Не удалось сохранить настройки в файл Chat.cfg: ") + cause +
                 QStringLiteral(". Настройки этого сеанса потеряны, прежний файл Chat.cfg "
                                "не изменён"));
}

void TestShellText::exitQuestion()
{
    QCOMPARE(ExitQuestionText(93784, QStringLiteral("Palavrix")),
             QStringLiteral("Время проведенное в программе: 1 дн.  2 ч. 3 мин. 4 сек.\r\r"
                            "Завершить работу программы Palavrix?"));
    QCOMPARE(ExitQuestionText(0, QStringLiteral("Mychat")),
             QStringLiteral("Время проведенное в программе: 0 дн.  0 ч. 0 мин. 0 сек.\r\r"
                            "Завершить работу программы Mychat?"));
}

void TestShellText::desktopIdentity_data()
{
    QTest::addColumn<QString>("wayland");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("identity");

    QTest::newRow("The screen number does not count")
        << QString() << QStringLiteral(":0.0") << QStringLiteral("x11::0");
    QTest::newRow("The plain display")
        << QString() << QStringLiteral(":0") << QStringLiteral("x11::0");
    QTest::newRow("The unix host is the local display")
        << QString() << QStringLiteral("unix:0") << QStringLiteral("x11::0");
    QTest::newRow("localhost with a screen is the local display")
        << QString() << QStringLiteral("localhost:0.1") << QStringLiteral("x11::0");
    QTest::newRow("Another display number is another desktop")
        << QString() << QStringLiteral(":1.0") << QStringLiteral("x11::1");
    QTest::newRow("A remote host keeps its name")
        << QString() << QStringLiteral("pc7:10.0") << QStringLiteral("x11:pc7:10");
    QTest::newRow("Wayland wins over the X display beside it")
        << QStringLiteral("wayland-0") << QStringLiteral(":0")
        << QStringLiteral("wayland:/run/user/1000/wayland-0");
    QTest::newRow("A Wayland display named by its full path is the same one")
        << QStringLiteral("/run/user/1000//wayland-0") << QString()
        << QStringLiteral("wayland:/run/user/1000/wayland-0");
}

void TestShellText::desktopIdentity()
{
    QFETCH(QString, wayland);
    QFETCH(QString, display);
    QFETCH(QString, identity);
    QCOMPARE(DesktopIdentity(wayland, display, QStringLiteral("/run/user/1000")), identity);
}

void TestShellText::capsLockLight_data()
{
    // The lights in the folder, as name=brightness; "" when unknown.
    QTest::addColumn<QStringList>("lights");
    QTest::addColumn<QString>("state");

    QTest::newRow("No keyboard light means unknown")
        << QStringList{QStringLiteral("input3::numlock=1")} << QString();
    QTest::newRow("A dark Caps Lock light is off, whatever Num Lock shows")
        << QStringList{QStringLiteral("input3::numlock=1"), QStringLiteral("input3::capslock=0")}
        << QStringLiteral("off");
    QTest::newRow("A lit light is on")
        << QStringList{QStringLiteral("input3::capslock=1")} << QStringLiteral("on");
    QTest::newRow("Any lit keyboard counts")
        << QStringList{QStringLiteral("input3::capslock=0"), QStringLiteral("input9::capslock=255")}
        << QStringLiteral("on");
}

void TestShellText::capsLockLight()
{
    QFETCH(QStringList, lights);
    QFETCH(QString, state);
    QTemporaryDir leds;
    QVERIFY(leds.isValid());
    for (const QString &light : lights) {
        const QStringList parts = light.split(u'=');
        QVERIFY(QDir(leds.path()).mkpath(parts.at(0)));
        QFile brightness(leds.filePath(parts.at(0) + QStringLiteral("/brightness")));
        QVERIFY(brightness.open(QIODevice::WriteOnly));
        brightness.write(parts.at(1).toLatin1() + '\n');
    }
    const std::optional<bool> on = CapsLockLight(leds.path());
    QCOMPARE(!on ? QString() : *on ? QStringLiteral("on") : QStringLiteral("off"), state);
}

PALAVRIX_TEST_APPLESS_MAIN(TestShellText)
#include "tst_ShellText.moc"
