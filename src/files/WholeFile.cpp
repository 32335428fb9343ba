#include "WholeFile.h"

#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace {

// write() may take only part of the bytes without an error (a file-size limit
// cuts the write short); writing the rest again either goes on or fails with
// the system's reason. The file is unbuffered, so each write() reaches the
// system at once: a buffered one would fail only in the flush, whose short
// write sets no reason ("Unknown error").
bool writeAll(QSaveFile &file, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const qint64 written = file.write(data, left);
        if (written <= 0)
            return false;
        data += written;
        left -= written;
    }
    return true;
}

} // namespace

bool writeWholeFile(const QString &path, const QByteArrayList &parts, QString *reason)
{
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    for (qsizetype i = 0; written && i < parts.size(); ++i)
        written = writeAll(file, parts.at(i));
    // On Qt 6.4 commit() renames the file even when its own last flush failed:
    // whatever a buffer might still hold is flushed and checked first. Without
    // a commit QSaveFile removes its temporary file and the old one stays.
    written = written && file.flush() && file.commit();
    if (!written && reason) {
        *reason = file.error() != QFileDevice::NoError
                ? file.errorString()
                : u"not all data could be written; the disk may be full"_s;
    }
    return written;
}
