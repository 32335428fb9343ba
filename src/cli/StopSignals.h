// SIGINT and SIGTERM as events of the event loop: the handler only writes a
// byte to a pipe, whose reading end wakes the loop like any serial event.
#pragma once

#include <QObject>

class QSocketNotifier;

class StopSignals : public QObject
{
    Q_OBJECT
public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

    // False when the pipe could not be made; the signals then keep their
    // default action (they end the program).
    bool isActive() const { return m_notifier != nullptr; }

Q_SIGNALS:
    // Once per signal received.
    void stopRequested();

private:
    void drain();

    QSocketNotifier *m_notifier = nullptr;
};
