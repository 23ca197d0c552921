// The main window's start-up sequence and exit path.
#include "MainWindow.h"

#include "AppError.h"
#include "AppPaths.h"
#include "ChatSession.h"
#include "ColorBox.h"
#include "ConfigBindings.h"
#include "Convert.h"
#include "Datagram.h"
#include "DesktopNotifier.h"
#include "Dialogs.h"
#include "ErrorBox.h"
#include "FileTransferService.h"
#include "HistoryStore.h"
#include "HistoryWindow.h"
#include "HostAddress.h"
#include "LogView.h"
#include "NickPrompt.h"
#include "OptionBindings.h"
#include "PrivateWindow.h"
#include "SettingsWindow.h"
#include "ShellText.h"
#include "SkinEngine.h"
#include "TransferErrors.h"
#include "TransferTexts.h"
#include "TrayIcon.h"
#include "UdpEndpoints.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTextEdit>
#include <QThread>
#include <QTimer>

#include <cstdio>

void TForm1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if ((FirstShow || Session->OwnNick().isEmpty()) && !m_startupQueued) {
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
    FirstShow = false;
    ApplyConfigLines(Config, true);
    ApplyOptions(Options);
    m_optionsApplied = true;

    // Stage B: log-in and going online.
    const QString nick = ObtainNick(Form2->CheckBox8->isChecked(), Form2->Edit1->text());
    Session->setOwnNick(nick);
    if (nick.isEmpty()) {
        N2Click();
        OpenUserHistory();
        m_startupQueued = false;
        return;
    }
    CTI->setEnabled(true);
    Timer1->start();
    ApplyConfigLines(Config, false);
    m_settingsApplied = true;
    StartNetwork();
    Announce();
    if (Form2->RadioButton1->isChecked())
        AppMinimize();
    OpenUserHistory();

    // Stage C.
    m_startupQueued = false;
    RichEdit4->setFocus();
}

void TForm1::SettleBroadcastAddress(ConfigLines &config)
{
    LocalNetwork network;
    if (Form2->CheckBox12->isChecked()) {
        network.broadcast = config.ValueOf(cfg::BroadcastIP);
    } else {
        network = FindLocalNetwork();
        Session->setOwnIP(network.address);
    }
    const QString broadcast = network.broadcast;
    config.SetApplied(cfg::BroadcastIP);
    Form2->ShowLocalNetwork(network);
    Form2->Edit2->setText(broadcast);
    Session->setBroadcastAddress(broadcast);
}

void TForm1::SettlePorts(ConfigLines &config)
{
    if (Form2->CheckBox13->isChecked()) {
        ChatPorts ports;
        for (auto [line, port] :
             {std::pair{cfg::MainPort, &ports.Public}, std::pair{cfg::PrivatePort, &ports.Private},
              std::pair{cfg::SystemPort, &ports.System}}) {
            *port = strToInt(config.ValueOf(line));
            config.SetApplied(line);
        }
        Session->setPorts(ports);
        Form2->Edit3->setText(config[cfg::MainPort]);
        Form2->Edit4->setText(config[cfg::PrivatePort]);
        Form2->Edit5->setText(config[cfg::SystemPort]);
    } else {
        const ChatPorts ports = Session->Ports();
        Form2->Edit3->setText(QString::number(ports.Public));
        Form2->Edit4->setText(QString::number(ports.Private));
        Form2->Edit5->setText(QString::number(ports.System));
    }
}

void TForm1::StartNetwork()
{
    Session->StartNetwork();
    StartFileTransfer();
}

// Offers and announcements are taken only from the chat's users, and nothing goes to its ports.
static transfer::TransferOptions FileOptions(const ChatSession *session, quint16 port)
{
    transfer::TransferOptions options;
    options.port = port;
    options.nick = session->OwnNick();
    options.announceTo = QHostAddress(session->BroadcastAddress());
    options.isChatUser = [session](const QHostAddress &address, const QString &nick) {
        return session->IsUserAt(nick, address.toString());
    };
    const ChatPorts ports = session->Ports();
    options.chatPorts = {quint16(ports.Public), quint16(ports.System), quint16(ports.Private)};
    options.partialJournal = QDir(apppaths::DataFolder()).filePath(QStringLiteral("Partials.lst"));
    return options;
}

// A port that cannot be opened leaves the chat as it is: the private window's file commands
// say why they are off.
void TForm1::StartFileTransfer()
{
    QString off;
    const auto port = quint16(Form2->SpinEdit1->value());
    if (port == 0) {
        off = tr("Передача файлов выключена в настройках");
    } else {
        try {
            Files->start(FileOptions(Session, port));
        } catch (const ETransferError &error) {
            off = TransferErrorText(error);
        }
    }
    Form4->setFileService(Files, off);
}

void TForm1::Announce()
{
    try {
        Session->GoOnline();
    } catch (const AppError &) {
        Dialogs::warning(this, tr("Ошибка"),
                         tr("Сеть не настроена. Корректная работа приложения невозможна!"));
    }
}

void TForm1::OpenUserHistory()
{
    if (Session->OwnNick().isEmpty()) {
        HForm->OpenHistory(QString());
        return;
    }
    // A store that cannot take records is said once; private messages still show and alert.
    // The store itself opens when first used (AppWindows passes on a failure then).
    try {
        HForm->Store->ChooseHistory(Session->OwnNick());
        Session->CheckHistory();
    } catch (const AppError &error) {
        Session->ReportHistoryFailure({HistoryFault::Other, error.message()});
    }
}

// Exit path.

bool TForm1::FormCloseQuery()
{
    if (Session->OwnNick().isEmpty())
        return true;
    QWidget *parent = isVisible() ? this : nullptr;
    const QString text = ExitQuestionText(RunSeconds, QApplication::applicationName());
    if (!m_endingSession &&
        Dialogs::question(parent, QStringLiteral("Palavrix"), text) != Dialogs::Answer::Ok)
        return false;
    Session->SendLeaveNotice();
    CloseListeners();
    return true;
}

void TForm1::EndSession()
{
    if (m_endingSession || m_closing)
        return;
    m_endingSession = true;
    N2Click();
}

void TForm1::CloseListeners()
{
    Files->stop();
    Session->CloseListeners();
}

void TForm1::FormClose()
{
    RebuildConfig();
    try {
        Config.Save(apppaths::ConfigFile());
    } catch (const EConfigSaveError &error) {
        ReportExitError(ConfigSaveErrorText(error.fileName(), error.error()));
    } catch (const AppError &error) {
        ReportExitError(error.message());
    }
    SaveOptions();
}

void TForm1::SaveOptions()
{
    // A file that could not be read is not replaced by the defaults, nor one whose options
    // never reached their controls rewritten.
    if (!m_optionsRead || !m_optionsApplied)
        return;
    TakeOptions(Options);
    try {
        Options.Save(apppaths::OptionsFile());
    } catch (const EConfigSaveError &error) {
        ReportExitError(ConfigSaveErrorText(error.fileName(), error.error()));
    } catch (const AppError &error) {
        ReportExitError(error.message());
    }
}

// An exit asked from outside (a signal, the log-off) has nobody to click a box: the error goes
// to standard error and, where the desktop has one, to a notification, and the exit goes on.
void TForm1::ReportExitError(const QString &text)
{
    if (!m_endingSession) {
        ShowErrorBox(text);
        return;
    }
    std::fprintf(stderr, "palavrix: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
    DesktopNotifier notifier;
    notifier.ShowBeforeExit(QApplication::applicationName(), text);
}

void TForm1::RebuildConfig()
{
    RebuildConfigLines(Config, m_settingsApplied);
}
