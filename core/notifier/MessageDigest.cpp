#include "MessageDigest.h"

#include <algorithm>

std::optional<MessageDigest::Update> MessageDigest::Add(const QString &sender, const QString &text,
                                                        qint64 nowMs)
{
    auto it = m_senders.find(sender);
    if (it == m_senders.end()) {
        if (m_senders.size() >= MaxSenders)
            return std::nullopt;
        it = m_senders.insert(sender, {0, {}, nowMs - m_intervalMs, false});
    }
    ++it->Count;
    it->Text = text;
    if (nowMs - it->ShownAt >= m_intervalMs && !it->Waiting && roomAt(nowMs))
        return shown(sender, *it, nowMs);
    it->Waiting = true;
    return std::nullopt;
}

QList<MessageDigest::Update> MessageDigest::Due(qint64 nowMs)
{
    QList<QString> ready;
    for (auto it = m_senders.cbegin(); it != m_senders.cend(); ++it) {
        if (it->Waiting && nowMs - it->ShownAt >= m_intervalMs)
            ready.append(it.key());
    }
    std::sort(ready.begin(), ready.end(), [this](const QString &a, const QString &b) {
        return m_senders[a].ShownAt < m_senders[b].ShownAt;
    });
    QList<Update> updates;
    for (const QString &sender : std::as_const(ready)) {
        if (!roomAt(nowMs))
            break;
        updates.append(shown(sender, m_senders[sender], nowMs));
    }
    return updates;
}

qint64 MessageDigest::NextDueIn(qint64 nowMs) const
{
    std::optional<qint64> next;
    for (const Sender &state : m_senders) {
        if (state.Waiting)
            next =
                std::min(next.value_or(state.ShownAt + m_intervalMs), state.ShownAt + m_intervalMs);
    }
    if (!next)
        return -1;
    if (m_recent.size() >= MaxPerInterval)
        next = std::max(*next, m_recent.first() + m_intervalMs);
    return std::max<qint64>(0, *next - nowMs);
}

void MessageDigest::Seen(const QString &sender)
{
    m_senders.remove(sender);
}

QStringList MessageDigest::SeenAll()
{
    QStringList senders = m_senders.keys();
    m_senders.clear();
    return senders;
}

bool MessageDigest::roomAt(qint64 nowMs)
{
    while (!m_recent.isEmpty() && nowMs - m_recent.first() >= m_intervalMs)
        m_recent.removeFirst();
    return m_recent.size() < MaxPerInterval;
}

MessageDigest::Update MessageDigest::shown(const QString &sender, Sender &state, qint64 nowMs)
{
    state.ShownAt = nowMs;
    state.Waiting = false;
    m_recent.append(nowMs);
    return {sender, state.Count, state.Text};
}
