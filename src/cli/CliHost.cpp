#include "CliHost.h"

#include "Delay.h"
#include "EventWait.h"
#include "Messages.h"
#include "ReceiveLines.h"
#include "StreamOutput.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

CliHost::CliHost(const QString &programFolder, const QString &comPortNumber, Messages &messages)
    : m_programFolder(programFolder)
    , m_comPortNumber(comPortNumber)
    , m_messages(messages)
    , m_comm(programFolder)
    , m_journal(programFolder + u"/history"_s)
{
    buildFennixCommands(m_state);
    // The timeout counts silence: every byte starts it again.
    m_silence.setSingleShot(true);
    connect(&m_silence, &QTimer::timeout, this, [this] { requestStop(Stop::Timeout); });
    connect(&m_comm, &CommControl::received, this, [this] {
        if (m_silence.isActive())
            m_silence.start(m_timeoutMs);
    });
    connect(&m_dataList, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { streamNewLines(first, last); });
}

void CliHost::setStream(StreamOutput *stream)
{
    m_stream = stream;
    connect(stream, &StreamOutput::readerGone, this, [this] { requestStop(Stop::ReaderGone); });
}

void CliHost::streamNewLines(int first, int last)
{
    if (!m_stream)
        return;
    const QList<QByteArray> &entries = m_dataList.entries();
    qsizetype size = 0;
    for (int i = first; i <= last; ++i)
        size += entries.at(i).size() + 2;
    QByteArray bytes;
    bytes.reserve(size);
    for (int i = first; i <= last; ++i) {
        bytes.append(entries.at(i));
        bytes.append("\r\n", 2);
    }
    m_stream->write(bytes);
}

void CliHost::signalReceived(int number)
{
    if (m_firstSignal == 0)
        m_firstSignal = number;
    if (++m_signals > 1 || !m_downloading)
        giveUp();
    else
        requestStop(Stop::Signal);
}

void CliHost::requestStop(Stop cause)
{
    if (!m_downloading || m_pending != Stop::None || m_taken != Stop::None)
        return;
    m_pending = cause;
    m_sleepsWhilePending = 0;
}

void CliHost::giveUp()
{
    m_giveUp = true;
    if (m_stream)
        m_stream->giveUp();
}

void CliHost::downloadEnded()
{
    m_downloading = false;
    m_silence.stop();
    flushStatus();
}

void CliHost::historyCopyStopped(const QString &reason)
{
    flushStatus();
    // The journal's reason: "The history copy stopped after 93 lines: write
    // ...: File too large".
    m_messages.say(continuing(reason));
    m_historyStopSaid = true;
}

void CliHost::flushStatus()
{
    if (!m_pendingText.isEmpty() && m_pendingText != m_shownText) {
        m_messages.say(m_pendingText);
        m_shownText = m_pendingText;
    }
    m_pendingText.clear();
}

void CliHost::showReceivedCount(qsizetype lines)
{
    if (lines > 0)
        m_messages.showCount(receivedCountText(lines));
}

void CliHost::setWarnText2(const QString &text)
{
    // Shown when the download next waits: by then it is ready for what the
    // text asks of the user.
    if (!text.isEmpty())
        m_pendingText = text;
}

void CliHost::printOnSurface(const QString &text)
{
    m_messages.say(text.trimmed());
}

bool CliHost::escPressed()
{
    if (m_pending == Stop::None)
        return false;
    m_taken = std::exchange(m_pending, Stop::None);
    return true;
}

void CliHost::beginDownload()
{
    // A signal that came before the download began still counts: there is
    // one download, and the user asked it to stop.
    if (m_timeoutMs > 0)
        m_silence.start(m_timeoutMs);
}

void CliHost::waited()
{
    // The message line is said when the download waits, not when it merely
    // lets events run: a listening download shows its instruction, lets
    // events run, and only then discards stale input and listens, so a user
    // quick to start the instrument would lose its first bytes.
    flushStatus();
}

void CliHost::throwIfGivenUp()
{
    if (!m_giveUp || !m_downloading)
        return;
    m_silence.stop();
    if (m_comm.portOpen())
        m_comm.setPortOpen(false);
    throw DownloadAbandoned{};
}

void CliHost::processEvents()
{
    QCoreApplication::processEvents();
    throwIfGivenUp();
}

void CliHost::waitForEvents(int maxMs)
{
    waited();
    runEventsWaitingAtMost(maxMs);
    throwIfGivenUp();
}

void CliHost::delay(double &milliseconds)
{
    waited();
    // A request still there at the download's second sleep was passed by:
    // this wait looks at no ESC (the start mark's). The timeout is one
    // timeout, and a reader that went away waits for nothing: both give up;
    // a signal says how to give up.
    if (m_pending != Stop::None && ++m_sleepsWhilePending >= 2) {
        if (m_pending != Stop::Signal)
            giveUp();
        else if (!m_toldHowToGiveUp) {
            m_messages.say(u"this wait does not stop as ESC would.\na second signal gives up at once."_s);
            m_toldHowToGiveUp = true;
        }
    }
    ::delay(milliseconds);
}

bool CliHost::askYesNo(const QString &, const QString &)
{
    // A refusal makes the download ask for another name; the command line
    // has none, so the next dialog is cancelled.
    if (!m_force)
        m_blocksBase.clear();
    return m_force;
}

std::optional<QString> CliHost::saveDialog(const QString &, const QString &)
{
    // The blocks are offered once the reception is over.
    m_silence.stop();
    if (m_blocksBase.isEmpty())
        return std::nullopt;
    return m_blocksBase;
}
