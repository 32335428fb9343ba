// A disk that fails the way real ones do, made by swapping entries of the
// program's system-call table: a sync that reports EIO, a disk that fills up,
// writes that take only part of their bytes, a disk that stalls.
#pragma once

#include "SystemCalls.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <memory>
#include <thread>
#include <unistd.h>

// Swaps entries of the table for the life of the object and puts the
// system's own back at its end.
class SwappedCalls
{
public:
    SwappedCalls() : m_saved(sys::calls()) {}
    ~SwappedCalls() { sys::calls() = m_saved; }
    SwappedCalls(const SwappedCalls &) = delete;
    SwappedCalls &operator=(const SwappedCalls &) = delete;
    sys::Calls *operator->() { return &sys::calls(); }

private:
    sys::Calls m_saved;
};

// The path a descriptor leads to, as /proc shows it ("/x/#123 (deleted)" for
// a file without a name yet).
inline QString pathOfDescriptor(int fd)
{
    return QFile::symLinkTarget(QStringLiteral("/proc/self/fd/%1").arg(fd));
}

// A call that fails at once with this errno.
template<typename... Args>
auto failingWith(int error)
{
    return [error](Args...) {
        errno = error;
        return -1;
    };
}

// write(): the disk has room for `room` more bytes (across every file); a
// write that does not fit takes what fits, the next one fails with `error`
// (ENOSPC, EDQUOT, EFBIG), as the system does.
inline auto writeWithRoom(qint64 room, int error)
{
    auto left = std::make_shared<std::atomic<qint64>>(room);
    return [left, error](int fd, const void *data, size_t size) -> ssize_t {
        const qint64 fits = std::min<qint64>(qint64(size), left->load());
        if (fits == 0 && size > 0) {
            errno = error;
            return -1;
        }
        const ssize_t n = ::write(fd, data, size_t(fits));
        if (n > 0)
            *left -= n;
        return n;
    };
}

// write(): a file-size limit as `ulimit -f` sets it: no file may grow past
// `limit` bytes; a write across it takes what fits, the next fails with EFBIG.
inline auto writeWithFileSizeLimit(qint64 limit)
{
    return [limit](int fd, const void *data, size_t size) -> ssize_t {
        const qint64 at = ::lseek(fd, 0, SEEK_CUR);
        const qint64 fits = std::min<qint64>(qint64(size), std::max<qint64>(0, limit - at));
        if (fits == 0 && size > 0) {
            errno = EFBIG;
            return -1;
        }
        return ::write(fd, data, size_t(fits));
    };
}

// write(): every other call is interrupted by a signal, and none takes more
// than `most` bytes.
inline auto writeInterruptedAndShort(size_t most)
{
    auto calls = std::make_shared<std::atomic<int>>(0);
    return [calls, most](int fd, const void *data, size_t size) -> ssize_t {
        if ((*calls)++ % 2 == 0) {
            errno = EINTR;
            return -1;
        }
        return ::write(fd, data, std::min(size, most));
    };
}

// write(): each call waits `stall` first, as a disk that stalls does.
inline auto writeStalling(std::chrono::milliseconds stall)
{
    return [stall](int fd, const void *data, size_t size) -> ssize_t {
        std::this_thread::sleep_for(stall);
        return ::write(fd, data, size);
    };
}
