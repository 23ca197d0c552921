// The main window's start-up sequence and exit path.
#include "MainWindow.h"

#include "AppError.h"
#include "AppPaths.h"
#include "ColorBox.h"
#include "Convert.h"
#include "Datagram.h"
#include "Dialogs.h"
#include "ErrorBox.h"
#include "HistoryWindow.h"
#include "HostAddress.h"
#include "LogView.h"
#include "NickPrompt.h"
#include "PrivateWindow.h"
#include "SettingsWindow.h"
#include "ShellText.h"
#include "SkinEngine.h"
#include "TrayIcon.h"
#include "UdpEndpoints.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSlider>
#include <QTextEdit>
#include <QThread>
#include <QTimer>

namespace
{

enum Line {
    FontColor = 1,
    BGColor,
    AlphaBlend,
    AlphaBlendValue,
    ShowMainWND,
    PlaySndOnRcv,
    ShowMsgTime,
    ShowIP,
    RedrawUsrWnd,
    ShowPrivateWND,
    PlaySndOnPrivateRcv,
    AutoLogon,
    SavedNick,
    StartMinimized,
    Skin,
    IgnUsrClr,
    IncommingMsgClr,
    SelectHistoryClr,
    IncClr,
    OutClr,
    SysClr,
    AutoRun,
    ChangeIP,
    BroadcastIP,
    ChangePort,
    MainPort,
    PrivatePort,
    SystemPort
};

QString switchText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

void TForm1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if ((FirstShow || OwnNick.isEmpty()) && !m_startupQueued) {
        // Runs once the window is on screen, so the nick prompt opens over it.
        m_startupQueued = true;
        QMetaObject::invokeMethod(this, &TForm1::FormShow, Qt::QueuedConnection);
        return;
    }
    if (!m_startupQueued)
        RichEdit4->setFocus();
}

void TForm1::FormShow()
{
    try {
        RunStartupSequence();
    } catch (const AppError &error) {
        m_startupQueued = false;
        ShowErrorBox(error.message());
    }
}

void TForm1::RunStartupSequence()
{
    // Stage A: fast entry and skin.
    Form2->CheckBox8->setChecked(SwitchOn(Config.ValueOf(AutoLogon)));
    Config.SetApplied(AutoLogon);
    const QString savedNick = Config.ValueOf(SavedNick);
    if (!savedNick.isEmpty())
        Form2->Edit1->setText(savedNick);
    Config.SetApplied(SavedNick);
    FirstShow = false;
    const QString skin = Config.ValueOf(Skin);
    Config.SetApplied(Skin);
    if (!skin.isEmpty())
        RestoreSkin(skin);

    // Stage B: log-in and going online.
    OwnNick = ObtainNick(Form2->CheckBox8->isChecked(), Form2->Edit1->text());
    if (OwnNick.isEmpty()) {
        N2Click();
        OpenUserHistory();
        m_startupQueued = false;
        return;
    }
    CTI->setEnabled(true);
    Timer1->start();
    ApplyStoredSettings();
    StartNetwork();
    Timer3->start();
    Announce();
    if (m_startMinimized)
        AppMinimize();
    OpenUserHistory();

    // Stage C.
    m_startupQueued = false;
    RichEdit4->setFocus();
}

