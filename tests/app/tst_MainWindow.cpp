#include "AppPaths.h"
#include "AppWindows.h"
#include "ChatSession.h"
#include "ColorBox.h"
#include "Cp1251.h"
#include "Dialogs.h"
#include "ExitRequests.h"
#include "HistoryRecord.h"
#include "HistoryStore.h"
#include "HistoryWindow.h"
#include "InputFormat.h"
#include "LogView.h"
#include "MainWindow.h"
#include "NickRefusal.h"
#include "PrivateWindow.h"
#include "SettingsWindow.h"
#include "TestSupport.h"
#include "TrayIcon.h"
#include "UdpEndpoints.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QUdpSocket>

#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qwindowsysteminterface.h>

#include <csignal>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

using testsupport::writeChatCfg;

// The main window's life from start-up to exit, in a temporary working folder.
class TestMainWindow final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void fastEntryLogsInWithoutPrompt();
    void missingConfigStopsAtFirstNumber();
    void badIntegerStopsStartupThere();
    void cancelledNickEndsWithoutQuestion();
    void refusedNickIsAskedAgain_data();
    void refusedNickIsAskedAgain();
    void fastEntrySettingEnablesTheNickBox_data();
    void fastEntrySettingEnablesTheNickBox();
    void savedLines_data();
    void savedLines();
    void everyLineComesBackAsItWasRead();
    void extraLinesAreDropped();
    void exitQuestionCancelKeepsRunning();
    void windowSystemCloseKeepsTheWindowReachable();
    void minimiseIsAskedOnceWhereThePlatformForgetsIt();
    void resizeLimits();
    void clearScreen_data();
    void clearScreen();
    void privateAlertBlinksAndStops();
    void statusBarAndTray();
    void publicMessageComesBackOnLoopback();
    void presenceListsOwnNick();
    void receivedLinesKeepTheirColourAndWeight_data();
    void receivedLinesKeepTheirColourAndWeight();
    void nonBreakingSpacesGoOutUnchanged_data();
    void nonBreakingSpacesGoOutUnchanged();
    void privateSendRefused_data();
    void privateSendRefused();
    void privateSendIsCutAt8000Characters();
    void unwritableHistoryIsSaidOnceAtStartup();
    void tooLongPrivateMessageIsRefused();
    void terminationSignalsEndWithoutQuestion_data();
    void terminationSignalsEndWithoutQuestion();
    void logOffEndsWithoutQuestion_data();
    void logOffEndsWithoutQuestion();
    void fullDiskOnExit_data();
    void fullDiskOnExit();

private:
    void start();
    void useTemporaryStore();
    QStringList errors() const;
    QByteArray savedConfig() const;
    QString savedLine(const QString &key) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_oldCwd;
    std::unique_ptr<AppWindows> m_windows;
};

void TestMainWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_oldCwd = QDir::currentPath();
    QDir::setCurrent(m_dir->path());
    apppaths::SetProgramFolder(m_dir->path());
    Dialogs::clearHistory();
    Dialogs::setAutoAnswer(true);
    // The history connection opens the template beside the program at creation.
    QFile::copy(QStringLiteral(PALAVRIX_STAGE_DIR "/tmp.dat"),
                m_dir->filePath(QStringLiteral("tmp.dat")));
}

void TestMainWindow::cleanup()
{
    m_windows.reset();
    apppaths::SetProgramFolder(QString());
    QDir::setCurrent(m_oldCwd);
    m_dir.reset();
}

void TestMainWindow::useTemporaryStore()
{
    // History files go beside the template, here in the temporary folder.
    HForm->Store->setProgramDir(m_dir->path());
}

void TestMainWindow::start()
{
    m_windows = std::make_unique<AppWindows>();
    useTemporaryStore();
    Form1->show();
    QCoreApplication::processEvents();
}

QStringList TestMainWindow::errors() const
{
    QStringList texts;
    for (const Dialogs::Shown &shown : Dialogs::history())
        if (shown.kind == Dialogs::Kind::Error)
            texts << shown.text;
    return texts;
}

QByteArray TestMainWindow::savedConfig() const
{
    return testsupport::readFile(m_dir->filePath(QStringLiteral("Chat.cfg")));
}

QString TestMainWindow::savedLine(const QString &key) const
{
    const QList<QByteArray> lines = savedConfig().split('\n');
    return cp1251::decode(lines.value(ConfigLines::LineOf(key) - 1)).chopped(1);
}

void TestMainWindow::fastEntryLogsInWithoutPrompt()
{
    writeChatCfg(m_dir->path(), QStringLiteral("Ivan"),
                 {{QStringLiteral("FontColor"), QStringLiteral("FontColor=12")},
                  {QStringLiteral("RedrawUsrWnd"), QStringLiteral("RedrawUsrWnd=3")},
                  {QStringLiteral("AlphaBlend"), QStringLiteral("AlphaBlend=1")},
                  {QStringLiteral("AlphaBlendValue"), QStringLiteral("AlphaBlendValue=5")}});
    start();
    for (const Dialogs::Shown &shown : Dialogs::history())
        QVERIFY(shown.kind != Dialogs::Kind::Input);
    QCOMPARE(m_windows->Services().Session().OwnNick(), QStringLiteral("Ivan"));
    QCOMPARE(Form1->ColorBox1->selectedIndex(), 12);
    QVERIFY(Form1->Timer1->isActive());
    QCOMPARE(Form1->Timer1->interval(), 15000);
    QCOMPARE(Form2->Label2->text(), QStringLiteral("Время обновления - 15 сек."));
    QVERIFY(Form1->Timer3->isActive());
    QVERIFY(Form1->CTI->Enabled());
    QVERIFY(Form1->IdUDPServer1->Active());
    QVERIFY(Form1->IdUDPServer2->Active());
    QVERIFY(Form4->IdUDPServer1->Active());
    QVERIFY(Form2->CheckBox5->isChecked());
    QCOMPARE(Form2->TrackBar1->value(), 5);
    QCOMPARE(Form2->Edit2->text(), QStringLiteral("127.0.0.1"));
    QVERIFY(Form1->RichEdit4->hasFocus() || !Form1->isActiveWindow());
}

