// The line cutter gives the same entries however the bytes are split into reads.
#include "FuzzCheck.h"
#include "LineCutter.h"

#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const uint8_t setup = data[0];
    const QByteArray mark = (setup & 1) ? QByteArrayLiteral("\r") : QByteArrayLiteral("\r\n");
    const int cut = (setup >> 1) % 4;
    const qsizetype maxLine = (setup & 0x80) ? LineCutter::DefaultMaxLine : qsizetype(1 + (setup >> 3) % 16);
    const uint8_t splitSeed = data[1];

    // A read that starts with a byte of 127 or above is noise and dropped
    // whole, which depends on the split; the stream holds no such byte.
    QByteArray stream(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
    for (char &c : stream) {
        c = char(c & 0x7f);
        if (c == 0x7f)
            c = 'E';
    }

    LineCutter whole(mark, cut, maxLine);
    QList<QByteArray> expected;
    whole.feed(stream, expected);

    LineCutter pieces(mark, cut, maxLine);
    QList<QByteArray> entries;
    uint32_t state = splitSeed | 1u;
    for (qsizetype at = 0; at < stream.size();) {
        state = state * 1103515245u + 12345u;
        const qsizetype length = 1 + qsizetype((state >> 16) % 9);
        pieces.feed(stream.mid(at, length), entries);
        at += length;
    }

    FUZZ_CHECK(entries == expected);
    FUZZ_CHECK(pieces.ended() == whole.ended());
    FUZZ_CHECK(pieces.pending() == whole.pending());
    // Only the last entry may have ended the transfer.
    for (qsizetype i = 0; i < entries.size(); ++i) {
        FUZZ_CHECK(entries.at(i).size() <= maxLine);
        FUZZ_CHECK(i == entries.size() - 1 || !entries.at(i).contains("End"));
    }
    FUZZ_CHECK(!whole.ended() || whole.pending().isEmpty());
    return 0;
}
