#include "ProcessUsage.h"

#include <QFile>

#include <malloc.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

namespace {

double cpuSeconds(clockid_t clock)
{
    timespec ts {};
    if (::clock_gettime(clock, &ts) != 0)
        return 0.0;
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

} // namespace

double processCpuSeconds()
{
    return cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
}

double threadCpuSeconds()
{
    return cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
}

qint64 peakResidentBytes()
{
    rusage usage {};
    if (::getrusage(RUSAGE_SELF, &usage) != 0)
        return 0;
    // Linux reports ru_maxrss in kibibytes.
    return qint64(usage.ru_maxrss) * 1024;
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