void TestMainWindow::missingConfigStopsAtFirstNumber()
{
    Dialogs::setNextInput(QStringLiteral("Ivan"));
    start();
    QVERIFY2(errors().size() == 2, qPrintable(errors().join(u'|')));
    QCOMPARE(errors(), QStringList({QStringLiteral("File not found."),
                                    QStringLiteral("'' is not a valid integer value.")}));
    QCOMPARE(m_windows->Services().Session().OwnNick(), QStringLiteral("Ivan"));
    QVERIFY(Form1->Timer1->isActive());
    QVERIFY(Form1->CTI->Enabled());
    QVERIFY(!Form1->Timer3->isActive());
    QVERIFY(!Form1->IdUDPServer1->Active());
}

void TestMainWindow::badIntegerStopsStartupThere()
{
    writeChatCfg(m_dir->path(), QStringLiteral("Ivan"),
                 {{QStringLiteral("FontColor"), QStringLiteral("FontColor=12")},
                  {QStringLiteral("AlphaBlendValue"), QStringLiteral("AlphaBlendValue=abc")},
                  {QStringLiteral("ShowMsgTime"), QStringLiteral("ShowMsgTime=1")}});
    start();
    QCOMPARE(errors(), QStringList(QStringLiteral("'abc' is not a valid integer value.")));
    QCOMPARE(Form1->ColorBox1->selectedIndex(), 12);
    QVERIFY(!Form1->Timer3->isActive());
    QVERIFY(!Form1->IdUDPServer1->Active());

    // At exit the lines the start-up never reached keep their stored text.
    Dialogs::setNextAnswer(Dialogs::Answer::Ok);
    Form1->N2Click();
    QCOMPARE(savedLine(QStringLiteral("FontColor")), QStringLiteral("FontColor=12"));
    QCOMPARE(savedLine(QStringLiteral("AlphaBlendValue")), QStringLiteral("AlphaBlendValue=abc"));
    QCOMPARE(savedLine(QStringLiteral("ShowMsgTime")), QStringLiteral("ShowMsgTime=1"));
}

void TestMainWindow::cancelledNickEndsWithoutQuestion()
{
    writeChatCfg(m_dir->path(), QString(),
                 {{QStringLiteral("AutoLogon"), QStringLiteral("AutoLogon=0")},
                  {QStringLiteral("FontColor"), QStringLiteral("FontColor=7")}});
    const QByteArray before = savedConfig();
    Dialogs::setNextInput(QString(), Dialogs::Answer::Cancel);
    start();
    QVERIFY(m_windows->Services().Session().OwnNick().isEmpty());
    for (const Dialogs::Shown &shown : Dialogs::history())
        QVERIFY(shown.kind != Dialogs::Kind::Question);
    QVERIFY(!Form1->Timer1->isActive());
    QVERIFY(!Form1->IdUDPServer1->Active());
    QVERIFY(!Form1->isVisible());
    // Nothing the user stored is lost on the way out.
    QCOMPARE(savedConfig(), before);
}

void TestMainWindow::refusedNickIsAskedAgain_data()
{
    QTest::addColumn<QString>("fastEntryNick");
    QTest::addColumn<QStringList>("typed");
    QTest::newRow("separators, then a foreign script, then a good nick")
        << QString() << QStringList{"Ivan - home", "日本", "Ivan"};
    QTest::newRow("a line break") << QString() << QStringList{"Iv\nan", "Ivan"};
    QTest::newRow("a stored fast-entry nick that breaks messages")
        << QStringLiteral("Ivan: admin") << QStringList{"Ivan"};
}

void TestMainWindow::refusedNickIsAskedAgain()
{
    QFETCH(QString, fastEntryNick);
    QFETCH(QStringList, typed);
    const QString autoLogon =
        fastEntryNick.isEmpty() ? QStringLiteral("AutoLogon=0") : QStringLiteral("AutoLogon=1");
    writeChatCfg(m_dir->path(), fastEntryNick, {{QStringLiteral("AutoLogon"), autoLogon}});
    for (const QString &nick : typed)
        Dialogs::setNextInput(nick);
    start();
    QCOMPARE(m_windows->Services().Session().OwnNick(), QStringLiteral("Ivan"));
    QStringList warnings, prompts;
    for (const Dialogs::Shown &shown : Dialogs::history()) {
        if (shown.kind == Dialogs::Kind::Warning)
            warnings << shown.text;
        if (shown.kind == Dialogs::Kind::Input)
            prompts << shown.text;
    }
    QCOMPARE(prompts.size(), typed.size());
    const QStringList refused =
        fastEntryNick.isEmpty() ? typed.mid(0, typed.size() - 1) : QStringList{fastEntryNick};
    QCOMPARE(warnings.size(), refused.size());
    for (qsizetype i = 0; i < refused.size(); ++i)
        QCOMPARE(warnings.at(i), NickRefusalText(refused.at(i)));
    QVERIFY(Form1->IdUDPServer1->Active());
}

void TestMainWindow::fastEntrySettingEnablesTheNickBox_data()
{
    QTest::addColumn<bool>("fastEntry");
    QTest::newRow("AutoLogon=0 leaves the nick box and its label disabled") << false;
    QTest::newRow("AutoLogon=1 enables them") << true;
}

