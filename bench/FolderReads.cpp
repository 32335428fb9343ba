#include "FolderReads.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

FolderReads::FolderReads(const QString &folder)
{
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    m_stop = ::eventfd(0, EFD_CLOEXEC);
    if (m_fd < 0 || m_stop < 0
        || ::inotify_add_watch(m_fd, QFile::encodeName(folder).constData(), IN_OPEN | IN_ACCESS) < 0) {
        m_error = u"cannot watch %1: %2"_s.arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        return;
    }
    m_thread = std::thread([this] { run(); });
}

FolderReads::~FolderReads()
{
    if (m_thread.joinable()) {
        const uint64_t one = 1;
        if (::write(m_stop, &one, sizeof one) == sizeof one)
            m_thread.join();
        else
            m_thread.detach();
    }
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_stop >= 0)
        ::close(m_stop);
}

FolderReads::Reads FolderReads::take()
{
    // Events the kernel made before this call but the thread has not read yet.
    drain();
    const std::lock_guard lock(m_mutex);
    Reads reads{m_names.size(), m_overflowed};
    m_names.clear();
    m_overflowed = false;
    return reads;
}

void FolderReads::drain()
{
    alignas(inotify_event) char buffer[64 * 1024];
    // Read and counted under the lock, so take() cannot miss events that the
    // thread has read but not yet counted.
    const std::lock_guard lock(m_mutex);
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n <= 0)
            return;
        for (ssize_t at = 0; at < n;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            if (event->mask & IN_Q_OVERFLOW)
                m_overflowed = true;
            else if (event->len > 0 && event->name[0] != '.')
                m_names.insert(QFile::decodeName(event->name));
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
}

void FolderReads::run()
{
    pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_stop, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (fds[1].revents)
            return;
        if (fds[0].revents)
            drain();
    }
}
