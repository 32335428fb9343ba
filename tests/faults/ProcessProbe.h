// Measures what the test process itself uses: CPU time over a span of the
// event loop, resident memory and the heap in use.
#pragma once

#include <QtGlobal>

// CPU seconds the whole process used while the event loop ran for ms.
double cpuSecondsWhileIdle(int ms);

// Resident set size in bytes, from /proc/self/statm.
qint64 residentBytes();

// Bytes handed out by malloc and not freed (mallinfo2's uordblks + hblkhd).
qint64 heapInUseBytes();
