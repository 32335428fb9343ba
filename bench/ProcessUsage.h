// What this process has used so far: CPU time of all its threads and the
// largest resident memory it ever had.
#pragma once

// CPU seconds (user and system) the process has used since it started.
double processCpuSeconds();

// Peak resident set size of the process, in bytes.
long long peakResidentBytes();
