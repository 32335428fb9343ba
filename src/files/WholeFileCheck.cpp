#include "WholeFileCheck.h"

#include "SystemCalls.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <unistd.h>

using namespace Qt::StringLiterals;

std::optional<QString> wholeFileProblem(const QString &path)
{
    const QFileInfo target(path);
    if (target.isDir())
        return u"it is a folder"_s;
    const QString folder = target.absolutePath();
    if (!QFileInfo(folder).isDir())
        return u"the folder %1 does not exist"_s.arg(QDir::toNativeSeparators(target.path()));
    // The writer refuses to replace a file this user may not write.
    if (target.exists() && !sys::access(path, W_OK).ok())
        return u"the file may not be written to"_s;
    // The writer makes the new file beside the old one and replaces the old
    // one through a temporary name 7 bytes longer (".XXXXXX" behind the
    // name); ".<name>XXXXXX" is as long. Making one shows what the folder
    // takes: a name that long, a file at all (permissions, a read-only disk).
    int fd = -1;
    QString probe;
    const sys::Status made = sys::createUnique(folder, target.fileName(), &fd, &probe);
    if (!made.ok()) {
        if (made.error == ENAMETOOLONG)
            return u"the name is too long for the file system here (the file is written under a name 7 bytes "
                   "longer first)"_s;
        return u"the folder %1 takes no new file: %2"_s.arg(QDir::toNativeSeparators(target.path()),
                                                              qt_error_string(made.error));
    }
    sys::close(fd, probe);
    sys::unlink(probe);
    return std::nullopt;
}
