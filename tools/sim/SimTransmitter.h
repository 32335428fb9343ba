// Writes a transfer to the instrument's end of the line without ever blocking:
// in random chunks or whole, paced at a baud rate, pausing where asked,
// stopping on XOFF, and stopping for good at a drop point.
#pragma once

#include "ByteSource.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QRandomGenerator>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class QSocketNotifier;

struct TransferPart
{
    int pauseBeforeMs = 0;
    std::shared_ptr<ByteSource> source;
};

class SimTransmitter : public QObject
{
    Q_OBJECT
public:
    // fd must be non-blocking; the transmitter does not own it.
    explicit SimTransmitter(int fd, QObject *parent = nullptr);
    ~SimTransmitter() override;

    // What the line makes of a chunk on its way: nullopt when it arrives as sent.
    using WireFilter = std::function<std::optional<QByteArray>(const QByteArray &)>;

    void setSplit(quint32 seed, int maxChunk);
    void setWholeWrites();
    void setWire(WireFilter wire);
    void setBaud(int baud);
    // Pauses after every byte equal to lineEnd (the last byte of a record end).
    void setLinePause(int ms, char lineEnd);
    void setObeyXonXoff(bool obey);
    void setDropAfter(qint64 bytes);

    void start(const QList<TransferPart> &parts);
    void stop();
    // Stops using the descriptor; called before it is closed.
    void detach();
    bool isRunning() const { return m_running; }
    qint64 bytesSent() const { return m_sent; }

    // Bytes from the program; XOFF and XON act on the sending when obeyed.
    void takeReceived(const QByteArray &bytes);

Q_SIGNALS:
    void finished();
    void dropPointReached();
    void failed(const QString &reason);

private:
    void pump();
    bool refill();
    // Stops for good once the drop point is reached; true then.
    bool reachedDropPoint();
    qint64 nextChunkSize() const;
    bool allWritten() const;
    void waitFor(int ms, bool restartPacing);
    void restartPacing();
    void newChunk();

    int m_fd;
    QSocketNotifier *m_writeNotifier = nullptr;
    QTimer m_timer;
    bool m_restartPacingAfterWait = false;

    bool m_split = false;
    int m_maxChunk = 12;
    QRandomGenerator m_random;
    qint64 m_chunkLeft = 0;
    int m_bytesPerSecond = 0;
    int m_linePauseMs = 0;
    char m_lineEnd = '\n';
    bool m_obeyXonXoff = false;
    qint64 m_dropAfter = -1;
    WireFilter m_wire;

    QList<TransferPart> m_parts;
    qsizetype m_part = 0;
    bool m_partEntered = false;
    QByteArray m_pending;
    qint64 m_sent = 0;
    QElapsedTimer m_paceClock;
    qint64 m_paceBase = 0;
    bool m_running = false;
    bool m_stoppedByXoff = false;
    bool m_inPump = false;
};
