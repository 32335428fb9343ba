#include "SimulatedInstrument.h"

#include "Flood.h"
#include "SampleData.h"
#include "SimLink.h"
#include "SimTransmitter.h"
#include "WrongLine.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
constexpr int DrainCheckMs = 5;
constexpr int QuietChecksToClose = 3;
// The line goes down even if the program never reads what is waiting.
constexpr int MaxDrainChecks = 3000 / DrainCheckMs;
// Writes of 1 to this many bytes when the transfer is split at random.
constexpr int SplitMaxChunk = 12;
}

SimulatedInstrument::SimulatedInstrument(InstrumentFamily family, QObject *parent)
    : QObject(parent), m_family(family), m_pty(std::make_unique<Pty>()),
      m_link(std::make_unique<SimLink>()), m_data(sampleData(family))
{
    m_drainTimer.setInterval(DrainCheckMs);
    connect(&m_drainTimer, &QTimer::timeout, this, &SimulatedInstrument::checkDrained);
    if (!m_pty->isOpen()) {
        m_error = u"Cannot create a pseudo-terminal."_s;
        m_state = State::Dropped;
        return;
    }
    const int fd = m_pty->masterFd();
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    m_readNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &SimulatedInstrument::readFromLine);
    m_transmitter = new SimTransmitter(fd, this);
    m_transmitter->setObeyXonXoff(familyProfile(family).xonXoff);
    m_transmitter->setLinePause(0, familyProfile(family).recordEnd.back());
    // The hardest case for the program by default: the data come in small
    // pieces at random.
    m_splitSeed = QRandomGenerator::global()->generate();
    m_transmitter->setSplit(m_splitSeed, SplitMaxChunk);
    m_transmitter->setWire([this](const QByteArray &bytes) -> std::optional<QByteArray> {
        const PtyLineSettings line = programSettings();
        // Nobody listens on a port that is not open: the bytes are lost.
        if (line.baud == Pty::RestingBaud && !m_anyLine)
            return QByteArray();
        m_lastOpenLine = line;
        if (heardRight(line))
            return std::nullopt;
        noteWrongLine(line);
        if (line.baud != familyProfile(m_family).baud)
            return heardAtSpeed(bytes, familyProfile(m_family).baud, line.baud);
        return heardWithoutHandshake(bytes);
    });
    connect(m_transmitter, &SimTransmitter::finished, this, &SimulatedInstrument::onTransmitterFinished);
    connect(m_transmitter, &SimTransmitter::dropPointReached, this, &SimulatedInstrument::onDropPoint);
    connect(m_transmitter, &SimTransmitter::failed, this, [this](const QString &reason) {
        m_error = u"Writing to the line failed: %1."_s.arg(reason);
        m_state = State::Waiting;
        Q_EMIT lineFailed(m_error);
    });
}

SimulatedInstrument::~SimulatedInstrument()
{
    // The notifiers must go before the descriptor they watch.
    if (m_transmitter)
        m_transmitter->detach();
    delete m_readNotifier;
}

bool SimulatedInstrument::isOpen() const
{
    return m_pty->isOpen() && m_state != State::Dropped;
}

QString SimulatedInstrument::slavePath() const
{
    return m_pty->slavePath();
}

bool SimulatedInstrument::linkAsCom(const QString &programFolder, int n)
{
    if (!isOpen()) {
        m_error = u"The simulated line is not open."_s;
        return false;
    }
    if (!m_link->create(programFolder, n, m_pty->slavePath())) {
        m_error = m_link->errorString();
        return false;
    }
    return true;
}

QString SimulatedInstrument::linkPath() const
{
    return m_link->path();
}

void SimulatedInstrument::setData(const QByteArray &bytes)
{
    m_data = bytes;
    m_floodLines = -1;
}

void SimulatedInstrument::setFlood(qint64 lines, int lineLength, bool withEnd)
{
    m_floodLines = qMax<qint64>(0, lines);
    m_floodLength = lineLength;
    m_floodEnd = withEnd;
}

void SimulatedInstrument::setSplitSeed(quint32 seed, int maxChunk)
{
    m_splitSeed = seed;
    if (m_transmitter)
        m_transmitter->setSplit(seed, maxChunk);
}

