#include "DesktopAlerts.h"

#include "ChatSession.h"
#include "DesktopNotifier.h"
#include "Guard.h"
#include "MainWindow.h"
#include "PrivateWindow.h"
#include "TransferTexts.h"

namespace
{

const QString PrivateTag = QStringLiteral("private");
const QString PublicTag = QStringLiteral("public");
const QString FilesTag = QStringLiteral("files");

// The window is on screen and has the keyboard: the user sees the message come in.
bool watched(const QWidget *window)
{
    return window && window->isVisible() && !window->isMinimized() && window->isActiveWindow();
}

} // namespace

DesktopAlerts::DesktopAlerts(ChatSession *session, TForm4 *privateWindow, QObject *parent)
    : QObject(parent), m_options(session->Options())
{
    connect(privateWindow, &TForm4::offerAlert, this, Guarded(this, &DesktopAlerts::FilesOffered));
    connect(session, &ChatSession::privateReceived, this,
            Guarded(this, &DesktopAlerts::PrivateReceived));
    connect(session, &ChatSession::nickMentioned, this,
            Guarded(this, &DesktopAlerts::NickMentioned));
}

DesktopAlerts::~DesktopAlerts() = default;

bool DesktopAlerts::enabled() const
{
    return m_options.Values().Notifications;
}

void DesktopAlerts::PrivateReceived(const QString &sender, const QString &text)
{
    if (enabled() && !watched(Form4))
        show(sender, text, PrivateTag);
}

void DesktopAlerts::NickMentioned(const QString &sender, const QString &text)
{
    if (enabled() && !watched(Form1))
        show(tr("%1 в общем чате").arg(sender), text, PublicTag);
}

void DesktopAlerts::FilesOffered(const transfer::IncomingOffer &offer)
{
    if (!enabled() || watched(Form4))
        return;
    QStringList names;
    for (const transfer::OfferedFile &file : offer.files)
        names.append(file.name);
    show(tr("%1 предлагает файлы").arg(SenderText(offer.nick, AddressText(offer.sender))),
         names.join(QStringLiteral(", ")) + QStringLiteral(" (") + FileSizeText(offer.totalSize()) +
             u')',
         FilesTag, true);
}

void DesktopAlerts::Activated(const QString &tag)
{
    if ((tag == PrivateTag || tag == FilesTag) && Form4)
        Form4->OpenWindow();
    else if (tag == PublicTag && Form1)
        Form1->RestoreMainWindow();
}

void DesktopAlerts::show(const QString &summary, const QString &text, const QString &tag,
                         bool replace)
{
    if (!m_notifier) {
        m_notifier = new DesktopNotifier(this);
        m_notifier->setOpenText(tr("Открыть"));
        connect(m_notifier, &DesktopNotifier::activated, this,
                Guarded(this, &DesktopAlerts::Activated));
    }
    m_notifier->Show(summary, FirstLine(text), tag, replace);
}