void TestMainWindow::fastEntrySettingEnablesTheNickBox()
{
    QFETCH(bool, fastEntry);
    writeChatCfg(m_dir->path(), QStringLiteral("Ivan"),
                 {{QStringLiteral("AutoLogon"),
                   fastEntry ? QStringLiteral("AutoLogon=1") : QStringLiteral("AutoLogon=0")}});
    if (!fastEntry)
        Dialogs::setNextInput(QStringLiteral("Ivan"));
    start();
    QCOMPARE(m_windows->Services().Session().OwnNick(), QStringLiteral("Ivan"));
    QCOMPARE(Form2->CheckBox8->isChecked(), fastEntry);
    QCOMPARE(Form2->Edit1->isEnabled(), fastEntry);
    QCOMPARE(Form2->Label3->isEnabled(), fastEntry);
}

void TestMainWindow::savedLines_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("written");
    QTest::newRow("a switch of yes is off")
        << QStringLiteral("ShowIP") << QStringLiteral("ShowIP=yes") << QStringLiteral("ShowIP=0");
    QTest::newRow("an empty switch is off")
        << QStringLiteral("ShowIP") << QStringLiteral("ShowIP=") << QStringLiteral("ShowIP=0");
    QTest::newRow("01 is not 1") << QStringLiteral("ShowIP") << QStringLiteral("ShowIP=01")
                                 << QStringLiteral("ShowIP=0");
    QTest::newRow("transparency from any positive number")
        << QStringLiteral("AlphaBlend") << QStringLiteral("AlphaBlend=5")
        << QStringLiteral("AlphaBlend=1");
    QTest::newRow("opacity held to its range")
        << QStringLiteral("AlphaBlendValue") << QStringLiteral("AlphaBlendValue=40")
        << QStringLiteral("AlphaBlendValue=17");
    QTest::newRow("refresh held to its range")
        << QStringLiteral("RedrawUsrWnd") << QStringLiteral("RedrawUsrWnd=0")
        << QStringLiteral("RedrawUsrWnd=1");
    QTest::newRow("another key reads the same")
        << QStringLiteral("FontColor") << QStringLiteral("x=3") << QStringLiteral("FontColor=3");
    QTest::newRow("no key at all")
        << QStringLiteral("FontColor") << QStringLiteral("3") << QStringLiteral("FontColor=3");
    QTest::newRow("a colour outside the list")
        << QStringLiteral("BGColor") << QStringLiteral("BGColor=25")
        << QStringLiteral("BGColor=-1");
    QTest::newRow("a nick holding =")
        << QStringLiteral("SavedNick") << QStringLiteral("SavedNick=a=b")
        << QStringLiteral("SavedNick=a=b");
    QTest::newRow("a Cyrillic nick")
        << QStringLiteral("SavedNick") << QStringLiteral("SavedNick=Вася")
        << QStringLiteral("SavedNick=Вася");
    QTest::newRow("an unread colour stays as it was")
        << QStringLiteral("IncommingMsgClr") << QStringLiteral("IncommingMsgClr=abc")
        << QStringLiteral("IncommingMsgClr=abc");
    QTest::newRow("history colours stay while off")
        << QStringLiteral("IncClr") << QStringLiteral("IncClr=zz") << QStringLiteral("IncClr=zz");
}

void TestMainWindow::savedLines()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(QString, written);
    writeChatCfg(m_dir->path(), QStringLiteral("Ivan"), {{key, stored}});
    start();
    QVERIFY2(errors().isEmpty(), qPrintable(errors().join(u'|')));
    Dialogs::setNextAnswer(Dialogs::Answer::Ok);
    Form1->N2Click();
    QCOMPARE(savedLine(key), written);
    QCOMPARE(savedConfig().count("\r\n"), 28);
}

void TestMainWindow::everyLineComesBackAsItWasRead()
{
    // Every value differs from its neighbours' and the switches alternate where the start-up
    // allows (fast entry, own broadcast address and ports must stay on), so a line written
    // from another control or under another key shows.
    const int ports[] = {testsupport::freeUdpPort(), testsupport::freeUdpPort(),
                         testsupport::freeUdpPort()};
    const QByteArray expected = cp1251::encode(QStringLiteral("FontColor=2\r\n"
                                                              "BGColor=15\r\n"
                                                              "AlphaBlend=0\r\n"
                                                              "AlphaBlendValue=12\r\n"
                                                              "ShowMainWND=1\r\n"
                                                              "PlaySndOnRcv=0\r\n"
                                                              "ShowMsgTime=1\r\n"
                                                              "ShowIP=0\r\n"
                                                              "RedrawUsrWnd=3\r\n"
                                                              "ShowPrivateWND=1\r\n"
                                                              "PlaySndOnPrivateRcv=0\r\n"
                                                              "AutoLogon=1\r\n"
                                                              "SavedNick=Иван\r\n"
                                                              "StartMinimized=0\r\n"
                                                              "Skin=\r\n"
                                                              "IgnUsrClr=1\r\n"
                                                              "IncommingMsgClr=13\r\n"
                                                              "SelectHistoryClr=0\r\n"
                                                              "IncClr=9\r\n"
                                                              "OutClr=4\r\n"
                                                              "SysClr=19\r\n"
                                                              "AutoRun=0\r\n"
                                                              "ChangeIP=1\r\n"
                                                              "BroadcastIP=127.0.0.1\r\n"
                                                              "ChangePort=1\r\n"
                                                              "MainPort=%1\r\n"
                                                              "PrivatePort=%2\r\n"
                                                              "SystemPort=%3\r\n")
                                                   .arg(ports[0])
                                                   .arg(ports[1])
                                                   .arg(ports[2]));
    testsupport::writeFile(m_dir->filePath(QStringLiteral("Chat.cfg")), expected);
    start();
    QVERIFY2(errors().isEmpty(), qPrintable(errors().join(u'|')));
    // Each switch reached its own control (a line read into and written from a neighbour's
    // control would still come back whole).
    const std::pair<QCheckBox *, bool> switches[] = {
        {Form2->CheckBox5, false},  {Form2->CheckBox3, true},   {Form2->CheckBox4, false},
        {Form2->CheckBox1, true},   {Form2->CheckBox2, false},  {Form2->CheckBox6, true},
        {Form2->CheckBox7, false},  {Form2->CheckBox8, true},   {Form2->CheckBox9, true},
        {Form2->CheckBox10, false}, {Form2->CheckBox11, false}, {Form2->CheckBox12, true},
        {Form2->CheckBox13, true}};
    for (const auto &[box, on] : switches)
        QVERIFY2(box->isChecked() == on, qPrintable(box->objectName()));
    Dialogs::setNextAnswer(Dialogs::Answer::Ok);
    Form1->N2Click();
    QCOMPARE(savedConfig(), expected);
}

