#include "SimRunner.h"

#include "ByteText.h"
#include "SampleData.h"
#include "SimulatedInstrument.h"

#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
constexpr int DeliveryCheckMs = 20;
// When the program stops reading for this long, it is not coming back.
constexpr int StalledChecksToGiveUp = 10000 / DeliveryCheckMs;
constexpr int ClosingWaitChecks = 10000 / DeliveryCheckMs;
// Lets the program close its port before the line goes away.
constexpr int GraceMs = 300;
}

SimRunner::SimRunner(const SimOptions &options, QObject *parent)
    : QObject(parent), m_options(options), m_out(stdout)
{
    m_clock.start();
    m_deliveryTimer.setInterval(DeliveryCheckMs);
    connect(&m_deliveryTimer, &QTimer::timeout, this, &SimRunner::checkDelivered);
}

SimRunner::~SimRunner() = default;

void SimRunner::say(const QString &text)
{
    m_out << text << Qt::endl;
}

void SimRunner::complain(const QString &text)
{
    QTextStream(stderr) << "meridoc-sim: " << text << Qt::endl;
}

bool SimRunner::start()
{
    const FamilyProfile &profile = familyProfile(m_options.family);
    m_instrument = std::make_unique<SimulatedInstrument>(m_options.family);
    if (!m_instrument->isOpen()) {
        complain(m_instrument->errorString());
        return false;
    }
    if (!m_options.dataFile.isEmpty()) {
        QFile file(m_options.dataFile);
        if (!file.open(QIODevice::ReadOnly)) {
            complain(u"Cannot read %1: %2. Check the path given with --data."_s
                         .arg(m_options.dataFile, file.errorString()));
            return false;
        }
        m_instrument->setData(file.readAll());
    } else if (m_options.floodLines >= 0) {
        m_instrument->setFlood(m_options.floodLines, m_options.lineLength, !m_options.noEnd);
    } else if (m_options.noEnd) {
        m_instrument->setData(sampleData(m_options.family, false));
    }
    if (m_options.splitSeed)
        m_instrument->setSplitSeed(*m_options.splitSeed);
    else if (m_options.noSplit || m_options.floodLines >= 0)
        m_instrument->setWholeWrites();
    if (m_options.anyLine)
        m_instrument->setAnyLine();
    m_instrument->setBaud(m_options.baud);
    if (m_options.answerPauseMs >= 0)
        m_instrument->setAnswerPauseMs(m_options.answerPauseMs);
    m_instrument->setLinePauseMs(m_options.linePauseMs);
    m_instrument->setDropAfter(m_options.dropAfter);
    if (!startsAtKeyPress(m_options.family) && m_options.pauseMs > 0)
        m_instrument->setStartDelayMs(m_options.pauseMs);

    if (!m_options.logFile.isEmpty()) {
        m_log.setFileName(m_options.logFile);
        if (!m_log.open(QIODevice::WriteOnly)) {
            complain(u"Cannot write the log %1: %2. Choose another file with --log."_s
                         .arg(m_options.logFile, m_log.errorString()));
            return false;
        }
    }

    QString where = m_instrument->slavePath();
    if (m_options.printPath) {
        say(m_instrument->slavePath());
    } else {
        if (!m_instrument->linkAsCom(m_options.folder, m_options.com)) {
            complain(m_instrument->errorString());
            return false;
        }
        where = u"ports/com%1 -> %2"_s.arg(m_options.com).arg(m_instrument->slavePath());
        if (m_options.folder != QCoreApplication::applicationDirPath())
            where += u" (in %1)"_s.arg(m_options.folder);
    }

    connect(m_instrument.get(), &SimulatedInstrument::bytesReceived, this, &SimRunner::onReceived);
    connect(m_instrument.get(), &SimulatedInstrument::commandReceived, this, &SimRunner::onCommand);
    connect(m_instrument.get(), &SimulatedInstrument::transferStarted, this, [this] {
        m_closingSeen = false;
        say(u"Sending the data."_s);
    });
    connect(m_instrument.get(), &SimulatedInstrument::transferFinished, this,
            &SimRunner::onTransferFinished);
    connect(m_instrument.get(), &SimulatedInstrument::lineDropped, this, [this] {
        say(u"Dropped the line after %1 bytes: the device has vanished."_s
                .arg(m_instrument->bytesSent()));
        finish(0);
    });
    connect(m_instrument.get(), &SimulatedInstrument::wrongLine, this, [this](const PtyLineSettings &line) {
        const FamilyProfile &own = familyProfile(m_options.family);
        say(u"The program's line is set to %1 baud%2, the instrument's to %3 baud%4: what goes "
            "either way is noise."_s
                .arg(line.baud).arg(line.xonXoff ? u" with XON/XOFF"_s : QString())
                .arg(own.baud).arg(own.xonXoff ? u" with XON/XOFF"_s : QString()));
    });
    connect(m_instrument.get(), &SimulatedInstrument::lineFailed, this, [this](const QString &why) {
        complain(why);
        finish(1);
    });

    if (startsAtKeyPress(m_options.family)) {
        m_stdin = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
        connect(m_stdin, &QSocketNotifier::activated, this, &SimRunner::readStdin);
        if (m_options.pauseMs >= 0)
            QTimer::singleShot(m_options.pauseMs, this, [this] { m_instrument->pressKey(); });
    }
    say(u"Playing %1 on %2; %3"_s.arg(profile.title, where, waitingHint()));
    return true;
}

