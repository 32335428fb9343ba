// How a read ended, in the command line's words (its closing lines on
// standard error), and its exit status: plain functions of what happened.
#pragma once

#include "DownloadOutcome.h"

#include <QString>

// The exit statuses of meridoc.
enum ExitStatus : int {
    ExitEnded = 0,      // the instrument sent "End" (or the end-of-file character)
    ExitFailed = 1,     // nothing was read: the port, its settings or a check before the read failed
    ExitUsage = 2,      // the command line is wrong
    ExitStopped = 3,    // --timeout ended the download after lines came
    ExitLost = 4,       // the connection was lost
    ExitNoData = 5,     // nothing came at all
    ExitNotWritten = 6, // read, but a file could not be written
};

struct ReadEnd
{
    DownloadOutcome outcome;
    QString port;                // the port as messages name it: the device given, or "COM 3 (/dev/ttyS2)"
    bool deviceGiven = false;    // --device named it
    int signal = 0;              // the first stop signal; 0: none came
    bool stoppedBySignal = false;  // it stopped the download as ESC (not only its last steps)
    bool byTimeout = false;      // --timeout stopped the download or gave it up
    int timeoutMs = 0;
    bool readerGone = false;     // the reader of the lines went away
    bool quiet = false;          // say nothing at the end (the program ends by SIGPIPE, as cat does)

    QString target;              // "standard output" or the file of -o
    QString writeProblem;        // why the lines did not all reach it; empty: they did (or none came)
    bool writeProblemSaid = false;
    bool blocksWanted = false;   // --blocks was given
    QString blocksProblem;       // why the block files were not all written
    bool historyWanted = true;   // no --no-history
    QString historyCopy;         // the copy that holds the lines (an unfinished one after a give-up)
    bool historyStopSaid = false;
};

// The lines to say once the read is over (without "meridoc: ").
QString closingText(const ReadEnd &end);
// The exit status, where no signal ends the program.
int exitStatusOf(const ReadEnd &end);

// What failed at the port and what to do, in the command line's words.
QString portProblemText(const PortProblem &problem, const QString &port, bool deviceGiven);
// What the user does when no port is known: the same advice everywhere.
QString choosePortAdvice();