void TestMainWindow::extraLinesAreDropped()
{
    writeChatCfg(m_dir->path(), QStringLiteral("Ivan"),
                 {{QStringLiteral("MainPort"), QStringLiteral("MainPort=abc")},
                  {QStringLiteral("ChangePort"), QStringLiteral("ChangePort=0")}});
    testsupport::writeFile(m_dir->filePath(QStringLiteral("Chat.cfg")),
                           savedConfig() + "Line29=1\r\nLine30=1\r\n");
    start();
    QCOMPARE(Form2->Edit3->text(), QStringLiteral("555"));
    Dialogs::setNextAnswer(Dialogs::Answer::Ok);
    Form1->N2Click();
    QCOMPARE(savedConfig().count("\r\n"), 28);
    QVERIFY(!savedConfig().contains("Line29"));
    QCOMPARE(savedLine(QStringLiteral("MainPort")), QStringLiteral("MainPort=555"));
}

void TestMainWindow::exitQuestionCancelKeepsRunning()
{
    writeChatCfg(m_dir->path(), QStringLiteral("Ivan"));
    start();
    const QByteArray before = savedConfig();
    Form1->RunSeconds = 93784;
    Dialogs::clearHistory();
    Dialogs::setNextAnswer(Dialogs::Answer::Cancel);
    Form1->N2Click();
    QCOMPARE(Dialogs::history().size(), 1);
    QCOMPARE(Dialogs::history().at(0).caption, QStringLiteral("Palavrix"));
    QCOMPARE(Dialogs::history().at(0).text,
             QStringLiteral("Время проведенное в программе: 1 дн.  2 ч. 3 мин. 4 сек.\r\r"
                            "Завершить работу программы %1?")
                 .arg(QCoreApplication::applicationName()));
    QVERIFY(Form1->isVisible());
    QVERIFY(Form1->IdUDPServer1->Active());
    QCOMPARE(savedConfig(), before);
}

void TestMainWindow::windowSystemCloseKeepsTheWindowReachable()
{
    writeChatCfg(m_dir->path(), QStringLiteral("Ivan"));
    start();
    const QByteArray before = savedConfig();
    Dialogs::clearHistory();
    // The offscreen platform has no tray: the close minimises instead of hiding, so the
    // window keeps its taskbar entry (with a tray it hides; the whole-program tray test).
    QVERIFY(!Form1->CTI->Available());
    Form1->close();
    QCoreApplication::processEvents();
    QVERIFY(Form1->isVisible());
    QVERIFY(Form1->isMinimized());
    QVERIFY(Dialogs::history().isEmpty());
    QVERIFY(Form1->IdUDPServer1->Active());
    QCOMPARE(savedConfig(), before);
    Form1->CTIClick();
    QVERIFY(Form1->isVisible());
    QVERIFY(!Form1->isMinimized());
}

namespace
{

// Counts the times a widget goes to the minimised state.
class MinimiseCounter final : public QObject
{
public:
    int count = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::WindowStateChange &&
            static_cast<QWidget *>(watched)->isMinimized())
            ++count;
        return false;
    }
};

} // namespace

void TestMainWindow::minimiseIsAskedOnceWhereThePlatformForgetsIt()
{
    // Wayland never tells a window it is minimised: Qt reports it as not minimised right after
    // the request. The window must not take its own request for the window system's command.
    writeChatCfg(m_dir->path(), QStringLiteral("Ivan"));
    start();
    QVERIFY(!Form1->CTI->Available());
    MinimiseCounter counter;
    Form1->installEventFilter(&counter);
    Form1->close();
    for (int report = 0; report < 3; ++report) {
        // The offscreen platform's own answer first, then Wayland's.
        QWindowSystemInterface::flushWindowSystemEvents();
        QWindowSystemInterface::handleWindowStateChanged<
            QWindowSystemInterface::SynchronousDelivery>(Form1->windowHandle(), Qt::WindowNoState);
        QCoreApplication::processEvents();
    }
    Form1->removeEventFilter(&counter);
    QCOMPARE(counter.count, 1);
    QVERIFY(Form1->isVisible());
}

void TestMainWindow::resizeLimits()
{
    writeChatCfg(m_dir->path(), QStringLiteral("Ivan"));
    start();
    Form1->resize(500, 300);
    QCOMPARE(Form1->size(), QSize(575, 487));
    Form1->resize(800, 300);
    QCOMPARE(Form1->size(), QSize(800, 487));
}

void TestMainWindow::clearScreen_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("Cancel keeps the conversation") << false;
    QTest::newRow("OK empties the conversation only") << true;
}

