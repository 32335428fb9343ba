#include "WholeFile.h"

#include "SystemCalls.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

using namespace Qt::StringLiterals;

bool writeWholeFile(const QString &path, const QByteArrayList &parts, QString *reason)
{
    const auto fail = [reason](const QString &why) {
        if (reason)
            *reason = why;
        return false;
    };
    // QSaveFile writes a file without a name (or a hidden one) beside the
    // target and gives it the target's name in one step at commit(); without
    // a commit it removes it, so the old file stays as it was. The bytes go
    // through our own write and sync: commit() syncs too but ignores the
    // result, and a failed sync means the data may never reach the disk.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(u"create %1: %2"_s.arg(QDir::toNativeSeparators(path), file.errorString()));
    const int fd = file.handle();
    for (const QByteArray &part : parts) {
        if (const sys::Status written = sys::write(fd, part, path); !written.ok())
            return fail(written.message);
    }
    // fsync, not fdatasync: the permissions copied from the old file are part
    // of what is kept.
    if (const sys::Status synced = sys::fsync(fd, path); !synced.ok())
        return fail(synced.message);
    if (!file.commit())
        return fail(u"rename to %1: %2"_s.arg(QDir::toNativeSeparators(path), file.errorString()));
    // The new name is on the disk only once its folder is. Should this fail,
    // the file has its name but may not outlive a power cut: it is no save.
    if (const sys::Status named = sys::syncFolder(QFileInfo(path).absolutePath()); !named.ok())
        return fail(named.message);
    return true;
}
