// What this process has used so far, for the figures of the benchmarks and
// the bounds of the tests: CPU time, resident memory, the heap in use.
#pragma once

#include <QtGlobal>

// CPU seconds (user and system) of all threads of the process since it started.
double processCpuSeconds();
// CPU seconds of the calling thread since it started.
double threadCpuSeconds();

// The largest resident set size the process ever had, in bytes.
qint64 peakResidentBytes();
// The resident set size now, in bytes; -1 when /proc does not tell.
qint64 residentBytes();
// Bytes handed out by malloc and not freed (mallinfo2's uordblks + hblkhd).
qint64 heapInUseBytes();
