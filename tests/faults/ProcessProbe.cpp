#include "ProcessProbe.h"

#include <QFile>
#include <QTest>

#include <malloc.h>
#include <time.h>
#include <unistd.h>

namespace {

double processCpuSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

} // namespace

double cpuSecondsWhileIdle(int ms)
{
    const double before = processCpuSeconds();
    QTest::qWait(ms);
    return processCpuSeconds() - before;
}

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().simplified().split(' ');
    if (fields.size() < 2)
        return -1;
    return fields.at(1).toLongLong() * ::sysconf(_SC_PAGESIZE);
}

qint64 heapInUseBytes()
{
    const struct mallinfo2 info = ::mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
}
