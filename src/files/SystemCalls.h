// Every file-system call of the program, each behind one small wrapper.
//
// The wrappers are the only place the program calls the system about files
// (the serial port and the signal pipe are not files in this sense). Each
// wrapper
//   - retries a call that a signal interrupted (EINTR), except close(), whose
//     descriptor is gone after an interruption on Linux;
//   - on failure returns the system's error number and a text that names the
//     call and its path, e.g. "fdatasync /home/u/history/x.mes.part:
//     Input/output error", ready for a message;
//   - reaches the system through the table calls(), which a test may swap for
//     functions that fail the way a disk fails (EIO at a sync, ENOSPC, a write
//     that takes only part of its bytes, a disk that stalls). Tests swap it only
//     while no other thread of the program uses it.
// Paths are given as QString and passed to the system in the local 8-bit
// encoding (QFile::encodeName); texts show them with native separators.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <sys/stat.h>
#include <sys/types.h>

namespace sys {

// What a wrapper gives back: success, or the errno and a text naming the call
// and the path(s).
struct Status
{
    int error = 0;     // errno; 0 when the call succeeded
    QString message;   // "rename /a/x.part to /a/x.mes: No space left on device"; empty on success

    bool ok() const { return error == 0; }
};

// The system's functions the wrappers call (in the manner of SQLite's
// aSyscall[] table). Each entry has the system call's own signature and
// reports failure as it does: -1 (or a negative count) with errno set.
struct Calls
{
    std::function<int(const char *path, int flags, mode_t mode)> open;
    std::function<ssize_t(int fd, const void *data, size_t size)> write;
    std::function<int(int fd)> fsync;
    std::function<int(int fd)> fdatasync;
    std::function<int(int fd, off_t size)> ftruncate;
    std::function<int(int fd, struct stat *info)> fstat;
    std::function<int(const char *path, struct stat *info)> lstat;
    std::function<int(const char *from, const char *to)> rename;
    std::function<int(const char *from, const char *to)> link;
    std::function<int(const char *target, const char *path)> symlink;
    std::function<ssize_t(const char *path, char *buffer, size_t size)> readlink;
    std::function<int(const char *path)> unlink;
    std::function<int(const char *path, mode_t mode)> mkdir;
    std::function<int(int fd, int operation)> flock;
    std::function<int(int fd)> close;
    std::function<int(const char *path, int mode)> access;
};

// The table every wrapper goes through; the system's own functions unless a
// test swapped some.
Calls &calls();
// A table of the system's own functions.
Calls systemCalls();

// --- One wrapper per call -------------------------------------------------

// open(2). flags as for open; O_CLOEXEC is always added. *fd is -1 on failure.
Status open(const QString &path, int flags, int *fd, mode_t mode = 0666);
// A new file ".<prefix>XXXXXX" in the folder (X a random letter or digit),
// opened for reading and writing with O_EXCL; *path is its name. Unlike
// mkostemp(3), which makes a private file (0600), its mode is 0666 less the
// umask, as every file the program writes, for it may become a kept file.
Status createUnique(const QString &folder, const QString &prefix, int *fd, QString *path);
// write(2) of every byte: a write that takes only part of the bytes is
// continued with the rest, so the result is all bytes or an error. *written
// (if given) counts the bytes that reached the file, also on failure.
Status write(int fd, QByteArrayView bytes, const QString &path, qint64 *written = nullptr);
Status fsync(int fd, const QString &path);
Status fdatasync(int fd, const QString &path);
Status ftruncate(int fd, qint64 size, const QString &path);
Status fstat(int fd, const QString &path, struct stat *info);
// lstat(2): the link itself, not what it leads to.
Status lstat(const QString &path, struct stat *info);
Status rename(const QString &from, const QString &to);
// link(2): a second name for the file; fails with EEXIST when `to` exists.
Status link(const QString &from, const QString &to);
Status symlink(const QString &target, const QString &path);
Status readlink(const QString &path, QString *target);
Status unlink(const QString &path);
Status mkdir(const QString &path, mode_t mode = 0777);
Status flock(int fd, int operation, const QString &path);
// close(2), not retried: the descriptor is gone even when interrupted.
Status close(int fd, const QString &path);
Status access(const QString &path, int mode);

// --- Built of the wrappers -----------------------------------------------

// Makes the names in the folder durable: opens it and fsyncs it. A new,
// renamed or removed name survives a power cut only once its folder is synced.
Status syncFolder(const QString &folder);
// Makes the folder and any missing folder above it, each new name made
// durable in its parent. Succeeds when the folder exists already.
Status makeFolders(const QString &folder);
// True when something (a file, a folder, a link) has this name.
bool exists(const QString &path);

} // namespace sys
