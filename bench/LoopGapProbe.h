// Watches how often the event loop turns: a 1 ms timer that remembers the
// longest time between two of its ticks, i.e. the longest the window was deaf.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class LoopGapProbe : public QObject
{
    Q_OBJECT
public:
    explicit LoopGapProbe(QObject *parent = nullptr);

    void start();
    // The time since the last tick counts as a gap too: a loop stuck at the
    // end must not go unseen.
    void stop();

    double longestGapMs() const { return double(m_longestNs) / 1e6; }

private:
    void tick();

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastNs = 0;
    qint64 m_longestNs = 0;
};
