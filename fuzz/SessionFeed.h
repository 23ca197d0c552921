#pragma once

#include "ChatSession.h"
#include "HistoryStore.h"
#include "UdpEndpoints.h"

#include <QByteArray>
#include <QTemporaryDir>

#include <memory>

// One chat session fed datagrams the way its listeners hand them over: the bytes and the
// socket that received them. The sender is a local socket that counts what the handler
// sends back. With a history, private messages are recorded in a store in a temporary
// folder, removed with the feed.
class SessionFeed final
{
    Q_DISABLE_COPY_MOVE(SessionFeed)
public:
    using Handler = void (ChatSession::*)(const QByteArray &, TIdSocketHandle *);

    // What one datagram did.
    struct Outcome {
        bool refused = false; // the handler threw an AppError
        int publicLines = 0;
        int privateMessages = 0;
        QString lastBody; // of the last private message
        int emptyReplies = 0;
        int otherReplies = 0; // datagrams with bytes in them, sent back to the sender
        int colorOutOfList = 0;
    };

    // Every input goes through each round: the rounds differ in the options and in whether
    // the sender is the user's own address.
    static constexpr int Rounds = 2;
    static const QString SenderIP;

    explicit SessionFeed(bool withHistory);
    ~SessionFeed();

    Outcome feed(Handler handler, const QByteArray &datagram, int round);
    ChatSession &session() { return *m_session; }
    // Null without a history.
    HistoryStore *store() { return m_store.get(); }
    // Starts the store afresh, so a long run does not fill the disk.
    void resetHistory();

private:
    void drainReplies(Outcome &outcome);

    QTemporaryDir m_folder;
    std::unique_ptr<HistoryStore> m_store;
    std::unique_ptr<ChatSession> m_session;
    TIdSocketHandle m_binding;
    TIdSocketHandle m_sender;
    Outcome *m_current = nullptr;
};

// Aborts the run, naming the broken rule, when `holds` is false.
void Require(bool holds, const char *rule);
