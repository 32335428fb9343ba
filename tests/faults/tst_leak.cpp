// Ten downloads of 100,000 lines in a row: each one replaces the list of the
// one before, so the memory in use after the tenth is what it was after the first.
#include "CommControl.h"
#include "MainWindowRig.h"
#include "ProcessUsage.h"
#include "WindowDownloadHost.h"

#include <QTest>

#include <malloc.h>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 Lines = 100000;
constexpr int LineLength = 24;
constexpr int Downloads = 10;
// One download keeps about 10 MB (entries, list, received text); a leak of
// even a small share of that each time would pass these over nine downloads.
constexpr qint64 MaxResidentGrowth = 8 << 20;
constexpr qint64 MaxHeapGrowth = 2 << 20;

struct Usage
{
    qint64 resident;
    qint64 heap;
};

Usage usageNow()
{
    // Freed memory goes back to the system first, so only what is held counts.
    ::malloc_trim(0);
    return {residentBytes(), heapInUseBytes()};
}

} // namespace

class TestLeak : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void tenLongDownloads();
};

void TestLeak::tenLongDownloads()
{
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer's allocator keeps freed blocks in quarantine and hides the
    // heap from mallinfo, so neither figure means anything; LeakSanitizer
    // checks the same downloads for leaks in that build.
    QSKIP("memory figures are meaningless under AddressSanitizer");
#endif
    MainWindowRig rig;
    InstrumentThread &sim = rig.plug(InstrumentFamily::DuramoSt);
    sim.setFlood(Lines, LineLength);
    sim.setWholeWrites();
    rig.start();

    Usage first{};
    Usage last{};
    for (int run = 1; run <= Downloads; ++run) {
        rig.trigger("mnuDuramoST");
        QCOMPARE(rig.entries().size(), Lines + 1);
        QVERIFY(sim.waitUntilSent());
        QCOMPARE(rig.entries().last(), "End"_ba);
        QVERIFY(!rig.window->host().comm().portOpen());
        QVERIFY(!rig.menusLocked());
        (run == 1 ? first : last) = usageNow();
    }

    QVERIFY2(last.resident - first.resident < MaxResidentGrowth,
             qPrintable(u"resident memory grew by %1 bytes"_s.arg(last.resident - first.resident)));
    QVERIFY2(last.heap - first.heap < MaxHeapGrowth,
             qPrintable(u"heap in use grew by %1 bytes"_s.arg(last.heap - first.heap)));
}

QTEST_MAIN(TestLeak)
#include "tst_leak.moc"
