#include "AppendFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr std::chrono::seconds SyncInterval{1};

QString systemReason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

AppendFile::~AppendFile()
{
    close();
}

bool AppendFile::fail(const QString &what)
{
    m_error = u"%1: %2"_s.arg(what, systemReason());
    return false;
}

bool AppendFile::create(const QString &path)
{
    m_error.clear();
    m_exists = false;
    m_path = path;
    const QByteArray target = QFile::encodeName(path);
    // The file is made and locked under a hidden name first and only then
    // given its own, so nobody can find it under its name unlocked and take
    // it for one whose program ended.
    QByteArray temp = QFile::encodeName(QFileInfo(path).absolutePath()) + "/.journal-XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return fail(QDir::toNativeSeparators(QFileInfo(path).absolutePath()));
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::link(temp.constData(), target.constData()) != 0) {
        m_exists = errno == EEXIST;
        fail(QDir::toNativeSeparators(path));
        ::unlink(temp.constData());
        ::close(fd);
        return false;
    }
    ::unlink(temp.constData());
    m_fd = fd;
    m_dirty = false;
    m_stop = false;
    m_resting = false;
    m_syncError = 0;
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
        const int result = ::fdatasync(m_fd);
        const int error = errno;
        lock.lock();
        if (result != 0)
            m_syncError = error;
        // At most one sync a second; appends meanwhile only mark the file dirty.
        m_resting = true;
        const bool stopping = m_wake.wait_for(lock, SyncInterval, [this] { return m_stop; });
        m_resting = false;
        if (stopping)
            return;
    }
}

bool AppendFile::failWithErrno(int error)
{
    errno = error;
    return fail(QDir::toNativeSeparators(m_path));
}

bool AppendFile::append(QByteArrayView bytes)
{
    const char *data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, data, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return fail(QDir::toNativeSeparators(m_path));
        }
        data += n;
        left -= n;
    }
    int syncError = 0;
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
    return syncError == 0 || failWithErrno(syncError);
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
    bool synced = m_syncError == 0 || failWithErrno(m_syncError);
    if (syncFirst && ::fdatasync(m_fd) != 0)
        synced = fail(QDir::toNativeSeparators(m_path));
    ::close(m_fd);
    m_fd = -1;
    return synced;
}

bool AppendFile::isLocked(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool locked = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return locked;
}
