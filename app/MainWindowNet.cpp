// The main window's datagram handlers: presence on the system port, the public chat.
#include "MainWindow.h"

#include "AppError.h"
#include "ChatText.h"
#include "ColorBox.h"
#include "ColorList.h"
#include "Datagram.h"
#include "DateTimeText.h"
#include "Dialogs.h"
#include "InputFormat.h"
#include "LogView.h"
#include "PrivateWindow.h"
#include "SettingsWindow.h"
#include "Sound.h"
#include "UdpEndpoints.h"
#include "UserTable.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QTextEdit>

namespace
{

QColor listColor(const UsrInfo &user, const QWidget *view)
{
    const QColor color = colorOf(user.ColorIndex);
    return color.isValid() ? color : view->palette().color(QPalette::Text);
}

} // namespace

// Presence.

void TForm1::Timer3Timer()
{
    try {
        OwnColorIndex = ColorBox1->selectedIndex();
        IdUDPClient2->SendText(PresenceAnnouncement(OwnColorIndex, OwnNick));
    } catch (const AppError &) {
        // The next tick announces again.
    }
}

void TForm1::IdUDPServer2UDPRead(TIdUDPServer *, const QByteArray &AData, TIdSocketHandle *ABinding)
{
    const DatagramParts parts = SplitDatagram(DatagramText(AData));
    const int color = ColorNumber(parts);
    Users.Announce(parts.Payload, color, ABinding->SenderIP);
    ABinding->Transmit(ABinding->SenderIP, ABinding->SenderPort, QByteArray());
}

void TForm1::Timer1Timer()
{
    RefreshUserList();
}

void TForm1::RefreshUserList()
{
    UserTable &users = Users;
    users.Sort();
    RichEdit2->Clear();
    for (const UsrInfo &user : users.Users())
        RichEdit2->AppendLine(user.Nick, listColor(user, RichEdit2), true);
    RichEdit2->ScrollToTop();

    QComboBox *box = Form4->ComboBox1;
    const QString previous = box->currentText();
    box->clear();
    const QStringList items = RecipientItems(users, OwnIP);
    box->addItems(items);
    const QString text = RecipientText(previous, items);
    const int index = int(items.indexOf(text));
    if (index >= 0)
        box->setCurrentIndex(index);
    else
        box->setEditText(text);
    users.Free();
}

// Public chat.

void TForm1::suitempButton1Click()
{
    if (InputText(RichEdit4).isEmpty()) {
        Dialogs::information(this, QStringLiteral("Palavrix"),
                             QStringLiteral("Введите текст сообщения для отправки!"));
        return;
    }
    try {
        const QString text = OutgoingText(InputText(RichEdit4));
        if (InputBoxText(text) != InputText(RichEdit4))
            RichEdit4->setPlainText(InputBoxText(text));
        OwnColorIndex = ColorBox1->selectedIndex();
        IdUDPClient1->SendText(PublicMessage(OwnColorIndex, OwnNick, text));
        RichEdit4->clear();
        RichEdit4->setFocus();
        ResetInputFormat(RichEdit4, ColorBox1);
    } catch (const AppError &) {
        // The text stays in the input box for another try.
    }
}

void TForm1::IdUDPServer1UDPRead(TIdUDPServer *, const QByteArray &AData, TIdSocketHandle *ABinding)
{
    const DatagramParts parts = SplitDatagram(DatagramText(AData));
    const QString &T = parts.Payload;
    const QString a = ABinding->SenderIP;
    int k = 0;
    if (a == OwnIP)
        k = ColorBox1->selectedIndex();
    else if (Form2->CheckBox9->isChecked())
        k = Form2->ColorBox1->selectedIndex();
    else
        k = ColorNumber(parts);
    const bool notice = IsSystemNotice(T);
    if (notice)
        k = Form2->ColorBox4->selectedIndex();
    const QColor color = QColor::fromRgb(colors::rgbAt(k));

    const LineSettings settings{Form2->CheckBox1->isChecked(), Form2->CheckBox2->isChecked()};
    RichEdit1->AppendLine(
        PublicLine(T, notice, settings, LocalTimeText(QDateTime::currentDateTime()), a), color);
    ABinding->Transmit(a, ABinding->SenderPort, QByteArray());
    const bool mayAlert = MayAlertUser(T, OwnNick);
    if (Form2->CheckBox3->isChecked() && mayAlert && QApplication::activeWindow() == nullptr)
        RestoreMainWindow();
    if (Form2->CheckBox4->isChecked() && mayAlert)
        PlaySoundFile(QStringLiteral("MsgRcvd.wav"));
    RichEdit1->ScrollToEnd();
}

void TForm1::suitempColorBox1Change()
{
    RichEdit4->setFocus();
    const QColor color = ColorBox1->selectedColor();
    RichEdit4->setTextColor(color);
    Form4->RichEdit2->setTextColor(color);
}

void TForm1::suitempColorBox2Change()
{
    ApplyBackgroundColor();
    RichEdit4->setFocus();
}

void TForm1::ApplyBackgroundColor()
{
    const QColor color = ColorBox2->selectedColor();
    if (!color.isValid())
        return;
    const QList<QWidget *> views{RichEdit1, RichEdit2, RichEdit4, Form4->RichEdit1,
                                 Form4->RichEdit2};
    for (QWidget *view : views)
        setBaseColor(view, color);
}
