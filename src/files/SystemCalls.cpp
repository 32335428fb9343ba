#include "SystemCalls.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace sys {

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString reasonOf(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The failure of `call` on `path` with the errno it left; callers that make
// a text before the call to this pass the errno they saved.
Status failed(const char *call, const QString &path, int error = errno)
{
    return {error, u"%1 %2: %3"_s.arg(QLatin1StringView(call), shown(path), reasonOf(error))};
}

Status failed2(const char *call, const QString &from, const QString &to, int error = errno)
{
    return {error, u"%1 %2 to %3: %4"_s.arg(QLatin1StringView(call), shown(from), shown(to), reasonOf(error))};
}

// Runs the call again while a signal interrupts it.
template<typename Call>
auto retried(const Call &call)
{
    for (;;) {
        const auto result = call();
        if (result >= 0 || errno != EINTR)
            return result;
    }
}

} // namespace

Calls systemCalls()
{
    Calls c;
    c.open = [](const char *path, int flags, mode_t mode) { return ::open(path, flags, mode); };
    c.write = [](int fd, const void *data, size_t size) { return ::write(fd, data, size); };
    c.fsync = [](int fd) { return ::fsync(fd); };
    c.fdatasync = [](int fd) { return ::fdatasync(fd); };
    c.ftruncate = [](int fd, off_t size) { return ::ftruncate(fd, size); };
    c.fstat = [](int fd, struct stat *info) { return ::fstat(fd, info); };
    c.lstat = [](const char *path, struct stat *info) { return ::lstat(path, info); };
    c.rename = [](const char *from, const char *to) { return ::rename(from, to); };
    c.link = [](const char *from, const char *to) { return ::link(from, to); };
    c.symlink = [](const char *target, const char *path) { return ::symlink(target, path); };
    c.readlink = [](const char *path, char *buffer, size_t size) { return ::readlink(path, buffer, size); };
    c.unlink = [](const char *path) { return ::unlink(path); };
    c.mkdir = [](const char *path, mode_t mode) { return ::mkdir(path, mode); };
    c.flock = [](int fd, int operation) { return ::flock(fd, operation); };
    c.close = [](int fd) { return ::close(fd); };
    c.access = [](const char *path, int mode) { return ::access(path, mode); };
    return c;
}

Calls &calls()
{
    static Calls table = systemCalls();
    return table;
}

Status open(const QString &path, int flags, int *fd, mode_t mode)
{
    const QByteArray name = QFile::encodeName(path);
    *fd = retried([&] { return calls().open(name.constData(), flags | O_CLOEXEC, mode); });
    return *fd >= 0 ? Status() : failed("open", path);
}

Status createUnique(const QString &folder, const QString &prefix, int *fd, QString *path)
{
    static constexpr char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    // As mkostemp(3): a name taken meanwhile is no failure; another is tried.
    for (int tries = 0; tries < 100; ++tries) {
        QString name = u"."_s + prefix;
        for (int i = 0; i < 6; ++i)
            name += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)]);
        *path = QDir(folder).filePath(name);
        const Status status = open(*path, O_RDWR | O_CREAT | O_EXCL, fd);
        if (status.error != EEXIST)
            return status;
    }
    return failed("open", *path, EEXIST);
}

Status write(int fd, QByteArrayView bytes, const QString &path, qint64 *written)
{
    const char *data = bytes.data();
    qsizetype left = bytes.size();
    if (written)
        *written = 0;
    while (left > 0) {
        const ssize_t n = retried([&] { return calls().write(fd, data, size_t(left)); });
        if (n < 0)
            return failed("write", path);
        // A write that takes nothing and reports nothing: the device has no
        // room (a full FAT stick may answer so).
        if (n == 0)
            return failed("write", path, ENOSPC);
        data += n;
        left -= n;
        if (written)
            *written += n;
    }
    return {};
}

Status fsync(int fd, const QString &path)
{
    return retried([&] { return calls().fsync(fd); }) == 0 ? Status() : failed("fsync", path);
}

