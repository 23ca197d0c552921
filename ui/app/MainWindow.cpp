#include "MainWindow.h"

#include "AboutWindow.h"
#include "AppError.h"
#include "AppPaths.h"
#include "CapsLock.h"
#include "ChatServices.h"
#include "ColorBox.h"
#include "DateTimeText.h"
#include "Dialogs.h"
#include "ErrorBox.h"
#include "Guard.h"
#include "HistoryWindow.h"
#include "Icons.h"
#include "LogView.h"
#include "PrivateWindow.h"
#include "SettingsWindow.h"
#include "ShellText.h"
#include "TrayIcon.h"
#include "UdpEndpoints.h"

#include <QAbstractEventDispatcher>
#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

TForm1 *Form1 = nullptr;

namespace
{
constexpr int SC_MINIMIZE = 0xF020;
constexpr int SC_CLOSE = 0xF060;
constexpr int PrivateImage = 4;

QAction *commandAction(QObject *parent, const char *name, const QString &caption, int image)
{
    auto *action = new QAction(CommandIcon(image), caption, parent);
    action->setObjectName(QString::fromLatin1(name));
    action->setToolTip(caption);
    return action;
}
} // namespace

TForm1::TForm1(ChatServices &services, QWidget *parent)
    : QMainWindow(parent), m_services(services), Session(&services.Session())
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Palavrix"));
    setWindowIcon(TrayIcon(0));
    buildMenus();
    buildToolBar();
    buildControls();
    buildStatusBar();
    buildTimersAndTray();
    wireEvents();
    setMinimumSize(575, 487);
    resize(579, 527);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::buildMenus()
{
    N2 = commandAction(this, "N2", tr("Выход..."), 0);
    N7 = commandAction(this, "N7", tr("Очистить экран"), 1);
    N12 = commandAction(this, "N12", tr("Приват"), PrivateImage);
    N6 = commandAction(this, "N6", tr("Настройки"), 2);
    N17 = commandAction(this, "N17", tr("История сообщений"), 5);
    N5 = commandAction(this, "N5", tr("О программе..."), 3);

    N1 = menuBar()->addMenu(tr("Файл"));
    N1->setObjectName(QStringLiteral("N1"));
    N1->addAction(N2);
    N3 = menuBar()->addMenu(tr("Сервис"));
    N3->setObjectName(QStringLiteral("N3"));
    N3->addActions({N7, N12, N6, N17});
    N4 = menuBar()->addMenu(tr("Справка"));
    N4->setObjectName(QStringLiteral("N4"));
    N4->addAction(N5);

    RxPopupMenu1 = new QMenu(this);
    RxPopupMenu1->setObjectName(QStringLiteral("RxPopupMenu1"));
    N8 = new QAction(tr("Развернуть"), this);
    N8->setObjectName(QStringLiteral("N8"));
    N13 = commandAction(this, "N13", tr("Приват"), PrivateImage);
    N10 = commandAction(this, "N10", tr("Настройки"), 2);
    N11 = commandAction(this, "N11", tr("О программе..."), 3);
    N18 = commandAction(this, "N18", tr("История сообщений"), 5);
    N9 = commandAction(this, "N9", tr("Выход..."), 0);
    RxPopupMenu1->addActions({N8, N13, N10, N11, N18, N9});
}

void TForm1::buildToolBar()
{
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->toggleViewAction()->setVisible(false);
    addToolBar(Qt::TopToolBarArea, ToolBar1);
    auto button = [this](const char *name, QAction *action) {
        auto *b = new QToolButton(ToolBar1);
        b->setObjectName(QString::fromLatin1(name));
        b->setDefaultAction(action);
        b->setAutoRaise(true);
        ToolBar1->addWidget(b);
        return b;
    };
    ToolBar1->addSeparator();
    ToolButton2 = button("ToolButton2", N2);
    ToolBar1->addSeparator();
    ToolButton4 = button("ToolButton4", N7);
    ToolButton5 = button("ToolButton5", N6);
    ToolButton8 = button("ToolButton8", N12);
    ToolButton9 = button("ToolButton9", N17);
    ToolBar1->addSeparator();
    ToolButton6 = button("ToolButton6", N5);
}

