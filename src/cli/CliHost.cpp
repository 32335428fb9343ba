#include "CliHost.h"

#include "Delay.h"
#include "EventWait.h"
#include "ReceiveLines.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

CliHost::CliHost(const QString &programFolder, const QString &comPortNumber, std::FILE *messages)
    : m_programFolder(programFolder)
    , m_comPortNumber(comPortNumber)
    , m_messages(messages)
    , m_comm(programFolder)
    , m_journal(programFolder + u"/history"_s)
{
    buildFennixCommands(m_state);
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        requestStop();
        // A download that does not look at ESC here is given up after one
        // more period.
        m_timeout.start(m_timeoutMs);
    });
    connect(&m_comm, &CommControl::received, this, [this] {
        m_facts.anyByte = true;
        if (m_timeout.isActive())
            m_timeout.start(m_timeoutMs);
    });
    connect(&m_comm, &CommControl::lost, this, [this] { m_facts.lost = true; });
}

void CliHost::requestStop()
{
    if (m_pendingStops > 0)
        m_facts.abandoned = true;
    else
        ++m_pendingStops;
}

void CliHost::say(const QString &line)
{
    endCountLine();
    std::fputs(line.toLocal8Bit().constData(), m_messages);
    std::fputc('\n', m_messages);
    std::fflush(m_messages);
}

void CliHost::flushStatus()
{
    if (!m_pendingText.isEmpty() && m_pendingText != m_shownText) {
        say(m_pendingText);
        m_shownText = m_pendingText;
    }
    m_pendingText.clear();
}

void CliHost::showReceivedCount(qsizetype lines)
{
    // The receiver shows its count from its start on.
    m_facts.receiving = true;
    if (!m_showCount || lines == 0)
        return;
    std::fputc('\r', m_messages);
    std::fputs(receivedCountText(lines).toLocal8Bit().constData(), m_messages);
    std::fflush(m_messages);
    m_countShown = true;
}

void CliHost::endCountLine()
{
    if (!m_countShown)
        return;
    std::fputc('\n', m_messages);
    std::fflush(m_messages);
    m_countShown = false;
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
    say(text.trimmed());
}

bool CliHost::escPressed()
{
    if (m_pendingStops == 0)
        return false;
    m_pendingStops = 0;
    m_facts.stopTaken = true;
    return true;
}

void CliHost::beginDownload()
{
    m_pendingStops = 0;
    if (m_timeoutMs > 0)
        m_timeout.start(m_timeoutMs);
}

void CliHost::waited()
{
    m_waited = true;
}

void CliHost::throwIfAbandoned()
{
    if (!m_facts.abandoned)
        return;
    m_timeout.stop();
    if (m_comm.portOpen())
        m_comm.setPortOpen(false);
    throw DownloadAbandoned{};
}

void CliHost::processEvents()
{
    waited();
    QCoreApplication::processEvents();
    throwIfAbandoned();
}

void CliHost::waitForEvents(int maxMs)
{
    waited();
    flushStatus();
    runEventsWaitingAtMost(maxMs);
    throwIfAbandoned();
}

void CliHost::delay(double &milliseconds)
{
    waited();
    flushStatus();
    // A stop request still there when the download sleeps again was passed
    // by: this wait does not look at ESC.
    if (m_pendingStops > 0 && !m_toldHowToGiveUp) {
        say(u"This wait does not stop as after ESC; a second Ctrl+C or SIGTERM gives up at once."_s);
        m_toldHowToGiveUp = true;
    }
    ::delay(milliseconds);
}

void CliHost::showMessage(const QString &, const QString &text)
{
    // The texts name what failed themselves; the title is the box's caption.
    flushStatus();
    if (m_saving)
        m_facts.blocksFailed = true;
    else if (!m_waited)
        m_facts.portFailed = true;
    say(text);
}

bool CliHost::askYesNo(const QString &, const QString &text)
{
    // The only question of a download: whether to replace existing block files.
    if (m_force)
        return true;
    m_facts.blocksFailed = true;
    say(text.section(u'\n', 0, 0)
        + u" They are left alone; give --force to replace them."_s);
    // A refusal asks for another name; the command line has none to offer.
    m_blocksBase.clear();
    return false;
}

std::optional<QString> CliHost::saveDialog(const QString &, const QString &)
{
    m_saving = true;
    m_timeout.stop();
    if (m_blocksBase.isEmpty())
        return std::nullopt;
    return m_blocksBase;
}
