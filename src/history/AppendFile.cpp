#include "AppendFile.h"

#include "SystemCalls.h"

#include <QFileInfo>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>

using namespace Qt::StringLiterals;

namespace {

constexpr std::chrono::seconds SyncInterval{1};

} // namespace

AppendFile::~AppendFile()
{
    close();
}

bool AppendFile::fail(const sys::Status &status)
{
    m_error = status.message;
    return false;
}

bool AppendFile::create(const QString &path)
{
    m_error.clear();
    m_exists = false;
    m_path = path;
    // The file is made and locked under a hidden name first and only then
    // given its own, so nobody can find it under its name unlocked and take
    // it for one whose program ended.
    QString temp;
    int fd = -1;
    if (const sys::Status made = sys::mkostemp(QFileInfo(path).absolutePath(), u"journal-"_s, &fd, &temp);
        !made.ok())
        return fail(made);
    sys::Status named = sys::flock(fd, LOCK_EX | LOCK_NB, temp);
    if (named.ok())
        named = sys::link(temp, path);
    if (!named.ok()) {
        m_exists = named.error == EEXIST;
        fail(named);
        sys::unlink(temp);
        sys::close(fd, temp);
        return false;
    }
    sys::unlink(temp);
    m_fd = fd;
    m_dirty = false;
    m_stop = false;
    m_resting = false;
    m_syncError = {};
    m_syncer = std::thread([this] { syncLoop(); });
    return true;
}

void AppendFile::syncLoop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_dirty || m_stop; });
        if (m_stop)
            return;
        m_dirty = false;
        lock.unlock();
        const sys::Status synced = sys::fdatasync(m_fd, m_path);
        lock.lock();
        if (!synced.ok())
            m_syncError = synced;
        // At most one sync a second; appends meanwhile only mark the file dirty.
        m_resting = true;
        const bool stopping = m_wake.wait_for(lock, SyncInterval, [this] { return m_stop; });
        m_resting = false;
        if (stopping)
            return;
    }
}

bool AppendFile::append(QByteArrayView bytes)
{
    if (const sys::Status written = sys::write(m_fd, bytes, m_path); !written.ok())
        return fail(written);
    sys::Status syncError;
    bool wake = false;
    {
        const std::lock_guard lock(m_mutex);
        // Waking the syncer costs a thread switch: only when it waits for work.
        wake = !m_dirty && !m_resting;
        m_dirty = true;
        syncError = m_syncError;
    }
    if (wake)
        m_wake.notify_one();
    return syncError.ok() || fail(syncError);
}

bool AppendFile::close(bool syncFirst)
{
    if (m_fd < 0)
        return true;
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    m_syncer.join();
    bool synced = m_syncError.ok() || fail(m_syncError);
    if (syncFirst) {
        if (const sys::Status last = sys::fdatasync(m_fd, m_path); !last.ok())
            synced = fail(last);
    }
    sys::close(m_fd, m_path);
    m_fd = -1;
    return synced;
}

bool AppendFile::isLocked(const QString &path)
{
    int fd = -1;
    if (!sys::open(path, O_RDONLY, &fd).ok())
        return false;
    const bool locked = sys::flock(fd, LOCK_SH | LOCK_NB, path).error == EWOULDBLOCK;
    sys::close(fd, path);
    return locked;
}
