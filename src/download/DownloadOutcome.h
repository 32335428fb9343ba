// How a download ended and what it kept. Every download of the data menu
// returns one; the window's status line and the command line's closing
// message and exit status are made from it, not from what the window showed.
#pragma once

#include "PortOpen.h"
#include "ReceiveLines.h"

#include <QString>

struct DownloadOutcome
{
    enum class Ending {
        NotStarted,      // the port could not be opened or refused its line settings; nothing was read
        NoStartMark,     // the instrument sent no start mark within the wait (Varden, QF-2000)
        Stopped,         // ESC or a stop request ended it; lines may be 0 (nothing came)
        EndMark,         // a line holding "End"
        EndOfFile,       // the serial line's end-of-file event
        ConnectionLost,  // the device went away, before or during the reception
        Abandoned,       // the program ended during it (the window closed, a second stop request)
    };
    Ending ending = Ending::NotStarted;
    // The entries in the list when the download ended (all of them from this download).
    qsizetype lines = 0;
    // NotStarted: why the port could not be opened or set.
    PortProblem portProblem;

    // The download history's copy of this download: the file kept (empty when
    // none was kept), and why there is none or why it is incomplete (empty
    // when all went well or nothing was received, so nothing was to be kept).
    QString historyCopy;
    QString historyProblem;

    // The block files (ORVIK, Varden, QF-2000).
    enum class Blocks {
        None,       // no block was cut, so none was offered
        Saved,      // every block was written
        NotSaved,   // the user cancelled the dialog or refused to replace files
        Failed,     // a block file could not be written (blocksProblem says why)
    };
    Blocks blocks = Blocks::None;
    qsizetype blockCount = 0;     // blocks cut from the list
    qsizetype blocksWritten = 0;  // files written before an end or a failure
    QString blocksName;           // the name chosen in the dialog ("probe" for probe(1).mes)
    QString blocksProblem;
};

// The ending of a reception.
DownloadOutcome::Ending endingOf(ReceiveEnd end);