void TForm1::buildControls()
{
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(4);

    Panel1 = new QWidget(central);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto *panelLayout = new QHBoxLayout(Panel1);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    Splitter1 = new QSplitter(Qt::Horizontal, Panel1);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setChildrenCollapsible(false);
    RichEdit1 = new LogView(Splitter1);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit2 = new LogView(Splitter1);
    RichEdit2->setObjectName(QStringLiteral("RichEdit2"));
    RichEdit2->setWordWrap(false);
    RichEdit2->setMinimumWidth(140);
    Splitter1->addWidget(RichEdit1);
    Splitter1->addWidget(RichEdit2);
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 0);
    Splitter1->setSizes({420, 140});
    panelLayout->addWidget(Splitter1);
    layout->addWidget(Panel1, 1);

    auto *row = new QHBoxLayout;
    Label1 = new QLabel(tr("Сообщение"), central);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(tr("Цвет шрифта"), central);
    Label2->setObjectName(QStringLiteral("Label2"));
    ColorBox1 = new ColorBox(central);
    ColorBox1->setObjectName(QStringLiteral("ColorBox1"));
    ColorBox1->selectIndex(0);
    Label3 = new QLabel(tr("Цвет заднего фона"), central);
    Label3->setObjectName(QStringLiteral("Label3"));
    ColorBox2 = new ColorBox(central);
    ColorBox2->setObjectName(QStringLiteral("ColorBox2"));
    ColorBox2->selectIndex(15);
    Button1 = new QPushButton(tr("Отправить"), central);
    Button1->setObjectName(QStringLiteral("Button1"));
    for (QLabel *label : {Label1, Label2, Label3}) {
        label->setTextFormat(Qt::PlainText);
        label->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    }
    for (ColorBox *box : {ColorBox1, ColorBox2}) {
        box->setFixedWidth(88);
        box->view()->setMinimumWidth(140);
    }
    row->setSpacing(4);
    row->addWidget(Label1);
    row->addStretch(1);
    row->addWidget(Label2);
    row->addWidget(ColorBox1);
    row->addSpacing(2);
    row->addWidget(Label3);
    row->addWidget(ColorBox2);
    row->addSpacing(2);
    row->addWidget(Button1);
    layout->addLayout(row);

    RichEdit4 = new QTextEdit(central);
    RichEdit4->setObjectName(QStringLiteral("RichEdit4"));
    RichEdit4->setAcceptRichText(false);
    RichEdit4->setFixedHeight(50);
    RichEdit4->setToolTip(
        tr("Введите текст сообщения и нажмите конпку \"Отправить\" (или \"CTRL + Enter\")"));
    layout->addWidget(RichEdit4);
    setCentralWidget(central);
}

void TForm1::buildStatusBar()
{
    auto *bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1 = bar;
    const int widths[5] = {155, 80, 70, 75, 50};
    const Qt::Alignment aligns[5] = {Qt::AlignLeft, Qt::AlignCenter, Qt::AlignCenter,
                                     Qt::AlignCenter, Qt::AlignLeft};
    for (int i = 0; i < 5; ++i) {
        auto *panel = new QLabel(bar);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panel->setTextFormat(Qt::PlainText);
        panel->setAlignment(aligns[i] | Qt::AlignVCenter);
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        if (i < 4)
            panel->setMinimumWidth(widths[i]);
        bar->addWidget(panel, i == 4 ? 1 : 0);
        StatusPanels[i] = panel;
    }
    StatusPanels[3]->setText(QStringLiteral("Caps : "));
    setStatusBar(bar);
}

void TForm1::buildTimersAndTray()
{
    auto timer = [this](const char *name, int interval) {
        auto *t = new QTimer(this);
        t->setObjectName(QString::fromLatin1(name));
        t->setInterval(interval);
        return t;
    };
    Timer1 = m_services.RefreshTimer();
    Timer2 = timer("Timer2", 1000);
    Timer4 = timer("Timer4", 500);

    CTI = new TCoolTrayIcon(this);
    CTI->setObjectName(QStringLiteral("CTI"));
    CTI->setIconList({TrayIcon(0), TrayIcon(1)});
    CTI->setCycleInterval(500);
    CTI->setPopupMenu(RxPopupMenu1);
    CTI->setEnabled(false);
    CTI->setIconVisible(true);

    IdUDPServer1 = Session->IdUDPServer1;
    IdUDPServer2 = Session->IdUDPServer2;
    IdUDPClient1 = Session->IdUDPClient1;
    IdUDPClient2 = Session->IdUDPClient2;
    Timer3 = Session->PresenceTimer;
}

