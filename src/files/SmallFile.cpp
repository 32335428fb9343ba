#include "SmallFile.h"

#include <QFile>

#include <algorithm>

SmallFile readSmallFile(const QString &path, qsizetype limit)
{
    SmallFile result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.reason = file.errorString();
        return result;
    }
    // One byte past the limit tells whether the file holds more. The buffer
    // starts at the file's size where it is known, so a file is read into
    // place in one go, and a pipe or a growing file at most doubles it.
    const qsizetype wanted = limit + 1;
    const qsizetype first = file.isSequential() ? 64 * 1024 : qsizetype(file.size()) + 1;
    QByteArray &bytes = result.bytes;
    bytes.resize(std::min(wanted, first));
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled == wanted)
                break;
            bytes.resize(std::min(wanted, 2 * filled));
        }
        const qint64 got = file.read(bytes.data() + filled, bytes.size() - filled);
        if (got <= 0)
            break;
        filled += qsizetype(got);
    }
    if (file.error() != QFileDevice::NoError) {
        result.reason = file.errorString();
        bytes.clear();
        return result;
    }
    result.read = true;
    result.larger = filled > limit;
    bytes.resize(std::min(filled, limit));
    return result;
}
