#include "SimTransmitter.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {
constexpr qint64 ReadAhead = 16 * 1024;
constexpr char Xon = 0x11;
constexpr char Xoff = 0x13;
}

SimTransmitter::SimTransmitter(int fd, QObject *parent)
    : QObject(parent), m_fd(fd)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_restartPacingAfterWait)
            restartPacing();
        m_restartPacingAfterWait = false;
        pump();
    });
    m_writeNotifier = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, [this] {
        m_writeNotifier->setEnabled(false);
        pump();
    });
}

SimTransmitter::~SimTransmitter() = default;

void SimTransmitter::setSplit(quint32 seed, int maxChunk)
{
    m_split = true;
    m_maxChunk = qMax(1, maxChunk);
    m_random.seed(seed);
}

void SimTransmitter::setBaud(int baud)
{
    // Start bit, eight data bits, stop bit: ten bits a byte.
    m_bytesPerSecond = baud > 0 ? qMax(1, baud / 10) : 0;
}

void SimTransmitter::setLinePause(int ms, char lineEnd)
{
    m_linePauseMs = qMax(0, ms);
    m_lineEnd = lineEnd;
}

void SimTransmitter::setObeyXonXoff(bool obey)
{
    m_obeyXonXoff = obey;
}

void SimTransmitter::setWire(WireFilter wire)
{
    m_wire = std::move(wire);
}

void SimTransmitter::setWholeWrites()
{
    m_split = false;
}

void SimTransmitter::setDropAfter(qint64 bytes)
{
    m_dropAfter = bytes;
}

void SimTransmitter::start(const QList<TransferPart> &parts)
{
    stop();
    m_parts = parts;
    m_part = 0;
    m_partEntered = false;
    m_sent = 0;
    // A new transfer is a new key press or command: an XOFF left over from an
    // earlier session, never followed by XON, must not hold it.
    m_stoppedByXoff = false;
    m_running = true;
    newChunk();
    // The first bytes go out from the event loop, never inside the caller.
    waitFor(0, true);
}

void SimTransmitter::stop()
{
    m_running = false;
    m_timer.stop();
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
    m_parts.clear();
    m_pending.clear();
}

void SimTransmitter::detach()
{
    stop();
    delete m_writeNotifier;
    m_writeNotifier = nullptr;
    m_fd = -1;
}

void SimTransmitter::takeReceived(const QByteArray &bytes)
{
    if (!m_obeyXonXoff)
        return;
    const bool wasStopped = m_stoppedByXoff;
    for (char c : bytes) {
        if (c == Xoff)
            m_stoppedByXoff = true;
        else if (c == Xon)
            m_stoppedByXoff = false;
    }
    if (wasStopped && !m_stoppedByXoff) {
        restartPacing();
        pump();
    }
}

void SimTransmitter::restartPacing()
{
    m_paceClock.start();
    m_paceBase = m_sent;
}

void SimTransmitter::newChunk()
{
    m_chunkLeft = m_split ? m_random.bounded(1, m_maxChunk + 1) : ReadAhead;
}

void SimTransmitter::waitFor(int ms, bool restart)
{
    m_restartPacingAfterWait = restart;
    m_timer.start(ms);
}

bool SimTransmitter::refill()
{
    while (m_part < m_parts.size()) {
        const TransferPart &part = m_parts.at(m_part);
        if (!m_partEntered) {
            m_partEntered = true;
            if (part.pauseBeforeMs > 0) {
                waitFor(part.pauseBeforeMs, true);
                return true;
            }
        }
        if (part.source && !part.source->atEnd()) {
            m_pending = part.source->take(ReadAhead);
            if (!m_pending.isEmpty())
                return true;
        }
        ++m_part;
        m_partEntered = false;
    }
    return false;
}

bool SimTransmitter::allWritten() const
{
    if (!m_pending.isEmpty())
        return false;
    for (qsizetype i = m_part; i < m_parts.size(); ++i) {
        if (m_parts.at(i).source && !m_parts.at(i).source->atEnd())
            return false;
    }
    return true;
}

qint64 SimTransmitter::nextChunkSize() const
{
    qint64 n = qMin<qint64>(m_pending.size(), m_chunkLeft);
    if (m_linePauseMs > 0) {
        const qsizetype end = m_pending.indexOf(m_lineEnd);
        if (end >= 0)
            n = qMin<qint64>(n, end + 1);
    }
    if (m_dropAfter >= 0)
        n = qMin(n, m_dropAfter - m_sent);
    return n;
}

bool SimTransmitter::reachedDropPoint()
{
    if (m_dropAfter < 0 || m_sent < m_dropAfter)
        return false;
    stop();
    m_inPump = false;
    Q_EMIT dropPointReached();
    return true;
}

void SimTransmitter::pump()
{
    // A nested event loop in a slot connected to our signals could re-enter here.
    if (m_inPump)
        return;
    m_inPump = true;
    while (m_running && m_fd >= 0 && !m_stoppedByXoff && !m_timer.isActive()
           && !m_writeNotifier->isEnabled()) {
        if (reachedDropPoint())
            return;
        if (m_pending.isEmpty()) {
            if (!refill()) {
                m_running = false;
                m_inPump = false;
                Q_EMIT finished();
                return;
            }
            if (m_pending.isEmpty())
                break;
        }
        qint64 n = nextChunkSize();
        if (m_bytesPerSecond > 0) {
            const qint64 allowed = m_paceClock.nsecsElapsed() * m_bytesPerSecond / 1000000000
                - (m_sent - m_paceBase);
            if (allowed < n) {
                // Whole chunks keep their shape; otherwise send what is due and
                // sleep until about a hundredth of a second's worth is due again.
                const qint64 wanted = m_split ? n : qMin<qint64>(n, qMax(1, m_bytesPerSecond / 100));
                if (!m_split && allowed >= wanted) {
                    n = allowed;
                } else {
                    const qint64 missing = wanted - qMax<qint64>(allowed, 0);
                    waitFor(int(qMax<qint64>(1, (missing * 1000 + m_bytesPerSecond - 1) / m_bytesPerSecond)), false);
                    break;
                }
            }
        }
        // A line the program set up differently carries noise instead; the
        // bytes count as sent whether or not all the noise fits.
        const std::optional<QByteArray> noise = m_wire ? m_wire(m_pending.left(n)) : std::nullopt;
        ssize_t written = noise ? ::write(m_fd, noise->constData(), size_t(noise->size()))
                                : ::write(m_fd, m_pending.constData(), size_t(n));
        if (noise && (written >= 0 || noise->isEmpty()))
            written = ssize_t(n);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                m_writeNotifier->setEnabled(true);
                break;
            }
            const QString reason = QString::fromLocal8Bit(std::strerror(errno));
            stop();
            m_inPump = false;
            Q_EMIT failed(reason);
            return;
        }
        const char last = m_pending.at(written - 1);
        m_pending.remove(0, written);
        m_sent += written;
        m_chunkLeft -= written;
        if (reachedDropPoint())
            return;
        // Done with the last byte, not a pause later: the program may answer
        // the last line at once.
        if (allWritten()) {
            m_running = false;
            m_inPump = false;
            Q_EMIT finished();
            return;
        }
        if (written < n) {
            m_writeNotifier->setEnabled(true);
            break;
        }
        const bool lineDone = m_linePauseMs > 0 && last == m_lineEnd;
        if (m_chunkLeft <= 0 || !m_split) {
            newChunk();
            if (m_split && !lineDone)
                waitFor(1, false);
        }
        if (lineDone)
            waitFor(m_linePauseMs, true);
    }
    m_inPump = false;
}
