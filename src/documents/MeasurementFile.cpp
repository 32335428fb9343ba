#include "MeasurementFile.h"

#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// Bytes [start, start + length) of a buffer, sharing the buffer's storage:
// QByteArray::sliced() copies, and ten million small copies cost seconds and
// twice the memory. The byte after the slice must be a NUL the caller has
// written, so the slice is terminated like any other QByteArray.
QByteArray sharedSlice(QByteArray &buffer, qsizetype start, qsizetype length)
{
    QByteArray::DataPointer view(buffer.data_ptr());
    view.ptr += start;
    view.size = length;
    return QByteArray(std::move(view));
}

qsizetype countOf(const char *data, qsizetype size, char byte)
{
    qsizetype n = 0;
    for (const char *p = data, *end = data + size;
         (p = static_cast<const char *>(std::memchr(p, byte, end - p))); ++p)
        ++n;
    return n;
}

} // namespace

QByteArrayList measurementFileContent(const QByteArray &assembledText)
{
    return {assembledText, "\r\n"_ba};
}

QList<QByteArray> measurementFileEntries(QByteArray fileBytes)
{
    // Writing the NULs below must not touch a buffer the caller still shares.
    char *data = fileBytes.data();
    const qsizetype size = fileBytes.size();

    QList<QByteArray> entries;
    entries.reserve(countOf(data, size, '\r') + 1);

    qsizetype start = 0;
    while (start < size) {
        auto *cr = static_cast<char *>(std::memchr(data + start, '\r', size - start));
        const qsizetype end = cr ? cr - data : size;
        if (cr)
            *cr = '\0';
        if (end > start)
            entries.append(sharedSlice(fileBytes, start, end - start));
        start = end + 1;
        if (cr && start < size && data[start] == '\n')
            ++start;
    }
    return entries;
}
