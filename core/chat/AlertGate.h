#pragma once

#include <QHash>
#include <QString>

#include <limits>

// Decides which events of a source may alert the user (open a window, play a sound, show a
// notification). The first event of a source alerts; every later one only restarts the
// source's quiet period, and the source alerts again once it has been silent that long, so a
// flood alerts once however long it lasts. Many sources at once (forged addresses) alert
// MaxLoudSources times between them, then none alerts until new sources have stopped coming
// for the quiet period.
class AlertGate final
{
public:
    explicit AlertGate(qint64 quietMs = DefaultQuietMs) : m_quietMs(quietMs) {}

    void setQuietMs(qint64 ms) { m_quietMs = ms; }
    // Whether the event of `source` at `nowMs` (a steady clock) alerts.
    bool pass(const QString &source, qint64 nowMs);

    static constexpr qint64 DefaultQuietMs = 20000;
    static constexpr int MaxLoudSources = 4;
    // Sources remembered at once; the silent ones are forgotten first.
    static constexpr int MaxSources = 1024;

private:
    struct Source {
        qint64 lastEvent = 0;
        qint64 alertedAt = 0;
    };
    void forgetSilent(qint64 nowMs);

    qint64 m_quietMs;
    qint64 m_stormAt = std::numeric_limits<qint64>::min() / 2; // a new source last kept quiet
    QHash<QString, Source> m_sources;
};
