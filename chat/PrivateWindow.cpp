#include "PrivateWindow.h"

#include "ChatSession.h"
#include "ChatText.h"
#include "ColorBox.h"
#include "ColorList.h"
#include "Datagram.h"
#include "DateTimeText.h"
#include "Dialogs.h"
#include "Guard.h"
#include "HistoryWindow.h"
#include "InputFormat.h"
#include "LogView.h"
#include "MainWindow.h"
#include "SettingsWindow.h"
#include "Sound.h"
#include "UdpEndpoints.h"
#include "UserTable.h"
#include "WindowPlacement.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

TForm4 *Form4 = nullptr;

namespace
{

QString ChooseRecipient()
{
    return QCoreApplication::translate("TForm4", "Выбери получателя...");
}

} // namespace

TForm4::TForm4(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(tr("Palavrix - приват"));
    buildControls();
    setMinimumSize(430, 315);
    resize(430, 360);

    if (Form1)
        wireSession(Form1->Session);
}

void TForm4::wireSession(ChatSession *session)
{
    m_session = session;
    IdUDPServer1 = session->PrivateServer;
    IdUDPClient1 = session->PrivateClient;
    IdUDPServer1->OnUDPRead = [this](TIdUDPServer *s, const QByteArray &d, TIdSocketHandle *b) {
        IdUDPServer1UDPRead(s, d, b);
    };
    connect(session, &ChatSession::privateMessage, this, Guarded(this, &TForm4::AppendMessage));
    connect(session, &ChatSession::openPrivateWindow, this, Guarded(this, &TForm4::OpenWindow));
    connect(session, &ChatSession::privateUnseen, this, Guarded([this] {
                if (!isActiveWindow())
                    Form1->PrivateAlert(true);
            }));
}

void TForm4::buildControls()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    RichEdit1 = new LogView(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    layout->addWidget(RichEdit1, 1);

    auto *recipientRow = new QHBoxLayout;
    RecipientLabel = new QLabel(tr("Получатель:"), this);
    RecipientLabel->setTextFormat(Qt::PlainText);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->setEditText(ChooseRecipient());
    // Peers choose their nicks, up to 8 KB each: the list measures one item, not every one.
    static_cast<QListView *>(ComboBox1->view())->setUniformItemSizes(true);
    recipientRow->addWidget(RecipientLabel);
    recipientRow->addWidget(ComboBox1, 1);
    layout->addLayout(recipientRow);

    RichEdit2 = new QTextEdit(this);
    RichEdit2->setObjectName(QStringLiteral("RichEdit2"));
    RichEdit2->setAcceptRichText(false);
    RichEdit2->setFixedHeight(60);
    RichEdit2->setToolTip(
        tr("Введите текст сообщения и нажмите конпку \"Отправить\" (или \"CTRL + Enter\")"));
    RichEdit2->installEventFilter(this);
    RichEdit1->installEventFilter(this);
    layout->addWidget(RichEdit2);

    auto *buttons = new QHBoxLayout;
    suiButton1 = new QPushButton(tr("История"), this);
    suiButton1->setObjectName(QStringLiteral("suiButton1"));
    Button2 = new QPushButton(tr("Очистить"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button1 = new QPushButton(tr("Отправить"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    buttons->addWidget(suiButton1);
    buttons->addWidget(Button2);
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    layout->addLayout(buttons);

    connect(Button1, &QPushButton::clicked, this, Guarded([this] { suitempButton1Click(); }));
    connect(Button2, &QPushButton::clicked, this, Guarded([this] { suitempButton2Click(); }));
    connect(suiButton1, &QPushButton::clicked, this, Guarded([this] { suiButton1Click(); }));
    connect(ComboBox1, &QComboBox::activated, this, Guarded(this, &TForm4::suitempComboBox1Change));
}

void TForm4::OpenWindow()
{
    if (!isVisible() && !m_placed && Form1) {
        // The first showing is centred on the main window.
        CentreOnMainWindow(this);
        m_placed = true;
    }
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TForm4::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    FormShow();
}

void TForm4::FormShow()
{
    const QColor background = Form1->ColorBox2->selectedColor();
    if (background.isValid()) {
        setBaseColor(RichEdit1, background);
        setBaseColor(RichEdit2, background);
    }
    RichEdit2->setTextColor(Form1->ColorBox1->selectedColor());
    RichEdit2->setFocus();
    Form1->PrivateAlert(false);
}

void TForm4::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

void TForm4::FormActivate()
{
    if (Form1)
        Form1->PrivateAlert(false);
}

bool TForm4::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && (key->modifiers() & Qt::ControlModifier)) {
            Button1->click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TForm4::suitempButton1Click()
{
    const QString t = ComboBox1->currentText();
    if (t.isEmpty() || t == ChooseRecipient() || t == ChooseUserPrompt) {
        Dialogs::information(this, QStringLiteral("Palavrix"),
                             tr("Получатель сообщения не выбран!"));
        FinishSend();
        return;
    }
    if (InputText(RichEdit2).isEmpty()) {
        Dialogs::information(this, QStringLiteral("Palavrix"),
                             tr("Введите текст сообщения для отправки!"));
        FinishSend();
        return;
    }
    const QString text = OutgoingText(InputText(RichEdit2));
    if (InputBoxText(text) != InputText(RichEdit2))
        RichEdit2->setPlainText(InputBoxText(text));
    m_session->SendPrivate(t, text);
    RichEdit2->clear();
    RichEdit2->setFocus();
    FinishSend();
}

void TForm4::FinishSend()
{
    RichEdit1->ScrollToEnd();
    ResetInputFormat(RichEdit2, Form1->ColorBox1);
}

void TForm4::AppendMessage(const QString &header, const QString &body, int colorIndex)
{
    // The body keeps the header's bold, as the conversation has always shown it.
    const QColor color = colorOf(colorIndex);
    RichEdit1->AppendLine(header, color, true);
    RichEdit1->AppendLine(body, color, true);
}

void TForm4::suitempButton2Click()
{
    if (Dialogs::question(this, QStringLiteral("Palavrix"), tr("Очистить экран?")) ==
        Dialogs::Answer::Ok)
        RichEdit1->Clear();
}

void TForm4::suiButton1Click()
{
    HForm->show();
    HForm->raise();
    HForm->activateWindow();
}

void TForm4::suitempComboBox1Change()
{
    RichEdit2->setFocus();
}

void TForm4::IdUDPServer1UDPRead(TIdUDPServer *, const QByteArray &AData, TIdSocketHandle *ABinding)
{
    m_session->PrivateRead(AData, ABinding);
    RichEdit1->ScrollToEnd();
}
