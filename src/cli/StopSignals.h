// SIGINT, SIGTERM and SIGHUP as events of the event loop: the handler only
// writes the signal's number to a pipe, whose reading end wakes the loop like
// any serial event. A signal the program was started with ignored (nohup, a
// command a shell runs in the background) stays ignored.
#pragma once

#include <QObject>

class QSocketNotifier;

class StopSignals : public QObject
{
    Q_OBJECT
public:
    explicit StopSignals(QObject *parent = nullptr);
    // The signals get their default action back.
    ~StopSignals() override;

Q_SIGNALS:
    // Once per signal received.
    void received(int signalNumber);

private:
    void drain();

    QSocketNotifier *m_notifier = nullptr;
    QList<int> m_handled;
};

// Ends the program by the signal, with its default action, as if the signal
// had not been caught. Returns only where that action does not end it (a
// SIGPIPE the program was started with ignored).
void endBySignal(int signalNumber);

// SIGPIPE is held back (blocked) from here on: a write to a pipe whose reader
// went away fails with EPIPE, and the signal waits until endBySignal(SIGPIPE)
// lets it act as the program was started to let it (end it, or be ignored).
void holdBackPipeSignal();
// Whether the program was started with SIGPIPE ignored.
bool pipeSignalIgnored();
