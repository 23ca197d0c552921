#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// Messages gathered by sender into one running notification each: how many came since the
// user last saw that sender's messages, and the newest text. A sender's notification changes
// at most once per interval: a message that comes sooner waits, and the newest of a burst is
// shown once the interval has run. All senders together change at most MaxPerInterval
// notifications per interval, so many forged senders cannot fill the screen either.
class MessageDigest final
{
public:
    struct Update {
        QString Sender;
        int Count = 0;
        QString Text;
    };

    explicit MessageDigest(qint64 intervalMs = DefaultIntervalMs) : m_intervalMs(intervalMs) {}

    void setIntervalMs(qint64 ms) { m_intervalMs = ms; }
    // Counts the message of `sender` that came at `nowMs` (a steady clock): the update to show
    // now, or none when it has to wait.
    std::optional<Update> Add(const QString &sender, const QString &text, qint64 nowMs);
    // The updates that waited and may be shown at `nowMs`, oldest first.
    QList<Update> Due(qint64 nowMs);
    // How long after `nowMs` the next waiting update may be shown; -1 when none waits.
    qint64 NextDueIn(qint64 nowMs) const;
    // The user has seen the messages of `sender`: the next one counts from one again.
    void Seen(const QString &sender);
    // The same for every sender; returns the senders that had messages counted.
    QStringList SeenAll();

    static constexpr qint64 DefaultIntervalMs = 1000;
    static constexpr int MaxPerInterval = 4;
    // Senders counted at once; the messages of any more are not notified until some are seen.
    static constexpr int MaxSenders = 64;

private:
    struct Sender {
        int Count = 0;
        QString Text;
        qint64 ShownAt = 0;
        bool Waiting = false;
    };
    bool roomAt(qint64 nowMs);
    Update shown(const QString &sender, Sender &state, qint64 nowMs);

    qint64 m_intervalMs;
    QHash<QString, Sender> m_senders;
    QList<qint64> m_recent; // when the updates of the last interval were shown, oldest first
};
