// Cutting a list of any entries into blocks: the blocks are the assembled
// text from entry 1 on, cut after every entry with 20 underscores, and
// nothing else.
#include "Blocks.h"
#include "FuzzCheck.h"
#include "ReceivedText.h"

#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A NUL byte separates the entries; the other bytes are the entries' text.
    const QList<QByteArray> entries
            = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\0');
    const QList<QByteArray> blocks = cutBlocks(entries);

    const QByteArray closing(20, '_');
    qsizetype closers = 0;
    for (qsizetype i = 1; i < entries.size(); ++i)
        closers += entries.at(i).contains(closing) ? 1 : 0;
    FUZZ_CHECK(blocks.size() == closers);

    const QByteArray assembled = assembleReceivedText(entries);
    const QByteArray joined = blocks.join();
    FUZZ_CHECK(assembled.startsWith(joined));
    FUZZ_CHECK(!assembled.mid(joined.size()).contains(closing));
    for (const QByteArray &block : blocks) {
        FUZZ_CHECK(block.endsWith("\r\n"));
        FUZZ_CHECK(block.count(closing) >= 1);
    }
    return 0;
}