void TestMainWindow::clearScreen()
{
    QFETCH(bool, accept);
    writeChatCfg(m_dir->path(), QStringLiteral("Ivan"));
    start();
    Form1->RichEdit1->AppendLine(QStringLiteral("line"), Qt::black);
    Form1->RichEdit2->AppendLine(QStringLiteral("Ivan"), Qt::black, true);
    Dialogs::clearHistory();
    Dialogs::setNextAnswer(accept ? Dialogs::Answer::Ok : Dialogs::Answer::Cancel);
    Form1->N7->trigger();
    QCOMPARE(Dialogs::history().at(0).text, QStringLiteral("Очистить экран?"));
    QCOMPARE(Form1->RichEdit1->LineCount(), accept ? 0 : 1);
    QCOMPARE(Form1->RichEdit2->LineCount(), 1);
}

void TestMainWindow::privateAlertBlinksAndStops()
{
    writeChatCfg(m_dir->path(), QStringLiteral("Ivan"));
    start();
    Form1->PrivateAlert(true);
    QVERIFY(Form1->Timer4->isActive());
    QVERIFY(Form1->CTI->CycleIcons());
    QCOMPARE(Form1->CTI->IconIndex(), 0);
    Form1->Timer4Timer();
    QVERIFY(Form1->ToolButton8->icon().isNull());
    Form1->Timer4Timer();
    QVERIFY(!Form1->ToolButton8->icon().isNull());
    Form1->Timer4Timer();
    Form1->CTI->setIconIndex(1);
    // Switched off while the button shows no image: the image comes back.
    Form1->PrivateAlert(false);
    QVERIFY(!Form1->Timer4->isActive());
    QVERIFY(!Form1->CTI->CycleIcons());
    QCOMPARE(Form1->CTI->IconIndex(), 0);
    QVERIFY(!Form1->ToolButton8->icon().isNull());

    Form1->PrivateAlert(true);
    Form4->OpenWindow();
    QVERIFY(!Form1->PrivateAlertOn());
}

void TestMainWindow::statusBarAndTray()
{
    writeChatCfg(m_dir->path(), QString(),
                 {{QStringLiteral("AutoLogon"), QStringLiteral("AutoLogon=0")}});
    m_windows = std::make_unique<AppWindows>();
    useTemporaryStore();
    QVERIFY(!Form1->CTI->Enabled());
    Form1->Timer2Timer();
    QVERIFY(Form1->CTI->Hint().isEmpty());
    QCOMPARE(Form1->StatusPanels[0]->text(), QStringLiteral("Пользователей в чате: 0"));
    QCOMPARE(Form1->RunSeconds, 1);
    QVERIFY(!Form1->StatusPanels[2]->text().isEmpty());
    QVERIFY(Form1->StatusPanels[2]->text().size() <= 8);

    Dialogs::setNextInput(QStringLiteral("Ivan"));
    Form1->show();
    QCoreApplication::processEvents();
    Form1->RichEdit2->AppendLine(QStringLiteral("Ivan"), Qt::black, true);
    Form1->Timer2Timer();
    QCOMPARE(Form1->CTI->Hint(), QStringLiteral("Пользователей в чате: 1"));
}