void TForm1::wireEvents()
{
    connect(N2, &QAction::triggered, this, Guarded(this, &TForm1::N2Click));
    connect(N7, &QAction::triggered, this, Guarded(this, &TForm1::N7Click));
    connect(N12, &QAction::triggered, this, Guarded(this, &TForm1::N12Click));
    connect(N6, &QAction::triggered, this, Guarded(this, &TForm1::N6Click));
    connect(N17, &QAction::triggered, this, Guarded(this, &TForm1::N17Click));
    connect(N5, &QAction::triggered, this, Guarded(this, &TForm1::N5Click));
    connect(N8, &QAction::triggered, this, Guarded(this, &TForm1::N8Click));
    // Each tray item runs its main-menu twin.
    connect(N13, &QAction::triggered, N12, &QAction::trigger);
    connect(N10, &QAction::triggered, N6, &QAction::trigger);
    connect(N11, &QAction::triggered, N5, &QAction::trigger);
    connect(N18, &QAction::triggered, N17, &QAction::trigger);
    connect(N9, &QAction::triggered, N2, &QAction::trigger);

    connect(Timer2, &QTimer::timeout, this, Guarded(this, &TForm1::Timer2Timer));
    connect(Timer4, &QTimer::timeout, this, Guarded(this, &TForm1::Timer4Timer));
    connect(CTI, &TCoolTrayIcon::Click, this, Guarded(this, &TForm1::CTIClick));
    connect(CTI, &TCoolTrayIcon::AvailabilityChanged, this,
            Guarded(this, &TForm1::TrayAvailabilityChanged));

    connect(Button1, &QPushButton::clicked, this, Guarded(this, &TForm1::suitempButton1Click));
    connect(ColorBox1, &QComboBox::activated, this, Guarded(this, &TForm1::suitempColorBox1Change));
    connect(ColorBox2, &QComboBox::activated, this, Guarded(this, &TForm1::suitempColorBox2Change));

    wireSession();

    qApp->installEventFilter(this);
    if (auto *dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                Guarded(this, &TForm1::AppIdle));
}

void TForm1::FormCreate()
{
    FirstShow = true;
    RunSeconds = 0;
    Timer2->start();
    try {
        apppaths::PrepareUserFolders();
        Config.Load(apppaths::ConfigFile());
    } catch (const AppError &error) {
        ShowErrorBox(error.message());
    }
    try {
        Options.Load(apppaths::OptionsFile());
        m_optionsRead = true;
    } catch (const AppError &error) {
        ShowErrorBox(error.message());
    }
}

// Commands.

void TForm1::N2Click()
{
    m_quitting = true;
    close();
    m_quitting = false;
}

void TForm1::N7Click()
{
    if (Dialogs::question(this, QStringLiteral("Palavrix"), tr("Очистить экран?")) ==
        Dialogs::Answer::Ok)
        RichEdit1->Clear();
}

void TForm1::N12Click()
{
    Form4->OpenWindow();
}

void TForm1::N6Click()
{
    Form2->show();
    Form2->raise();
    Form2->activateWindow();
}

void TForm1::N17Click()
{
    HForm->show();
    HForm->raise();
    HForm->activateWindow();
}

void TForm1::N5Click()
{
    Form3->show();
    Form3->raise();
    Form3->activateWindow();
}

void TForm1::N8Click()
{
    RestoreMainWindow();
}

// Status bar and tray.

QString TForm1::UserCountText() const
{
    return ::UserCountText(RichEdit2->LineCount());
}

void TForm1::Timer2Timer()
{
    const QDateTime now = QDateTime::currentDateTime();
    StatusPanels[0]->setText(UserCountText());
    StatusPanels[1]->setText(LocalDateText(now));
    StatusPanels[2]->setText(LocalTimeText(now));
    ++RunSeconds;
    // The platform tray reports no hovering: keep the tooltip as the pointer would find it.
    if (CTI->Enabled())
        CTIMouseMove();
}

