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
    const QByteArray header = QByteArrayLiteral("/tmp/probe.mes");
    const QList<QByteArray> entries = measurementFileEntries(header, file);

    FUZZ_CHECK(!entries.isEmpty() && entries.front() == header);
    qsizetype bytes = 0;
    for (qsizetype i = 1; i < entries.size(); ++i) {
        const QByteArray &entry = entries.at(i);
        FUZZ_CHECK(!entry.isEmpty() && !entry.contains('\r'));
        FUZZ_CHECK(entry.constData()[entry.size()] == '\0');
        bytes += entry.size();
    }
    FUZZ_CHECK(bytes + file.count('\r') + file.count("\r\n") <= file.size());

    const QByteArray saved = measurementFileContent(assembleReceivedText(entries)).join();
    FUZZ_CHECK(measurementFileEntries(header, saved) == entries);
    return 0;
}