void TestMainWindow::publicMessageComesBackOnLoopback()
{
    writeChatCfg(m_dir->path(), QStringLiteral("Ivan"),
                 {{QStringLiteral("FontColor"), QStringLiteral("FontColor=12")}});
    start();
    QTRY_VERIFY(Form1->RichEdit1->LineCount() >= 1); // own entry notice
    const int before = Form1->RichEdit1->LineCount();
    Form1->RichEdit4->setPlainText(QStringLiteral("Hello"));
    QTest::keyClick(Form1->RichEdit1, Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(Form1->RichEdit4->toPlainText().isEmpty());
    QTRY_COMPARE(Form1->RichEdit1->LineCount(), before + 1);
    QCOMPARE(Form1->RichEdit1->LineText(before), QStringLiteral("Ivan -->Hello"));
    QCOMPARE(Form1->RichEdit1->LineColor(before), QColor(Qt::blue));
}

void TestMainWindow::presenceListsOwnNick()
{
    writeChatCfg(m_dir->path(), QStringLiteral("Ivan"),
                 {{QStringLiteral("FontColor"), QStringLiteral("FontColor=2")}});
    start();
    // Each refresh empties the table, so refresh until the announcement has come back.
    for (int i = 0; i < 100 && Form1->RichEdit2->LineCount() == 0; ++i) {
        QTest::qWait(20);
        Form1->RefreshUserList();
    }
    QCOMPARE(Form1->RichEdit2->LineCount(), 1);
    QCOMPARE(Form1->RichEdit2->LineText(0), QStringLiteral("Ivan"));
    QVERIFY(Form1->RichEdit2->LineBold(0));
    QCOMPARE(Form1->RichEdit2->LineColor(0), QColor(0x00, 0x80, 0x00));
    // The broadcast address was set by hand, so the user's own item is offered.
    QCOMPARE(Form4->ComboBox1->currentText(), QStringLiteral("Ivan - 127.0.0.1"));
    Form1->Timer2Timer();
    QCOMPARE(Form1->StatusPanels[0]->text(), QStringLiteral("Пользователей в чате: 1"));
    // With the announcements stopped the list empties and the box falls back to its prompt.
    m_windows->Services().Session().PresenceTimer->stop();
    QTest::qWait(50);
    Form1->RefreshUserList();
    Form1->RefreshUserList();
    QCOMPARE(Form1->RichEdit2->LineCount(), 0);
    QCOMPARE(Form4->ComboBox1->currentText(), QStringLiteral("Выбери пользователя..."));
}

void TestMainWindow::receivedLinesKeepTheirColourAndWeight_data()
{
    QTest::addColumn<bool>("isPrivate");
    QTest::addColumn<QString>("payload");
    QTest::addColumn<QList<QRgb>>("colors"); // one per line drawn
    QTest::addColumn<QList<bool>>("bold");
    QTest::newRow("a public line: the sender's colour, regular")
        << false << QStringLiteral("@#@5@#@Оля: привет") << QList<QRgb>{0xFF800080}
        << QList<bool>{false};
    QTest::newRow("a public notice: the notice colour, regular")
        << false << QStringLiteral("@#@2@#@ в чат входит - \"Оля\"...") << QList<QRgb>{0xFF808080}
        << QList<bool>{false};
    QTest::newRow("a private message: header and body bold in the sender's colour")
        << true << QStringLiteral("@#@9@#@Оля --> Ivan: привет")
        << QList<QRgb>{0xFFFF0000, 0xFFFF0000} << QList<bool>{true, true};
    QTest::newRow("a private notice keeps the sender's colour")
        << true << QStringLiteral("@#@9@#@Оля --> Ivan: \"Оля\" покидает чат...")
        << QList<QRgb>{0xFFFF0000, 0xFFFF0000} << QList<bool>{true, true};
}

// What the windows draw for a received datagram: every line's colour and weight.
void TestMainWindow::receivedLinesKeepTheirColourAndWeight()
{
    QFETCH(bool, isPrivate);
    QFETCH(QString, payload);
    QFETCH(QList<QRgb>, colors);
    QFETCH(QList<bool>, bold);
    writeChatCfg(m_dir->path(), QStringLiteral("Ivan"),
                 {{QStringLiteral("SysClr"), QStringLiteral("SysClr=7")}});
    start();
    QUdpSocket replies; // catches the public empty reply
    QVERIFY(replies.bind(QHostAddress::AnyIPv4, 0));
    TIdSocketHandle binding; // another host on the loopback network
    binding.AllocateSocket();
    binding.SenderIP = QStringLiteral("127.0.0.2");
    binding.SenderPort = replies.localPort();
    LogView *view = isPrivate ? Form4->RichEdit1 : Form1->RichEdit1;
    QTRY_VERIFY(isPrivate || view->LineCount() >= 1); // own entry notice
    const int before = view->LineCount();
    if (isPrivate)
        Form4->IdUDPServer1UDPRead(nullptr, cp1251::encode(payload), &binding);
    else
        Form1->IdUDPServer1UDPRead(nullptr, cp1251::encode(payload), &binding);
    QCOMPARE(view->LineCount(), before + colors.size());
    for (int i = 0; i < colors.size(); ++i) {
        QCOMPARE(view->LineColor(before + i).rgb(), colors[i]);
        QCOMPARE(view->LineBold(before + i), bold[i]);
    }
    QCOMPARE(replies.hasPendingDatagrams() || replies.waitForReadyRead(1000), !isPrivate);
}

void TestMainWindow::nonBreakingSpacesGoOutUnchanged_data()
{
    QTest::addColumn<bool>("isPrivate");
    QTest::newRow("public") << false;
    QTest::newRow("private") << true;
}

void TestMainWindow::nonBreakingSpacesGoOutUnchanged()
{
    QFETCH(bool, isPrivate);
    writeChatCfg(m_dir->path(), QStringLiteral("Ivan"));
    start();
    const QString typed = QStringLiteral("10\u00A0000 руб.\u00A0— итог");
    LogView *view = isPrivate ? Form4->RichEdit1 : Form1->RichEdit1;
    QTRY_VERIFY(isPrivate || view->LineCount() >= 1); // own entry notice
    const int before = view->LineCount();
    QTextEdit *input = isPrivate ? Form4->RichEdit2 : Form1->RichEdit4;
    input->setFocus();
    QApplication::clipboard()->setText(typed);
    input->paste();
    if (isPrivate) {
        Form4->ComboBox1->setEditText(QStringLiteral("Olga - 127.0.0.1"));
        Form4->Button1->click();
    } else {
        Form1->Button1->click();
    }
    QVERIFY(input->document()->isEmpty());
    // The line comes back through the listener: from the own broadcast, or as the private
    // echo followed by the received message.
    const int lines = isPrivate ? 4 : 1;
    QTRY_COMPARE(view->LineCount(), before + lines);
    QCOMPARE(view->LineText(before + lines - 1),
             isPrivate ? typed : QStringLiteral("Ivan -->") + typed);
    if (isPrivate) {
        QCOMPARE(view->LineText(before + 1), typed);
        const HistoryTable &records = HForm->Store->table();
        QCOMPARE(records.recordCount(), 2);
        for (int i = 0; i < 2; ++i)
            QCOMPARE(records.textAt(i, HistoryField::mFullText), typed);
    }
}

void TestMainWindow::privateSendRefused_data()
{
    QTest::addColumn<QString>("recipient");
    QTest::addColumn<bool>("storeClosed");
    QTest::addColumn<QString>("shown"); // the dialog's text
    QTest::addColumn<Dialogs::Kind>("kind");
    const QString none = QStringLiteral("Получатель сообщения не выбран!");
    QTest::newRow("no recipient") << QString() << false << none << Dialogs::Kind::Information;
    QTest::newRow("the prompt of an empty list")
        << QStringLiteral("Выбери пользователя...") << false << none << Dialogs::Kind::Information;
    QTest::newRow("the prompt to choose")
        << QStringLiteral("Выбери получателя...") << false << none << Dialogs::Kind::Information;
    QTest::newRow("an address that is none")
        << QStringLiteral("Olga - 999.0.0.1") << false << QString() << Dialogs::Kind::Error;
}

void TestMainWindow::privateSendRefused()
{
    QFETCH(QString, recipient);
    QFETCH(bool, storeClosed);
    QFETCH(QString, shown);
    QFETCH(Dialogs::Kind, kind);
    writeChatCfg(m_dir->path(), QStringLiteral("Ivan"));
    start();
    Form4->OpenWindow();
    if (storeClosed)
        HForm->Store->connection().close();
    Dialogs::clearHistory();
    Form4->RichEdit2->setPlainText(QStringLiteral("Привет"));
    Form4->ComboBox1->setEditText(recipient);
    Form4->Button1->click();

    QCOMPARE(Dialogs::history().size(), 1);
    QCOMPARE(Dialogs::history()[0].kind, kind);
    if (!shown.isEmpty())
        QCOMPARE(Dialogs::history()[0].text, shown);
    else
        QVERIFY(!Dialogs::history()[0].text.isEmpty());
    // Nothing claims to have gone: no echo, the text stays to be sent again.
    QCOMPARE(Form4->RichEdit1->LineCount(), 0);
    QCOMPARE(Form4->RichEdit2->toPlainText(), QStringLiteral("Привет"));
    if (!storeClosed)
        QCOMPARE(HForm->Store->table().recordCount(), 0);
}

void TestMainWindow::privateSendIsCutAt8000Characters()
{
    writeChatCfg(m_dir->path(), QStringLiteral("Ivan"));
    start();
    Form4->OpenWindow();
    // 8000 characters of the code page, then more that must not go.
    const QString kept = QString(7999, u'ж') + u'\u20AC';
    Form4->RichEdit2->setPlainText(kept + QStringLiteral("лишнее"));
    Form4->ComboBox1->setEditText(QStringLiteral("Ivan - 127.0.0.1"));
    Form4->Button1->click();
    QVERIFY(Dialogs::history().isEmpty());
    // The echo, then the message as it came back through the private listener.
    QTRY_COMPARE(Form4->RichEdit1->LineCount(), 4);
    QCOMPARE(Form4->RichEdit1->LineText(1).size(), 8000);
    QCOMPARE(Form4->RichEdit1->LineText(1), kept);
    QCOMPARE(Form4->RichEdit1->LineText(3), kept);
    const HistoryTable &records = HForm->Store->table();
    QCOMPARE(records.recordCount(), 2);
    for (int i = 0; i < 2; ++i)
        QCOMPARE(records.textAt(i, HistoryField::mFullText), kept);
}

void TestMainWindow::unwritableHistoryIsSaidOnceAtStartup()
{
    writeChatCfg(m_dir->path(), QStringLiteral("Ivan"),
                 {{QStringLiteral("ShowPrivateWND"), QStringLiteral("ShowPrivateWND=1")}});
    // A store from an earlier run, in a folder that has become read-only.
    const QString history = m_dir->filePath(QStringLiteral("history"));
    QVERIFY(QDir().mkpath(history));
    for (const QString &name : {QStringLiteral("tmp.dat"), HistoryFileName(QStringLiteral("Ivan"))})
        QVERIFY(QFile::copy(m_dir->filePath(QStringLiteral("tmp.dat")), history + u'/' + name));
    testsupport::ReadOnlyFolder readOnly(history);
    m_windows = std::make_unique<AppWindows>();
    HForm->Store->setProgramDir(history);
    Form1->show();
    QTRY_COMPARE(errors().size(), 1);
    QVERIFY2(errors()[0].startsWith(QStringLiteral("История сообщений не сохраняется")),
             qPrintable(errors()[0]));

    // Private messages are still shown, the own echo as ever, and another user's opens the
    // window.
    Form4->ComboBox1->setEditText(QStringLiteral("Ivan - 127.0.0.1"));
    Form4->RichEdit2->setPlainText(QStringLiteral("себе"));
    const int before = Form4->RichEdit1->LineCount();
    Form4->Button1->click();
    QTRY_COMPARE(Form4->RichEdit1->LineCount(), before + 4);
    Form4->hide();
    TIdUDPClient peer;
    peer.Host = QStringLiteral("127.0.0.1");
    peer.Port = m_windows->Services().Session().Ports().Private;
    peer.SendText(QStringLiteral("@#@6@#@Olga --> Ivan: привет"));
    QTRY_COMPARE(Form4->RichEdit1->LineCount(), before + 6);
    QCOMPARE(Form4->RichEdit1->LineText(before + 5), QStringLiteral("привет"));
    QVERIFY(Form4->isVisible());
    QCoreApplication::processEvents();
    QCOMPARE(errors().size(), 1);
}

void TestMainWindow::tooLongPrivateMessageIsRefused()
{
    writeChatCfg(m_dir->path(), QString(100, u'I'));
    start();
    const QString recipient = QString(100, u'O') + QStringLiteral(" - 127.0.0.1");
    const QString text(8000, u'x');
    Form4->ComboBox1->setEditText(recipient);
    Form4->RichEdit2->setPlainText(text);
    const int before = Form4->RichEdit1->LineCount();
    Dialogs::clearHistory();
    Form4->Button1->click();
    QCOMPARE(errors().size(), 1);
    QVERIFY2(errors()[0].startsWith(QStringLiteral("Сообщение не отправлено")),
             qPrintable(errors()[0]));
    QCOMPARE(InputText(Form4->RichEdit2), text);
    QTest::qWait(100);
    QCOMPARE(Form4->RichEdit1->LineCount(), before);
}

void TestMainWindow::terminationSignalsEndWithoutQuestion_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void TestMainWindow::terminationSignalsEndWithoutQuestion()
{
    QFETCH(int, signalNumber);
    writeChatCfg(m_dir->path(), QStringLiteral("Ivan"),
                 {{QStringLiteral("ShowIP"), QStringLiteral("ShowIP=yes")}});
    start();
    ExitRequests requests;
    connect(&requests, &ExitRequests::exitRequested, Form1, &TForm1::EndSession);
    Form2->CheckBox1->setChecked(!Form2->CheckBox1->isChecked()); // changed in this session
    const QString shown = Form2->CheckBox1->isChecked() ? QStringLiteral("ShowMsgTime=1")
                                                        : QStringLiteral("ShowMsgTime=0");
    Dialogs::clearHistory();
    std::raise(signalNumber);
    QTRY_COMPARE(savedLine(QStringLiteral("ShowIP")), QStringLiteral("ShowIP=0"));
    QCOMPARE(savedLine(QStringLiteral("ShowMsgTime")), shown);
    QVERIFY(!m_windows->Services().Session().IdUDPServer1->Active());
    QVERIFY(Dialogs::history().isEmpty()); // no question, no error
}

void TestMainWindow::logOffEndsWithoutQuestion_data()
{
    QTest::addColumn<int>("entry");
    QTest::newRow("the session manager asks for the data to be saved") << 0;
    QTest::newRow("the session manager ends the session") << 1;
    QTest::newRow("the event loop ends from elsewhere") << 2;
}

// Each entry is what Qt runs for it: the session manager's save-yourself message commits the
// data, its die message sends the application a quit event.
void TestMainWindow::logOffEndsWithoutQuestion()
{
    QFETCH(int, entry);
    writeChatCfg(m_dir->path(), QStringLiteral("Ivan"),
                 {{QStringLiteral("ShowIP"), QStringLiteral("ShowIP=yes")}});
    start();
    ExitRequests requests;
    connect(&requests, &ExitRequests::exitRequested, Form1, &TForm1::EndSession);
    // A local socket takes the public port's place, to see what the exit path sends there.
    m_windows->Services().Session().IdUDPServer1->setActive(false);
    TIdUDPServer watcher;
    QList<QByteArray> sent;
    watcher.OnUDPRead = [&sent](TIdUDPServer *, const QByteArray &data, TIdSocketHandle *) {
        sent << data;
    };
    watcher.setDefaultPort(m_windows->Services().Session().Ports().Public);
    watcher.setActive(true);
    Dialogs::clearHistory();
    if (entry == 0) {
        QGuiApplicationPrivate::instance()->commitData();
    } else if (entry == 1) {
        QEvent quit(QEvent::Quit);
        QCoreApplication::sendEvent(qApp, &quit);
    } else {
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
    }
    QTRY_COMPARE(savedLine(QStringLiteral("ShowIP")), QStringLiteral("ShowIP=0"));
    QTRY_COMPARE(sent, QList<QByteArray>{
                           cp1251::encode(QStringLiteral("@#@19@#@\"Ivan\" покидает чат..."))});
    QVERIFY(!m_windows->Services().Session().IdUDPServer2->Active() &&
            !m_windows->Services().Session().PrivateServer->Active());
    QVERIFY(Dialogs::history().isEmpty()); // no question, no error
}

void TestMainWindow::fullDiskOnExit_data()
{
    QTest::addColumn<bool>("bySignal");
    QTest::newRow("A signal's exit says it on standard error, with no box") << true;
    QTest::newRow("The menu's exit shows the box, as the user is there") << false;
}

// Files may not grow here beyond a few bytes (RLIMIT_FSIZE, as a full disk would refuse them):
// the save of Chat.cfg fails, the old file stays whole, and an exit nobody waits at never
// waits for a click.
void TestMainWindow::fullDiskOnExit()
{
    QFETCH(bool, bySignal);
    writeChatCfg(m_dir->path(), QStringLiteral("Ivan"),
                 {{QStringLiteral("ShowIP"), QStringLiteral("ShowIP=yes")}});
    start();
    ExitRequests requests;
    connect(&requests, &ExitRequests::exitRequested, Form1, &TForm1::EndSession);
    const QByteArray before = savedConfig();
    Dialogs::clearHistory();

    int pipeEnds[2];
    QVERIFY(::pipe2(pipeEnds, O_NONBLOCK | O_CLOEXEC) == 0);
    const int savedErr = ::dup(STDERR_FILENO);
    ::dup2(pipeEnds[1], STDERR_FILENO);
    {
        const testsupport::FileSizeLimit limit(16);
        if (bySignal) {
            std::raise(SIGTERM);
            QTRY_VERIFY(!m_windows->Services().Session().IdUDPServer1->Active());
        } else {
            Form1->N2Click();
        }
    }
    ::dup2(savedErr, STDERR_FILENO);
    ::close(savedErr);
    QByteArray err(64 * 1024, '\0');
    const ssize_t got = ::read(pipeEnds[0], err.data(), err.size());
    err.truncate(qMax<ssize_t>(got, 0));
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);

    QCOMPARE(savedConfig(), before);
    QVERIFY(!m_windows->Services().Session().IdUDPServer1->Active());
    const QString said = QString::fromLocal8Bit(err);
    if (bySignal) {
        QVERIFY2(errors().isEmpty(), qPrintable(errors().join(u'|')));
        QVERIFY2(said.contains(QStringLiteral("Не удалось сохранить настройки в файл Chat.cfg")),
                 qPrintable(said));
    } else {
        QVERIFY(!errors().isEmpty());
        QVERIFY(errors().at(0).startsWith(QStringLiteral("Не удалось сохранить настройки")));
        QVERIFY(!said.contains(QStringLiteral("Chat.cfg")));
    }
}

PALAVRIX_TEST_MAIN(TestMainWindow)
#include "tst_MainWindow.moc"
