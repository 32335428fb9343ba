#include "ChildProgram.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <csignal>

using namespace Qt::StringLiterals;

ChildProgram::ChildProgram(QObject *parent)
    : QObject(parent)
{
    connect(&process, &QProcess::readyReadStandardOutput, this, [this] { out += process.readAllStandardOutput(); });
    connect(&process, &QProcess::readyReadStandardError, this, [this] { err += process.readAllStandardError(); });
}

ChildProgram::~ChildProgram()
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(2000);
    }
}

QString ChildProgram::simulatorPath()
{
    return QStringLiteral(MERIDOC_SIM_PATH);
}

bool ChildProgram::start(const QString &program, const QStringList &arguments, int timeoutMs)
{
    process.start(program, arguments);
    if (process.waitForStarted(timeoutMs))
        return true;
    m_error = u"cannot start %1: %2"_s.arg(program, process.errorString());
    return false;
}

bool ChildProgram::startSimulator(const QStringList &options, int timeoutMs, const QString &program)
{
    if (!QFileInfo(program).isExecutable()) {
        m_error = u"%1 is missing; build the target meridoc-sim."_s.arg(program);
        return false;
    }
    const QDeadlineTimer deadline(timeoutMs);
    if (!start(program, options, timeoutMs))
        return false;
    if (waitForOut("Playing ", int(deadline.remainingTime())))
        return true;
    m_error = u"meridoc-sim did not start playing: %1"_s.arg(QString::fromLocal8Bit(out + err).trimmed());
    return false;
}

bool ChildProgram::waitForOut(const QByteArray &text, int timeoutMs)
{
    return waitUntil([&] { return out.contains(text); }, timeoutMs);
}

bool ChildProgram::waitForErr(const QByteArray &text, int timeoutMs)
{
    return waitUntil([&] { return err.contains(text); }, timeoutMs);
}

QByteArray ChildProgram::finish(int timeoutMs)
{
    if (!waitUntil([this] { return process.state() == QProcess::NotRunning; }, timeoutMs))
        return "still running";
    out += process.readAllStandardOutput();
    err += process.readAllStandardError();
    return (process.exitStatus() == QProcess::NormalExit ? "exit " : "signal ") + QByteArray::number(process.exitCode());
}

void ChildProgram::signal(int number)
{
    ::kill(pid_t(process.processId()), number);
}

void ChildProgram::pressKey()
{
    process.write("\n");
}

QString ChildProgram::firstLine() const
{
    const qsizetype end = out.indexOf('\n');
    return QString::fromLocal8Bit(end < 0 ? out : out.left(end)).trimmed();
}

bool ChildProgram::waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    // Checked every 10 ms while the event loop collects the output, as
    // QTest::qWaitFor does: whatever the caller does next comes a few
    // milliseconds after the text, not within the same microsecond.
    QEventLoop loop;
    QTimer check;
    connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || process.state() == QProcess::NotRunning || deadline.hasExpired())
            loop.quit();
    });
    check.start(10);
    if (!done() && process.state() != QProcess::NotRunning)
        loop.exec();
    return done();
}
