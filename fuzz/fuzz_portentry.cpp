// The port dialog's entry rule on any typed text.
#include "FuzzCheck.h"
#include "PortEntry.h"

#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString entry = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const PortEntry result = portEntryFromText(entry);

    FUZZ_CHECK((result.kind == PortEntry::Empty) == entry.isEmpty());
    switch (result.kind) {
    case PortEntry::Empty:
    case PortEntry::Invalid:
        FUZZ_CHECK(result.port == 0 && result.comPortNumber.isEmpty());
        break;
    case PortEntry::Port:
        FUZZ_CHECK(result.port >= 1 && result.port <= 16);
        break;
    case PortEntry::AboveSixteen:
        FUZZ_CHECK(result.port > 16 && result.port <= 99);
        break;
    }
    if (result.kind == PortEntry::Port || result.kind == PortEntry::AboveSixteen) {
        FUZZ_CHECK(entry.endsWith(result.comPortNumber));
        FUZZ_CHECK(result.comPortNumber.size() <= 2);
        FUZZ_CHECK(result.comPortNumber.back() >= u'0' && result.comPortNumber.back() <= u'9');
    }
    FUZZ_CHECK(connectedCaption(result.comPortNumber).endsWith(result.comPortNumber));
    return 0;
}
