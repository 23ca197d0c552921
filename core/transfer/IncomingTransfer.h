#pragma once

#include "PartialJournal.h"
#include "Sha256.h"
#include "Transfer.h"

#include <QFile>
#include <QTimer>

#include <memory>

namespace transfer
{

class DownloadFolder;

// An offer another copy made to this one: the user's answer, then the data connection the
// sender opens, each file written to "<name>.part" beside its final name, checked against its
// SHA-256 and only then given its final name. Whatever ends a file early removes it.
class IncomingTransfer final : public Transfer
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(IncomingTransfer)
public:
    IncomingTransfer(IncomingOffer offer, quint16 peerPort, DatagramSender sender,
                     PartialJournal &journal, QObject *parent);
    ~IncomingTransfer() override;

    const IncomingOffer &offer() const { return m_offer; }
    // Takes the offer into `folder`; the sender is told to connect to `dataPort`. Throws
    // ETransferError when the folder cannot be opened.
    void accept(const QString &folder, quint16 dataPort);
    void decline();
    bool awaitsAnswer() const { return m_state == State::Offered; }
    bool awaitsConnection() const { return m_state == State::Accepted; }
    // An offer left unanswered for `ms` ends as expired; the sender is not told (its own
    // offer expires as well).
    void expireAfter(int ms);
    // The sender's connection, its token already checked.
    void adopt(QTcpSocket *socket);
    void cancel() override;
    void peerCancelled() override;

    // How long an accepted offer waits for the sender's connection.
    static constexpr int ConnectWaitMs = 60000;
    static constexpr qint64 WriteBatch = 1024 * 1024;

private:
    enum class State { Offered, Accepted, Receiving, Ended };

    void readFrames();
    bool takeHeader();
    bool takeData();
    bool writeHeld();
    void startFile();
    void completeFile(const QByteArray &digest);
    int createPart(const QString &name);
    bool moveToFinalName(QString &path);
    void failHere(FailureReason reason);
    void failWrite();
    void stallFailed() override;
    void removePart();
    void end(const TransferEnd &ending, Close close);
    void connectionGone();
    QString currentName() const;

    IncomingOffer m_offer;
    PartialJournal &m_journal;
    State m_state = State::Offered;
    std::unique_ptr<DownloadFolder> m_folder;
    QTimer m_connectWait;
    QTimer m_answerWait;
    int m_index = 0;
    QFile m_part;
    bool m_partPending = false; // m_part is an unfinished "<name>.part"
    QString m_partName;
    QString m_finalName;
    qint64 m_left = 0;
    std::optional<FrameHeader> m_header;
    quint32 m_payloadLeft = 0;
    Sha256 m_hash;
    QByteArray m_buffer;
};

} // namespace transfer