void SimulatedInstrument::setWholeWrites()
{
    if (m_transmitter)
        m_transmitter->setWholeWrites();
}

void SimulatedInstrument::setAnyLine()
{
    m_anyLine = true;
}

bool SimulatedInstrument::heardRight(const PtyLineSettings &line) const
{
    if (m_anyLine)
        return true;
    const FamilyProfile &profile = familyProfile(m_family);
    return line.baud == profile.baud && line.xonXoff == profile.xonXoff;
}

void SimulatedInstrument::noteWrongLine(const PtyLineSettings &line)
{
    if (m_wrongLine && m_wrongLine->baud == line.baud && m_wrongLine->xonXoff == line.xonXoff)
        return;
    m_wrongLine = line;
    Q_EMIT wrongLine(line);
}

void SimulatedInstrument::setBaud(int baud)
{
    if (m_transmitter)
        m_transmitter->setBaud(baud);
}

void SimulatedInstrument::setStartDelayMs(int ms)
{
    m_startDelayMs = qMax(0, ms);
}

void SimulatedInstrument::setAnswerPauseMs(int ms)
{
    m_answerPauseMs = qMax(0, ms);
}

void SimulatedInstrument::setLinePauseMs(int ms)
{
    if (m_transmitter)
        m_transmitter->setLinePause(ms, familyProfile(m_family).recordEnd.back());
}

void SimulatedInstrument::setDropAfter(qint64 bytes)
{
    if (m_transmitter)
        m_transmitter->setDropAfter(bytes);
}

bool SimulatedInstrument::pressKey()
{
    if (!startsAtKeyPress(m_family) || !isOpen() || m_state == State::Sending
        || m_state == State::Dropping)
        return false;
    startTransfer();
    return true;
}

qint64 SimulatedInstrument::bytesSent() const
{
    return m_transmitter ? m_transmitter->bytesSent() : 0;
}

qint64 SimulatedInstrument::unreadBytes() const
{
    return isOpen() ? m_pty->unreadBytes() : 0;
}

PtyLineSettings SimulatedInstrument::programSettings() const
{
    return m_pty->slaveSettings();
}

