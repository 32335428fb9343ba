// A program the tests and benchmarks run as a process of its own (meridoc,
// meridoc-sim, strace, a test's own executable): what it writes is collected
// while the caller waits with the event loop running, and how it ended is
// told as "exit N" or "signal N". One still running when this goes is killed.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

class ChildProgram : public QObject
{
public:
    explicit ChildProgram(QObject *parent = nullptr);
    ~ChildProgram() override;

    // Its working folder, environment and channels are set here before it starts.
    QProcess process;
    // What it wrote to standard output and standard error so far.
    QByteArray out;
    QByteArray err;

    // False with error() when it did not start within timeoutMs.
    bool start(const QString &program, const QStringList &arguments, int timeoutMs);
    // meridoc-sim (that of this build unless another copy is named) with
    // these options, until it says it plays: after its link is made, or after
    // its first line, the device path, with --print-path. It plays within a
    // second; the 10 s bound is for a loaded machine. False with error() when
    // it does not play within timeoutMs.
    bool startSimulator(const QStringList &options, int timeoutMs = 10000, const QString &program = simulatorPath());

    // Wait until the output holds text; false after timeoutMs or once the
    // program ended without it.
    bool waitForOut(const QByteArray &text, int timeoutMs);
    bool waitForErr(const QByteArray &text, int timeoutMs);
    // Waits for the end: "exit N", "signal N", or "still running" after timeoutMs.
    QByteArray finish(int timeoutMs);

    void signal(int number);
    // The user presses the transfer key at the simulated instrument: Enter in
    // the simulator's terminal.
    void pressKey();
    // The first line it wrote.
    QString firstLine() const;
    QString error() const { return m_error; }

    // meridoc-sim of this build, in its program folder.
    static QString simulatorPath();

private:
    // Runs the event loop until done() holds, the program ended or timeoutMs
    // passed; what done() says then.
    bool waitUntil(const std::function<bool()> &done, int timeoutMs);

    QString m_error;
};