Status fdatasync(int fd, const QString &path)
{
    return retried([&] { return calls().fdatasync(fd); }) == 0 ? Status() : failed("fdatasync", path);
}

Status ftruncate(int fd, qint64 size, const QString &path)
{
    return retried([&] { return calls().ftruncate(fd, off_t(size)); }) == 0 ? Status() : failed("ftruncate", path);
}

Status fstat(int fd, const QString &path, struct stat *info)
{
    return retried([&] { return calls().fstat(fd, info); }) == 0 ? Status() : failed("fstat", path);
}

Status lstat(const QString &path, struct stat *info)
{
    const QByteArray name = QFile::encodeName(path);
    return retried([&] { return calls().lstat(name.constData(), info); }) == 0 ? Status() : failed("lstat", path);
}

Status rename(const QString &from, const QString &to)
{
    const QByteArray a = QFile::encodeName(from);
    const QByteArray b = QFile::encodeName(to);
    return retried([&] { return calls().rename(a.constData(), b.constData()); }) == 0
        ? Status()
        : failed2("rename", from, to);
}

Status link(const QString &from, const QString &to)
{
    const QByteArray a = QFile::encodeName(from);
    const QByteArray b = QFile::encodeName(to);
    return retried([&] { return calls().link(a.constData(), b.constData()); }) == 0 ? Status()
                                                                                 : failed2("link", from, to);
}

Status symlink(const QString &target, const QString &path)
{
    const QByteArray a = QFile::encodeName(target);
    const QByteArray b = QFile::encodeName(path);
    return retried([&] { return calls().symlink(a.constData(), b.constData()); }) == 0 ? Status()
                                                                                    : failed("symlink", path);
}

Status readlink(const QString &path, QString *target)
{
    const QByteArray name = QFile::encodeName(path);
    QByteArray buffer(4096, Qt::Uninitialized);
    const ssize_t n = retried([&] { return calls().readlink(name.constData(), buffer.data(), size_t(buffer.size())); });
    if (n < 0)
        return failed("readlink", path);
    if (n == buffer.size())
        return failed("readlink", path, ENAMETOOLONG);
    *target = QFile::decodeName(buffer.left(n));
    return {};
}

Status unlink(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    return retried([&] { return calls().unlink(name.constData()); }) == 0 ? Status() : failed("unlink", path);
}

Status mkdir(const QString &path, mode_t mode)
{
    const QByteArray name = QFile::encodeName(path);
    return retried([&] { return calls().mkdir(name.constData(), mode); }) == 0 ? Status() : failed("mkdir", path);
}

Status flock(int fd, int operation, const QString &path)
{
    return retried([&] { return calls().flock(fd, operation); }) == 0 ? Status() : failed("flock", path);
}

Status close(int fd, const QString &path)
{
    if (calls().close(fd) == 0 || errno == EINTR)
        return {};
    return failed("close", path);
}

Status access(const QString &path, int mode)
{
    const QByteArray name = QFile::encodeName(path);
    return retried([&] { return calls().access(name.constData(), mode); }) == 0 ? Status() : failed("access", path);
}

Status syncFolder(const QString &folder)
{
    int fd = -1;
    Status status = open(folder, O_RDONLY | O_DIRECTORY, &fd);
    if (!status.ok())
        return status;
    status = fsync(fd, folder);
    close(fd, folder);
    return status;
}

Status makeFolders(const QString &folder)
{
    const QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    struct stat info{};
    // A link is taken as the folder it leads to; if it leads elsewhere, the
    // first file made in it says so.
    if (lstat(path, &info).ok())
        return S_ISDIR(info.st_mode) || S_ISLNK(info.st_mode) ? Status() : failed("mkdir", path, ENOTDIR);
    const QString parent = QFileInfo(path).path();
    if (parent != path) {
        if (const Status above = makeFolders(parent); !above.ok())
            return above;
    }
    Status made = mkdir(path);
    if (!made.ok())
        return made.error == EEXIST ? Status() : made;   // made by someone else meanwhile
    return syncFolder(parent);
}

bool exists(const QString &path)
{
    struct stat info{};
    return lstat(path, &info).ok();
}

} // namespace sys
