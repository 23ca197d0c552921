#include "AlertGate.h"

bool AlertGate::pass(const QString &source, qint64 nowMs)
{
    const auto it = m_sources.find(source);
    if (it != m_sources.end() && nowMs - it->lastEvent < m_quietMs) {
        it->lastEvent = nowMs;
        return false;
    }
    if (m_sources.size() >= MaxSources)
        forgetSilent(nowMs);
    int loud = 0;
    for (const Source &known : std::as_const(m_sources))
        loud += nowMs - known.alertedAt < m_quietMs ? 1 : 0;
    const bool alert =
        loud < MaxLoudSources && nowMs - m_stormAt >= m_quietMs && m_sources.size() < MaxSources;
    if (!alert)
        m_stormAt = nowMs;
    // A source kept quiet stays quiet until it falls silent too.
    if (m_sources.size() < MaxSources)
        m_sources.insert(source, {nowMs, alert ? nowMs : nowMs - m_quietMs});
    return alert;
}

void AlertGate::forgetSilent(qint64 nowMs)
{
    m_sources.removeIf(
        [&](const auto &item) { return nowMs - item.value().lastEvent >= m_quietMs; });
}
