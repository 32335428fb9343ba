// The figures of the benchmark. Each prints its figure on one line and
// returns 0 when it met its target, 1 when it missed it, 2 when it could not run.
#pragma once

struct CutterOptions
{
    long long lines = 2'000'000;
    unsigned seed = 1;
    int maxRead = 256;
    int rounds = 5;
};
int runCutterBench(const CutterOptions &options);

int runIdleBench(int seconds);

// progressMax: the progress bar's maximum during the reception; every
// percent it moves costs a repaint of the bar.
int runPacedBench(int lines, int baud, int progressMax);

int runFloodBench(long long lines, int progressMax);

// Opens the download history window twice over `downloads` made-up downloads;
// gives up on an opening whose counts are not all in after limitSeconds.
int runHistoryBench(int downloads, int limitSeconds);