void TForm1::ApplyStoredSettings()
{
    auto number = [this](int line) {
        const int value = strToInt(Config.ValueOf(line));
        Config.SetApplied(line);
        return value;
    };
    auto toggle = [this](int line, QAbstractButton *box) {
        box->setChecked(SwitchOn(Config.ValueOf(line)));
        Config.SetApplied(line);
    };

    ColorBox1->selectIndex(number(FontColor));
    RichEdit4->setTextColor(ColorBox1->selectedColor());
    ColorBox2->selectIndex(number(BGColor));
    ApplyBackgroundColor();
    if (number(AlphaBlend) < 1) {
        Form2->CheckBox5->setChecked(false);
        Form2->TrackBar1->setEnabled(false);
    } else {
        Form2->CheckBox5->setChecked(true);
    }
    Form2->TrackBar1->setValue(number(AlphaBlendValue));
    toggle(ShowMainWND, Form2->CheckBox3);
    toggle(PlaySndOnRcv, Form2->CheckBox4);
    toggle(ShowMsgTime, Form2->CheckBox1);
    toggle(ShowIP, Form2->CheckBox2);
    Form2->TrackBar2->setValue(number(RedrawUsrWnd));
    const int seconds = 5 * Form2->TrackBar2->value();
    Timer1->setInterval(1000 * seconds);
    Form2->Label2->setText(QStringLiteral("Время обновления - ") + QString::number(seconds) +
                           QStringLiteral(" сек."));
    toggle(ShowPrivateWND, Form2->CheckBox6);
    toggle(PlaySndOnPrivateRcv, Form2->CheckBox7);
    m_startMinimized = SwitchOn(Config.ValueOf(StartMinimized));
    (m_startMinimized ? Form2->RadioButton1 : Form2->RadioButton2)->setChecked(true);
    Config.SetApplied(StartMinimized);
    toggle(IgnUsrClr, Form2->CheckBox9);
    if (Form2->CheckBox9->isChecked())
        Form2->ColorBox1->selectIndex(number(IncommingMsgClr));
    toggle(SelectHistoryClr, Form2->CheckBox10);
    if (Form2->CheckBox10->isChecked()) {
        Form2->ColorBox2->selectIndex(number(IncClr));
        Form2->ColorBox3->selectIndex(number(OutClr));
    }
    Form2->ColorBox4->selectIndex(number(SysClr));
    toggle(AutoRun, Form2->CheckBox11);
    toggle(ChangeIP, Form2->CheckBox12);
    SettleBroadcastAddress();
    toggle(ChangePort, Form2->CheckBox13);
    SettlePorts();
    m_settingsApplied = true;
}

void TForm1::SettleBroadcastAddress()
{
    LocalNetwork network;
    if (Form2->CheckBox12->isChecked()) {
        network.broadcast = Config.ValueOf(BroadcastIP);
    } else {
        network = FindLocalNetwork();
        OwnIP = network.address;
    }
    const QString broadcast = network.broadcast;
    Config.SetApplied(BroadcastIP);
    Form2->ShowLocalNetwork(network);
    Form2->Edit2->setText(broadcast);
    IdUDPClient1->Host = broadcast;
    IdUDPClient2->Host = broadcast;
}

void TForm1::SettlePorts()
{
    if (Form2->CheckBox13->isChecked()) {
        const int mainPort = strToInt(Config.ValueOf(MainPort));
        Config.SetApplied(MainPort);
        const int privatePort = strToInt(Config.ValueOf(PrivatePort));
        Config.SetApplied(PrivatePort);
        const int systemPort = strToInt(Config.ValueOf(SystemPort));
        Config.SetApplied(SystemPort);
        IdUDPClient1->Port = mainPort;
        IdUDPServer1->setDefaultPort(mainPort);
        Form4->IdUDPClient1->Port = privatePort;
        Form4->IdUDPServer1->setDefaultPort(privatePort);
        IdUDPClient2->Port = systemPort;
        IdUDPServer2->setDefaultPort(systemPort);
        Form2->Edit3->setText(Config[MainPort]);
        Form2->Edit4->setText(Config[PrivatePort]);
        Form2->Edit5->setText(Config[SystemPort]);
    } else {
        Form2->Edit3->setText(QString::number(IdUDPServer1->DefaultPort()));
        Form2->Edit4->setText(QString::number(Form4->IdUDPServer1->DefaultPort()));
        Form2->Edit5->setText(QString::number(IdUDPServer2->DefaultPort()));
    }
}

void TForm1::StartNetwork()
{
    try {
        IdUDPServer1->setActive(true);
        IdUDPServer2->setActive(true);
        Form4->IdUDPServer1->setActive(true);
    } catch (const AppError &) {
        // A listener that cannot open leaves the chat silent but able to send.
    }
}

void TForm1::Announce()
{
    try {
        OwnColorIndex = NoticeColorIndex;
        IdUDPClient1->SendText(EntryNotice(OwnNick));
        OwnColorIndex = ColorBox1->selectedIndex();
        IdUDPClient2->SendText(PresenceAnnouncement(OwnColorIndex, OwnNick));
    } catch (const AppError &) {
        Dialogs::warning(
            this, QStringLiteral("Ошибка"),
            QStringLiteral("Сеть не настроена. Корректная работа приложения невозможна!"));
    }
}

void TForm1::OpenUserHistory()
{
    HForm->OpenHistory(OwnNick);
}

