// "meridoc read": one download by the command line, its data written to a file
// or standard output, and its exit status.
#pragma once

#include <QString>

#include <cstdio>

struct ReadOptions;

// The exit statuses of meridoc.
enum ExitStatus : int {
    ExitEnded = 0,      // the instrument sent "End"
    ExitFailed = 1,     // the port could not be opened, or a file not written
    ExitUsage = 2,      // the command line is wrong
    ExitStopped = 3,    // a signal or the timeout ended the download after data came
    ExitLost = 4,       // the connection was lost
    ExitNoData = 5,     // nothing came at all
};

// Runs the download; programFolder holds Port.txt and ports/. Messages go to
// messages (standard error), the data to the file of -o or standard output.
int runRead(const ReadOptions &options, const QString &programFolder, std::FILE *messages);
