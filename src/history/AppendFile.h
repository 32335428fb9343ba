// A file that grows while a download runs: every append goes to the system at
// once and reaches the disk (fdatasync) at most once a second and on request
// at the end. The syncs run on a thread of their own, so a slow disk never
// holds the window. The file stays locked (flock) while it is open, so
// another copy of the program can tell a running file from one whose
// program ended.
#pragma once

#include "SystemCalls.h"

#include <QByteArrayView>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <thread>

class AppendFile
{
public:
    AppendFile() = default;
    ~AppendFile();
    AppendFile(const AppendFile &) = delete;
    AppendFile &operator=(const AppendFile &) = delete;

    // Creates `path`, which must not exist yet, already locked. False with
    // error() when it could not; alreadyExists() tells that the name was taken.
    bool create(const QString &path);
    bool isOpen() const { return m_fd >= 0; }
    QString path() const { return m_path; }

    // Writes every byte and has them synced within a second. False when
    // this or an earlier sync failed.
    bool append(QByteArrayView bytes);
    // Closes the file, which releases the lock; with syncFirst, after a last
    // sync (false when that failed).
    bool close(bool syncFirst = false);

    QString error() const { return m_error; }
    bool alreadyExists() const { return m_exists; }

    // True when some process holds the lock of the file at `path`.
    static bool isLocked(const QString &path);

private:
    bool fail(const sys::Status &status);
    void syncLoop();

    int m_fd = -1;
    QString m_path;
    QString m_error;
    bool m_exists = false;

    std::thread m_syncer;
    std::mutex m_mutex;            // guards the four below
    std::condition_variable m_wake;
    bool m_dirty = false;          // written since the syncer last started a sync
    bool m_stop = false;
    bool m_resting = false;        // the syncer waits out the second after a sync
    sys::Status m_syncError;       // a failed sync
};
