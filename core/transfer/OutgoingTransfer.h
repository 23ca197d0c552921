#pragma once

#include "Sha256.h"
#include "Transfer.h"

#include <QFile>
#include <QTimer>

namespace transfer
{

// Files this copy offers to another: the offer, then, once accepted, the data connection to the
// receiver, the files one after another as data frames each closed by its SHA-256, and the
// receiver's confirmation of each.
class OutgoingTransfer final : public Transfer
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OutgoingTransfer)
public:
    struct Source {
        QString path;
        QString name;
        qint64 size = 0;
    };

    OutgoingTransfer(QString token, QHostAddress peer, quint16 peerPort, QList<Source> files,
                     DatagramSender sender, QObject *parent);
    ~OutgoingTransfer() override;

    const QList<Source> &files() const { return m_files; }
    // Only while the offer waits for an answer.
    void accepted(quint16 dataPort);
    // An offer left unanswered ends as expired, telling the receiver, a tenth after `ms`: the
    // receiver's copy of the offer expires first, so a late answer still finds this one.
    void expireAfter(int ms);
    // While unanswered, `offer` goes again after `firstMs`, then after twice as long each time,
    // RepeatCount times: an offer lost on the way, or one that reached a copy before it had
    // heard of this one, still arrives. The receiver takes each token once.
    void repeatOffer(const TransferDatagram &offer, int firstMs);
    static constexpr int RepeatCount = 4;
    void declined();
    void cancel() override;
    void peerCancelled() override;

private:
    enum class State { Offered, Connecting, Sending, Ended };

    void connected();
    void pump();
    bool sendNextPiece();
    void readFrames();
    void connectionGone();
    void failHere(FailureReason reason);
    void stallFailed() override;
    QString confirmingName() const;

    QList<Source> m_files;
    State m_state = State::Offered;
    int m_reading = 0;   // the file being sent
    int m_confirmed = 0; // files the receiver has saved
    QFile m_file;
    qint64 m_left = 0;
    Sha256 m_hash;
    QTimer m_answerWait;
    int m_lifetimeMs = 0;
    TransferDatagram m_offer;
    QTimer m_repeat;
    int m_repeatsLeft = 0;
};

} // namespace transfer
