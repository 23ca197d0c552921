#include "PrivateWindow.h"

#include "LogView.h"
#include "UdpEndpoints.h"

#include <QComboBox>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

TForm4 *Form4 = nullptr;

TForm4::TForm4(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Palavrix - приват"));
    resize(425, 360);
    auto *layout = new QVBoxLayout(this);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    ComboBox1->setEditText(QStringLiteral("Выбери получателя..."));
    RichEdit1 = new LogView(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit2 = new QTextEdit(this);
    RichEdit2->setObjectName(QStringLiteral("RichEdit2"));
    RichEdit2->setAcceptRichText(false);
    Button1 = new QPushButton(QStringLiteral("Отправить"), this);
    Button2 = new QPushButton(QStringLiteral("Очистить"), this);
    suiButton1 = new QPushButton(QStringLiteral("История"), this);
    layout->addWidget(ComboBox1);
    layout->addWidget(RichEdit1, 1);
    layout->addWidget(RichEdit2);
    layout->addWidget(Button1);
    layout->addWidget(Button2);
    layout->addWidget(suiButton1);

    IdUDPServer1 = new TIdUDPServer(this);
    IdUDPServer1->setObjectName(QStringLiteral("IdUDPServer1"));
    IdUDPServer1->setDefaultPort(557);
    IdUDPClient1 = new TIdUDPClient(this);
    IdUDPClient1->setObjectName(QStringLiteral("IdUDPClient1"));
    IdUDPClient1->Port = 557;
    IdUDPServer1->OnUDPRead = [this](TIdUDPServer *s, const QByteArray &d, TIdSocketHandle *b) {
        IdUDPServer1UDPRead(s, d, b);
    };
}

void TForm4::OpenWindow()
{
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    show();
    raise();
    activateWindow();
}

void TForm4::IdUDPServer1UDPRead(TIdUDPServer *, const QByteArray &, TIdSocketHandle *) {}