// Exit path.

bool TForm1::FormCloseQuery()
{
    if (OwnNick.isEmpty())
        return true;
    QWidget *parent = isVisible() ? this : nullptr;
    const QString text = ExitQuestionText(RunSeconds, QApplication::applicationName());
    if (Dialogs::question(parent, QStringLiteral("Palavrix"), text) != Dialogs::Answer::Ok)
        return false;
    SendLeaveNotice();
    CloseListeners();
    return true;
}

void TForm1::SendLeaveNotice()
{
    try {
        OwnColorIndex = NoticeColorIndex;
        IdUDPClient1->SendText(LeaveNotice(OwnNick));
        QThread::msleep(200);
    } catch (const AppError &) {
        // Peers forget a silent user by themselves.
    }
}

void TForm1::CloseListeners()
{
    for (TIdUDPServer *server :
         {IdUDPServer1, IdUDPServer2, Form4 ? Form4->IdUDPServer1 : nullptr}) {
        try {
            if (server)
                server->setActive(false);
        } catch (const AppError &) {
            // Closing never stops the exit.
        }
    }
}

void TForm1::FormClose()
{
    RebuildConfig();
    try {
        Config.Save(apppaths::ConfigFile());
    } catch (const AppError &error) {
        ShowErrorBox(error.message());
    }
}

void TForm1::RebuildConfig()
{
    // A line the start-up never took into its control keeps its stored text, so ending
    // before the log-in or after a bad value loses no setting.
    auto put = [this](int line, const QString &value) {
        if (m_settingsApplied || Config.Applied(line) || Config.Loaded(line).isEmpty())
            Config[line] = ConfigLines::Key(line) + u'=' + value;
        else
            Config[line] = Config.Loaded(line);
    };
    put(FontColor, QString::number(ColorBox1->selectedIndex()));
    put(BGColor, QString::number(ColorBox2->selectedIndex()));
    put(AlphaBlend, switchText(Form2->CheckBox5->isChecked()));
    put(AlphaBlendValue, QString::number(Form2->TrackBar1->value()));
    put(ShowMainWND, switchText(Form2->CheckBox3->isChecked()));
    put(PlaySndOnRcv, switchText(Form2->CheckBox4->isChecked()));
    put(ShowMsgTime, switchText(Form2->CheckBox1->isChecked()));
    put(ShowIP, switchText(Form2->CheckBox2->isChecked()));
    put(RedrawUsrWnd, QString::number(Form2->TrackBar2->value()));
    put(ShowPrivateWND, switchText(Form2->CheckBox6->isChecked()));
    put(PlaySndOnPrivateRcv, switchText(Form2->CheckBox7->isChecked()));
    put(AutoLogon, switchText(Form2->CheckBox8->isChecked()));
    put(SavedNick, Form2->Edit1->text());
    put(StartMinimized, switchText(Form2->RadioButton1->isChecked()));
    const QListWidgetItem *skin = Form2->ListBox1->currentItem();
    put(Skin, skin && skin->isSelected() ? skin->text() : Config[Skin]);
    put(IgnUsrClr, switchText(Form2->CheckBox9->isChecked()));
    if (Form2->CheckBox9->isChecked())
        Config[IncommingMsgClr] = ConfigLines::Key(IncommingMsgClr) + u'=' +
                                  QString::number(Form2->ColorBox1->selectedIndex());
    put(SelectHistoryClr, switchText(Form2->CheckBox10->isChecked()));
    if (Form2->CheckBox10->isChecked()) {
        Config[IncClr] =
            ConfigLines::Key(IncClr) + u'=' + QString::number(Form2->ColorBox2->selectedIndex());
        Config[OutClr] =
            ConfigLines::Key(OutClr) + u'=' + QString::number(Form2->ColorBox3->selectedIndex());
    }
    put(SysClr, QString::number(Form2->ColorBox4->selectedIndex()));
    put(AutoRun, switchText(Form2->CheckBox11->isChecked()));
    put(ChangeIP, switchText(Form2->CheckBox12->isChecked()));
    put(BroadcastIP, Form2->Edit2->text());
    put(ChangePort, switchText(Form2->CheckBox13->isChecked()));
    put(MainPort, Form2->Edit3->text());
    put(PrivatePort, Form2->Edit4->text());
    put(SystemPort, Form2->Edit5->text());
}