QString SimRunner::waitingHint() const
{
    switch (familyProfile(m_options.family).start) {
    case TransferStart::T4Command:
        return u"waiting for T4"_s;
    case TransferStart::Polling:
        return u"waiting for the polling command $qur10"_s;
    case TransferStart::KeyPress:
    case TransferStart::KeyPressMark:
        break;
    }
    if (m_options.pauseMs >= 0 && m_instrument->transfersDone() == 0)
        return u"pressing the transfer key in %1 ms"_s.arg(m_options.pauseMs);
    return u"start the download in MERIDOC, then press Enter here to press the transfer key"_s;
}

void SimRunner::onReceived(const QByteArray &bytes)
{
    const QByteArray line = QByteArray::number(m_clock.elapsed() / 1000.0, 'f', 3).rightJustified(9)
        + " <- " + escapedBytes(bytes) + '\n';
    if (m_log.isOpen())
        m_log.write(line);
    else
        m_out << QString::fromLatin1(line) << Qt::flush;
}

void SimRunner::onCommand(const QByteArray &command)
{
    if (command == WireBytes::closing()) {
        m_closingSeen = true;
        say(u"The program closed the session."_s);
    } else if (command == WireBytes::poll() && m_instrument->state() == SimulatedInstrument::State::Sending) {
        return;
    } else {
        say(u"The program asks for the data (%1)."_s
                .arg(QString::fromLatin1(escapedBytes(command))));
    }
}

void SimRunner::onTransferFinished()
{
    say(u"Sent everything (%1 bytes)."_s.arg(m_instrument->bytesSent()));
    m_lastUnread = -1;
    m_stalledChecks = 0;
    m_closingWaitChecks = 0;
    m_deliveryTimer.start();
}

void SimRunner::checkDelivered()
{
    const qint64 unread = m_instrument->unreadBytes();
    if (unread > 0) {
        m_stalledChecks = unread == m_lastUnread ? m_stalledChecks + 1 : 0;
        m_lastUnread = unread;
        if (m_stalledChecks >= StalledChecksToGiveUp) {
            m_deliveryTimer.stop();
            complain(u"The program stopped reading; %1 bytes are left unread."_s.arg(unread));
            if (!m_options.repeat)
                finish(1);
        }
        return;
    }
    if (familyProfile(m_options.family).closingCommand && !m_closingSeen
        && ++m_closingWaitChecks < ClosingWaitChecks)
        return;
    m_deliveryTimer.stop();
    if (familyProfile(m_options.family).closingCommand && !m_closingSeen)
        say(u"The program has read everything but did not close the session with $qura1."_s);
    else
        say(u"The program has read everything."_s);
    if (m_options.repeat) {
        say(u"Ready for another download; %1"_s.arg(waitingHint()));
        return;
    }
    QTimer::singleShot(GraceMs, this, [this] { finish(0); });
}

void SimRunner::readStdin()
{
    char buffer[256];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
        if (n == 0 || errno != EINTR)
            m_stdin->setEnabled(false);
        return;
    }
    if (!QByteArray(buffer, n).contains('\n'))
        return;
    if (!m_instrument->pressKey())
        say(u"The instrument is busy sending; wait until it is done."_s);
}

void SimRunner::finish(int code)
{
    if (m_finishing)
        return;
    m_finishing = true;
    if (m_log.isOpen() && !m_log.commit()) {
        complain(u"Cannot save the log %1: %2."_s.arg(m_log.fileName(), m_log.errorString()));
        code = 1;
    }
    QCoreApplication::exit(code);
}
