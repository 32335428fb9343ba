// Standard output, or an existing file that is not a regular one (a FIFO, a
// terminal, a character device), written while a download runs: each piece
// goes out as soon as it is given. A reader that is slow or does not read
// never holds up the caller: what it has not taken yet waits here, in order,
// and leaves as soon as it takes more.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class QEventLoop;
class QSocketNotifier;

class StreamOutput : public QObject
{
    Q_OBJECT
public:
    enum class State {
        Open,        // every piece given so far was written or waits for the reader
        ReaderGone,  // the reader closed its end (EPIPE); nothing more is written
        Failed,      // a write failed otherwise (error() says why); nothing more is written
    };

    explicit StreamOutput(QObject *parent = nullptr);
    ~StreamOutput() override;

    // Standard output. False with the reason when it is not open.
    bool openStandardOutput(QString *reason);
    // The existing FIFO or device at path, opened for writing as the shell's
    // "> path" would, but never truncated or replaced. A FIFO that nobody
    // reads yet waits for its reader; waitingForReader is called first.
    bool openPath(const QString &path, const std::function<void()> &waitingForReader, QString *reason);
    // "standard output" or the path.
    QString name() const { return m_name; }

    // Writes the bytes after those given before, now or when the reader has room.
    void write(const QByteArray &bytes);
    // Lets events run until all that was given is written (true), the reader
    // went away or a write failed (false), or giveUp() is called (false).
    bool finish();
    // Stops waiting for the reader: finish() returns, and what waits is dropped.
    void giveUp();

    State state() const { return m_state; }
    // The system's reason of a failed write (Failed).
    QString error() const { return m_error; }

Q_SIGNALS:
    // Once, when the reader went away.
    void readerGone();
    // Once, when a write failed otherwise.
    void failed(const QString &reason);

private:
    void adopt(int fd);
    void writeWaiting();
    void waitForRoom();
    void stop(int error);

    QString m_name;
    int m_fd = -1;
    bool m_owned = false;
    State m_state = State::Open;
    QString m_error;
    QList<QByteArray> m_waiting;
    qsizetype m_firstWritten = 0;   // bytes of m_waiting.first() already written
    QSocketNotifier *m_room = nullptr;
    QEventLoop *m_finishing = nullptr;
    bool m_givenUp = false;
};
