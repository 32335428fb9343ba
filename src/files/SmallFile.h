// Reads a file with a bound: the one way the program reads a file whose size
// it does not control (Port.txt, a .mes file), so a damaged or foreign file
// cannot hold the program for minutes or fill its memory.
#pragma once

#include <QByteArray>
#include <QString>

struct SmallFile
{
    bool read = false;    // false: the file could not be opened or read (see reason)
    bool larger = false;  // the file holds more than the limit; bytes are its first limit bytes
    QByteArray bytes;     // the file's bytes, at most the limit
    QString reason;       // the system's reason when read is false
};

// Reads at most limit bytes from the start of the file at path.
SmallFile readSmallFile(const QString &path, qsizetype limit);
