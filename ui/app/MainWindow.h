#pragma once

#include "ConfigFile.h"
#include "OptionsFile.h"
#include "UserTable.h"

#include <QMainWindow>

class ChatServices;
class ChatSession;
class ColorBox;
class LogView;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QSplitter;
class QTextEdit;
class QTimer;
class QToolBar;
class QToolButton;
class TCoolTrayIcon;
class TIdSocketHandle;
class TIdUDPClient;
class TIdUDPServer;

// The main window: public conversation, user list, menus, tool bar, status bar, tray.
class TForm1 final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm1)
public:
    explicit TForm1(ChatServices &services, QWidget *parent = nullptr);
    ~TForm1() override;

    // Menus and commands.
    QMenu *N1 = nullptr, *N3 = nullptr, *N4 = nullptr; // "Файл", "Сервис", "Справка"
    QAction *N2 = nullptr, *N7 = nullptr, *N12 = nullptr, *N6 = nullptr, *N17 = nullptr,
            *N5 = nullptr;
    QMenu *RxPopupMenu1 = nullptr; // tray menu
    QAction *N8 = nullptr, *N13 = nullptr, *N10 = nullptr, *N11 = nullptr, *N18 = nullptr,
            *N9 = nullptr;
    QToolBar *ToolBar1 = nullptr;
    QToolButton *ToolButton2 = nullptr, *ToolButton4 = nullptr, *ToolButton5 = nullptr,
                *ToolButton6 = nullptr, *ToolButton8 = nullptr, *ToolButton9 = nullptr;

    // Controls.
    QWidget *Panel1 = nullptr;
    LogView *RichEdit1 = nullptr; // public conversation
    QSplitter *Splitter1 = nullptr;
    LogView *RichEdit2 = nullptr; // user list
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr;
    ColorBox *ColorBox1 = nullptr, *ColorBox2 = nullptr;
    QPushButton *Button1 = nullptr;
    QTextEdit *RichEdit4 = nullptr; // message input
    QWidget *StatusBar1 = nullptr;
    QLabel *StatusPanels[5] = {};

    // Non-visual parts: the chat's endpoints, its user list refresh (Timer1) and presence
    // timer (Timer3), all the services'; the window's own timers and tray icon.
    TIdUDPServer *IdUDPServer1 = nullptr, *IdUDPServer2 = nullptr;
    TIdUDPClient *IdUDPClient1 = nullptr, *IdUDPClient2 = nullptr;
    QTimer *Timer1 = nullptr, *Timer2 = nullptr, *Timer3 = nullptr, *Timer4 = nullptr;
    TCoolTrayIcon *CTI = nullptr;

    // State.
    bool FirstShow = true;
    qint32 RunSeconds = 0;
    ConfigLines Config;
    OptionsFile Options; // what Chat.cfg has no line for

    // Handlers.
    void FormCreate();
    void FormShow();
    bool FormCloseQuery();
    void FormClose();
    void N2Click();
    // The exit path without its question, for a termination signal or the session manager's
    // log-off: the leave notice, the listeners closed, Chat.cfg written, the program ended.
    // Does nothing once the exit path has run.
    void EndSession();
    void N7Click();
    void N12Click();
    void N6Click();
    void N17Click();
    void N5Click();
    void N8Click();
    void Timer1Timer();
    void RefreshUserList();
    void ShowUsers(const QList<UsrInfo> &users);
    void ApplyBackgroundColor();
    void Timer2Timer();
    void Timer4Timer();
    void suitempButton1Click();
    void suitempColorBox1Change();
    void suitempColorBox2Change();
    void IdUDPServer1UDPRead(TIdUDPServer *Sender, const QByteArray &AData,
                             TIdSocketHandle *ABinding);
    void IdUDPServer2UDPRead(TIdUDPServer *Sender, const QByteArray &AData,
                             TIdSocketHandle *ABinding);

    // Window state.
    void RestoreMainWindow();
    // To the tray; minimised instead where the desktop has no tray.
    void HideToTray();
    void TrayAvailabilityChanged(bool available);
    void ShowFromTray();
    void PrivateAlert(bool on);
    bool PrivateAlertOn() const;
    void AppMinimize();
    void MinimizeWindow();
    void MinimizeOnceExposed();
    void AppIdle();
    void WMSysCommand(int command);
    void CTIClick();
    void CTIMouseMove();

    // Closes the three listeners (public, system, private) and the file port.
    void CloseListeners();

    // The status bar's user count text, "Пользователей в чате: " and the number.
    QString UserCountText() const;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    void buildToolBar();
    void buildControls();
    void buildStatusBar();
    void buildTimersAndTray();
    void wireEvents();
    void RunStartupSequence();
    void RebuildConfig();
    void SaveOptions();
    void ReportExitError(const QString &text);
    void wireSession();
    void ShowPublicLine(const QString &text, int colorIndex);
    void PublicAlert();

    ChatServices &m_services;
    ChatSession *Session = nullptr;

    bool m_closing = false;       // the exit path is confirmed: the close really ends the program
    bool m_quitting = false;      // a close requested by the exit commands, not the window system
    bool m_endingSession = false; // the exit path runs without asking
    bool m_inTray = false;        // hidden to the tray
    bool m_minimizing = false;    // the window minimises itself: not the window system's command
    bool m_minimizeOnExpose = false; // started minimised, waiting for the desktop to show it
    bool m_startupQueued = false;
    bool m_settingsApplied = false; // every stored setting reached its control
    bool m_optionsRead = false;     // the options file was read (or is not there yet)
    bool m_optionsApplied = false;  // and its options reached their controls
    bool m_privateImageShown = true;
};

extern TForm1 *Form1;
