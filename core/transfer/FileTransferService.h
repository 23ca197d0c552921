#pragma once

#include "PartialJournal.h"
#include "Transfer.h"

#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTcpServer>
#include <QTimer>
#include <QUdpSocket>

#include <functional>

namespace transfer
{

class IncomingTransfer;
class OutgoingTransfer;

struct TransferOptions {
    quint16 port = DefaultFilePort; // UDP and TCP; 0 takes any free port
    QString nick;
    QHostAddress announceTo; // the broadcast address; null: no periodic announcement
    // Whether `nick` takes part in the chat from `address`. Only such users are heard: their
    // announcements are kept and answered, their offers taken. Unset, nobody is.
    std::function<bool(const QHostAddress &address, const QString &nick)> isChatUser;
    // The chat's ports, which nothing from the file port is ever sent to.
    QList<quint16> chatPorts{555, 556, 557};
    // The list of partial files being received, swept at start; empty: none kept.
    QString partialJournal{};
};

// Sending and taking files: announces on the file port that this copy takes files, keeps the
// copies heard doing the same, makes and answers offers, and runs the transfers, several at a
// time, on the thread that owns it. Transfers report by their token.
class FileTransferService final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileTransferService)
public:
    explicit FileTransferService(QObject *parent = nullptr);
    ~FileTransferService() override;

    // Opens the port (UDP and TCP); throws ETransferError when it cannot.
    void start(const TransferOptions &options);
    // Cancels every transfer and closes the port.
    void stop();
    bool isRunning() const { return m_server.isListening(); }
    quint16 port() const { return m_server.serverPort(); }

    // Tells one address that this copy takes files (the periodic announcement is broadcast).
    void announceTo(const QHostAddress &address, quint16 port);
    // The file port of a copy that announced itself lately; 0 when none did from `address`.
    // The first port heard from an address holds until it goes unannounced for PeerLifetimeMs.
    quint16 peerPort(const QHostAddress &address) const;

    // How long an offer waits for an answer, on both sides; the sender waits a tenth longer,
    // so that a late answer still finds it. Applies to offers made or taken afterwards.
    int offerLifetime() const { return m_offerLifetimeMs; }
    void setOfferLifetime(int ms) { m_offerLifetimeMs = ms; }
    // How long an unanswered offer waits before it is sent again (then twice as long).
    int offerRepeat() const { return m_offerRepeatMs; }
    void setOfferRepeat(int ms) { m_offerRepeatMs = ms; }
    // How long a data connection may take to present its token.
    int helloWait() const { return m_helloWaitMs; }
    void setHelloWait(int ms) { m_helloWaitMs = ms; }

    // Offers files to the copy at address:port; gives the transfer's token. Throws
    // ETransferError when a file cannot be read or the offer cannot be sent.
    QString offerFiles(const QHostAddress &address, quint16 port, const QStringList &paths);
    // Takes an incoming offer into `folder`; throws ETransferError when it cannot be written.
    void accept(const QString &token, const QString &folder);
    void decline(const QString &token);
    // Cancels a transfer in either direction, at any stage.
    void cancel(const QString &token);
    void cancelAll();
    int activeCount() const { return int(m_transfers.size()); }
    // How long without a byte moving shows a transfer stalled, and fails it; for transfers
    // started from now on.
    void setStallTimes(int shownMs, int failMs);

    static constexpr int AnnounceIntervalMs = 4000;
    static constexpr int PeerLifetimeMs = 3 * AnnounceIntervalMs;
    static constexpr int HelloWaitMs = 5000;
    static constexpr int OfferLifetimeMs = 5 * 60 * 1000;
    static constexpr int OfferRepeatMs = 3000;
    static constexpr int MaxWaitingConnections = 16;
    static constexpr int MaxWaitingPerAddress = 3;
    static constexpr int MaxIncomingOffers = 64;
    // Offers from one address: at most this many unanswered, and a bucket of OfferBurst
    // offers refilled by one every OfferRefillMs.
    static constexpr int MaxOffersPerSender = 4;
    static constexpr int OfferBurst = 5;
    static constexpr int OfferRefillMs = 3000;

Q_SIGNALS:
    void peersChanged();
    void offerReceived(const transfer::IncomingOffer &offer);
    void progress(const QString &token, const transfer::TransferProgress &progress);
    void fileTransferred(const QString &token, transfer::Direction direction, const QString &name,
                         qint64 size, const QString &path);
    void finished(const QString &token, const transfer::TransferEnd &end);
    void stalled(const QString &token, bool stalled);

private:
    struct Peer {
        quint16 port = 0;
        QString nick;
        qint64 heardAt = 0;
    };
    struct OfferBucket {
        double tokens = OfferBurst;
        qint64 filledAt = 0;
    };

    void readDatagrams();
    void handleDatagram(const TransferDatagram &datagram, const QHostAddress &from,
                        quint16 fromPort, qsizetype size);
    void handleAnnounce(const TransferDatagram &datagram, const QHostAddress &from,
                        quint16 fromPort, qsizetype size);
    void answerAnnouncement(const QHostAddress &from, quint16 fromPort, qsizetype size);
    void handleOffer(const TransferDatagram &datagram, const QHostAddress &from);
    bool isChatUser(const QHostAddress &address, const QString &nick) const;
    bool mayOffer(const QHostAddress &from);
    int offersWaitingFrom(const QHostAddress &from) const;
    bool awaitsConnectionFrom(const QHostAddress &from) const;
    void releaseWaiting(QTcpSocket *socket);
    void sendDatagram(const TransferDatagram &datagram, const QHostAddress &to, quint16 port);
    void announce();
    void forgetSilentPeers();
    void takeConnection();
    void checkHello(QTcpSocket *socket);
    void track(Transfer *transfer);
    IncomingTransfer *incoming(const QString &token) const;
    OutgoingTransfer *outgoing(const QString &token) const;
    DatagramSender datagramSender();

    TransferOptions m_options;
    QUdpSocket m_udp;
    QTcpServer m_server;
    QTimer m_announceTimer;
    QElapsedTimer m_clock;
    QHash<QString, Peer> m_peers;               // by dotted address
    QHash<QString, qint64> m_answeredAt;        // announcements answered, by address
    QHash<QString, OfferBucket> m_offerBuckets; // by address
    QHash<QString, int> m_waitingFrom;          // connections before their token, by address
    QSet<QString> m_ownAddresses;
    QHash<QString, Transfer *> m_transfers;
    int m_waitingConnections = 0;
    int m_offerLifetimeMs = OfferLifetimeMs;
    int m_offerRepeatMs = OfferRepeatMs;
    int m_helloWaitMs = HelloWaitMs;
    PartialJournal m_journal;
    int m_stallShownMs = Transfer::StallMs;
    int m_stallFailMs = Transfer::StallFailMs;
};

} // namespace transfer
