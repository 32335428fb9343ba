// Reading a .mes file of any bytes: entries hold no CR, none is empty, each
// reads as a terminated text, and saving them gives a file that reads back
// to the same entries.
#include "FuzzCheck.h"
#include "MeasurementFile.h"
#include "ReceivedText.h"

#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray file(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<QByteArray> entries = measurementFileEntries(file);

    qsizetype bytes = 0;
    for (const QByteArray &entry : entries) {
        FUZZ_CHECK(!entry.isEmpty() && !entry.contains('\r'));
        FUZZ_CHECK(entry.constData()[entry.size()] == '\0');
        bytes += entry.size();
    }
    FUZZ_CHECK(bytes + file.count('\r') + file.count("\r\n") <= file.size());

    const QByteArray saved = measurementFileContent(assembleReceivedText(entries)).join();
    FUZZ_CHECK(measurementFileEntries(saved) == entries);
    return 0;
}
