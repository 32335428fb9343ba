// The simulated instrument run as a separate process (meridoc-sim beside this
// program), so that its work is not counted as ours.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

class SimProcess : public QObject
{
    Q_OBJECT
public:
    explicit SimProcess(QObject *parent = nullptr);
    ~SimProcess() override;

    // Starts meridoc-sim with these arguments and waits until it says it is
    // playing. False with error() when it does not within timeoutMs.
    bool start(const QStringList &arguments, int timeoutMs = 10000);
    // The first line it printed: the device path when run with --print-path.
    QString firstLine() const;

    // The user presses the transfer key on the instrument (Enter on its input).
    void pressKey();

    // Waits for it to end by itself; stops it when it does not within
    // timeoutMs. True when it ended by itself with exit code 0.
    bool finish(int timeoutMs);

    QString error() const { return m_error; }

private:
    static QString program();
    void collectOutput();

    QProcess m_process;
    QByteArray m_output;
    QString m_error;
};
