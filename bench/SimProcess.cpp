#include "SimProcess.h"

#include <QDeadlineTimer>
#include <QFileInfo>

using namespace Qt::StringLiterals;

SimProcess::SimProcess(QObject *parent)
    : QObject(parent)
{
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.setReadChannel(QProcess::StandardOutput);
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &SimProcess::collectOutput);
}

SimProcess::~SimProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

QString SimProcess::program()
{
    // The simulator of the same build, in its program folder.
    return QStringLiteral(MERIDOC_SIM_PATH);
}

bool SimProcess::start(const QStringList &arguments, int timeoutMs)
{
    const QString path = program();
    if (!QFileInfo(path).isExecutable()) {
        m_error = u"%1 is missing; build the target meridoc-sim."_s.arg(path);
        return false;
    }
    m_process.start(path, arguments);
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = u"Cannot start %1: %2"_s.arg(path, m_process.errorString());
        return false;
    }
    const QDeadlineTimer deadline(timeoutMs);
    while (!m_output.contains("Playing ")) {
        if (deadline.hasExpired() || !m_process.waitForReadyRead(int(deadline.remainingTime()))) {
            collectOutput();
            if (m_output.contains("Playing "))
                break;
            m_error = u"meridoc-sim did not start playing: %1"_s
                          .arg(QString::fromLocal8Bit(m_output + m_process.readAllStandardError()).trimmed());
            return false;
        }
        collectOutput();
    }
    return true;
}

QString SimProcess::firstLine() const
{
    const qsizetype end = m_output.indexOf('\n');
    return QString::fromLocal8Bit(end < 0 ? m_output : m_output.left(end)).trimmed();
}

void SimProcess::pressKey()
{
    m_process.write("\n");
}

bool SimProcess::finish(int timeoutMs)
{
    if (m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(timeoutMs)) {
        m_process.kill();
        m_process.waitForFinished(2000);
        collectOutput();
        m_error = u"meridoc-sim did not end by itself"_s;
        return false;
    }
    collectOutput();
    if (m_process.exitStatus() != QProcess::NormalExit || m_process.exitCode() != 0) {
        m_error = u"meridoc-sim ended with code %1: %2"_s.arg(m_process.exitCode())
                      .arg(QString::fromLocal8Bit(m_process.readAllStandardError()).trimmed());
        return false;
    }
    return true;
}

void SimProcess::collectOutput()
{
    m_output += m_process.readAllStandardOutput();
}
