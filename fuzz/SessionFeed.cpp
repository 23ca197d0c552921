#include "SessionFeed.h"

#include "AppError.h"
#include "ColorList.h"
#include "HistoryDatabase.h"
#include "SocketApi.h"

#include <QDir>

#include <cstdio>
#include <cstdlib>

namespace
{

const QString OwnNick = QStringLiteral("Борис");

// A memory-backed folder where there is one: each record is synced to disk when it is stored.
QString temporaryFolderPattern()
{
    const QDir memory(QStringLiteral("/dev/shm"));
    const QString base = memory.exists() ? memory.path() : QDir::tempPath();
    return base + QStringLiteral("/palavrix-fuzz-XXXXXX");
}

ChatSettings roundSettings(int round)
{
    ChatSettings s;
    s.RaiseOnPublic = s.SoundOnPublic = s.OpenOnPrivate = s.SoundOnPrivate = round == 0;
    s.IgnoreIncomingColors = round == 1;
    s.Lines.showTime = round == 0;
    s.Lines.showAddress = round == 0;
    s.IncomingColorIndex = 12;
    s.NoticeColorIndex = 19;
    s.FontColorIndex = 3;
    return s;
}

} // namespace

const QString SessionFeed::SenderIP = QStringLiteral("127.0.0.1");

void Require(bool holds, const char *rule)
{
    if (holds)
        return;
    std::fprintf(stderr, "broken rule: %s\n", rule);
    std::abort();
}

SessionFeed::SessionFeed(bool withHistory)
    : m_folder(temporaryFolderPattern()), m_session(std::make_unique<ChatSession>())
{
    Require(m_folder.isValid(), "a temporary folder can be made");
    if (withHistory) {
        CreateHistoryTemplate(m_folder.filePath(QStringLiteral("tmp.dat")));
        m_store = std::make_unique<HistoryStore>();
        m_store->setProgramDir(m_folder.path());
        m_store->OpenHistory(OwnNick);
        m_session->setHistoryStore(m_store.get());
    }
    m_session->setOwnNick(OwnNick);

    m_sender.IP = SenderIP;
    m_sender.AllocateSocket();
    m_sender.Bind();
    m_binding.IP = SenderIP;
    m_binding.AllocateSocket();
    m_binding.Bind();
    m_binding.SenderIP = SenderIP;
    m_binding.SenderPort = m_sender.Port;

    auto checkColor = [this](int colorIndex) {
        if (colorIndex < 0 || colorIndex >= int(ColorList.size()))
            ++m_current->colorOutOfList;
    };
    QObject::connect(m_session.get(), &ChatSession::publicLine,
                     [this, checkColor](const QString &, int colorIndex) {
                         ++m_current->publicLines;
                         checkColor(colorIndex);
                     });
    QObject::connect(m_session.get(), &ChatSession::privateMessage,
                     [this, checkColor](const QString &, const QString &body, int colorIndex) {
                         ++m_current->privateMessages;
                         m_current->lastBody = body;
                         checkColor(colorIndex);
                     });
}

SessionFeed::~SessionFeed()
{
    m_session.reset();
    m_store.reset();
}

SessionFeed::Outcome SessionFeed::feed(Handler handler, const QByteArray &datagram, int round)
{
    m_session->setSettings(roundSettings(round));
    // The first round hears the user's own copy, the second another host.
    m_session->setOwnIP(round == 0 ? SenderIP : QStringLiteral("192.0.2.1"));
    Outcome outcome;
    m_current = &outcome;
    try {
        (m_session.get()->*handler)(datagram, &m_binding);
    } catch (const AppError &) {
        outcome.refused = true;
    }
    m_current = nullptr;
    drainReplies(outcome);
    return outcome;
}

void SessionFeed::resetHistory()
{
    if (m_store)
        m_store->ResetHistory();
}

void SessionFeed::drainReplies(Outcome &outcome)
{
    // Loopback delivery is done when the send returns: whatever was sent is waiting.
    for (;;) {
        QByteArray data;
        std::uint32_t from = 0;
        int fromPort = 0;
        const auto received =
            socketapi::ReceiveFrom(m_sender.Handle(), data, int(MaxDatagramBytes), from, fromPort);
        if (received == socketapi::Received::Nothing)
            return;
        if (received == socketapi::Received::Datagram && data.isEmpty())
            ++outcome.emptyReplies;
        else
            ++outcome.otherReplies;
    }
}