void TForm1::Timer4Timer()
{
    m_privateImageShown = !m_privateImageShown;
    ToolButton8->setIcon(m_privateImageShown ? CommandIcon(PrivateImage) : QIcon());
}

void TForm1::AppIdle()
{
    const std::optional<bool> on = CapsLockOn();
    const QString text = !on   ? QStringLiteral("Caps : ?")
                         : *on ? QStringLiteral("Caps : ON")
                               : QStringLiteral("Caps : OFF");
    if (StatusPanels[3]->text() != text)
        StatusPanels[3]->setText(text);
}

void TForm1::CTIClick()
{
    ShowFromTray();
}

void TForm1::CTIMouseMove()
{
    CTI->setHint(StatusPanels[0]->text());
}

void TForm1::PrivateAlert(bool on)
{
    if (on) {
        Timer4->start();
        CTI->setCycleIcons(true);
        return;
    }
    Timer4->stop();
    m_privateImageShown = true;
    ToolButton8->setIcon(CommandIcon(PrivateImage));
    if (CTI->CycleIcons()) {
        CTI->setCycleIcons(false);
        CTI->setIconIndex(0);
    }
}

bool TForm1::PrivateAlertOn() const
{
    return Timer4->isActive();
}

// Window state.

void TForm1::HideToTray()
{
    if (CTI->Available()) {
        m_inTray = true;
        hide();
        return;
    }
    // Without a notification area a hidden window could not be found again: minimise.
    if (!(windowState() & Qt::WindowMinimized))
        MinimizeWindow();
}

// Wayland does not tell a window whether it is minimised: Qt reports it as not minimised
// right after asking, so our own request must not count as the window system's command, or
// the window would ask again and again.
void TForm1::MinimizeWindow()
{
    m_minimizing = true;
    showMinimized();
    m_minimizing = false;
}

void TForm1::TrayAvailabilityChanged(bool available)
{
    // The tray went away with the window in it: bring it back as a minimised window.
    if (!available && m_inTray) {
        m_inTray = false;
        MinimizeWindow();
    }
}

void TForm1::ShowFromTray()
{
    m_inTray = false;
    if (windowState() & Qt::WindowMinimized)
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TForm1::RestoreMainWindow()
{
    ShowFromTray();
}

void TForm1::AppMinimize()
{
    QMetaObject::invokeMethod(
        this, [this] { WMSysCommand(SC_MINIMIZE); }, Qt::QueuedConnection);
}

// A Wayland compositor has nothing to minimise before it first shows the window, and leaves
// it on screen: the start-up's request waits for the first expose (X does not mind).
void TForm1::MinimizeOnceExposed()
{
    QWindow *window = windowHandle();
    if (!window || window->isExposed()) {
        AppMinimize();
        return;
    }
    m_minimizeOnExpose = true;
    window->installEventFilter(this);
}

void TForm1::WMSysCommand(int command)
{
    if (command == SC_MINIMIZE || command == SC_CLOSE)
        HideToTray();
}

void TForm1::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized) &&
        !m_minimizing)
        AppMinimize();
}

void TForm1::closeEvent(QCloseEvent *event)
{
    if (!m_quitting) {
        // The window system's close command only hides the window to the tray.
        event->ignore();
        WMSysCommand(SC_CLOSE);
        return;
    }
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    m_closing = true;
    FormClose();
    event->accept();
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (m_minimizeOnExpose && watched == windowHandle() && event->type() == QEvent::Expose) {
        // Queued: the window draws itself for this expose first.
        m_minimizeOnExpose = false;
        watched->removeEventFilter(this);
        AppMinimize();
    }
    if (watched == qApp && event->type() == QEvent::Quit && !m_closing) {
        // The session manager's end of the session (or any other quit from outside): the
        // exit path runs without its question, and its own quit ends the program.
        EndSession();
        return true;
    }
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->window() == this) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && (key->modifiers() & Qt::ControlModifier)) {
            Button1->click();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
