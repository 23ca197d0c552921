// The main window's datagram handlers: presence on the system port, the public chat.
#include "MainWindow.h"

#include "AppError.h"
#include "ChatSession.h"
#include "ChatText.h"
#include "ColorBox.h"
#include "ColorList.h"
#include "Datagram.h"
#include "DateTimeText.h"
#include "Dialogs.h"
#include "ErrorBox.h"
#include "Guard.h"
#include "InputFormat.h"
#include "LogView.h"
#include "PrivateWindow.h"
#include "SessionTexts.h"
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

// The chat session's reports.

void TForm1::wireSession()
{
    connect(Session, &ChatSession::publicLine, this, Guarded(this, &TForm1::ShowPublicLine));
    connect(Session, &ChatSession::publicAlert, this, Guarded(this, &TForm1::PublicAlert));
    connect(Session, &ChatSession::soundRequested, this, Guarded(&PlaySoundFile));
    connect(
        Session, &ChatSession::usersRefreshed, this,
        Guarded([this](const QList<UsrInfo> &users, const QStringList &) { ShowUsers(users); }));
    connect(Session, &ChatSession::historyNotSaved, this,
            [](const QString &path, const HistoryFailure &failure) {
                ShowErrorBox(HistoryNotSavedText(path, failure));
            });
}

// Presence.

void TForm1::IdUDPServer2UDPRead(TIdUDPServer *, const QByteArray &AData, TIdSocketHandle *ABinding)
{
    Session->SystemRead(AData, ABinding);
}

void TForm1::Timer1Timer()
{
    RefreshUserList();
}

void TForm1::RefreshUserList()
{
    Session->RefreshUsers();
}

void TForm1::ShowUsers(const QList<UsrInfo> &users)
{
    RichEdit2->Clear();
    for (const UsrInfo &user : users)
        RichEdit2->AppendLine(user.Nick, listColor(user, RichEdit2), true);
    RichEdit2->ScrollToTop();
}

// Public chat.

void TForm1::suitempButton1Click()
{
    if (InputText(RichEdit4).isEmpty()) {
        Dialogs::information(this, QStringLiteral("Palavrix"),
                             tr("Введите текст сообщения для отправки!"));
        return;
    }
    try {
        const QString text = OutgoingText(InputText(RichEdit4));
        if (InputBoxText(text) != InputText(RichEdit4))
            RichEdit4->setPlainText(InputBoxText(text));
        Session->SendPublic(text);
        RichEdit4->clear();
        RichEdit4->setFocus();
        ResetInputFormat(RichEdit4, ColorBox1->selectedColor());
    } catch (const EMessageTooLong &error) {
        ShowErrorBox(MessageTooLongText(error));
    } catch (const AppError &) {
        // The text stays in the input box for another try.
    }
}

void TForm1::IdUDPServer1UDPRead(TIdUDPServer *, const QByteArray &AData, TIdSocketHandle *ABinding)
{
    Session->PublicRead(AData, ABinding);
}

void TForm1::ShowPublicLine(const QString &text, int colorIndex)
{
    RichEdit1->AppendLine(text, colorOf(colorIndex));
    RichEdit1->ScrollToEnd();
}

void TForm1::PublicAlert()
{
    if (QApplication::activeWindow() == nullptr)
        RestoreMainWindow();
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