void SimulatedInstrument::readFromLine()
{
    char buffer[4096];
    QByteArray chunk;
    for (;;) {
        const ssize_t n = ::read(m_pty->masterFd(), buffer, sizeof buffer);
        if (n > 0) {
            chunk.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // EAGAIN: all read. EOF or EIO: nobody holds the other side, which the
        // pty's own slave descriptor prevents; stop listening rather than spin.
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
            m_readNotifier->setEnabled(false);
        break;
    }
    if (chunk.isEmpty())
        return;
    m_received += chunk;
    Q_EMIT bytesReceived(chunk);
    // Sent on a line set up differently, the program's bytes are not understood.
    // Read after the program closed its port, they went out on the line it
    // had open (the serial layer sends before it closes).
    PtyLineSettings line = programSettings();
    if (line.baud != Pty::RestingBaud)
        m_lastOpenLine = line;
    else if (m_lastOpenLine)
        line = *m_lastOpenLine;
    if (!heardRight(line)) {
        noteWrongLine(line);
        chunk = line.baud != familyProfile(m_family).baud
            ? heardAtSpeed(chunk, line.baud, familyProfile(m_family).baud)
            : heardWithoutHandshake(chunk);
    }
    m_unmatched += chunk;
    m_transmitter->takeReceived(chunk);
    handleCommands();
}

void SimulatedInstrument::handleCommands()
{
    const FamilyProfile &profile = familyProfile(m_family);
    QList<QByteArray> commands;
    if (profile.start == TransferStart::T4Command)
        commands.append(WireBytes::t4());
    if (profile.start == TransferStart::Polling)
        commands.append(WireBytes::poll());
    if (profile.closingCommand)
        commands.append(WireBytes::closing());
    qsizetype longest = 0;
    for (const QByteArray &c : commands)
        longest = qMax(longest, c.size());

    for (;;) {
        qsizetype at = -1;
        QByteArray found;
        for (const QByteArray &c : commands) {
            const qsizetype i = m_unmatched.indexOf(c);
            if (i >= 0 && (at < 0 || i < at)) {
                at = i;
                found = c;
            }
        }
        if (at < 0)
            break;
        m_unmatched.remove(0, at + found.size());
        Q_EMIT commandReceived(found);
        if (!isOpen())
            return;
        if (found == WireBytes::closing()) {
            // The program has ended the session, whether or not all went out.
            m_pollAnswered = false;
            if (m_state == State::Sending) {
                m_transmitter->stop();
                m_state = State::Waiting;
            }
        } else if ((m_state == State::Waiting || m_state == State::Done) && !m_pollAnswered) {
            // "T4" asks for the memory each time; the polled gauge answers
            // once per session, which "$qura1" closes.
            m_pollAnswered = found == WireBytes::poll();
            startTransfer();
        }
    }
    if (longest > 0 && m_unmatched.size() >= longest)
        m_unmatched = m_unmatched.right(longest - 1);
    else if (longest == 0)
        m_unmatched.clear();
}

void SimulatedInstrument::startTransfer()
{
    const FamilyProfile &profile = familyProfile(m_family);
    std::shared_ptr<ByteSource> data;
    if (m_floodLines >= 0)
        data = std::make_shared<FloodSource>(m_floodLines, m_floodLength, profile.recordEnd, m_floodEnd);
    else
        data = std::make_shared<BufferSource>(m_data);

    QList<TransferPart> parts;
    switch (profile.start) {
    case TransferStart::KeyPress:
    case TransferStart::T4Command:
        parts = {{m_startDelayMs, data}};
        break;
    case TransferStart::KeyPressMark:
        parts = {{m_startDelayMs, std::make_shared<BufferSource>(WireBytes::startMark())},
                 {m_answerPauseMs, data}};
        break;
    case TransferStart::Polling:
        parts = {{m_startDelayMs, std::make_shared<BufferSource>(WireBytes::pollingAnswer())},
                 {m_answerPauseMs, data}};
        break;
    }
    m_state = State::Sending;
    Q_EMIT transferStarted();
    m_transmitter->start(parts);
}

void SimulatedInstrument::onTransmitterFinished()
{
    m_state = State::Done;
    ++m_transfersDone;
    Q_EMIT transferFinished();
}

void SimulatedInstrument::onDropPoint()
{
    m_state = State::Dropping;
    m_drainChecks = 0;
    m_quietChecks = 0;
    m_drainTimer.start();
}

void SimulatedInstrument::checkDrained()
{
    ++m_drainChecks;
    m_quietChecks = m_pty->unreadBytes() == 0 ? m_quietChecks + 1 : 0;
    if (m_quietChecks >= QuietChecksToClose || m_drainChecks >= MaxDrainChecks)
        closeLine();
}

void SimulatedInstrument::closeLine()
{
    m_drainTimer.stop();
    m_transmitter->detach();
    delete m_readNotifier;
    m_readNotifier = nullptr;
    m_pty->closeMaster();
    m_state = State::Dropped;
    Q_EMIT lineDropped();
}

bool SimulatedInstrument::waitUntilSent(int timeoutMs)
{
    if (m_state == State::Done || m_state == State::Dropped)
        return true;
    QEventLoop loop;
    connect(this, &SimulatedInstrument::transferFinished, &loop, &QEventLoop::quit);
    connect(this, &SimulatedInstrument::lineDropped, &loop, &QEventLoop::quit);
    connect(this, &SimulatedInstrument::lineFailed, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return m_state == State::Done || m_state == State::Dropped;
}

bool SimulatedInstrument::waitUntilDelivered(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    if (!waitUntilSent(timeoutMs))
        return false;
    // A pty hands written bytes to the other side through a kernel work queue,
    // so for a moment they are counted on neither side: the line counts as
    // read only once it has shown nothing unread at several checks in a row.
    constexpr int QuietChecksNeeded = 4;
    int quiet = 0;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(DrainCheckMs);
    connect(&poll, &QTimer::timeout, &loop, [&] {
        quiet = unreadBytes() == 0 ? quiet + 1 : 0;
        if (quiet >= QuietChecksNeeded || deadline.hasExpired())
            loop.quit();
    });
    poll.start();
    loop.exec();
    return quiet >= QuietChecksNeeded;
}
