// A file that grows while a download runs, written on a thread of its own: the
// download hands over whole lines and never waits for the disk (a USB stick or
// a network share may stall for seconds). The writer thread makes the file,
// writes each batch as it comes and syncs it (fdatasync) so that every line
// reaches the disk within a second. The file stays locked (flock) while it is
// open, so another copy of the program can tell a running file from one whose
// program ended.
//
// On the first failure (a full disk, a file-size limit, a failed sync) the
// writer cuts the file back to its last whole line, syncs that, writes nothing
// more and tells the failure once; the file stays open for its owner to keep.
#pragma once

#include "SystemCalls.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class AppendFile
{
public:
    // Makes the file on the writer thread when the first lines come: the
    // path made and its locked descriptor, or the failure.
    using Maker = std::function<sys::Status(QString *path, int *fd)>;
    // Told once, on the writer thread, when the copy stops: the lines it keeps
    // and the failed call.
    using Stopped = std::function<void(qint64 linesKept, const sys::Status &failure)>;

    AppendFile() = default;
    ~AppendFile();
    AppendFile(const AppendFile &) = delete;
    AppendFile &operator=(const AppendFile &) = delete;

    // Starts the writer thread.
    void start(Maker make, Stopped stopped);
    // Started since the last close().
    bool started() const { return m_started; }
    // Queues lines, each ending in CR LF, `lineEnds` the offset behind each
    // line; returns at once.
    void append(const QByteArray &lines, const QList<qsizetype> &lineEnds);
    // Waits until every queued line is written (and, with sync, synced),
    // then ends the writer thread. The file stays open and locked.
    void finishWriting(bool sync);
    // Closes the file, which releases its lock.
    void close();

    // After finishWriting():
    bool isOpen() const { return m_fd >= 0; }
    int descriptor() const { return m_fd; }
    QString path() const { return m_path; }
    bool failed() const { return m_failed; }

    // Makes `path`, which must not exist yet, already locked, its name
    // durable; *fd its descriptor. Fails with EEXIST when the name is taken.
    static sys::Status create(const QString &path, int *fd);
    // True when some program holds the lock of the file at `path`, or the
    // file cannot be opened here (another user's running download).
    static bool isLocked(const QString &path);

private:
    struct Batch
    {
        QByteArray bytes;
        QList<qsizetype> lineEnds;
    };
    void run();
    void write(const Batch &batch);
    void sync();
    void stop(const sys::Status &failure);

    // Written by the writer thread only while it runs, read by the owner after
    // finishWriting().
    int m_fd = -1;
    QString m_path;
    qint64 m_size = 0;      // bytes of whole lines in the file
    qint64 m_lines = 0;
    bool m_failed = false;
    bool m_dirty = false;   // written since the last sync
    std::chrono::steady_clock::time_point m_lastSync;

    bool m_started = false;
    Maker m_make;
    Stopped m_stopped;
    std::thread m_writer;
    std::mutex m_mutex;             // guards the three below
    std::condition_variable m_wake;
    QList<Batch> m_queue;
    bool m_stop = false;
    bool m_syncAtStop = false;
};
