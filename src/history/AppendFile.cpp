#include "AppendFile.h"

#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>

using namespace Qt::StringLiterals;

namespace {

// Syncs follow each other at least this far apart: a line that reaches the
// file just after a sync began is synced by the next one, within a second
// also when a sync takes a few hundred milliseconds.
constexpr std::chrono::milliseconds SyncInterval{500};

// FAT and exFAT (a USB stick) refuse hard links; some FUSE file systems do not
// know them at all.
bool noHardLinks(int error)
{
    return error == EPERM || error == EOPNOTSUPP || error == ENOSYS;
}

// The .part made under its own name where hard links are missing, and locked
// at once: between the two calls a program starting up could take it for one
// whose program ended, a gap of microseconds.
sys::Status createWithoutLink(const QString &path, int *fd)
{
    int made = -1;
    sys::Status status = sys::open(path, O_RDWR | O_CREAT | O_EXCL, &made);
    if (!status.ok())
        return status;
    status = sys::flock(made, LOCK_EX | LOCK_NB, path);
    if (status.ok())
        status = sys::syncFolder(QFileInfo(path).absolutePath());
    if (!status.ok()) {
        sys::unlink(path);
        sys::close(made, path);
        return status;
    }
    *fd = made;
    return {};
}

} // namespace

AppendFile::~AppendFile()
{
    finishWriting(true);
    close();
}

void AppendFile::start(Maker make, Stopped stopped)
{
    close();
    m_make = std::move(make);
    m_stopped = std::move(stopped);
    m_path.clear();
    m_size = 0;
    m_lines = 0;
    m_failed = false;
    m_dirty = false;
    m_lastSync = {};
    m_queue.clear();
    m_stop = false;
    m_syncAtStop = false;
    m_started = true;
    m_writer = std::thread([this] { run(); });
}

void AppendFile::append(const QByteArray &lines, const QList<qsizetype> &lineEnds)
{
    {
        const std::lock_guard lock(m_mutex);
        m_queue.append({lines, lineEnds});
    }
    m_wake.notify_one();
}

void AppendFile::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (!m_queue.isEmpty()) {
            // Whatever queued up while the disk was busy goes in one write.
            Batch batch;
            for (const Batch &queued : std::exchange(m_queue, {})) {
                for (qsizetype end : queued.lineEnds)
                    batch.lineEnds.append(batch.bytes.size() + end);
                batch.bytes += queued.bytes;
            }
            lock.unlock();
            write(batch);
            lock.lock();
            continue;
        }
        if (m_dirty && !m_failed && (!m_stop || m_syncAtStop)) {
            const auto due = m_lastSync + SyncInterval;
            if (m_stop || std::chrono::steady_clock::now() >= due) {
                lock.unlock();
                sync();
                lock.lock();
            } else {
                m_wake.wait_until(lock, due, [this] { return !m_queue.isEmpty() || m_stop; });
            }
            continue;
        }
        if (m_stop)
            return;
        m_wake.wait(lock, [this] { return !m_queue.isEmpty() || m_stop; });
    }
}

void AppendFile::write(const Batch &batch)
{
    if (m_failed)
        return;
    if (m_fd < 0) {
        if (const sys::Status made = m_make(&m_path, &m_fd); !made.ok()) {
            m_fd = -1;
            stop(made);
            return;
        }
    }
    qint64 written = 0;
    const sys::Status status = sys::write(m_fd, batch.bytes, m_path, &written);
    if (status.ok()) {
        m_size += batch.bytes.size();
        m_lines += batch.lineEnds.size();
        m_dirty = true;
        return;
    }
    // Only whole lines are kept: a line cut short by a full disk would be
    // taken for a line the instrument sent.
    qsizetype whole = 0;
    for (qsizetype end : batch.lineEnds) {
        if (end > written)
            break;
        whole = end;
        ++m_lines;
    }
    m_size += whole;
    if (written > whole)
        sys::ftruncate(m_fd, m_size, m_path);
    sys::fdatasync(m_fd, m_path);
    stop(status);
}

void AppendFile::sync()
{
    const auto started = std::chrono::steady_clock::now();
    m_dirty = false;
    const sys::Status status = sys::fdatasync(m_fd, m_path);
    m_lastSync = started;
    // After a failed sync nobody knows what reached the disk (the system may
    // even have dropped the pages): the copy stops here.
    if (!status.ok())
        stop(status);
}

void AppendFile::stop(const sys::Status &failure)
{
    m_failed = true;
    if (m_stopped)
        m_stopped(m_lines, failure);
}

void AppendFile::finishWriting(bool sync)
{
    if (!m_writer.joinable())
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
        m_syncAtStop = sync;
    }
    m_wake.notify_one();
    m_writer.join();
}

void AppendFile::close()
{
    finishWriting(false);
    if (m_fd >= 0)
        sys::close(m_fd, m_path);
    m_fd = -1;
    m_started = false;
}

sys::Status AppendFile::create(const QString &path, int *fd)
{
    const QString folder = QFileInfo(path).absolutePath();
    // The file is made and locked under a hidden name first and only then
    // given its own, so nobody can find it under its name unlocked and take
    // it for one whose program ended.
    QString temp;
    int made = -1;
    sys::Status status = sys::createUnique(folder, u"journal-"_s, &made, &temp);
    if (!status.ok())
        return status;
    status = sys::flock(made, LOCK_EX | LOCK_NB, temp);
    if (status.ok())
        status = sys::link(temp, path);
    sys::unlink(temp);
    if (noHardLinks(status.error)) {
        sys::close(made, temp);
        return createWithoutLink(path, fd);
    }
    // The new name is on the disk only once its folder is.
    if (status.ok()) {
        status = sys::syncFolder(folder);
        if (!status.ok())
            sys::unlink(path);
    }
    if (!status.ok()) {
        sys::close(made, temp);
        return status;
    }
    *fd = made;
    return {};
}

bool AppendFile::isLocked(const QString &path)
{
    int fd = -1;
    if (const sys::Status opened = sys::open(path, O_RDONLY, &fd); !opened.ok())
        return opened.error != ENOENT;
    const bool locked = sys::flock(fd, LOCK_SH | LOCK_NB, path).error == EWOULDBLOCK;
    sys::close(fd, path);
    return locked;
}
