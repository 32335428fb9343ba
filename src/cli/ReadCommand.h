// "meridoc read": the checks before the instrument is read, the download,
// the lines written to a file or a stream, and how it all ended.
#pragma once

#include <QString>

class Messages;
struct ReadOptions;

struct ReadResult
{
    int status = 0;   // the exit status
    int signal = 0;   // the signal the program ends by once wound up (0: none)
};

// Runs the read; programFolder holds Port.txt, ports/ and history/.
ReadResult runRead(const ReadOptions &options, const QString &programFolder, Messages &messages);
