#include "DesktopAlerts.h"

#include "ChatSession.h"
#include "DesktopNotifier.h"
#include "Guard.h"
#include "MainWindow.h"
#include "PrivateWindow.h"
#include "TransferTexts.h"

#include <QEvent>

#include <algorithm>

namespace
{

const QString PrivateTag = QStringLiteral("private");
const QString PublicTag = QStringLiteral("public");
const QString FilesTag = QStringLiteral("files");

// The tag of the notification of one sender's messages: the kind, then the nick.
QString senderTag(const QString &kind, const QString &sender)
{
    return kind + u'/' + sender;
}

// The window is on screen and has the keyboard: the user sees the message come in.
bool watched(const QWidget *window)
{
    return window && window->isVisible() && !window->isMinimized() && window->isActiveWindow();
}

} // namespace

DesktopAlerts::DesktopAlerts(ChatSession *session, TForm4 *privateWindow, QObject *parent)
    : QObject(parent), m_options(session->Options())
{
    m_clock.start();
    m_due.setSingleShot(true);
    connect(&m_due, &QTimer::timeout, this, Guarded(this, &DesktopAlerts::ShowDue));
    connect(privateWindow, &TForm4::offerAlert, this, Guarded(this, &DesktopAlerts::FilesOffered));
    privateWindow->installEventFilter(this);
    if (Form1)
        Form1->installEventFilter(this);
    connect(session, &ChatSession::privateReceived, this,
            Guarded(this, &DesktopAlerts::PrivateReceived));
    connect(session, &ChatSession::nickMentioned, this,
            Guarded(this, &DesktopAlerts::NickMentioned));
}

DesktopAlerts::~DesktopAlerts() = default;

bool DesktopAlerts::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ActivationChange) {
        const auto *window = static_cast<QWidget *>(watched);
        if (window == Form4 && window->isActiveWindow())
            Guarded(this, &DesktopAlerts::PrivateSeen)();
        else if (window == Form1 && window->isActiveWindow())
            Guarded(this, &DesktopAlerts::MentionsSeen)();
    }
    return QObject::eventFilter(watched, event);
}

void DesktopAlerts::setIntervalMs(qint64 ms)
{
    m_private.setIntervalMs(ms);
    m_mentions.setIntervalMs(ms);
}

bool DesktopAlerts::enabled() const
{
    return m_options.Values().Notifications;
}

void DesktopAlerts::PrivateReceived(const QString &sender, const QString &text)
{
    if (!enabled())
        return;
    if (watched(Form4))
        return m_private.Seen(sender);
    if (const auto update = m_private.Add(sender, FirstLine(text), m_clock.elapsed()))
        showPrivate(*update);
    schedule();
}

void DesktopAlerts::NickMentioned(const QString &sender, const QString &text)
{
    if (!enabled())
        return;
    if (watched(Form1))
        return m_mentions.Seen(sender);
    if (const auto update = m_mentions.Add(sender, FirstLine(text), m_clock.elapsed()))
        showMention(*update);
    schedule();
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
    const QString kind = tag.section(u'/', 0, 0);
    const QString sender = tag.section(u'/', 1);
    if ((kind == PrivateTag || kind == FilesTag) && Form4) {
        m_private.Seen(sender);
        Form4->OpenWindow();
    } else if (kind == PublicTag && Form1) {
        m_mentions.Seen(sender);
        Form1->RestoreMainWindow();
    }
}

// The private window became active: every private message is in front of the user.
void DesktopAlerts::PrivateSeen()
{
    for (const QString &sender : m_private.SeenAll()) {
        if (m_notifier)
            m_notifier->Close(senderTag(PrivateTag, sender));
    }
}

void DesktopAlerts::MentionsSeen()
{
    for (const QString &sender : m_mentions.SeenAll()) {
        if (m_notifier)
            m_notifier->Close(senderTag(PublicTag, sender));
    }
}

void DesktopAlerts::showPrivate(const MessageDigest::Update &update)
{
    const QString summary =
        update.Count == 1 ? update.Sender
                          : tr("%1: %n новых сообщений", nullptr, update.Count).arg(update.Sender);
    show(summary, update.Text, senderTag(PrivateTag, update.Sender), true);
}

void DesktopAlerts::showMention(const MessageDigest::Update &update)
{
    show(tr("%1 в общем чате").arg(update.Sender), update.Text, senderTag(PublicTag, update.Sender),
         true);
}

void DesktopAlerts::ShowDue()
{
    const qint64 now = m_clock.elapsed();
    // Taken even with notifications off, so that nothing waits for ever.
    const QList<MessageDigest::Update> privates = m_private.Due(now);
    const QList<MessageDigest::Update> mentions = m_mentions.Due(now);
    if (enabled()) {
        for (const MessageDigest::Update &update : privates)
            showPrivate(update);
        for (const MessageDigest::Update &update : mentions)
            showMention(update);
    }
    schedule();
}

void DesktopAlerts::schedule()
{
    const qint64 now = m_clock.elapsed();
    const qint64 privateIn = m_private.NextDueIn(now);
    const qint64 mentionsIn = m_mentions.NextDueIn(now);
    const qint64 in = privateIn < 0    ? mentionsIn
                      : mentionsIn < 0 ? privateIn
                                       : std::min(privateIn, mentionsIn);
    if (in < 0)
        m_due.stop();
    else if (!m_due.isActive() || m_due.remainingTime() > in)
        m_due.start(int(in));
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
    m_notifier->Show(summary, text, tag, replace);
}
