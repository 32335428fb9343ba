// An instrument played on a pseudo-terminal by the event loop of the thread it
// lives on: it answers the program's commands and sends its readings the way
// its family does, at once and in random pieces unless told otherwise. It looks
// at the speed and handshake the program set: on a line set up differently,
// what it sends arrives as noise and what it receives is not understood.
#pragma once

#include "InstrumentFamily.h"
#include "Pty.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>

class SimLink;
class SimTransmitter;
class QSocketNotifier;

class SimulatedInstrument : public QObject
{
    Q_OBJECT
public:
    enum class State {
        Waiting,   // for the key press or the program's start command
        Sending,
        Done,      // the last transfer went out whole; ready for another
        Dropping,  // the drop point is reached; the line closes once the program has read
        Dropped,   // the line is gone for good
    };

    explicit SimulatedInstrument(InstrumentFamily family, QObject *parent = nullptr);
    ~SimulatedInstrument() override;

    InstrumentFamily family() const { return m_family; }
    // False when no pseudo-terminal could be made, or after the line was dropped.
    bool isOpen() const;
    QString slavePath() const;
    // Links <programFolder>/ports/com<n> to this instrument. It replaces only an
    // earlier simulator's link and removes its own link when destroyed.
    bool linkAsCom(const QString &programFolder, int n);
    QString linkPath() const;
    QString errorString() const { return m_error; }

    // What the transfer carries (sent byte for byte); the family's sample by default.
    void setData(const QByteArray &bytes);
    // Instead of the data: `lines` numbered lines of `lineLength` (see floodLine),
    // each with the family's record end, then "End" when withEnd.
    void setFlood(qint64 lines, int lineLength, bool withEnd = true);
    // Cuts the transfer into writes of 1..maxChunk bytes at random, 1 ms apart
    // (the default, from a random seed).
    void setSplitSeed(quint32 seed, int maxChunk = 12);
    quint32 splitSeed() const { return m_splitSeed; }
    // Writes as much as the line takes at once, for long transfers.
    void setWholeWrites();
    // Talks on whatever line the other side set, closed or not: for readers
    // that do not set the port (cat) and for throughput measurements.
    void setAnyLine();
    // Paces the transfer at baud / 10 bytes per second; 0 sends at full speed.
    void setBaud(int baud);
    // From the key press or the start command to the first byte.
    void setStartDelayMs(int ms);
    // From "$s$" or the polling answer to the data; none unless set.
    void setAnswerPauseMs(int ms);
    void setLinePauseMs(int ms);
    // Closes the line once this many bytes (answers included) have gone out and
    // the program has read them; negative: never.
    void setDropAfter(qint64 bytes);

    // The user presses the transfer key. Only the families that start at the
    // instrument react, and only while no transfer runs; returns whether it started.
    bool pressKey();

    State state() const { return m_state; }
    int transfersDone() const { return m_transfersDone; }
    // Bytes written to the line in the current or last transfer.
    qint64 bytesSent() const;
    // Bytes on the program's side that it has not read yet.
    qint64 unreadBytes() const;
    // The settings the program has put on its port right now.
    PtyLineSettings programSettings() const;
    // The last line set up differently from the family's own speed and
    // handshake that the instrument sent or listened on; none if never.
    std::optional<PtyLineSettings> wrongLineSeen() const { return m_wrongLine; }

    // Every byte the program sent, in order.
    QByteArray received() const { return m_received; }
    void clearReceived() { m_received.clear(); }

    // Runs the event loop until the transfer is out (Done) or the line dropped;
    // true when that happened within the time. Waits for a start first.
    bool waitUntilSent(int timeoutMs = 5000);
    // As waitUntilSent, and then until the program has read every byte.
    bool waitUntilDelivered(int timeoutMs = 5000);

Q_SIGNALS:
    void bytesReceived(const QByteArray &bytes);
    // A command this family understands: "T4", "$qur10" LF CR or "$qura1" LF CR.
    void commandReceived(const QByteArray &command);
    void transferStarted();
    void transferFinished();
    void lineDropped();
    // The program's line differs from the family's (reported once per setting).
    void wrongLine(const PtyLineSettings &line);
    // A write to the line failed for another reason than a full buffer.
    void lineFailed(const QString &reason);

private:
    void readFromLine();
    void handleCommands();
    void startTransfer();
    void onTransmitterFinished();
    void onDropPoint();
    void checkDrained();
    void closeLine();
    bool heardRight(const PtyLineSettings &line) const;
    void noteWrongLine(const PtyLineSettings &line);

    InstrumentFamily m_family;
    std::unique_ptr<Pty> m_pty;
    std::unique_ptr<SimLink> m_link;
    QSocketNotifier *m_readNotifier = nullptr;
    SimTransmitter *m_transmitter = nullptr;
    QTimer m_drainTimer;
    int m_drainChecks = 0;
    int m_quietChecks = 0;

    QByteArray m_data;
    qint64 m_floodLines = -1;
    int m_floodLength = 0;
    bool m_floodEnd = true;
    int m_startDelayMs = 0;
    int m_answerPauseMs = 0;
    quint32 m_splitSeed = 0;
    std::optional<PtyLineSettings> m_wrongLine;
    // The program's line when it last had its port open, as far as seen.
    std::optional<PtyLineSettings> m_lastOpenLine;

    State m_state = State::Waiting;
    int m_transfersDone = 0;
    bool m_pollAnswered = false;
    bool m_anyLine = false;
    QByteArray m_received;
    QByteArray m_unmatched;
    QString m_error;
};
