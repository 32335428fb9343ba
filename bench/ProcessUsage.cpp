#include "ProcessUsage.h"

#include <sys/resource.h>
#include <time.h>

double processCpuSeconds()
{
    timespec ts {};
    if (::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts) != 0)
        return 0.0;
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

long long peakResidentBytes()
{
    rusage usage {};
    if (::getrusage(RUSAGE_SELF, &usage) != 0)
        return 0;
    // Linux reports ru_maxrss in kibibytes.
    return static_cast<long long>(usage.ru_maxrss) * 1024;
}
