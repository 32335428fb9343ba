// Drives one meridoc-sim run: sets the instrument up from the options, tells
// the user what it does, logs what the program sends, and ends when done.
#pragma once

#include "SimOptions.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSaveFile>
#include <QTextStream>
#include <QTimer>

#include <memory>

class QSocketNotifier;
class SimulatedInstrument;

class SimRunner : public QObject
{
    Q_OBJECT
public:
    explicit SimRunner(const SimOptions &options, QObject *parent = nullptr);
    ~SimRunner() override;

    // Creates the line and starts playing; false (with a message printed) when
    // it cannot, and then the caller ends with exit code 1.
    bool start();
    // Ends the run: commits the log and quits the event loop with code.
    void finish(int code);

private:
    QString waitingHint() const;
    void onReceived(const QByteArray &bytes);
    void onCommand(const QByteArray &command);
    void onTransferFinished();
    void checkDelivered();
    void readStdin();
    void say(const QString &text);
    void complain(const QString &text);

    SimOptions m_options;
    std::unique_ptr<SimulatedInstrument> m_instrument;
    QSaveFile m_log;
    QTextStream m_out;
    QElapsedTimer m_clock;
    QSocketNotifier *m_stdin = nullptr;
    QTimer m_deliveryTimer;
    qint64 m_lastUnread = -1;
    int m_stalledChecks = 0;
    int m_closingWaitChecks = 0;
    bool m_closingSeen = false;
    bool m_finishing = false;
};
